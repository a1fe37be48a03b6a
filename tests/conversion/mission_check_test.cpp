// The findings of checkMission: one per kind and value, each naming its records, on a clean
// Delta Force 2 mission changed one way per row; both edges of every limit.
#include "conversion/mission_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "mission/core/item_counts.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "tests/conversion/conversion_fixture.h"

namespace vok {

void PrintTo(const Finding& f, std::ostream* out) {
    *out << "{" << f.kind << ", " << f.record << " " << f.number << ": " << f.message << "}";
}

namespace {

/// Five items of types the DF2 test list knows, a group, a waypoint with an attrib, an area
/// trigger and one event, as reading an ascii file gives them.
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

std::string notWritable(const std::string& why) {
    return "the mission cannot be saved in either form until its counts agree (" + why +
           "); what the ascii form would not carry is not checked";
}

struct CheckCase {
    const char* name;
    std::function<void(Df2Mission&)> change;
    std::vector<Finding> findings;
};

const CheckCase kCases[] = {
    {"nothing changed", [](Df2Mission&) {}, {}},
    {"types the list lacks, grouped by type",
     [](Df2Mission& m) {
         m.items[0].type_id = 70000;
         m.items[1].type_id = m.items[2].type_id = 2031;
         recountItems(m.header, m.items);
     },
     {{"unknown-item-type", "item", 1, "item type 70000 lies outside the range of the item lists (item 1)"},
      {"unknown-item-type", "item", 2, "item type 2031 is not in DF2Items.vok (2 items: 2 and 3)"}}},
    {"the edges of the 16-bit types; type 0 is not checked",
     [](Df2Mission& m) {
         for (std::size_t i = 0; i < 5; ++i) m.items[i].type_id = std::array{0, 32767, 32768, -32768, -32769}[i];
         recountItems(m.header, m.items);
     },
     {{"unknown-item-type", "item", 2, "item type 32767 is not in DF2Items.vok (item 2)"},
      {"unknown-item-type", "item", 3, "item type 32768 lies outside the range of the item lists (item 3)"},
      {"unknown-item-type", "item", 4, "item type -32768 is not in DF2Items.vok (item 4)"},
      {"unknown-item-type", "item", 5, "item type -32769 lies outside the range of the item lists (item 5)"}}},
    {"group ids: 64 is the last",
     [](Df2Mission& m) {
         m.items[0].group_id = 64;
         m.items[1].group_id = m.items[3].group_id = 70;
         m.items[2].group_id = 65;
     },
     {{"group-out-of-range", "item", 2,
       "group_id 70 is above 64; the ascii form has no group block for it (2 items: 2 and 4)"},
      {"group-out-of-range", "item", 3,
       "group_id 65 is above 64; the ascii form has no group block for it (item 3)"}}},
    {"waypoint ids: 128 is the last",
     [](Df2Mission& m) {
         m.waypoints[127].attrib = 1;
         m.items[0].waypoint_id = 128;
         m.items[1].waypoint_id = 129;
     },
     {{"waypoint-out-of-range", "item", 2, "waypoint_id 129 is above 128; there is no such waypoint (item 2)"}}},
    {"waypoints that hold nothing, from the first; one that holds only text",
     [](Df2Mission& m) {
         m.items[0].waypoint_id = m.items[2].waypoint_id = 7;
         m.items[4].waypoint_id = 1;
         m.items[1].waypoint_id = 9;
         m.waypoints[8].waypoint_text.set("route");
     },
     {{"empty-waypoint", "waypoint", 7,
       "waypoint 7 holds nothing (attrib 0, no text), yet items name it (2 items: 1 and 3)"},
      {"empty-waypoint", "waypoint", 1, "waypoint 1 holds nothing (attrib 0, no text), yet an item names it (item 5)"},
      {"ascii-loss", "waypoint", 9,
       "waypoint_text of 1 waypoint (the ascii form has no line for it): waypoint 9"}}},
    {"area triggers: 64 is the last; a wpnumber of another type is none",
     [](Df2Mission& m) {
         m.items[1].type_id = 6013;
         m.items[1].wpnumber = 64;
         m.items[4].wpnumber = 65;
         m.items[0].wpnumber = 70;
         recountItems(m.header, m.items);
     },
     {{"area-trigger-out-of-range", "item", 5,
       "area trigger 65 is above 64; the ascii form has no area trigger block for it (item 5)"}}},
    {"five records are listed, more are counted",
     [](Df2Mission& m) {
         m.items.resize(11, m.items[0]);
         for (std::size_t i = 0; i < 11; ++i) {
             m.items[i].item_number = static_cast<std::int32_t>(i + 1);
             m.items[i].group_id = i < 5 ? 99 : 98;
         }
         recountItems(m.header, m.items);
     },
     {{"group-out-of-range", "item", 1,
       "group_id 99 is above 64; the ascii form has no group block for it (5 items: 1, 2, 3, 4 and 5)"},
      {"group-out-of-range", "item", 6,
       "group_id 98 is above 64; the ascii form has no group block for it (6 items: 6, 7, 8, 9, 10 and 1 more)"}}},
    {"item counts that do not follow the types",
     [](Df2Mission& m) {
         ++m.header.item_count_a;
         --m.header.item_count_b;
     },
     {{"item-counts", "header", 0,
       "the item counts of the header are 2 1 1 1 but the items' types give 1 2 1 1 (item_count_a to "
       "item_count_d; the ascii form counts the items by their types)"}}},
    {"num_events out of step", [](Df2Mission& m) { m.header.num_events = 2; },
     {{"event-counts", "header", 0, "num_events is 2 but the mission holds 1 event record"},
      {"not-writable", "mission", 0, notWritable("num_events is 2 but the mission holds 1 event record")}}},
    {"an event naming fewer actions than there are", [](Df2Mission& m) { m.events[0].num_actions = 0; },
     {{"event-counts", "mission", 0, "the events name 0 actions but the mission holds 1"},
      {"not-writable", "mission", 0, notWritable("the events name 0 actions but the mission holds 1")}}},
    {"what the ascii form does not carry",
     [](Df2Mission& m) {
         m.header.terrain.set("red sand");
         m.events[0].event_text.set("e");
         m.mission_text.set("abc");
     },
     {{"ascii-loss", "header", 0,
       "terrain \"red sand\" (an unquoted text holding a blank: only its first word is read back; it "
       "comes back as \"red\")"},
      {"ascii-loss", "mission", 0, "mission_text holds 3 characters (the ascii form has no place for it)"},
      {"ascii-loss", "event", 1, "event_text of 1 event (the ascii form has no line for it): event 1"}}},
};

class MissionCheck : public testing::ConversionLists {};

TEST_F(MissionCheck, EachFindingNamesItsKindWhereAndWhat) {
    for (const CheckCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Df2Mission m = cleanMission();
        c.change(m);
        EXPECT_EQ(checkMission(m, &store), c.findings);
    }
}

// Each item is counted in one of the four counts by its type: both edges of every block. Without
// lists no item type is checked.
TEST_F(MissionCheck, EachTypeIsCountedInItsSlot) {
    const std::pair<std::int32_t, std::size_t> kSlots[] = {  // 0 item_count_a, 1 b, 2 c, 3 d
        {-1, 1},   {1999, 1}, {2000, 0}, {2999, 0}, {3000, 1}, {3999, 1},
        {4000, 0}, {4999, 0}, {5000, 3}, {5999, 3}, {6000, 2}, {70000, 2}};
    for (const auto& [type, slot] : kSlots) {
        Df2Mission m = cleanMission();
        m.items.resize(1);
        m.items[0].type_id = type;
        ItemTally counts{};
        counts[slot] = 1;
        setItemCounts(m.header, counts);
        EXPECT_EQ(checkMission(m, nullptr), std::vector<Finding>{}) << type;
    }
}

}  // namespace
}  // namespace vok
