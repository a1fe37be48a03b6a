// The six conversions: the settings copied, the target's own defaults, the items' types after the
// lists and the chooser, the report; and what survives a trip through another version.
#include <gtest/gtest.h>

#include "mission/core/item_counts.h"
#include "mission/core/mission_binary.h"
#include "tests/conversion/conversion_fixture.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"
#include "tests/support/scripted_chooser.h"

namespace vok {
namespace {

using testing::ScriptedChooser;
using Answer = ReplacementAnswer;
using Remember = ReplacementAnswer::Remember;
using enum DfType;

template <class M>
concept IsDf1 = std::same_as<M, Df1Mission>;
template <class M>
concept IsDf3 = std::same_as<M, Df3Mission>;

const std::string kName = "Operation Silent Harbour at Dawn Patrol!";  // 40 characters

/// The settings all three versions have, with values no default has.
template <class H>
void setShared(H& h) {
    h.name.set(kName);
    h.designer.set("Vok");
    h.terrain.set("harbour");
    h.cnv_file.set("h.cnv");
    h.attrib = 3;
    h.visible_if = 4;
    h.notvisible_if = -5;
    h.arty = 6;
    h.weather_type = 7;
    h.subgoals_win = {1, 2, 3, 4};
    h.subgoals_lose = {5, 6, 7, 8};
    h.wind = {9, -9};
}

/// The settings DF2 and Land Warrior have and Delta Force 1 lacks.
template <class H>
void setDf2Settings(H& h) {
    h.tt_file.set("h.tt");
    h.water_level = 12;
    h.fog_level = 13;
    h.fog_color = 14;
    h.briefing.set("Go");
}

/// A source mission: every setting of its version set, items of these types whose other fields
/// hold values, a waypoint, one event with a trigger and an action, and a mission text.
template <class M>
M source(std::initializer_list<std::int32_t> types) {
    M m;
    auto& h = m.header;
    setShared(h);
    if constexpr (IsDf1<M>) {
        h.header_text12.set("a");
        h.header_text52.set("b");
    } else {
        setDf2Settings(h);
        h.header_code.set("xyz");
    }
    if constexpr (IsDf3<M>) {
        h.loadout_value1 = {20, 1, 1, 1, 1};
        h.loadout_value2 = {30, 1, 1, 1, 1};
        h.loadout_value3 = {40, 1, 1, 1, 1};
        h.loadout_value4 = {10, 1, 1, 1, 1};
        h.loadout_value5 = {5, 5, 5, 5, 5};
        h.header_value = 1;
        h.header_text16.set("c");
        h.environment_file.set("night.env");
        h.teammate = {2, 3};
        h.header_text22.set("d");
    } else {
        h.default_equipment = {10, 20, 30, 40};
        h.terrain_color = 11;
        h.header_text24.set("e");
    }
    if constexpr (std::same_as<M, Df2Mission>) {
        h.clouds_file.set("c.pcx");
        h.sky_file.set("s.tga");
        h.header_number_a = 1;
        h.header_number_b = 2;
        h.header_levels = {1, 2, 3, 4, 5};
    }
    for (std::int32_t type : types) {
        auto& item = m.items.emplace_back();
        item.type_id = type;
        item.name_index = 100 + type;
        item.item_number = 50;
        item.position = {1, -2, type};
        item.group_id = 4;
        item.ttoolindex = -7;
        if constexpr (IsDf3<M>) {
            item.grenades = 4;
            item.item_text.set("guard");
        } else {
            item.item_tail = 8;
        }
    }
    recountItems(h, m.items);
    m.waypoints[0].attrib = 1;
    m.waypoints[127].waypoint_text.set("end");
    m.mission_text.set("notes");
    m.events = {EventRecord{.attrib = 2, .num_triggers = 1, .num_actions = 1}};
    m.triggers = {TriggerRecord{{1, 2, 3, 4, 5, 6, 7, 8}}};
    m.actions = {ActionRecord{{8, 7, 6, 5, 4, 3, 2, 1}}};
    h.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 1;
    return m;
}

/// The DF2 source's num_events is 0: its event, trigger and action do not come over.
AnyMission sourceOf(DfType version) {
    if (version == Df1) return source<Df1Mission>({1001, 2031, 1040, 5040, 70000});
    if (version == Df3) return source<Df3Mission>({1001, 2050, 7001, 5040, 70000});
    auto df2 = source<Df2Mission>({1001, 2005, 4000, 5040, 70000});
    df2.header.num_events = 0;
    return df2;
}

struct Direction {
    DfType from, to;
    std::vector<std::int32_t> types;   ///< the items' types in the target; every question is answered 6001
    std::vector<std::int16_t> asked;   ///< the chooser's questions
    ItemTally counts;                  ///< item_count_a .. d
};

const Direction kDirections[] = {
    {Df1, Df2, {1001, 2005, 9999, 6001, 70000}, {5040}, {1, 1, 3, 0}},
    {Df1, Df3, {1001, 2050, 6001, 6001, 70000}, {1040, 5040}, {1, 1, 3, 0}},
    {Df2, Df1, {1001, 2031, 6001, 6001, 70000}, {4000, 5040}, {1, 1, 3, 0}},
    {Df2, Df3, {1001, 2050, 6001, 6001, 70000}, {4000, 5040}, {1, 1, 3, 0}},
    {Df3, Df1, {1001, 2031, 4000, 6001, 70000}, {5040}, {2, 1, 2, 0}},
    {Df3, Df2, {1001, 2005, 6001, 6001, 70000}, {7001, 5040}, {1, 1, 3, 0}},
};

/// The target a direction must give, written out: the shared settings (names cut to 32, or padded
/// when they come from 32), the DF2 settings where both versions have them, the equipment, the
/// target's own defaults and nothing else; the items with their fields, numbered from 0.
AnyMission expectedTarget(const Direction& d, const AnyMission& source) {
    AnyMission target = emptyMission(d.to);
    std::visit(
        [&d](auto& t, const auto& s) {
            using T = std::decay_t<decltype(t)>;
            auto& h = t.header;
            h.signature = IsDf1<T> ? 223563074 : 257117506;
            setShared(h);
            if constexpr (IsDf1<T>) {
                h.name.set(kName.substr(0, 32));
            } else if (d.from != Df1) {
                setDf2Settings(h);
            }
            if constexpr (IsDf3<T>) {
                h.loadout_value1[0] = 20;
                h.loadout_value2[0] = 30;
                h.loadout_value3[0] = 40;
                h.loadout_value4[0] = 10;
                h.environment_file.set("day1.env");
            } else {
                h.default_equipment = {10, 20, 30, 40};
            }
            if constexpr (std::same_as<T, Df2Mission>) df2::setFileDefaults(h);
            setItemCounts(h, d.counts);
            for (std::size_t i = 0; i < d.types.size(); ++i) {
                auto& item = t.items.emplace_back();
                static_cast<ItemCommon&>(item) = s.items[i];
                item.type_id = d.types[i];
                item.item_number = static_cast<std::int32_t>(i);
            }
            t.waypoints = s.waypoints;
            t.mission_text = s.mission_text;
            if (d.from != Df2) {
                h.num_events = t.num_event_records = t.num_trigger_records = t.num_action_records = 1;
                t.events = s.events;
                t.triggers = s.triggers;
                t.actions = s.actions;
            }
        },
        target, source);
    return target;
}

class Convert : public testing::ConversionLists {};

TEST_F(Convert, EachDirectionGivesTheTargetItsTablesDescribe) {
    for (const Direction& d : kDirections) {
        SCOPED_TRACE(std::string(versionKey(d.from)) + " to " + std::string(versionKey(d.to)));
        const AnyMission s = sourceOf(d.from);
        ScriptedChooser chooser({}, Answer::replace(6001));
        const AnyMission actual = convertMission(s, d.to, store, chooser);
        const AnyMission expected = expectedTarget(d, s);
        std::visit(
            [&expected](const auto& a) {
                const auto& e = std::get<std::decay_t<decltype(a)>>(expected);
                EXPECT_EQ(a.header, e.header);
                EXPECT_EQ(a.items, e.items);
                EXPECT_EQ(a, e);
            },
            actual);
        std::vector<std::int16_t> asked;
        for (const auto& q : chooser.asked) asked.push_back(q.objectId);
        EXPECT_EQ(asked, d.asked);
        EXPECT_EQ(chooser.finished, 1);
    }
    ScriptedChooser none;
    EXPECT_EQ(convertMission(sourceOf(Df3), Df3, store, none), sourceOf(Df3));
    EXPECT_TRUE(none.asked.empty());
}

// Generated missions (every field random) to another version and back: the shared settings, the
// equipment and every record survive but the items' numbers and version-only fields; the DF2
// settings survive between DF2 and Land Warrior. The starter lists replace each vehicle both ways.
TEST_F(Convert, TheSharedFieldsSurviveATripThroughAnotherVersion) {
    testing::TempDir starterFolder;
    testing::copyStarterLists(starterFolder.path());
    ListStore starter(starterFolder.path());
    starter.InitilizeItemLists();
    auto survivors = [](const AnyMission& mission, bool df2Settings) {
        return std::visit(
            [df2Settings](const auto& m) {
                const auto& h = m.header;
                std::array<std::uint8_t, 4> equipment{};
                std::string df2;
                if constexpr (IsDf3<std::decay_t<decltype(m)>>) {
                    equipment = {h.loadout_value4[0], h.loadout_value1[0], h.loadout_value2[0], h.loadout_value3[0]};
                } else {
                    equipment = h.default_equipment;
                }
                if constexpr (requires { h.tt_file; }) {
                    if (df2Settings) {
                        df2 = std::string(h.tt_file.raw()) + std::string(h.briefing.raw()) + " " +
                              std::to_string(h.water_level) + " " + std::to_string(h.fog_level) + " " +
                              std::to_string(h.fog_color);
                    }
                }
                std::vector<ItemCommon> items(m.items.begin(), m.items.end());
                for (auto& item : items) item.item_number = 0;
                return std::tuple(std::string(h.name.raw().substr(0, 32)), std::string(h.designer.raw().substr(0, 32)),
                                  h.terrain, h.cnv_file, h.attrib, h.visible_if, h.notvisible_if, h.arty,
                                  h.num_events, h.weather_type, h.subgoals_win, h.subgoals_lose, h.wind, equipment,
                                  df2, items, m.waypoints, m.mission_text, m.events, m.triggers, m.actions);
            },
            mission);
    };
    for (DfType from : kAllVersions) {
        for (DfType via : kAllVersions) {
            if (via == from) continue;
            for (std::uint32_t seed = 1; seed <= 6; ++seed) {
                SCOPED_TRACE(std::string(versionKey(from)) + " via " + std::string(versionKey(via)) + ", seed " +
                             std::to_string(seed));
                AnyMission s = emptyMission(from);
                std::visit(
                    [seed](auto& m) { m = testing::generateMission<std::decay_t<decltype(m)>>(seed, {.maxItems = 40}); },
                    s);
                ScriptedChooser chooser;
                const AnyMission there = convertMission(s, via, starter, chooser);
                std::visit([](const auto& m) { EXPECT_NO_THROW(checkBinaryInvariants(m, "converted")); }, there);
                const AnyMission back = convertMission(there, from, starter, chooser);
                const bool df2Settings = from != Df1 && via != Df1;
                EXPECT_TRUE(survivors(back, df2Settings) == survivors(s, df2Settings));
            }
        }
    }
}

// A mission whose item counts add up to 0 holds no items, and one whose num_events is 0 no events,
// whatever their arrays hold.
TEST_F(Convert, CountsOfZeroCarryNoRecords) {
    auto s = source<Df1Mission>({5040, 5040});
    setItemCounts(s.header, {});
    s.header.num_events = 0;
    ScriptedChooser chooser;
    ConversionReport report;
    const Df3Mission t = ConvertDF1ToDF3(s, store, chooser, &report);
    EXPECT_TRUE(t.items.empty() && t.events.empty() && t.triggers.empty() && t.actions.empty());
    EXPECT_EQ(std::tie(t.header.item_count_a, t.header.item_count_b, t.header.item_count_c, t.header.item_count_d,
                       t.num_event_records, t.num_trigger_records, t.num_action_records),
              std::make_tuple(0, 0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(chooser.asked.empty());
    EXPECT_NE(testing::textOf(report).find("Dropped: 1 events, 1 triggers and 1 actions: the header's num_events is 0"),
              std::string::npos)
        << testing::textOf(report);
}

// ---------------------------------------------------------------------------------------------
// The chooser's answers. Each row converts a DF1 mission into DF2, from freshly loaded lists.

struct ChooserCase {
    const char* name;
    std::vector<std::int32_t> types;
    std::deque<Answer> script;  ///< then Skip
    std::vector<std::int32_t> converted;
    std::vector<std::int16_t> asked;
    std::int16_t rememberedInRun;  ///< LookupReplacement(DF1, DF2, 5040) after the conversion
    std::int16_t rememberedAfterLoad;  ///< ... after the lists were loaded again
};

const ChooserCase kChooserCases[] = {
    {"OK holds for its item", {5040, 1001, 5040, 5040}, {Answer::replace(5001), Answer::replace(5001),
     Answer::replace(5002)}, {5001, 1001, 5001, 5002}, {5040, 5040, 5040}, -1, -1},
    {"OK-A for the run", {5040, 1001, 5040}, {Answer::replace(5001, Remember::ForRun)}, {5001, 1001, 5001}, {5040},
     5001, -1},
    {"OK-S for good", {5040, 5040}, {Answer::replace(5001, Remember::AndSave)}, {5001, 5001}, {5040}, 5001, 5001},
    {"Skip and Remove", {5040, 5040, 5041}, {Answer::skip(), Answer::remove()}, {5040, 0, 5041},
     {5040, 5040, 5041}, -1, -1},
    {"known types are kept, listed replacements used unchecked", {1001, 1040, 2031}, {}, {1001, 9999, 2005}, {}, -1,
     -1},
    {"only 16-bit types are looked up and offered", {32767, 32768, -32768, -32769, 66537},
     {Answer::remove(), Answer::remove()}, {0, 32768, 0, -32769, 66537}, {32767, -32768}, -1, -1},
};

TEST_F(Convert, TheChoosersAnswersHoldForTheItemTheRunOrForGood) {
    for (const ChooserCase& c : kChooserCases) {
        SCOPED_TRACE(c.name);
        writeLists();
        Df1Mission m;
        for (std::int32_t type : c.types) m.items.emplace_back().type_id = type;
        recountItems(m.header, m.items);
        ScriptedChooser chooser(c.script);
        std::vector<std::int32_t> converted;
        for (const auto& item : ConvertDF1ToDF2(m, store, chooser).items) converted.push_back(item.type_id);
        EXPECT_EQ(converted, c.converted);
        std::vector<std::int16_t> asked;
        for (const auto& q : chooser.asked) asked.push_back(q.objectId);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), c.rememberedInRun);
        EXPECT_EQ(store.LookupReplacement(Df1, Df3, 5040), -1) << "an answer holds for its target version only";
        store.InitilizeItemLists();
        EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), c.rememberedAfterLoad);
    }
}

// "Cancel Save" stops the conversion: its OK-A answers are forgotten, its OK-S answers stay saved.
TEST_F(Convert, CancelSaveForgetsTheOkAAnswersButNotTheOkS) {
    ScriptedChooser chooser({Answer::replace(5001, Remember::ForRun), Answer::replace(5002, Remember::AndSave),
                             Answer::cancelSave()});
    Df1Mission m;
    for (std::int32_t type : {5040, 5041, 5040, 1042, 5040}) m.items.emplace_back().type_id = type;
    recountItems(m.header, m.items);
    EXPECT_THROW((void)ConvertDF1ToDF2(m, store, chooser), SaveCancelled);
    EXPECT_EQ(chooser.asked.size(), 3u);
    EXPECT_EQ(chooser.finished, 1);
    EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), -1);
    EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5041), 5002);
}

TEST_F(Convert, AnOkSThatCannotBeSavedHoldsForTheRunAndIsReported) {
    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Rename;
    ListStore failingStore(dir.path(), failing);
    failingStore.InitilizeItemLists();
    const auto m = source<Df1Mission>({5040, 5040});
    ScriptedChooser chooser({Answer::replace(5001, Remember::AndSave)});
    ConversionReport report;
    EXPECT_EQ(ConvertDF1ToDF2(m, failingStore, chooser, &report).items[1].type_id, 5001);
    EXPECT_EQ(chooser.asked.size(), 1u);
    ASSERT_EQ(chooser.notSaved.size(), 1u);
    EXPECT_NE(testing::textOf(report).find("Warning: the replacement of 5040 was not saved"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The report: per direction, lines it must hold.

struct ReportCase {
    DfType from, to;
    std::deque<Answer> script;  ///< then Skip
    std::vector<std::string> lines;
};

const ReportCase kReports[] = {
    {Df1, Df2, {Answer::replace(5001)}, {"Set: clouds_file \"clouds05.pcx\", sky_file \"skygrd04.tga\", header_number_a 1236, "
                "header_number_b 65536, header_levels 128",
                "Set: tt_file, water_level, fog_level, fog_color and briefing left empty (Delta Force 1 has none)",
                "Cut: name to 32 characters: \"" + kName.substr(0, 32) + "\" (was \"" + kName + "\")",
                "Dropped: terrain_color 11", "Dropped: item_tail of 5 items",
                "Dropped: the header bytes of unknown meaning (header_text12, header_text24, header_text52)",
                "Replaced: 2031 \"Jeep\" by 2005 \"Humvee\" (1 item)", "Replaced: 1040 \"Crate\" by 9999 (1 item)",
                "Replaced: 5040 by 5001 \"Soldier\" (1 item)",
                "Kept: 70000 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)"}},
    {Df2, Df3, {Answer::replace(5001), Answer::remove()}, {"Set: environment_file \"day1.env\"", "Dropped: clouds_file \"c.pcx\"", "Dropped: sky_file \"s.tga\"",
                "Dropped: header_number_a 1", "Dropped: header_number_b 2", "Dropped: header_levels",
                "Replaced: 4000 by 5001 \"Soldier\" (1 item)", "Removed: 5040 set to type 0 (1 item)",
                "Dropped: 1 events, 1 triggers and 1 actions"}},
    {Df3, Df1, {}, {"Dropped: briefing (2 characters; Delta Force 1 has none)", "Dropped: tt_file \"h.tt\"",
                "Dropped: water_level 12", "Dropped: fog_level 13", "Dropped: fog_color 14",
                "Dropped: default_loadout slots 2 to 5", "Dropped: teammate 2 3",
                "Dropped: environment_file \"night.env\"", "Dropped: header_value 1",
                "Dropped: the Land Warrior item fields (blink_*, grenades, wpgoal0-3, item_text) of 5 items",
                "(header_code, header_text16, header_text22)", "Replaced: 7001 \"Smoke\" by 4000 (1 item)",
                "Skipped: 5040 kept, though Delta Force 1 does not know it (1 item)"}},
};

TEST_F(Convert, TheReportNamesWhatWasSetCutDroppedAndReplaced) {
    for (const ReportCase& c : kReports) {
        ConversionReport report;
        ScriptedChooser chooser(c.script);
        (void)convertMission(sourceOf(c.from), c.to, store, chooser, &report);
        EXPECT_EQ(std::pair(report.from, report.to), std::pair(c.from, c.to));
        const std::string text = testing::textOf(report);
        for (const auto& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    // Nothing dropped where the source held only what the target sets: an ascii DF2 mission's defaults.
    Df2Mission df2;
    df2::setFileDefaults(df2.header);
    ScriptedChooser chooser;
    ConversionReport report;
    (void)ConvertDF2ToDF3(df2, store, chooser, &report);
    EXPECT_EQ(testing::textOf(report), "Set: environment_file \"day1.env\"\n");
}

}  // namespace
}  // namespace vok
