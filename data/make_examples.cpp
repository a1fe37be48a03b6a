// Writes the project's example missions: one per game version, in both forms. They are made by
// the project, not taken from a game. Each uses item types that the other versions' starter lists
// lack, so that converting them shows the replacement flow.
//
// The ascii form is written first and read back, and both files are written from what was read,
// so the binary file is exactly what reading the ascii file gives.
//
//   vok_make_examples OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <initializer_list>

#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "mission/mission_file.h"

namespace {

using namespace vok;

// A fixed "created on" instant, so the files do not change when regenerated.
const Timestamp kCreatedOn = utcFromEpochSeconds(1796558400);  // Sunday, December 6 2026, 12:00 UTC

struct Placement {
    std::int32_t type;
    double x, y, z;
    std::uint8_t group = 0;
    std::uint8_t waypoint = 0;
    std::uint8_t wpnumber = 0;
    std::uint8_t team = 0;
};

template <class Item>
void place(std::vector<Item>& items, std::initializer_list<Placement> placements) {
    for (const Placement& p : placements) {
        Item& item = items.emplace_back();
        item.type_id = p.type;
        item.name_index = static_cast<std::int32_t>(items.size());
        item.position = {static_cast<std::int32_t>(p.x * 256), static_cast<std::int32_t>(p.y * 256),
                         static_cast<std::int32_t>(p.z * 256)};
        item.group_id = p.group;
        item.waypoint_id = p.waypoint;
        item.wpnumber = p.wpnumber;
        item.team = p.team;
        if (p.type / 1000 == 5) {  // people: a few behaviour values
            item.waccuracy = 250;
            item.perception = 75;
            item.perfectionist = 50;
            item.facing = {90, 0};
            item.fov = 120;
            item.weapon_type = 3;
            item.alert_state = 1;
        }
    }
}

template <class M>
void addEvents(M& m) {
    EventRecord first;
    first.attrib = 1;
    first.reset_value = 150;
    first.delay_value = 50;
    first.num_triggers = 2;
    first.num_actions = 1;
    EventRecord second;
    second.attrib = 2;
    second.num_triggers = 1;
    second.num_actions = 2;
    m.events = {first, second};
    m.triggers = {TriggerRecord{{1, 3, 0, 0, 0, 0, 0, 0}}, TriggerRecord{{4, 1, 2, 0, 0, 0, 0, 0}},
                  TriggerRecord{{2, 0, 0, 0, 0, 0, 0, 1}}};
    m.actions = {ActionRecord{{5, 1, 0, 0, 0, 0, 0, 0}}, ActionRecord{{7, 2, 1, 0, 0, 0, 0, 0}},
                 ActionRecord{{9, 0, 0, 3, 0, 0, 0, 0}}};
    m.header.num_events = 2;
    m.num_event_records = 2;
    m.num_trigger_records = 3;
    m.num_action_records = 3;
}

template <class M>
void addWaypoints(M& m) {
    for (int w = 0; w < 4; ++w) m.waypoints[static_cast<std::size_t>(w)].attrib = static_cast<std::uint8_t>(w + 1);
}

template <class M>
void finish(M& m) {
    recountItems(m.header, m.items);
}

Df2Mission df2Example() {
    Df2Mission m;
    auto& h = m.header;
    h.name.set("Night Raid");
    h.designer.set("Vok Examples");
    h.terrain.set("desert");
    h.cnv_file.set("desert.cnv");
    h.tt_file.set("desert.tt");
    h.attrib = 1;
    h.fog_level = 2;
    h.fog_color = 8421504;
    h.weather_type = 1;
    h.default_equipment = {10, 20, 30, 40};
    h.subgoals_win = {1, 2, 0, 0};
    h.subgoals_lose = {3, 0, 0, 0};
    h.wind = {5, -3};
    h.briefing.set(
        "Intelligence places an enemy convoy at the river crossing after dark. Take the bridge, destroy the "
        "fuel trucks and hold the crossing until extraction.");
    place(m.items, {{2005, 1024.5, 2048, 12, 1, 1},
                    {2006, 1030, 2050.25, 12, 1, 1},
                    {2007, 1100, 2000, 10},
                    {5020, 1010, 2030, 12, 2, 2, 0, 2},
                    {5021, 1012, 2032, 12, 2, 2, 0, 2},
                    {5022, 1014, 2034, 12, 2, 3, 0, 2},
                    {1020, 900, 1900, 8},
                    {1021, 905.75, 1910, 8},
                    {3020, 1200, 2200, 15},
                    {4010, 1020, 2040, 12},
                    {4011, 1021, 2041, 12},
                    {6020, 1050, 2050, 0, 0, 4},
                    {6013, 1040, 2045, 0, 0, 0, 1},
                    {5001, 800, 1800, 6, 3, 4, 0, 1},
                    {1001, 950, 1950, 9},
                    {2001, 700, 1700, 5}});
    addWaypoints(m);
    addEvents(m);
    finish(m);
    return m;
}

Df3Mission df3Example() {
    Df3Mission m;
    auto& h = m.header;
    h.name.set("Mountain Pass");
    h.designer.set("Vok Examples");
    h.terrain.set("alpine");
    h.cnv_file.set("alpine.cnv");
    h.tt_file.set("alpine.tt");
    h.attrib = 2;
    h.water_level = 40;
    h.fog_level = 1;
    h.fog_color = 12632256;
    h.weather_type = 2;
    h.loadout_value1 = {20, 21, 22, 23, 24};
    h.loadout_value2 = {30, 31, 32, 33, 34};
    h.loadout_value3 = {40, 41, 42, 43, 44};
    h.loadout_value4 = {10, 11, 12, 13, 14};
    h.loadout_value5 = {1, 2, 3, 4, 5};
    h.teammate = {2, 3};
    h.subgoals_win = {1, 0, 0, 0};
    h.wind = {-2, 4};
    h.briefing.set("Secure the radar station on the pass before the storm closes the valley.");
    place(m.items, {{2050, 512, 1024, 30, 1, 1},
                    {2051, 520, 1030, 30, 1, 1},
                    {5050, 500, 1000, 31, 2, 2, 0, 2},
                    {5051, 502, 1002, 31, 2, 2, 0, 2},
                    {5052, 504, 1004, 31, 2, 3, 0, 2},
                    {1030, 450, 950, 28},
                    {1031, 452.5, 955, 28},
                    {3030, 600, 1100, 35},
                    {4030, 510, 1010, 30},
                    {6030, 530, 1040, 0, 0, 4},
                    {7001, 540, 1050, 33},
                    {7002, 541, 1051, 33},
                    {6013, 535, 1045, 0, 0, 0, 2},
                    {5001, 400, 900, 25, 3, 4, 0, 1},
                    {3001, 650, 1150, 36}});
    m.items[2].grenades = 2;
    m.items[3].wpgoal0 = 1;
    m.items[4].blink_parent = 1;
    addWaypoints(m);
    addEvents(m);
    finish(m);
    return m;
}

Df1Mission df1Example() {
    Df1Mission m;
    auto& h = m.header;
    h.name.set("Operation Silent Harbour at Dawn Patrol");
    h.designer.set("Vok Examples");
    h.terrain.set("harbour");
    h.cnv_file.set("harbour.cnv");
    h.attrib = 1;
    h.default_equipment = {1, 2, 3, 4};
    h.weather_type = 3;
    h.subgoals_win = {1, 2, 3, 0};
    h.wind = {1, 1};
    place(m.items, {{2031, 300, 400, 2, 1, 1},
                    {2032, 305, 405, 2, 1, 1},
                    {5040, 310, 410, 2, 2, 2, 0, 2},
                    {5041, 312, 412, 2, 2, 2, 0, 2},
                    {5042, 314, 414, 2, 2, 3, 0, 2},
                    {1040, 280, 380, 1},
                    {1041, 281, 381, 1},
                    {1042, 282, 382.5, 1},
                    {3040, 350, 450, 4},
                    {4040, 301, 401, 2},
                    {6040, 320, 420, 0, 0, 4},
                    {6041, 321, 421, 0, 0, 4},
                    {6013, 322, 422, 0, 0, 0, 3},
                    {5001, 250, 350, 1, 3, 4, 0, 1},
                    {6001, 260, 360, 1}});
    addWaypoints(m);
    addEvents(m);
    finish(m);
    return m;
}

template <class Format>
void writeBoth(const std::filesystem::path& folder, const std::string& name, const typename Format::Mission& mission) {
    const std::string text = writeMissionAscii<Format>(mission, kCreatedOn, name);
    const auto read = readMissionAscii<Format>(text, name);
    saveMission(folder / (name + ".mis"), read, MissionForm::Ascii, kCreatedOn);
    saveMission(folder / (name + ".bms"), read, MissionForm::Binary, kCreatedOn);
    std::printf("wrote %s.mis and %s.bms\n", (folder / name).string().c_str(), (folder / name).string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vok_make_examples OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    try {
        writeBoth<df1::Format>(folder, "df1_harbour", df1Example());
        writeBoth<df2::Format>(folder, "df2_night_raid", df2Example());
        writeBoth<df3::Format>(folder, "df3_mountain_pass", df3Example());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vok_make_examples: %s\n", e.what());
        return 1;
    }
    return 0;
}
