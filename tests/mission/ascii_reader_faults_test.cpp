// Faulty ascii mission files: one table of inputs, each row giving the kind of fault and the line
// at which reading stops, run for every version the row applies to. Nothing read before the fault
// survives: the reader throws and the caller keeps what it had.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

enum VersionMask : unsigned { kOnlyDf1 = 1, kOnlyDf2 = 2, kOnlyDf3 = 4, kAll = 7, kBriefing = 6, kEquipment = 3 };

struct FaultRow {
    const char* name;
    std::string text;
    Fault fault;
    std::int64_t line;
    unsigned versions = kAll;
};

std::string manyTriggerLines(int count) {
    std::string text = "begin event 0\r\n  begin triggers 1\r\n";
    for (int i = 0; i < count; ++i) text += "    1 2 3 4 5 6 7 8\r\n";
    return text + "  end triggers\r\nend event\r\n";
}

/// One line inside an item, a general_information or an event block: the faulty line is line 2.
std::string inItem(std::string_view line) { return joinLines({"begin item 0", line, "end item"}); }
std::string inGeneral(std::string_view line) { return joinLines({"begin general_information", line, "end x"}); }
std::string inEvent(std::string_view line) { return joinLines({"begin event 0", line, "end event"}); }

const std::vector<FaultRow>& faultRows() {
    static const std::vector<FaultRow> rows = {
        // A line of fewer than two words inside a block.
        {"empty line in general_information", inGeneral(""), Fault::MissingWord, 2},
        {"one word in general_information", joinLines({"// c", "begin general_information", "  name x", "arty", "end x"}),
         Fault::MissingWord, 4},
        {"empty line in event", joinLines({"begin event 0", "  attrib 1", "", "end event"}), Fault::MissingWord, 3},
        {"empty line in action list", joinLines({"begin event 0", "  begin actions 1", "    1 2 3 4 5 6 7 8", "",
                                            "  end actions", "end event"}),
         Fault::MissingWord, 4},
        {"empty line in item", joinLines({"", "begin item 0", "  type_id 1", "", "end item"}), Fault::MissingWord, 4},
        {"a tab does not separate words", inItem("  team\t5"), Fault::MissingWord, 2},

        // The end of the file inside a block; the line is the last one of the file.
        {"end of file in general_information", "begin general_information\r\n  name x", Fault::EndOfFile, 2},
        {"end of file in briefing", joinLines({"begin briefing", "  brief \"x\"", ""}), Fault::EndOfFile, 3, kBriefing},
        {"end of file in event", joinLines({"begin event 0", "  attrib 1"}), Fault::EndOfFile, 2},
        {"end of file in trigger list", joinLines({"begin event 0", "  begin triggers 1", "    1 2 3 4 5 6 7 8"}),
         Fault::EndOfFile, 3},
        {"end of file in action list", "begin event 0\r\n  begin actions 1\r\n  end triggers", Fault::EndOfFile, 3},
        {"end of file right after begin item", joinLines({"// x", "begin item 0"}), Fault::EndOfFile, 2},
        {"end of file in an item missing its end", joinLines({"begin item 0", "  type_id 1", "end items"}),
         Fault::EndOfFile, 3},

        // Numbers that do not fit their field after scaling and rounding.
        {"8-bit above 255", inItem("  team 256"), Fault::OutOfRange, 2},
        {"8-bit rounding up to 256", inItem("  team 255.5"), Fault::OutOfRange, 2},
        {"16-bit below -32768", inItem("  facing 0 -32769"), Fault::OutOfRange, 2},
        {"32-bit below", inItem("  map_symbol -2147483649"), Fault::OutOfRange, 2},
        {"32-bit tie rounding to even beyond the range", inItem("  ttoolindex 2147483647.5"), Fault::OutOfRange, 2},
        {"huge exponent", inItem("  wpdistance 1e400"), Fault::OutOfRange, 2},
        {"position beyond 32 bits after x256", inItem("  position 0 8388608 0"), Fault::OutOfRange, 2},
        {"waccuracy beyond 32 bits after x100", inItem("  waccuracy 21474836.48"), Fault::OutOfRange, 2},
        {"Land Warrior 8-bit item field", inItem("  grenades 300"), Fault::OutOfRange, 2, kOnlyDf3},
        {"header 32-bit", inGeneral("  wind 1 2147483648"), Fault::OutOfRange, 2},
        {"header 8-bit array", inGeneral("  subgoals_win 0 0 0 256"), Fault::OutOfRange, 2},
        {"default_equipment value", inGeneral("  default_equipment 1 2 -1 4"), Fault::OutOfRange, 2, kEquipment},
        {"default_loadout value", inGeneral("  default_loadout 0 1 2 3 4 256"), Fault::OutOfRange, 2, kOnlyDf3},
        {"teammate value", inGeneral("  teammate 256 0"), Fault::OutOfRange, 2, kOnlyDf3},
        {"reset_value beyond 16 bits after x50", inEvent("  reset_value 656"), Fault::OutOfRange, 2},
        {"delay_value below 16 bits after x50", inEvent("  delay_value -655.4"), Fault::OutOfRange, 2},
        {"trigger value", joinLines({"begin event 0", "  begin triggers 1", "    1 2 3 4 5 6 7 4294967296"}),
         Fault::OutOfRange, 3},
        {"action value", joinLines({"begin event 0", "  begin actions 1", "    1 2 3 4 5 6 -2147483649 8"}),
         Fault::OutOfRange, 3},
        {"waypoint attrib", joinLines({"begin waypoint 0", "  attrib 256", "end waypoint"}), Fault::OutOfRange, 2},
        {"waypoint number overflowing 16 bits", "// a\r\nbegin waypoint 32767\r\nend waypoint", Fault::OutOfRange, 2},
        {"more than 255 trigger lines in an event", manyTriggerLines(256), Fault::OutOfRange, 258},

        // A file that holds no mission: neither a general_information block nor an item.
        {"empty file", "", Fault::NoMission, 0},
        {"comments and empty lines", joinLines({"// a", "", "// b"}), Fault::NoMission, 3},
        {"events and waypoints only",
         joinLines({"begin event 0", "  attrib 1", "end event", "begin waypoint 0", "  attrib 1",
                    "end waypoint", ""}),
         Fault::NoMission, 7},

        // Lines longer than 32767 characters, anywhere.
        {"too long at the top level", "// ok\r\n" + std::string(32768, 'x') + "\r\n", Fault::LineTooLong, 2},
        {"too long inside an item", "begin item 0\r\n  name_index " + std::string(32760, '1') + "\r\nend item\r\n",
         Fault::LineTooLong, 2},
        {"too long in a briefing", "begin briefing\r\n  brief \"" + std::string(32767, 'b') + "\"\r\n",
         Fault::LineTooLong, 2, kBriefing},
    };
    return rows;
}

template <class V>
class MissionAsciiReaderFaults : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiReaderFaults, AllVersions, VersionNames);

TYPED_TEST(MissionAsciiReaderFaults, EachFaultStopsTheReadAtItsLineWhateverTheLineEnds) {
    using V = TypeParam;
    const unsigned self = 1u << (versionNumber(V::number) - 1);
    int checked = 0;
    for (const FaultRow& row : faultRows()) {
        if ((row.versions & self) == 0) continue;
        for (const char* ending : {"\r\n", "\n", "\r"}) {
            SCOPED_TRACE(std::string(row.name) + (ending[0] == '\n' ? ", LF" : ending[1] ? ", CR LF" : ", CR"));
            std::string text;
            for (std::size_t i = 0; i < row.text.size(); ++i) {
                const bool crlf = row.text.compare(i, 2, "\r\n") == 0;
                text += crlf ? std::string(ending) : std::string(1, row.text[i]);
                i += crlf ? 1 : 0;
            }
            const Error error = errorOf([&] { missionFromText<V>(text); });
            EXPECT_EQ(error.fault(), row.fault) << error.what();
            EXPECT_EQ(error.line(), row.line) << error.what();
            EXPECT_NE(error.path(), "");
        }
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

TYPED_TEST(MissionAsciiReaderFaults, NumbersAtTheEdgeOfTheirRangeAreTaken) {
    using V = TypeParam;
    const auto m = missionFromText<V>(joinLines({"begin item 0", "  team 255.4", "  nomorethan -0.5", "  fov 32767",
                                            "  attention -32768.5", "  name_index 2147483647",
                                            "  map_symbol -2147483648", "  position 8388607.99609375 -8388608 0",
                                            "  waccuracy 21474836.47", "end item"}));
    ASSERT_EQ(m.items.size(), 1u);
    const auto& item = m.items[0];
    EXPECT_EQ(item.team, 255);
    EXPECT_EQ(item.nomorethan, 0);
    EXPECT_EQ(item.fov, 32767);
    EXPECT_EQ(item.attention, -32768);  // the tie goes to the even neighbour
    EXPECT_EQ(item.name_index, 2147483647);
    EXPECT_EQ(item.map_symbol, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(item.position[0], 2147483647);
    EXPECT_EQ(item.position[1], std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(item.waccuracy, 2147483647);

    const auto waypoints = missionFromText<V>(joinLines({"begin item 0", "end item", "begin waypoint 32766",
                                                         "  attrib 1", "end waypoint",
                                                    "begin waypoint -32769", "end waypoint"}));
    EXPECT_TRUE(waypoints.waypoints == typename V::Mission{}.waypoints);
}

TYPED_TEST(MissionAsciiReaderFaults, TheMessageNamesTheReaderTheFaultAndTheLine) {
    using V = TypeParam;
    const Error error = errorOf([&] { missionFromText<V>(joinLines({"// x", "begin item 0", "  team 256", "end item"})); });
    const std::string message = asciiReaderMessage(asciiReaderName(V::number), error);
    const std::string head = "Warning!: Error in OpenDF" + std::to_string(versionNumber(V::number)) + "MIS\r\n";
    EXPECT_TRUE(message.starts_with(head)) << message;
    EXPECT_TRUE(message.ends_with("\r\nAt Line: 3")) << message;
    EXPECT_NE(message.find("out of range"), std::string::npos) << message;
    // Three lines: the reader, the fault, the line number.
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 2);

    // A file that cannot be opened is a fault at line 0.
    testing::TempDir dir;
    const Error missing = errorOf([&] { V::openAscii(dir / "missing.mis"); });
    EXPECT_EQ(missing.fault(), Fault::CannotOpen);
    EXPECT_TRUE(asciiReaderMessage(asciiReaderName(V::number), missing).ends_with("At Line: 0"));
}

}  // namespace
}  // namespace vok::mission_tests
