// The ascii readers on well-formed input: the worked examples of the three readers, and the
// changes to the documented behaviour: event timings read times 50, trigger and action counts
// taken from the lines read, each item counted once by its final type_id, CR / LF / CR LF line
// ends, and Land Warrior loadout lines numbered 0 to 4.

#include <gtest/gtest.h>

#include <initializer_list>

#include "mission/core/mis_reader.h"
#include "mission/core/mission_binary.h"
#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

template <class V>
typename V::Mission readLines(std::initializer_list<std::string_view> lines) {
    return missionFromText<V>(joinLines(lines));
}

/// The single item of a file made of one item block holding `lines`.
template <class V>
auto itemWith(std::initializer_list<std::string_view> lines) {
    std::string text = "begin item 0\r\n";
    for (std::string_view line : lines) text += std::string(line) + "\r\n";
    const auto m = missionFromText<V>(text + "end item\r\n");
    EXPECT_EQ(m.items.size(), 1u);
    return m.items.at(0);
}

template <class V>
class MissionAsciiReader : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiReader, AllVersions, VersionNames);

TYPED_TEST(MissionAsciiReader, WithoutAGeneralInformationBlockTheSignatureIsNotSet) {
    // The values a general_information block sets (signature, DF2 file names, "day1.env") are
    // checked by the round trips, whose files always hold the block.
    using V = TypeParam;
    typename V::Mission expected;
    expected.items.emplace_back().item_number = 1;
    expected.header.item_count_b = 1;
    EXPECT_TRUE(readLines<V>({"// a comment", "begin item 0", "end item"}) == expected);
    EXPECT_EQ(readLines<V>({"begin general_information", "end general_information"}).header.signature, V::signature);
}

TYPED_TEST(MissionAsciiReader, ValuesAreRoundedHalfToEvenAfterScaling) {
    using V = TypeParam;
    struct Case {
        const char* line;
        std::uint8_t team;
    };
    // The words' numbers themselves are MisValue's (text_helpers_test.cpp).
    for (const Case& c : {Case{"  team 255", 255}, Case{"  team -0.4", 0}, Case{"  team 2.5", 2},
                          Case{"  team 3.5", 4}, Case{"  team 25D-1", 2}}) {
        EXPECT_EQ(itemWith<V>({c.line}).team, c.team) << c.line;
    }
    const auto item = itemWith<V>({"  position 0.001953125 0.005859375 -1.5", "  waccuracy 2.5", "  perception 0.125",
                                   "  perfectionist2 3.5"});
    EXPECT_EQ(item.position, (std::array<std::int32_t, 3>{0, 2, -384}));
    EXPECT_EQ(item.waccuracy, 250);
    EXPECT_EQ(item.perception, 12);
    EXPECT_EQ(item.perfectionist, 4);
    EXPECT_EQ(itemWith<V>({"  waccuracy2 250"}).waccuracy, 250);
    EXPECT_EQ(itemWith<V>({"  perception2 2.5"}).perception, 2);
}

TYPED_TEST(MissionAsciiReader, TextValuesAreWordTwoFittedToTheirField) {
    using V = TypeParam;
    const std::size_t nameWidth = V::number == DfType::Df1 ? 40 : 32;
    const std::string forty(40, 'n');
    const auto m = readLines<V>({"begin general_information", "  name \"A B\"", "  designer " + forty,
                                 "  terrain two words", "end general_information"});
    EXPECT_EQ(m.header.name.text(), "A B");
    EXPECT_EQ(m.header.designer.text(), forty.substr(0, nameWidth));
    EXPECT_EQ(m.header.terrain.raw(), std::string("two") + std::string(13, '\0'));
    EXPECT_EQ(readLines<V>({"begin general_information", "  name A B", "end general_information"}).header.name.text(),
              "A");
    // Quotes group words wherever they stand and are dropped.
    EXPECT_EQ(readLines<V>({"begin general_information", "  name x\"y z\"w", "end general_information"})
                  .header.name.text(),
              "xy zw");
}

TYPED_TEST(MissionAsciiReader, KeywordsAndBlockNamesInAnyLetterCase) {
    using V = TypeParam;
    const auto m = readLines<V>({"BEGIN GENERAL_INFORMATION", "  ARTY 5", "End General_Information", "Begin Item 7",
                                 "  Type_ID 2001", "END ITEM", "begin EVENT 9", "  Attrib 3", "end Event"});
    EXPECT_EQ(m.header.arty, 5);
    EXPECT_EQ(m.header.signature, V::signature);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].type_id, 2001);
    EXPECT_EQ(m.items[0].item_number, 1);  // the number on the begin line is not used
    ASSERT_EQ(m.events.size(), 1u);
    EXPECT_EQ(m.events[0].attrib, 3);
}

TYPED_TEST(MissionAsciiReader, UnknownLinesShortLinesAndBlocksAreSkipped) {
    using V = TypeParam;
    const auto m = readLines<V>({"stray line outside", "begin areatrig 1", "  description \"Area Trigger 1\"",
                                 "  color 1", "end areatrig", "begin group 2", "end group", "begin item",
                                 "  team 9", "end item", "", "begin item 0", "  unknown_keyword 5",
                                 "  position 1 2", "  facing 3", "  team 1", "  team 7 ", "  bmsi_attributes 1 2 3",
                                 "end item", "begin general_information", "  num_items 10", "  num_events 7",
                                 "  wind 4", "  subgoals_win 1 2 3", "end general_information"});
    ASSERT_EQ(m.items.size(), 1u);  // "begin item" with two words opens no block
    const auto& item = m.items[0];
    EXPECT_EQ(item.position, (std::array<std::int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(item.facing, (std::array<std::int16_t, 2>{0, 0}));
    EXPECT_EQ(item.team, 7);  // a later line overwrites; a trailing blank adds an empty word only
    EXPECT_EQ(item.bmsi_attributes, 1);
    EXPECT_EQ(m.header.wind, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(m.header.subgoals_win, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m.header.num_events, 0);  // counted from the event blocks
    EXPECT_EQ(m.header.item_count_b, 1);
    EXPECT_EQ(itemCountSum(m.header), 1);
}

TYPED_TEST(MissionAsciiReader, WaypointBlocksAreNumberedFromZero) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin general_information", "end general_information", "begin waypoint 0",
                                 "  description \"Waypoint 0\"", "  color 3", "  attrib 5",
                                 "end waypoint", "begin waypoint 127", "  attrib 6", "end waypoint",
                                 "begin waypoint 128", "  attrib 7", "end waypoint", "begin waypoint -1",
                                 "  attrib 8", "end waypoint", "begin waypoint 1.6", "  attrib 9", "end waypoint"});
    typename V::Mission expected;
    expected.waypoints[0].attrib = 5;
    expected.waypoints[127].attrib = 6;
    expected.waypoints[2].attrib = 9;  // 1.6 + 1 rounds to 3: the third waypoint
    EXPECT_TRUE(m.waypoints == expected.waypoints);
}

// What the reader passes over is noted with its line; of what the writers write, nothing is.
TYPED_TEST(MissionAsciiReader, WhatTheReaderPassesOverIsNotedWithItsLine) {
    using V = TypeParam;
    auto m = smallMission<typename V::Mission>();
    m.items[0].group_id = 1;     // a group block
    m.items[0].waypoint_id = 1;  // a waypoint block
    m.items[2].wpnumber = 1;     // an area trigger block (type 6013)
    m.header.name.set("Quoted Name");
    const std::string written = asciiTextOf<V>(m);
    const std::pair<const char*, const char*> added[] = {  // a line, and what its note names (or null)
        {"stray words", "outside any block"},
        {"begin zap 1", "\"zap\""},
        {"  anything", nullptr},
        {"end zap", nullptr},
        {"begin item 0", nullptr},
        {"  colour 3", "\"colour\""},
        {"  team many", "\"many\" is not a number"},
        {"  position 1 2", "position needs 3 values"},
        {"end item", nullptr},
        {"begin event 0", nullptr},
        {"  begin triggers 1", nullptr},
        {"    1 2 3", "8 needed"},
        {"  end triggers", nullptr},
        {"end event", nullptr},
        {"begin waypoint 200", "waypoint 200"},
        {"  attrib 1", nullptr},
        {"end waypoint", nullptr},
    };
    std::string text = written;
    const auto first = static_cast<std::int64_t>(linesOf(written).size()) + 1;
    std::vector<std::pair<std::int64_t, std::string>> expected;
    for (std::size_t i = 0; i < std::size(added); ++i) {
        text += std::string(added[i].first) + "\r\n";
        const auto line = first + static_cast<std::int64_t>(i);
        if (added[i].second != nullptr) expected.emplace_back(line, added[i].second);
    }
    std::vector<PassedOver> noted;
    (void)readMissionAscii<FormatOfT<typename V::Mission>>(text, "m.mis", &noted);
    ASSERT_EQ(noted.size(), expected.size());
    for (std::size_t i = 0; i < noted.size(); ++i) {
        EXPECT_EQ(noted[i].line, expected[i].first) << noted[i].what;
        EXPECT_NE(noted[i].what.find(expected[i].second), std::string::npos) << noted[i].what;
    }
}

TYPED_TEST(MissionAsciiReader, AnItemMissingItsEndTakesTheNextItemsLines) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin item 0", "  type_id 2500", "  team 1", "begin item 1", "  type_id 5500",
                                 "end item", "begin item 2", "  type_id 1", "end item"});
    ASSERT_EQ(m.items.size(), 2u);
    EXPECT_EQ(m.items[0].type_id, 5500);
    EXPECT_EQ(m.items[0].team, 1);
    EXPECT_EQ(m.items[1].item_number, 2);
    EXPECT_EQ(m.header.item_count_d, 1);
    EXPECT_EQ(m.header.item_count_b, 1);
}

// ---------------------------------------------------------------------------------------------
// Changes to the documented behaviour.

TYPED_TEST(MissionAsciiReader, EventTimingsAreReadTimesFifty) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin general_information", "end general_information", "begin event 0",
                                 "  reset_value 3", "  delay_value 3", "end event", "begin event 1",
                                 "  reset_value 0.25", "  delay_value 0.75", "end event", "begin event 2",
                                 "  reset_value 655", "  delay_value -655.36", "end event"});
    std::vector<std::pair<int, int>> timings;
    for (const auto& e : m.events) timings.emplace_back(e.reset_value, e.delay_value);
    // 12.5 and 37.5 go to the even neighbours 12 and 38.
    EXPECT_EQ(timings, (std::vector<std::pair<int, int>>{{150, 150}, {12, 38}, {32750, -32768}}));
    // Written again, a stored 150 is 3 once more.
    EXPECT_EQ(blockOf(asciiTextOf<V>(m), "begin event 0", "end event"),
              (std::vector<std::string>{"begin event 0", "  name \"Event 0\"", "  reset_value 3", "  delay_value 3",
                                        "end event"}));
}

TYPED_TEST(MissionAsciiReader, TriggerAndActionCountsAreTheLinesTaken) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin general_information", "end general_information", "begin event 0",
                                 "  begin triggers 2", "    1 0 0 0 0 0 0 0", "    2 0 0 0 0 0 0 0",
                                 "    3 0 0 0 0 0 0 0", "  end triggers", "  begin actions 5",
                                 "    1 0 0 0 0 0 0 0", "    1 2 3", "  end actions", "end event", "begin event 1",
                                 "  begin triggers 0", "    4 0 0 0 0 0 0 0", "  end triggers", "end event"});
    ASSERT_EQ(m.events.size(), 2u);
    EXPECT_EQ(m.events[0].num_triggers, 3);
    EXPECT_EQ(m.events[0].num_actions, 1);  // the three-word line is not an action
    EXPECT_EQ(m.events[1].num_triggers, 1);
    EXPECT_EQ(m.num_trigger_records, 4);
    EXPECT_EQ(m.num_action_records, 1);
    ASSERT_EQ(m.triggers.size(), 4u);
    EXPECT_EQ(m.triggers[3].value[0], 4);  // the second event's trigger, not misaligned
    EXPECT_NO_THROW(checkBinaryInvariants(m, "x.bms"));

    // 255 lines are the most one event can hold.
    std::string text = "begin item 0\r\nend item\r\nbegin event 0\r\n  begin actions 1\r\n";
    for (int i = 0; i < 255; ++i) text += "    1 2 3 4 5 6 7 8\r\n";
    const auto full = missionFromText<V>(text + "  end actions\r\nend event\r\n");
    EXPECT_EQ(full.events.at(0).num_actions, 255);
    EXPECT_EQ(full.actions.size(), 255u);
}

TYPED_TEST(MissionAsciiReader, EachItemIsCountedOnceByItsFinalTypeId) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin item 0", "  type_id 2500", "  type_id 5500", "end item", "begin item 1",
                                 "  team 3", "end item", "begin item 2", "  type_id 6013", "  type_id 1999",
                                 "  type_id 7000", "end item"});
    // The item without a type_id line counts as type 0, in item_count_b.
    const auto& h = m.header;
    EXPECT_EQ((std::array{h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d}),
              (std::array<std::int32_t, 4>{0, 1, 1, 1}));
    EXPECT_NO_THROW(checkBinaryInvariants(m, "x.bms"));
}

TYPED_TEST(MissionAsciiReader, LinesEndAtCrLfAtCrAloneAndAtLfAlone) {
    using V = TypeParam;
    const std::vector<std::string> lines = {
        "// comment",   "begin general_information", "  arty 3", "end general_information", "",
        "begin item 0", "  team 4", "end item", "begin event 0", "  begin triggers 1", "    1 2 3 4 5 6 7 8",
        "  end triggers", "end event"};
    // The endings are used in turn; the last line ends or not.
    auto join = [&](std::vector<const char*> endings, bool lastEnded) {
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            text += lines[i];
            if (i + 1 < lines.size() || lastEnded) text += endings[i % endings.size()];
        }
        return text;
    };
    const auto reference = missionFromText<V>(join({"\r\n"}, true));
    EXPECT_EQ(reference.header.arty, 3);
    EXPECT_EQ(reference.items.at(0).team, 4);
    EXPECT_EQ(reference.triggers.size(), 1u);
    EXPECT_TRUE(missionFromText<V>(join({"\n"}, true)) == reference);
    EXPECT_TRUE(missionFromText<V>(join({"\r"}, true)) == reference);
    EXPECT_TRUE(missionFromText<V>(join({"\n", "\r", "\r\n"}, false)) == reference);
}

// ---------------------------------------------------------------------------------------------
// Version differences.

template <class V>
class MissionAsciiReaderBriefing : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiReaderBriefing, BriefingVersions, VersionNames);

TYPED_TEST(MissionAsciiReaderBriefing, BriefLinesAreJoinedAndFittedTo256) {
    using V = TypeParam;
    const auto m = readLines<V>({"begin general_information", "end general_information", "begin briefing",
                                 "  brief \"abc\"", "", "x", "  brief \" def\"", "  brief",
                                 "  brief ghi jkl", "endbriefing extra"});
    EXPECT_EQ(m.header.briefing.text(), "abc defghi");
    const std::string long300(300, 'q');
    const auto cut = readLines<V>({"begin item 0", "end item", "begin briefing", "  brief \"first\"",
                                   "endbriefing", "begin briefing",
                                   "  brief \"" + long300 + "\"", "endbriefing"});
    EXPECT_EQ(cut.header.briefing.raw(), long300.substr(0, 256));  // the later block replaces the first
}

TEST(MissionAsciiReaderDf2, TerrainColorAndLandWarriorLinesHaveNoEffect) {
    const auto m = readLines<Df2>({"begin general_information", "  terrain_color 5", "  default_loadout 0 1 2 3 4 5",
                                   "  teammate 1 2", "  fog_color 9", "  tt_file x.tt", "end general_information",
                                   "begin item 0", "  grenades 3", "  blink_parent 1", "end item"});
    EXPECT_EQ(m.header.terrain_color, 0);
    EXPECT_EQ(m.header.fog_color, 9);
    EXPECT_EQ(m.header.tt_file.text(), "x.tt");
    EXPECT_EQ(m.header.default_equipment, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m.items.at(0), ItemRecord{{.item_number = 1}});
}

TEST(MissionAsciiReaderDf1, SkipsBriefingsAndLinesItHasNoFieldFor) {
    const auto m = readLines<Df1>({"begin briefing", "  brief \"never\"", "begin general_information",
                                   "  cnv_file a.cnv", "  terrain_color 5", "  fog_color 1", "  fog_level 2",
                                   "  tt_file t", "  water_level 3", "  designer \"" + std::string(40, 'd') + "\"",
                                   "  name \"" + std::string(45, 'n') + "\"", "end general_information",
                                   "endbriefing"});
    EXPECT_EQ(m.header.cnv_file.raw(), std::string(16, '\0'));
    EXPECT_EQ(m.header.terrain_color, 0);
    EXPECT_EQ(m.header.designer.text(), std::string(40, 'd'));
    EXPECT_EQ(m.header.name.text(), std::string(40, 'n'));
    EXPECT_EQ(m.header.signature, df1::MissionHeader::fileSignature);
    // A briefing block without its end is no fault here: its lines pass the top level.
    EXPECT_NO_THROW(readLines<Df1>({"begin briefing", "  brief \"x\"", "begin item 0", "end item"}));
}

TEST(MissionAsciiReaderDf3, LoadoutLineNumberedNFillsSlotNPlusOne) {
    const auto m = readLines<Df3>({"begin general_information", "  default_loadout 0 9 9 9 9 9",
                                   "  default_loadout 1 6 11 1 16 21", "  default_loadout 4 1 2 3 4 5",
                                   "  default_loadout 5 7 7 7 7 7", "  default_loadout -1 7 7 7 7 7",
                                   "  default_loadout 0.5 7 7 7 7 7", "  default_loadout 2 7 7 7 7",
                                   "end general_information"});
    const auto& h = m.header;
    EXPECT_EQ(h.loadout_value1, (df3::LoadoutTable{9, 6, 0, 0, 1}));
    EXPECT_EQ(h.loadout_value2, (df3::LoadoutTable{9, 11, 0, 0, 2}));
    EXPECT_EQ(h.loadout_value3, (df3::LoadoutTable{9, 1, 0, 0, 3}));
    EXPECT_EQ(h.loadout_value4, (df3::LoadoutTable{9, 16, 0, 0, 4}));
    EXPECT_EQ(h.loadout_value5, (df3::LoadoutTable{9, 21, 0, 0, 5}));
}

}  // namespace
}  // namespace vok::mission_tests
