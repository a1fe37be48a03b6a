// The ascii writers' output on the worked examples: the fixed lines of an empty mission, the
// loadout and equipment lines from header bytes, the briefing pieces, the generated area trigger,
// waypoint and group blocks with their colour cycle, event and item lines and the number formats.

#include <gtest/gtest.h>

#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

template <class V>
class MissionAsciiWriter : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiWriter, AllVersions, VersionNames);

TYPED_TEST(MissionAsciiWriter, AllZeroModelGivesOnlyTheFixedLines) {
    using V = TypeParam;
    const std::string text = asciiTextOf<V>(typename V::Mission{});
    const auto lines = linesOf(text);
    ASSERT_EQ(lines.size(), V::emptyAsciiLines) << text;
    EXPECT_EQ(lines[0], std::string("// Vok Tamber's RIRorORE Converter for ") +
                            (V::number == kDf1   ? "Delta Force 1"
                             : V::number == kDf2 ? "Delta Force 2"
                                                 : "Delta Force Land Warrior"));
    EXPECT_EQ(lines[1], kCreatedLine);
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "begin general_information");
    EXPECT_EQ(lines.back(), "end general_information");
    if constexpr (V::number == kDf3) {
        for (int slot = 0; slot < 5; ++slot) {
            EXPECT_EQ(lines[5 + slot], "  default_loadout " + std::to_string(slot) + " 0 0 0 0 0");
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Worked examples.

TEST(MissionAsciiWriterExamples, LandWarriorHeaderBytesOneToTwentyFiveGiveTheLoadoutLines) {
    std::string bytes(Df3::emptyBytes, '\0');
    for (int i = 0; i < 25; ++i) bytes[148 + static_cast<std::size_t>(i)] = static_cast<char>(i + 1);
    const std::string text = asciiTextOf<Df3>(missionFromBytes<Df3>(bytes));
    EXPECT_EQ(linesStartingWith(text, "  default_loadout "),
              (std::vector<std::string>{"  default_loadout 0 6 11 1 16 21", "  default_loadout 1 7 12 2 17 22",
                                        "  default_loadout 2 8 13 3 18 23", "  default_loadout 3 9 14 4 19 24",
                                        "  default_loadout 4 10 15 5 20 25"}));
}

TEST(MissionAsciiWriterExamples, DefaultEquipmentBytesAreWrittenSecondThirdFourthFirst) {
    std::string df2(Df2::emptyBytes, '\0');
    std::string df1(Df1::emptyBytes, '\0');
    for (char i = 0; i < 4; ++i) {
        df2[148 + static_cast<std::size_t>(i)] = static_cast<char>(i + 1);
        df1[124 + static_cast<std::size_t>(i)] = static_cast<char>(i + 1);
    }
    EXPECT_EQ(linesStartingWith(asciiTextOf<Df2>(missionFromBytes<Df2>(df2)), "  default_equipment"),
              std::vector<std::string>{"  default_equipment 2 3 4 1"});
    EXPECT_EQ(linesStartingWith(asciiTextOf<Df1>(missionFromBytes<Df1>(df1)), "  default_equipment"),
              std::vector<std::string>{"  default_equipment 2 3 4 1"});
}

template <class V>
class MissionAsciiWriterBriefing : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiWriterBriefing, BriefingVersions, VersionNames);

TYPED_TEST(MissionAsciiWriterBriefing, BriefingIsCutIntoPiecesOfAHundred) {
    using V = TypeParam;
    std::string letters;
    for (int i = 0; i < 256; ++i) letters.push_back(static_cast<char>('a' + i % 26));
    struct Case {
        std::size_t length;
        std::vector<std::size_t> pieces;
    };
    for (const Case& c : {Case{1, {1}}, Case{100, {100}}, Case{101, {100, 1}}, Case{200, {100, 100}},
                          Case{256, {100, 100, 56}}}) {
        SCOPED_TRACE(c.length);
        typename V::Mission m;
        m.header.briefing.set(letters.substr(0, c.length));
        const std::string text = asciiTextOf<V>(m);
        const auto block = blockOf(text, "begin briefing", "endbriefing");
        ASSERT_EQ(block.size(), c.pieces.size() + 2);
        std::size_t start = 0;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(block[i + 1], "  brief \"" + letters.substr(start, c.pieces[i]) + "\"");
            start += c.pieces[i];
        }
        // The block follows the general_information block after one empty line.
        EXPECT_NE(text.find("end general_information\r\n\r\nbegin briefing\r\n"), std::string::npos);
    }
    // NULs are removed before the briefing is cut.
    typename V::Mission m;
    m.header.briefing.bytes.fill('x');
    for (std::size_t i = 0; i < 256; i += 2) m.header.briefing.bytes[i] = '\0';
    const auto block = blockOf(asciiTextOf<V>(m), "begin briefing", "endbriefing");
    EXPECT_EQ(block, (std::vector<std::string>{"begin briefing", "  brief \"" + std::string(100, 'x') + "\"",
                                               "  brief \"" + std::string(28, 'x') + "\"", "endbriefing"}));
}

TYPED_TEST(MissionAsciiWriter, ColourCycleRunsModSixteenSeparatelyForAreaTriggersAndWaypoints) {
    using V = TypeParam;
    typename V::Mission m;
    for (std::uint8_t n = 1; n <= 17; ++n) {
        auto& item = m.items.emplace_back();
        item.type_id = 6013;
        item.wpnumber = n;
        m.waypoints[n].attrib = n;  // waypoints 2 to 18; waypoint 1 is empty and skipped
    }
    m.header.item_count_c = 17;
    const std::string text = asciiTextOf<V>(m);
    std::vector<std::string> expected;
    for (int k = 1; k <= 17; ++k) expected.push_back("  color " + std::to_string(k % 16));
    for (int k = 1; k <= 17; ++k) expected.push_back("  color " + std::to_string(k % 16));
    EXPECT_EQ(linesStartingWith(text, "  color "), expected);
    EXPECT_EQ(blockOf(text, "begin areatrig 16", "end areatrig")[2], "  color 0");
    EXPECT_EQ(blockOf(text, "begin areatrig 17", "end areatrig")[2], "  color 1");
    EXPECT_EQ(blockOf(text, "begin waypoint 1", "end waypoint")[2], "  color 1");
    EXPECT_EQ(linesStartingWith(text, "begin waypoint 0").size(), 0u);
}

TYPED_TEST(MissionAsciiWriter, OnlyNamedOrSetReferencesMakeBlocks) {
    using V = TypeParam;
    typename V::Mission m;
    struct Ref {
        std::int32_t type;
        std::uint8_t wpnumber, group, waypoint;
    };
    for (const Ref& r : {Ref{6013, 70, 0, 0}, Ref{6012, 5, 0, 0}, Ref{6013, 0, 0, 0}, Ref{6013, 64, 64, 128},
                         Ref{6013, 1, 65, 129}, Ref{6013, 65, 0, 0}, Ref{6013, 1, 1, 3}, Ref{1000, 9, 1, 3}}) {
        auto& item = m.items.emplace_back();
        item.type_id = r.type;
        item.wpnumber = r.wpnumber;
        item.group_id = r.group;
        item.waypoint_id = r.waypoint;
    }
    recountItems(m.header, m.items);
    const std::string text = asciiTextOf<V>(m);
    EXPECT_EQ(linesStartingWith(text, "begin areatrig"),
              (std::vector<std::string>{"begin areatrig 1", "begin areatrig 64"}));
    EXPECT_EQ(linesStartingWith(text, "begin group"), (std::vector<std::string>{"begin group 1", "begin group 64"}));
    // An item naming waypoint 3 refers to the block numbered 2.
    EXPECT_EQ(linesStartingWith(text, "begin waypoint"),
              (std::vector<std::string>{"begin waypoint 2", "begin waypoint 127"}));
    EXPECT_EQ(linesStartingWith(text, "  attrib").size(), 0u);
    EXPECT_EQ(blockOf(text, "begin group 64", "end group"),
              (std::vector<std::string>{"begin group 64", "  description \"Group 64\"", "end group"}));
}

TYPED_TEST(MissionAsciiWriter, EventTimingsAreDividedByFiftyTowardZero) {
    using V = TypeParam;
    typename V::Mission m;
    for (std::int16_t value : {25, 149, 75, -75, 49, -49, 150, 32767, -32768}) {
        m.events.emplace_back().reset_value = value;
        m.events.emplace_back().delay_value = value;
    }
    m.header.num_events = m.num_event_records = static_cast<std::int32_t>(m.events.size());
    const std::string text = asciiTextOf<V>(m);
    const std::vector<std::string> values{"0", "2", "1", "-1", "0", "0", "3", "655", "-655"};
    std::vector<std::string> resets, delays;
    for (const auto& v : values) {
        resets.push_back("  reset_value " + v);
        delays.push_back("  delay_value " + v);
    }
    EXPECT_EQ(linesStartingWith(text, "  reset_value"), resets);
    EXPECT_EQ(linesStartingWith(text, "  delay_value"), delays);
}

TYPED_TEST(MissionAsciiWriter, TriggersAndActionsFollowTheirEventsInOrder) {
    using V = TypeParam;
    typename V::Mission m;
    m.events.resize(3);
    m.events[0].num_triggers = 2;
    m.events[1].num_actions = 1;
    m.events[2].num_triggers = 1;
    m.events[2].num_actions = 2;
    for (int t = 0; t < 3; ++t) m.triggers.push_back(TriggerRecord{{t, 0, 0, 0, 0, 0, 0, -t}});
    for (int a = 0; a < 3; ++a) m.actions.push_back(ActionRecord{{a, 0, 10 + a, 0, 0, 0, 0, 0}});
    m.header.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 3;
    const std::string text = asciiTextOf<V>(m);
    EXPECT_EQ(blockOf(text, "begin event 0", "end event"),
              (std::vector<std::string>{"begin event 0", "  name \"Event 0\"", "  begin triggers 2",
                                        "    0 0 0 0 0 0 0 0", "    1 0 0 0 0 0 0 -1", "  end triggers",
                                        "end event"}));
    EXPECT_EQ(blockOf(text, "begin event 1", "end event"),
              (std::vector<std::string>{"begin event 1", "  name \"Event 1\"", "  begin actions 1",
                                        "    0 0 0 0 0 0 10 0", "  end actions", "end event"}));
    EXPECT_EQ(blockOf(text, "begin event 2", "end event"),
              (std::vector<std::string>{"begin event 2", "  name \"Event 2\"", "  begin triggers 1",
                                        "    2 0 0 0 0 0 0 -2", "  end triggers", "  begin actions 2",
                                        "    1 0 0 0 0 0 11 0", "    2 0 0 0 0 0 12 0", "  end actions",
                                        "end event"}));
}

TYPED_TEST(MissionAsciiWriter, AnItemOfZerosHasNoLinesAndScaledValuesAreExact) {
    using V = TypeParam;
    typename V::Mission m;
    m.items.resize(4);
    m.items[1].position = {0, 0, 1};
    m.items[2].position = {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(), -1};
    m.items[3].waccuracy = std::numeric_limits<std::int32_t>::max();
    m.items[3].perception = -5;
    m.items[3].perfectionist = 1000;
    m.header.item_count_b = 4;
    const std::string text = asciiTextOf<V>(m);
    EXPECT_EQ(blockOf(text, "begin item 0", "end item"), (std::vector<std::string>{"begin item 0", "end item"}));
    EXPECT_EQ(linesStartingWith(text, "  position"),
              (std::vector<std::string>{"  position 0 0 0.00390625",
                                        "  position 8388607.99609375 -8388608 -0.00390625"}));
    EXPECT_EQ(blockOf(text, "begin item 3", "end item"),
              (std::vector<std::string>{"begin item 3", "  waccuracy 21474836.47", "  perception -0.05",
                                        "  perfectionist 10", "end item"}));
    EXPECT_NE(text.find("\r\n  num_items 4\r\n"), std::string::npos);
}

TYPED_TEST(MissionAsciiWriter, TextsAreWrittenWithoutTheirNulsAndUnquotedWhereTheFormatSaysSo) {
    using V = TypeParam;
    typename V::Mission m;
    m.header.terrain.set("two words");
    m.header.name.bytes[0] = 'A';
    m.header.name.bytes[5] = 'B';  // NULs between and after
    const std::string text = asciiTextOf<V>(m);
    EXPECT_EQ(linesStartingWith(text, "  terrain "), std::vector<std::string>{"  terrain two words"});
    EXPECT_EQ(linesStartingWith(text, "  name "), std::vector<std::string>{"  name \"AB\""});
    // Read back, the unquoted terrain keeps its first word only.
    EXPECT_EQ(missionFromText<V>(text).header.terrain.text(), "two");
}

}  // namespace
}  // namespace vok::mission_tests
