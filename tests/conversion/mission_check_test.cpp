// The findings of checkMission, the ascii save's losses among them, on a clean DF2 mission changed
// one way per row: both edges of every limit, and every cause the ascii form has to lose a value.
#include "conversion/mission_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "mission/core/item_counts.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "tests/support/temp_dir.h"

namespace vok {

void PrintTo(const Finding& f, std::ostream* out) {
    *out << "{" << findingKindText(f.kind) << ", " << f.record << " " << f.number << ": " << f.message << "}";
}

namespace {

/// Known item types, a group, a waypoint, an area trigger and an event, as an ascii file gives them.
Df2Mission cleanMission() {
    Df2Mission m;
    for (int type : {1001, 2005, 1001, 5001, 6013}) m.items.emplace_back().type_id = type;
    m.items[0].group_id = 5;
    m.items[3].waypoint_id = 2;
    m.waypoints[1].attrib = 1;
    m.items[4].wpnumber = 3;
    recountItems(m.header, m.items);
    m.events = {EventRecord{.reset_value = 100, .num_triggers = 1, .num_actions = 1}};
    m.triggers = {TriggerRecord{{1, 2, 0, 0, 0, 0, 0, 0}}};
    m.actions = {ActionRecord{{3, 0, 0, 0, 0, 0, 0, 1}}};
    m.header.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 1;
    return readMissionAscii<df2::Format>(writeMissionAscii<df2::Format>(m, Timestamp{}, ""), "");
}

Finding lost(std::string record, std::int64_t number, std::string message) {
    return {FindingKind::AsciiLoss, std::move(record), number, std::move(message)};
}

struct CheckCase {
    const char* name;
    std::function<void(Df2Mission&)> change;
    std::vector<Finding> findings;
};

// clang-format off
const CheckCase kCases[] = {
    {"types the list lacks, grouped by type; the edges of the 16-bit types; type 0 is not checked",
     [](Df2Mission& m) {
         m.items.resize(7);
         for (std::size_t i = 0; i < 7; ++i) {
             m.items[i].type_id = std::array{0, 32767, 32768, -32768, -32769, 2031, 2031}[i];
             m.items[i].item_number = static_cast<std::int32_t>(i + 1);
         }
         recountItems(m.header, m.items);
     },
     {{FindingKind::UnknownItemType, "item", 2, "item type 32767 is not in DF2Items.vok (item 2)"},
      {FindingKind::UnknownItemType, "item", 3, "item type 32768 lies outside the range of the item lists (item 3)"},
      {FindingKind::UnknownItemType, "item", 4, "item type -32768 is not in DF2Items.vok (item 4)"},
      {FindingKind::UnknownItemType, "item", 5, "item type -32769 lies outside the range of the item lists (item 5)"},
      {FindingKind::UnknownItemType, "item", 6, "item type 2031 is not in DF2Items.vok (2 items: 6 and 7)"}}},
    {"group 64, waypoint 128 and area trigger 64 are the last; a wpnumber of another type is none; five records "
     "are listed, more are counted",
     [](Df2Mission& m) {
         m.items.resize(11, m.items[0]);
         for (std::size_t i = 0; i < 11; ++i) m.items[i].item_number = static_cast<std::int32_t>(i + 1);
         for (std::size_t i = 0; i < 6; ++i) m.items[i].group_id = 65;
         m.items[6].group_id = 64;
         m.waypoints[127].attrib = 1;
         std::tie(m.items[7].waypoint_id, m.items[8].waypoint_id) = std::tuple(128, 129);
         m.items[9].type_id = m.items[10].type_id = 6013;
         std::tie(m.items[0].wpnumber, m.items[9].wpnumber, m.items[10].wpnumber) = std::tuple(70, 64, 65);
         recountItems(m.header, m.items);
     },
     {{FindingKind::GroupOutOfRange, "item", 1,
       "group_id 65 is above 64; the ascii form has no group block for it (6 items: 1, 2, 3, 4, 5 and 1 more)"},
      {FindingKind::WaypointOutOfRange, "item", 9, "waypoint_id 129 is above 128; there is no such waypoint (item 9)"},
      {FindingKind::AreaTriggerOutOfRange, "item", 11,
       "area trigger 65 is above 64; the ascii form has no area trigger block for it (item 11)"}}},
    {"waypoints that hold nothing, from the first; some that hold only text",
     [](Df2Mission& m) {
         m.items[0].waypoint_id = m.items[2].waypoint_id = 7;
         m.items[4].waypoint_id = 1;
         m.items[1].waypoint_id = 9;
         m.waypoints[8].waypoint_text.set("route");
         m.waypoints[3].waypoint_text.set("x");
     },
     {{FindingKind::EmptyWaypoint, "waypoint", 7, "waypoint 7 holds nothing (attrib 0, no text), yet items name it (2 items: 1 and 3)"},
      {FindingKind::EmptyWaypoint, "waypoint", 1, "waypoint 1 holds nothing (attrib 0, no text), yet an item names it (item 5)"},
      lost("waypoint", 4, "waypoint_text of 2 waypoints (the ascii form has no line for it): waypoints 4 and 9")}},
    {"item counts that do not follow the types", [](Df2Mission& m) { ++m.header.item_count_a; --m.header.item_count_b; },
     {{FindingKind::ItemCounts, "header", 0, "the item counts of the header are 2 1 1 1 but the items' types give 1 2 1 1 "
                                   "(item_count_a to item_count_d; the ascii form counts the items by their types)"}}},
    {"num_events out of step, an event naming fewer actions than there are",
     [](Df2Mission& m) { m.header.num_events = 2, m.events[0].num_actions = 0; },
     {{FindingKind::EventCounts, "header", 0, "num_events is 2 but the mission holds 1 event record"},
      {FindingKind::EventCounts, "mission", 0, "the events name 0 actions but the mission holds 1"},
      {FindingKind::NotWritable, "mission", 0,
       "the mission cannot be saved in either form until its counts agree (num_events is 2 but the mission holds 1 "
       "event record); what the ascii form would not carry is not checked"}}},
    // A line end would end the designer's line and read "arty 9" as a setting of its own.
    {"header values the ascii form changes",
     [](Df2Mission& m) {
         auto& h = m.header;
         h.name.set("say \"hi\""), h.designer.set("Vok\r\n  arty 9"), h.terrain.set(std::string("ab\0cd", 5));
         h.cnv_file.set("a\"b"), h.tt_file.set("red sand"), h.clouds_file.set("clouds01.pcx");
         h.header_text24.set("notes\x01"), h.briefing.set("Take the \"hill\""), h.terrain_color = 5;
     },
     {lost("header", 0, "designer \"Vok\\r\\n  arty 9\" (a text holding a line end: the ascii file breaks the line "
                        "there, and the rest is read as a line of its own)"),
      lost("header", 0, "name \"say \"hi\"\" (a quoted text holding a double quote: the ascii form cannot hold one "
                        "inside its quotes; it comes back as \"say hi\")"),
      lost("header", 0, "terrain \"ab\\0cd\" (it holds NUL characters inside the text, which the ascii form drops; "
                        "it comes back as \"abcd\")"),
      lost("header", 0, "cnv_file \"a\"b\" (a text holding a double quote, which the reader drops; it comes back as \"ab\")"),
      lost("header", 0, "tt_file \"red sand\" (an unquoted text holding a blank: only its first word is read back; "
                        "it comes back as \"red\")"),
      lost("header", 0, "terrain_color 5 (the ascii form writes it, but its reader does not take it back)"),
      lost("header", 0, "clouds_file \"clouds01.pcx\" (the ascii form has no line for it; it comes back as \"clouds05.pcx\")"),
      lost("header", 0, "header_text24 \"notes\\x01\" (the ascii form has no line for it)"),
      lost("header", 0, "briefing \"Take the \"hill\"\" (a quoted text holding a double quote: the ascii form cannot "
                        "hold one inside its quotes; it comes back as \"Take the hill\")")}},
    {"records the ascii form changes",
     [](Df2Mission& m) {
         m.mission_text.set("abc");
         m.items[1].item_number = 70;
         m.items[0].item_tail = m.items[2].item_tail = 9;
         m.events[0].event_text.set("e");
         m.events[0].reset_value = 75;
     },
     {lost("mission", 0, "mission_text holds 3 characters (the ascii form has no place for it)"),
      lost("item", 1, "item_tail of 2 items (the ascii form has no line for it): items 1 and 3"),
      lost("item", 2, "item_number of 1 item (the ascii form numbers the items itself, from 1): item 2"),
      lost("event", 1, "event_text of 1 event (the ascii form has no line for it): event 1"),
      lost("event", 1, "reset_value of 1 event (not a multiple of 50: the ascii form writes it divided by 50 and "
                       "drops the remainder): event 1")}},
    {"nothing but the items numbered from 0, as a conversion numbers them",
     [](Df2Mission& m) { for (std::size_t i = 0; i < 5; ++i) m.items[i].item_number = static_cast<std::int32_t>(i); }, {}},
};
// clang-format on

TEST(MissionCheck, EachFindingNamesItsKindWhereAndWhat) {
    testing::TempDir dir;
    testing::copyStarterLists(dir.path());
    ListStore store(dir.path());
    store.InitilizeItemLists();
    for (const CheckCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Df2Mission m = cleanMission();
        c.change(m);
        EXPECT_EQ(checkMission(m, &store), c.findings);
    }
}

// Each item is counted in one of the four counts by its type, at both edges of every block.
// Without lists no item type is checked.
TEST(MissionCheck, EachTypeIsCountedInItsSlot) {
    Df2Mission m = cleanMission();
    m.items.clear();
    for (std::int32_t type : {-1, 1999, 2000, 2999, 3000, 3999, 4000, 4999, 5000, 5999, 6000, 70000}) {
        m.items.push_back({{.type_id = type, .item_number = static_cast<std::int32_t>(m.items.size() + 1)}});
    }
    setItemCounts(m.header, {4, 4, 2, 2});  // a: 2000-2999, 4000-4999; b: the rest below 5000
    EXPECT_EQ(checkMission(m, nullptr), std::vector<Finding>{});
}

}  // namespace
}  // namespace vok
