// The ascii writers' output on the worked examples: the fixed lines of an empty mission, the
// loadout lines from header bytes, the briefing pieces, the generated area trigger, waypoint and
// group blocks with their colour cycle, item lines, and whole files of each version (which pin the
// event lines, the equipment order and the timings divided by 50).

#include <gtest/gtest.h>

#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

template <class V>
class MissionAsciiWriter : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiWriter, AllVersions, VersionNames);

TYPED_TEST(MissionAsciiWriter, AllZeroModelGivesOnlyTheFixedLines) {
    using V = TypeParam;
    const char* const games[] = {"Delta Force 1", "Delta Force 2", "Delta Force Land Warrior"};
    std::string expected = joinLines({"// Vok Tamber's RIRorORE Converter for " + std::string(games[versionIndex(V::number)]),
                                      kCreatedLine, "", "", "begin general_information"});
    if constexpr (V::number == DfType::Df3) {  // eleven lines in all
        for (int slot = 0; slot < 5; ++slot) expected += "  default_loadout " + std::to_string(slot) + " 0 0 0 0 0\r\n";
    }
    EXPECT_EQ(asciiTextOf<V>(typename V::Mission{}), expected + "end general_information\r\n");
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

template <class V>
class MissionAsciiWriterBriefing : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiWriterBriefing, BriefingVersions, VersionNames);

TYPED_TEST(MissionAsciiWriterBriefing, BriefingIsCutIntoPiecesOfAHundredAfterItsNulsAreRemoved) {
    using V = TypeParam;
    std::string letters;
    for (int i = 0; i < 256; ++i) letters.push_back(static_cast<char>('a' + i % 26));
    auto brief = [](std::string_view piece) { return "  brief \"" + std::string(piece) + "\""; };
    auto briefingOf = [](const typename V::Mission& m) {
        return blockOf(asciiTextOf<V>(m), "begin briefing", "endbriefing");
    };
    typename V::Mission m;
    m.header.briefing.set(letters);
    EXPECT_EQ(briefingOf(m), (std::vector<std::string>{"begin briefing", brief(letters.substr(0, 100)),
                                                       brief(letters.substr(100, 100)), brief(letters.substr(200)),
                                                       "endbriefing"}));
    // The block follows the general_information block after one empty line.
    EXPECT_NE(asciiTextOf<V>(m).find("end general_information\r\n\r\nbegin briefing\r\n"), std::string::npos);
    m.header.briefing.set(letters.substr(0, 100));
    EXPECT_EQ(briefingOf(m),
              (std::vector<std::string>{"begin briefing", brief(letters.substr(0, 100)), "endbriefing"}));
    m.header.briefing.bytes.fill('x');
    for (std::size_t i = 0; i < 256; i += 2) m.header.briefing.bytes[i] = '\0';
    EXPECT_EQ(briefingOf(m), (std::vector<std::string>{"begin briefing", brief(std::string(100, 'x')),
                                                       brief(std::string(28, 'x')), "endbriefing"}));
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

TYPED_TEST(MissionAsciiWriter, AnItemOfZerosHasNoLinesAndAnyNonZeroPartWritesTheLine) {
    using V = TypeParam;
    typename V::Mission m;
    m.items.resize(2);
    m.items[1].position = {0, 0, 1};
    m.items[1].waccuracy = std::numeric_limits<std::int32_t>::max();
    m.header.item_count_b = 2;
    const std::string text = asciiTextOf<V>(m);
    EXPECT_EQ(blockOf(text, "begin item 0", "end item"), (std::vector<std::string>{"begin item 0", "end item"}));
    EXPECT_EQ(blockOf(text, "begin item 1", "end item"),
              (std::vector<std::string>{"begin item 1", "  position 0 0 0.00390625", "  waccuracy 21474836.47",
                                        "end item"}));
    EXPECT_NE(text.find("\r\n  num_items 2\r\n"), std::string::npos);
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

// ---------------------------------------------------------------------------------------------
// Whole files: every block kind, the lines of the general_information and item blocks in their
// order, each written because its field holds something, and nothing of the fields the ascii form
// does not carry.

TEST(MissionAsciiWriterWholeFile, Df2MissionWithEveryKindOfBlock) {
    Df2Mission m;
    auto& h = m.header;
    h.signature = df2::MissionHeader::fileSignature; h.arty = 1; h.attrib = 2; h.cnv_file.set("c.cnv");
    h.default_equipment = {1, 2, 3, 4}; h.designer.set("D D"); h.fog_color = 5; h.fog_level = 6; h.name.set("N N");
    h.notvisible_if = 7; h.subgoals_lose = {0, 0, 0, 9}; h.subgoals_win = {8, 0, 0, 0}; h.terrain.set("t");
    h.terrain_color = 10; h.tt_file.set("tt"); h.visible_if = 11; h.water_level = 12; h.weather_type = 13;
    h.wind = {0, -14};
    h.clouds_file.set("clouds05.pcx");  // fields of the binary form only
    h.header_number_a = 1236; h.header_code.set("xyz"); h.briefing.set("Go.");
    m.mission_text.set("not written");

    ItemRecord& item = m.items.emplace_back();
    item.type_id = 6013; item.name_index = -2; item.item_number = 99; item.bmsi_attributes = 3;
    item.position = {384, -64, 1}; item.wpdistance = 4; item.waccuracy = 250; item.perception = 12345;
    item.perfectionist = -1; item.edistances = {5, -6}; item.facing = {-7, 8}; item.fov = 9; item.movetimer = 10;
    item.crouchtimer = 11; item.shoottimer = 12; item.attention = -13; item.alert_state = 14; item.team = 255;
    item.nomorethan = 16; item.nolessthan = 17; item.weapon_type = 18; item.sweapon_type = 19; item.group_id = 3;
    item.waypoint_id = 5; item.wpnumber = 7; item.obliqueness = 20; item.map_symbol = 21; item.group_rel = 22;
    item.advancetimer = 23; item.ttoolindex = 24; item.item_tail = 25; h.item_count_c = 1;

    m.waypoints[0].attrib = 9;
    m.waypoints[0].waypoint_text.set("not written");

    EventRecord& event = m.events.emplace_back();
    event.attrib = 7; event.event_text.set("hidden"); event.reset_value = 149; event.delay_value = -75;
    event.num_triggers = 1; event.num_actions = 1;
    m.triggers.push_back(TriggerRecord{{1, 2, 3, 4, 5, 6, 7, 8}});
    m.actions.push_back(ActionRecord{{1, 2, 3, 4, 5, 6, 7, 8}});
    h.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 1;

    EXPECT_EQ(asciiTextOf<Df2>(m), joinLines({
              "// Vok Tamber's RIRorORE Converter for Delta Force 2", kCreatedLine, "", "",
              "begin general_information", "  arty 1", "  attrib 2", "  cnv_file c.cnv",
              "  default_equipment 2 3 4 1", "  designer \"D D\"", "  fog_color 5", "  fog_level 6", "  name \"N N\"",
              "  notvisible_if 7", "  num_events 1", "  num_items 1", "  subgoals_lose 0 0 0 9",
              "  subgoals_win 8 0 0 0", "  terrain t", "  terrain_color 10", "  tt_file tt", "  visible_if 11",
              "  water_level 12", "  weather_type 13", "  wind 0 -14", "end general_information", "",
              "begin briefing", "  brief \"Go.\"", "endbriefing", "",
              "begin areatrig 7", "  description \"Area Trigger 7\"", "  color 1", "end areatrig", "",
              "begin waypoint 0", "  description \"Waypoint 0\"", "  color 1", "  attrib 9", "end waypoint", "",
              "begin waypoint 4", "  description \"Waypoint 4\"", "  color 2", "end waypoint", "",
              "begin group 3", "  description \"Group 3\"", "end group", "",
              "begin event 0", "  name \"Event 0\"", "  attrib 7", "  reset_value 2", "  delay_value -1",
              "  begin triggers 1", "    1 2 3 4 5 6 7 8", "  end triggers", "  begin actions 1",
              "    1 2 4 5 6 7 3 8", "  end actions", "end event", "",
              "begin item 0", "  type_id 6013", "  name_index -2", "  bmsi_attributes 3",
              "  position 1.5 -0.25 0.00390625", "  wpdistance 4", "  waccuracy 2.5", "  perception 123.45",
              "  perfectionist -0.01", "  edistances 5 -6", "  facing -7 8", "  fov 9", "  movetimer 10",
              "  crouchtimer 11", "  shoottimer 12", "  attention -13", "  alert_state 14", "  team 255",
              "  nomorethan 16", "  nolessthan 17", "  weapon_type 18", "  sweapon_type 19", "  group_id 3",
              "  waypoint_id 5", "  wpnumber 7", "  obliqueness 20", "  map_symbol 21", "  group_rel 22",
              "  advancetimer 23", "  ttoolindex 24", "end item",
          }));
}

TEST(MissionAsciiWriterWholeFile, LandWarriorSettingsAndItemLines) {
    Df3Mission m;
    auto& h = m.header;
    h.arty = 1; h.attrib = 2; h.cnv_file.set("c"); h.loadout_value1 = {1, 2, 3, 4, 5};
    h.loadout_value2 = {6, 7, 8, 9, 10}; h.loadout_value3 = {11, 12, 13, 14, 15};
    h.loadout_value4 = {16, 17, 18, 19, 20}; h.loadout_value5 = {21, 22, 23, 24, 25}; h.designer.set("d");
    h.fog_color = 3; h.fog_level = 4; h.name.set("n"); h.notvisible_if = 5; h.subgoals_lose = {1, 0, 0, 0};
    h.subgoals_win = {0, 0, 2, 0}; h.teammate = {0, 3}; h.terrain.set("t"); h.tt_file.set("tt"); h.visible_if = 6;
    h.water_level = -7; h.weather_type = 8; h.wind = {9, 0};
    h.header_value = 99;  // fields of the binary form only
    h.header_code.set("abc"); h.header_text16.set("x"); h.environment_file.set("day1.env"); h.header_text22.set("y");
    df3::ItemRecord& item = m.items.emplace_back();
    item.type_id = 5001; item.ttoolindex = 1; item.blink_parent = 26; item.blink_parent_b = 27;
    item.blink_group_a = 28; item.blink_group_b = 29; item.grenades = 30; item.wpgoal0 = 31; item.wpgoal1 = 32;
    item.wpgoal2 = 33; item.wpgoal3 = 34; item.item_text.set("not written"); h.item_count_d = 1;

    const std::string text = asciiTextOf<Df3>(m);
    EXPECT_EQ(blockOf(text, "begin general_information", "end general_information"),
              (std::vector<std::string>{
                  "begin general_information", "  arty 1", "  attrib 2", "  cnv_file c",
                  "  default_loadout 0 1 6 11 16 21", "  default_loadout 1 2 7 12 17 22",
                  "  default_loadout 2 3 8 13 18 23", "  default_loadout 3 4 9 14 19 24",
                  "  default_loadout 4 5 10 15 20 25", "  designer \"d\"", "  fog_color 3", "  fog_level 4",
                  "  name \"n\"", "  notvisible_if 5", "  num_items 1", "  subgoals_lose 1 0 0 0",
                  "  subgoals_win 0 0 2 0", "  teammate 0 3", "  terrain t", "  tt_file tt", "  visible_if 6",
                  "  water_level -7", "  weather_type 8", "  wind 9 0", "end general_information"}));
    EXPECT_EQ(blockOf(text, "begin item 0", "end item"),
              (std::vector<std::string>{"begin item 0", "  type_id 5001", "  ttoolindex 1", "  blink_parent 26",
                                        "  blink_parent_b 27", "  blink_group_a 28", "  blink_group_b 29",
                                        "  grenades 30", "  wpgoal0 31", "  wpgoal1 32", "  wpgoal2 33",
                                        "  wpgoal3 34", "end item"}));
}

TEST(MissionAsciiWriterWholeFile, Df1SettingLinesAndNoBriefing) {
    Df1Mission m;
    auto& h = m.header;
    h.arty = 1; h.attrib = 2; h.cnv_file.set("harbour.cnv"); h.default_equipment = {4, 0, 0, 0};
    h.designer.set("Forty characters of designer name, whole");
    h.name.set("Operation Silent Harbour at Dawn Patrol!"); h.notvisible_if = 3; h.subgoals_lose = {0, 1, 0, 0};
    h.subgoals_win = {0, 0, 0, 1}; h.terrain.set("harbour"); h.terrain_color = -4; h.visible_if = 5;
    h.weather_type = 6; h.wind = {-1, -2}; h.header_text12.set("hidden"); h.header_text52.set("hidden");
    h.header_text24.set("hidden");

    const std::string text = asciiTextOf<Df1>(m);
    EXPECT_EQ(text, joinLines({"// Vok Tamber's RIRorORE Converter for Delta Force 1",
                               kCreatedLine,
                               "",
                               "",
                               "begin general_information",
                               "  arty 1",
                               "  attrib 2",
                               "  cnv_file harbour.cnv",
                               "  default_equipment 0 0 0 4",
                               "  designer \"Forty characters of designer name, whole\"",
                               "  name \"Operation Silent Harbour at Dawn Patrol!\"",
                               "  notvisible_if 3",
                               "  subgoals_lose 0 1 0 0",
                               "  subgoals_win 0 0 0 1",
                               "  terrain harbour",
                               "  terrain_color -4",
                               "  visible_if 5",
                               "  weather_type 6",
                               "  wind -1 -2",
                               "end general_information"}));
}

}  // namespace
}  // namespace vok::mission_tests
