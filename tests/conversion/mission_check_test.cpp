// The findings of checkMission: one per kind and value, each naming its records, on a clean
// Delta Force 2 mission changed one way per row.
#include "conversion/mission_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "tests/conversion/conversion_fixture.h"

namespace vok {

void PrintTo(const Finding& f, std::ostream* out) {
    *out << "{" << f.kind << ", " << f.record << " " << f.number << ": " << f.message << "}";
}

namespace {

/// Five items of the types 1001, 2005, 3001, 5001 and 6013 (all in the DF2 test list), a group,
/// a waypoint with an attrib, an area trigger and one event, as reading an ascii file gives them.
Df2Mission cleanMission() {
    Df2Mission m;
    for (int type : {1001, 2005, 3001, 5001, 6013}) m.items.emplace_back().type_id = type;
    m.items[0].group_id = 5;
    m.items[3].waypoint_id = 2;
    m.waypoints[1].attrib = 1;
    m.items[4].wpnumber = 3;
    recountItems(m.header, m.items);
    EventRecord event;
    event.reset_value = 100;
    event.num_triggers = 1;
    event.num_actions = 1;
    m.events = {event};
    m.triggers = {TriggerRecord{{1, 2, 0, 0, 0, 0, 0, 0}}};
    m.actions = {ActionRecord{{3, 0, 0, 0, 0, 0, 0, 1}}};
    m.header.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 1;
    return readMissionAscii<df2::Format>(writeMissionAscii<df2::Format>(m, Timestamp{}, ""), "");
}

class MissionCheck : public testing::ConversionLists {};

TEST_F(MissionCheck, ACleanMissionHasNoFindings) {
    EXPECT_EQ(checkMission(cleanMission(), &store), std::vector<Finding>{});
}

struct CheckCase {
    const char* name;
    std::function<void(Df2Mission&)> change;
    std::vector<Finding> findings;
};

const std::string kNotWritable =
    "the mission cannot be saved in either form until its counts agree (%); what the ascii form would "
    "not carry is not checked";

std::string notWritable(const std::string& why) {
    std::string text = kNotWritable;
    return text.replace(text.find('%'), 1, why);
}

const CheckCase kCases[] = {
    {"types the list lacks, grouped by type",
     [](Df2Mission& m) {
         m.items[0].type_id = 70000;
         m.items[1].type_id = 2031;
         m.items[2].type_id = 2031;
         recountItems(m.header, m.items);
     },
     {{"unknown-item-type", "item", 1, "item type 70000 lies outside the range of the item lists (item 1)"},
      {"unknown-item-type", "item", 2, "item type 2031 is not in DF2Items.vok (2 items: 2 and 3)"}}},
    {"group ids above 64",
     [](Df2Mission& m) {
         m.items[0].group_id = 70;
         m.items[2].group_id = 70;
         m.items[3].group_id = 65;
     },
     {{"group-out-of-range", "item", 1,
       "group_id 70 is above 64; the ascii form has no group block for it (2 items: 1 and 3)"},
      {"group-out-of-range", "item", 4,
       "group_id 65 is above 64; the ascii form has no group block for it (item 4)"}}},
    {"a waypoint id above 128",
     [](Df2Mission& m) { m.items[1].waypoint_id = 200; },
     {{"waypoint-out-of-range", "item", 2,
       "waypoint_id 200 is above 128; there is no such waypoint (item 2)"}}},
    {"waypoints that hold nothing, and one that holds only text",
     [](Df2Mission& m) {
         m.items[0].waypoint_id = 7;
         m.items[2].waypoint_id = 7;
         m.items[1].waypoint_id = 9;
         m.waypoints[8].waypoint_text.set("route");
     },
     {{"empty-waypoint", "waypoint", 7,
       "waypoint 7 holds nothing (attrib 0, no text), yet items name it (2 items: 1 and 3)"},
      {"ascii-loss", "waypoint", 9,
       "waypoint_text of 1 waypoint (the ascii form has no line for it): waypoint 9"}}},
    {"an area trigger above 64, and a wpnumber of another type",
     [](Df2Mission& m) {
         m.items[4].wpnumber = 70;
         m.items[0].wpnumber = 70;
     },
     {{"area-trigger-out-of-range", "item", 5,
       "area trigger 70 is above 64; the ascii form has no area trigger block for it (item 5)"}}},
    {"item counts that do not follow the types",
     [](Df2Mission& m) {
         ++m.header.item_count_a;
         --m.header.item_count_b;
     },
     {{"item-counts", "header", 0,
       "the item counts of the header are 2 1 1 1 but the items' types give 1 2 1 1 (item_count_a to "
       "item_count_d; the ascii form counts the items by their types)"}}},
    {"num_events out of step",
     [](Df2Mission& m) { m.header.num_events = 2; },
     {{"event-counts", "header", 0, "num_events is 2 but the mission holds 1 event record"},
      {"not-writable", "mission", 0, notWritable("num_events is 2 but the mission holds 1 event record")}}},
    {"an event naming fewer actions than there are",
     [](Df2Mission& m) { m.events[0].num_actions = 0; },
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

TEST_F(MissionCheck, EachFindingNamesItsKindWhereAndWhat) {
    for (const CheckCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Df2Mission m = cleanMission();
        c.change(m);
        EXPECT_EQ(checkMission(m, &store), c.findings);
    }
}

TEST_F(MissionCheck, ManyRecordsAreCountedAndTheFirstFiveListed) {
    Df2Mission m = cleanMission();
    for (int i = 0; i < 12; ++i) m.items.push_back(m.items[2]);  // type 3001
    for (std::size_t i = 0; i < m.items.size(); ++i)
        m.items[i].item_number = static_cast<std::int32_t>(i + 1);
    for (auto& item : m.items) {
        if (item.type_id == 3001) item.group_id = 99;
    }
    recountItems(m.header, m.items);
    EXPECT_EQ(checkMission(m, &store),
              (std::vector<Finding>{{"group-out-of-range", "item", 3,
                                     "group_id 99 is above 64; the ascii form has no group block for it (13 "
                                     "items: 3, 6, 7, 8, 9 and 8 more)"}}));
}

TEST_F(MissionCheck, WithoutListsNoItemTypeIsChecked) {
    Df2Mission m = cleanMission();
    m.items[1].type_id = 2031;
    recountItems(m.header, m.items);
    EXPECT_EQ(checkMission(m, nullptr), std::vector<Finding>{});
    EXPECT_EQ(checkMission(m, &store).size(), 1u);
}

}  // namespace
}  // namespace vok
