// The ascii readers: what a text gives (read with CR LF, LF and CR line ends), the item-count slot of
// each type_id, the faults that stop a read at their line, and what a tolerant read passes over.

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "mission/core/mis_reader.h"
#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

constexpr auto kAscii = MissionForm::Ascii;
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

template <class M>
class MissionAsciiReader : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiReader, AllVersions, VersionNames);

/// Runs `check` on the text with each kind of line end, naming the kind in failures.
template <class Check>
void forEachLineEnd(std::string_view text, Check&& check) {
    for (const char* ending : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(ending[0] == '\n' ? "LF" : ending[1] ? "CR LF" : "CR");
        check(withLineEnds(text, ending));
    }
}

std::string repeated(std::string_view line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line;
    return text;
}

template <class M>
void general(M& m) {
    FormatOfT<M>::afterGeneralInformation(m.header);  // the values the ascii form does not carry
}

TYPED_TEST(MissionAsciiReader, TextsGiveTheirMission) {
    using M = TypeParam;
    using H = typename M::HeaderType;
    constexpr std::size_t kName = decltype(H::name)::width;
    struct Row {
        const char* name;
        std::string text;
        std::function<void(M&)> expect;  ///< what the text sets in an empty mission
    };
    const Row rows[] = {
        {"without general_information, no signature", "// c\nbegin item 0\nend item", [](M& m) { m.items.resize(1); }},
        {"keywords and block names in any letter case; the number on a begin line is not used",
         "BEGIN GENERAL_INFORMATION\n  ARTY 5\nEnd General_Information\nBegin Item 7\n  Type_ID 2001\nEND ITEM\n"
         "begin EVENT 9\n  Attrib 3\nend Event\n",
         [](M& m) {
             general(m), m.header.arty = 5, m.items.emplace_back().type_id = 2001, m.events.emplace_back().attrib = 3;
         }},
        {"values times their factor, rounded half to even; a later line overwrites",
         "begin item 0\n  team 2.5\n  nomorethan 3.5\n  nolessthan -0.4\n  weapon_type 25D-1\n"
         "  position 0.001953125 0.005859375 -1.5\n  waccuracy 2.5\n  perception 0.125\n  perfectionist2 3.5\n"
         "end item\n"
         "begin item 1\n  waccuracy2 250\n  perception2 2.5\n  team 1\n  team 7 \nend item\n",
         [](M& m) {
             auto& a = m.items.emplace_back();
             a.team = 2, a.nomorethan = 4, a.weapon_type = 2, a.position = {0, 2, -384}, a.waccuracy = 250;
             a.perception = 12, a.perfectionist = 4;
             auto& b = m.items.emplace_back();
             b.waccuracy = 250, b.perception = 2, b.team = 7;
         }},
        {"numbers at the edges of their fields",
         "begin item 0\n  team 255.4\n  nomorethan -0.5\n  fov 32767\n  attention -32768.5\n  name_index 2147483647\n"
         "  map_symbol -2147483648\n  position 8388607.99609375 -8388608 0\n  waccuracy 21474836.47\nend item\n"
         "begin event 0\n  reset_value 655.34\n  delay_value -655.36\nend event\n",
         [](M& m) {
             auto& i = m.items.emplace_back();
             i.team = 255, i.fov = 32767, i.attention = -32768, i.name_index = kMax32, i.map_symbol = kMin32;
             i.position = {kMax32, kMin32, 0}, i.waccuracy = kMax32;
             auto& e = m.events.emplace_back();
             e.reset_value = 32767, e.delay_value = -32768;
         }},
        {"texts are word 2 fitted to their field",
         "begin general_information\n  name " + std::string(kName + 1, 'n') + "\n  designer \"" +
             std::string(kName - 2, 'd') + " d\"\n  terrain two words\nend general_information\n",
         [](M& m) {
             general(m), m.header.name.set(std::string(kName, 'n')), m.header.terrain.set("two");
             m.header.designer.set(std::string(kName - 2, 'd') + " d");
         }},
        {"unknown lines and blocks, and lines short of values, pass",
         "stray line\nbegin areatrig 1\n  color 1\nend areatrig\nbegin zap 2\n  team 9\nend zap\nbegin item\n  team 9\n"
         "end item\n\nbegin item 0\n  unknown_keyword 5\n  position 1 2\n  facing 3\n  bmsi_attributes 1 2 3\n"
         "end item\nbegin general_information\n  num_items 10\n  num_events 7\n  wind 4\n  subgoals_win 1 2 3\n"
         "end general_information\n",
         [](M& m) { general(m), m.items.emplace_back().bmsi_attributes = 1; }},
        {"an item missing its end takes the next item's lines",
         "begin item 0\n  type_id 2500\n  team 1\nbegin item 1\n  type_id 5500\nend item\nbegin item 2\n  type_id 1\n"
         "end item\n",
         [](M& m) {
             m.items.resize(2);
             m.items[0].type_id = 5500, m.items[0].team = 1, m.items[1].type_id = 1;
         }},
        {"waypoint blocks are numbered 0 to 127; the others pass with their lines",
         "begin item 0\nend item\nbegin waypoint -1\n  attrib 1\nend waypoint\nbegin waypoint 0\n  attrib 2\n"
         "end waypoint\nbegin waypoint 1.6\n  attrib 3\nend waypoint\nbegin waypoint 127\n  attrib 4\nend waypoint\n"
         "begin waypoint 128\n  attrib 5\nend waypoint\nbegin waypoint 32766\nend waypoint\n"
         "begin waypoint -32769\nend waypoint\n",
         [](M& m) {
             m.items.resize(1), m.waypoints[0].attrib = 2, m.waypoints[2].attrib = 3, m.waypoints[127].attrib = 4;
         }},
        {"event timings times 50; an event's triggers and actions are the lines taken",
         "begin item 0\nend item\nbegin event 0\n  reset_value 3\n  delay_value 0.75\n  begin triggers 2\n"
         "    1 0 0 0 0 0 0 0\n    2 0 0 0 0 0 0 0\n    3 0 0 0 0 0 0 0\n  end triggers\n  begin actions 5\n"
         "    1 2 3 4 5 6 7 8\n    1 2 3\n  end actions\nend event\nbegin event 1\n  begin triggers 0\n"
         "    4 0 0 0 0 0 0 0\n  end triggers\nend event\n",
         [](M& m) {
             m.items.resize(1), m.events.resize(2);
             m.events[0].reset_value = 150, m.events[0].delay_value = 38;
             m.events[0].num_triggers = 3, m.events[0].num_actions = 1, m.events[1].num_triggers = 1;
             for (std::int32_t v : {1, 2, 3, 4}) m.triggers.push_back(TriggerRecord{{v, 0, 0, 0, 0, 0, 0, 0}});
             m.actions.push_back(ActionRecord{{1, 2, 7, 3, 4, 5, 6, 8}});
         }},
        {"255 actions, the most an event holds, and a line of 32767 characters",
         "begin item 0\nend item\nbegin event 0\n  begin actions 1\n" + repeated("    1 2 3 4 5 6 7 8\n", 255) +
             "  end actions\nend event\n" + std::string(32767, 'x'),
         [](M& m) {
             m.items.resize(1), m.events.resize(1), m.events[0].num_actions = 255;
             m.actions.assign(255, ActionRecord{{1, 2, 7, 3, 4, 5, 6, 8}});
         }},
        {"brief lines are joined and fitted to 256 bytes; a later block replaces an earlier one",
         "begin general_information\nend general_information\nbegin briefing\n  brief \"first\"\nendbriefing\n"
         "begin briefing\n  brief \"abc\"\n\nx\n  brief \" def\"\n  brief\n  brief ghi jkl\n  brief \"" +
             std::string(247, 'q') + "\"\nendbriefing extra\n",
         [](M& m) {
             general(m);
             if constexpr (HasBriefing<H>) m.header.briefing.set("abc defghi" + std::string(246, 'q'));
         }},
        {"Land Warrior loadout lines 0 to 4 fill their slot",
         "begin general_information\n  default_loadout 0 9 9 9 9 9\n  default_loadout 1 6 11 1 16 21\n"
         "  default_loadout 4 1 2 3 4 5\n  default_loadout 5 7 7 7 7 7\n  default_loadout -1 7 7 7 7 7\n"
         "  default_loadout 0.5 7 7 7 7 7\n  default_loadout 2 7 7 7 7\nend general_information\n",
         [](M& m) {
             general(m);
             if constexpr (kVersion<M> == DfType::Df3) {
                 auto& h = m.header;
                 h.loadout_value1 = {9, 6, 0, 0, 1}, h.loadout_value2 = {9, 11, 0, 0, 2};
                 h.loadout_value3 = {9, 1, 0, 0, 3}, h.loadout_value4 = {9, 16, 0, 0, 4};
                 h.loadout_value5 = {9, 21, 0, 0, 5};
             }
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        M expected;
        row.expect(expected);
        for (std::size_t i = 0; i < expected.items.size(); ++i)
            expected.items[i].item_number = static_cast<std::int32_t>(i + 1);
        recountItems(expected.header, expected.items);
        expected.header.num_events = expected.num_event_records = static_cast<std::int32_t>(expected.events.size());
        expected.num_trigger_records = static_cast<std::int32_t>(expected.triggers.size());
        expected.num_action_records = static_cast<std::int32_t>(expected.actions.size());
        forEachLineEnd(row.text, [&](const std::string& text) { EXPECT_TRUE(missionOf<M>(text, kAscii) == expected); });
    }
}

TYPED_TEST(MissionAsciiReader, EachItemCountsOnceInTheSlotOfItsLastTypeId) {
    using M = TypeParam;
    // a: 2000-2999 and 4000-4999; b: below 2000 and 3000-3999; c: 6000 and above; d: 5000-5999.
    const std::pair<const char*, ItemTally> rows[] = {
        {"-2147483648", {0, 1, 0, 0}}, {"-1", {0, 1, 0, 0}},         {"0", {0, 1, 0, 0}},    {"1999", {0, 1, 0, 0}},
        {"2000", {1, 0, 0, 0}},        {"2999", {1, 0, 0, 0}},       {"3000", {0, 1, 0, 0}}, {"3999", {0, 1, 0, 0}},
        {"4000", {1, 0, 0, 0}},        {"4999", {1, 0, 0, 0}},       {"5000", {0, 0, 0, 1}}, {"5999", {0, 0, 0, 1}},
        {"6000", {0, 0, 1, 0}},        {"2147483647", {0, 0, 1, 0}},
    };
    for (const auto& [type, slots] : rows) {
        const M m =
            missionOf<M>("begin item 0\r\n  type_id 5500\r\n  type_id " + std::string(type) + "\r\nend item", kAscii);
        const auto& h = m.header;
        EXPECT_EQ((ItemTally{h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d}), slots) << type;
    }
}

TYPED_TEST(MissionAsciiReader, AFaultStopsTheReadAtItsLine) {
    using M = TypeParam;
    enum : unsigned { kDf1 = 1, kDf2 = 2, kDf3 = 4, kAll = 7, kBriefing = kDf2 | kDf3, kEquipment = kDf1 | kDf2 };
    struct Row {
        const char* name;
        std::string text;
        Fault fault;
        std::int64_t line;
        unsigned versions = kAll;
    };
    // clang-format off
    const Row rows[] = {
        // A line of fewer than two words inside a block.
        {"empty line in general_information", "begin general_information\n\nend x", Fault::MissingWord, 2},
        {"one word", "// c\nbegin general_information\n  name x\narty\nend x", Fault::MissingWord, 4},
        {"empty line in an action list", "begin event 0\n  begin actions 1\n    1 2 3 4 5 6 7 8\n\n", Fault::MissingWord, 4},
        {"a tab does not separate words", "begin item 0\n  team\t5\nend item", Fault::MissingWord, 2},
        // The end of the file inside a block: the line is the last one.
        {"in general_information", "begin general_information\n  name x", Fault::EndOfFile, 2},
        {"in a briefing", "begin briefing\n  brief \"x\"\n", Fault::EndOfFile, 2, kBriefing},
        {"in a trigger list", "begin event 0\n  begin triggers 1\n    1 2 3 4 5 6 7 8", Fault::EndOfFile, 3},
        {"in an action list closed as triggers", "begin event 0\n  begin actions 1\n  end triggers", Fault::EndOfFile, 3},
        {"in an item closed as items", "// x\nbegin item 0\n  type_id 1\nend items", Fault::EndOfFile, 4},
        // Numbers that do not fit their field after scaling and rounding.
        {"8-bit 256", "begin item 0\n  team 256", Fault::OutOfRange, 2},
        {"8-bit rounding to 256", "begin item 0\n  team 255.5", Fault::OutOfRange, 2},
        {"8-bit -1", "begin item 0\n  nolessthan -0.6", Fault::OutOfRange, 2},
        {"16-bit 32768", "begin item 0\n  facing 0 32768", Fault::OutOfRange, 2},
        {"16-bit -32769", "begin item 0\n  fov -32769", Fault::OutOfRange, 2},
        {"32-bit 2147483648", "begin item 0\n  type_id 2147483648", Fault::OutOfRange, 2},
        {"32-bit -2147483649", "begin item 0\n  map_symbol -2147483649", Fault::OutOfRange, 2},
        {"32-bit tie rounding to even past the range", "begin item 0\n  ttoolindex 2147483647.5", Fault::OutOfRange, 2},
        {"a huge exponent", "begin item 0\n  wpdistance 1e400", Fault::OutOfRange, 2},
        {"position past 32 bits after x256", "begin item 0\n  position 0 8388608 0", Fault::OutOfRange, 2},
        {"waccuracy past 32 bits after x100", "begin item 0\n  waccuracy -21474836.49", Fault::OutOfRange, 2},
        {"Land Warrior 8-bit item field", "begin item 0\n  grenades 256", Fault::OutOfRange, 2, kDf3},
        {"header 32-bit", "begin general_information\n  wind 1 2147483648", Fault::OutOfRange, 2},
        {"header 8-bit array", "begin general_information\n  subgoals_win 0 0 0 256", Fault::OutOfRange, 2},
        {"default_equipment", "begin general_information\n  default_equipment 1 2 -1 4", Fault::OutOfRange, 2, kEquipment},
        {"default_loadout", "begin general_information\n  default_loadout 0 1 2 3 4 256", Fault::OutOfRange, 2, kDf3},
        {"teammate", "begin general_information\n  teammate 256 0", Fault::OutOfRange, 2, kDf3},
        {"reset_value past 16 bits after x50", "begin event 0\n  reset_value 655.36", Fault::OutOfRange, 2},
        {"delay_value past 16 bits after x50", "begin event 0\n  delay_value -655.38", Fault::OutOfRange, 2},
        {"trigger value", "begin event 0\n  begin triggers 1\n    1 2 3 4 5 6 7 2147483648", Fault::OutOfRange, 3},
        {"action value", "begin event 0\n  begin actions 1\n    1 2 3 4 5 6 -2147483649 8", Fault::OutOfRange, 3},
        {"waypoint attrib", "begin waypoint 0\n  attrib 256\nend waypoint", Fault::OutOfRange, 2},
        {"waypoint number 32767", "// a\nbegin waypoint 32767\nend waypoint", Fault::OutOfRange, 2},
        {"waypoint number -32770", "begin waypoint -32770\nend waypoint", Fault::OutOfRange, 1},
        {"256 trigger lines in an event",
         "begin event 0\n  begin triggers 1\n" + repeated("    1 2 3 4 5 6 7 8\n", 256), Fault::OutOfRange, 258},
        // A file holding neither a general_information block nor an item.
        {"empty file", "", Fault::NoMission, 0},
        {"comments and empty lines", "// a\n\n// b\n", Fault::NoMission, 3},
        {"events and waypoints only", "begin event 0\nend event\nbegin waypoint 0\nend waypoint\n", Fault::NoMission, 4},
        // Lines longer than 32767 characters, anywhere.
        {"too long at the top level", "// ok\n" + std::string(32768, 'x') + "\n", Fault::LineTooLong, 2},
        {"too long inside an item", "begin item 0\n  name_index " + std::string(32756, '1') + "\nend item\n",
         Fault::LineTooLong, 2}};
    // clang-format on
    const unsigned self = 1u << versionIndex(kVersion<M>);
    for (const Row& row : rows) {
        if ((row.versions & self) == 0) continue;
        SCOPED_TRACE(row.name);
        forEachLineEnd(row.text, [&](const std::string& text) {
            const Error error = errorOf([&] { missionOf<M>(text, kAscii); });
            EXPECT_EQ(error.fault(), row.fault) << error.what();
            EXPECT_EQ(error.line(), row.line) << error.what();
        });
    }
}

TYPED_TEST(MissionAsciiReader, WhatATolerantReadPassesOverIsNotedWithItsLine) {
    // clang-format off
    const std::pair<const char*, const char*> added[] = {  // a line, and what its note names (or null)
        {"stray words", "outside any block"}, {"begin zap 1", "\"zap\""}, {"  anything", nullptr},
        {"end zap", nullptr}, {"begin item 0", nullptr}, {"  colour 3", "\"colour\""},
        {"  team many", "\"many\" is not a number"}, {"  position 1 2", "position needs 3 values"},
        {"end item", nullptr}, {"begin event 0", nullptr}, {"  begin triggers 1", nullptr},
        {"    1 2 3", "8 needed"}, {"  end triggers", nullptr}, {"end event", nullptr},
        {"begin waypoint 200", "waypoint 200"}, {"  attrib 1", nullptr}, {"end waypoint", nullptr}};
    // clang-format on
    std::string text = "// Converter for Delta Force 1\r\n";
    std::vector<std::pair<std::int64_t, std::string>> expected;
    for (std::size_t i = 0; i < std::size(added); ++i) {
        text += std::string(added[i].first) + "\r\n";
        if (added[i].second != nullptr) expected.emplace_back(static_cast<std::int64_t>(i) + 2, added[i].second);
    }
    std::vector<PassedOver> noted;
    (void)readMissionAscii<FormatOfT<TypeParam>>(text, "m.mis", &noted);
    ASSERT_EQ(noted.size(), expected.size());
    for (std::size_t i = 0; i < noted.size(); ++i) {
        EXPECT_EQ(noted[i].line, expected[i].first) << noted[i].what;
        EXPECT_NE(noted[i].what.find(expected[i].second), std::string::npos) << noted[i].what;
    }
}

}  // namespace
}  // namespace vok::mission_tests
