// The six conversions: the target's own defaults, the settings both versions hold, the items'
// types after the lists and the chooser; a trip through another version and back; the report.
#include "conversion/convert.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "mission/core/binary_io.h"
#include "mission/core/item_counts.h"
#include "mission/core/mission_binary.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"
#include "tests/support/scripted_chooser.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

using testing::ScriptedChooser;
using Answer = ReplacementAnswer;
using Remember = ReplacementAnswer::Remember;
using enum DfType;

/// A header's stored fields by name, as their bytes.
struct Fields : StoredFieldsOnly {
    std::map<std::string, std::string> bytes;
    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& = {}) {
        BinaryOut(bytes[std::string(name)]).put(value);
    }
};
template <class H>
std::map<std::string, std::string> fieldsOf(const H& header) {
    Fields fields;
    describe(fields, header);
    return fields.bytes;
}

/// Fields of the same name that no conversion carries: the item counts follow the final types.
const std::set<std::string> kNeverCarried = {"signature",    "header_code",  "terrain_color", "header_text24",
                                             "item_count_a", "item_count_b", "item_count_c",  "item_count_d"};

std::string reportText(const ConversionReport& report, bool withSet = true) {
    std::string text;
    for (const auto& line : report.lines) {
        if (withSet || line.kind != ReportLine::Kind::Set) {
            text += std::string(reportKindLabel(line.kind)) + ": " + line.text + "\n";
        }
    }
    return text;
}

std::vector<std::int16_t> askedIds(const ScriptedChooser& chooser) {
    std::vector<std::int16_t> ids;
    for (const auto& question : chooser.asked) ids.push_back(question.objectId);
    return ids;
}

/// Each version has a vehicle the others lack (DF1 2031, DF2 2005, DF3 2050), replaced both ways.
/// DF1 replaces 1001, which every version knows (never used), and 1040 by 9999, which DF2 does
/// not know (used unchecked). DF2 describes 4000 with an empty text: it does not exist. Land
/// Warrior's effect 7001 becomes 4000 in DF1.
class Convert : public ::testing::Test {
protected:
    void SetUp() override { writeLists(); }

    /// Writes the lists afresh and loads them, which forgets the run's replacements.
    void writeLists() {
        write(Df1, {{1001, "Tree"}, {1040, "Crate"}, {2031, "Jeep"}, {5001, "Soldier"}},
              {{2, 2031, 2005}, {3, 2031, 2050}, {2, 1001, 2999}, {2, 1040, 9999}});
        write(Df2, {{1001, "Tree"}, {2005, "Humvee"}, {5001, "Soldier"}, {4000, ""}},
              {{1, 2005, 2031}, {3, 2005, 2050}});
        write(Df3, {{1001, "Tree"}, {2050, "Truck"}, {5001, "Soldier"}, {7001, "Smoke"}},
              {{1, 2050, 2031}, {2, 2050, 2005}, {1, 7001, 4000}});
        store.InitilizeItemLists();
    }

    testing::TempDir dir;
    ListStore store{dir.path()};

private:
    void write(DfType version, const std::vector<ItemListEntry>& items, std::vector<ReplaceEntry> replacements) {
        replacements.insert(replacements.begin(), ReplaceEntry{});  // a list holds at least one entry
        dir.write(listFileName(itemListOf(version)), encodeItemList(items));
        dir.write(listFileName(replaceListOf(version)), encodeReplaceList(replacements));
    }
};

// ---------------------------------------------------------------------------------------------
// Each direction, on a generated source with known equipment and terrain and items of the types
// below; every question is answered 6001. No types: the source's item counts and num_events are
// 0, so none of its items and events come over. Then back to the source's version: what both
// versions hold survives.

struct Direction {
    DfType from, to;
    std::string terrainPrefix;  ///< of the terrain suggested after the conversion
    std::vector<std::int32_t> types;
    ItemTally counts;
};

// clang-format off
const std::vector<std::int32_t> kSourceTypes[] = {
    {1001, 2031, 1040, 5040, 70000}, {1001, 2005, 4000, 5040, 70000}, {1001, 2050, 7001, 5040, 70000}};

const Direction kDirections[] = {
    {Df1, Df2, "",    {1001, 2005, 9999, 6001, 70000}, {1, 1, 3, 0}},
    {Df1, Df3, "DF1", {1001, 2050, 6001, 6001, 70000}, {1, 1, 3, 0}},
    {Df2, Df1, "",    {1001, 2031, 6001, 6001, 70000}, {1, 1, 3, 0}},
    {Df2, Df3, "DF2", {1001, 2050, 6001, 6001, 70000}, {1, 1, 3, 0}},
    {Df3, Df1, "",    {1001, 2031, 4000, 6001, 70000}, {2, 1, 2, 0}},
    {Df3, Df2, "",    {1001, 2005, 6001, 6001, 70000}, {1, 1, 3, 0}},
    {Df3, Df1, "",    {},                              {0, 0, 0, 0}},
};
// clang-format on

AnyMission sourceOf(DfType version, bool empty) {
    AnyMission source = emptyMission(version);
    std::visit(
        [&](auto& m) {
            m = testing::generateMission<std::decay_t<decltype(m)>>(versionNumber(version), {.maxEvents = 4});
            const auto& types = kSourceTypes[versionIndex(version)];
            m.items.resize(types.size());
            for (std::size_t i = 0; i < types.size(); ++i) m.items[i].type_id = types[i];
            recountItems(m.header, m.items);
            if (empty) setItemCounts(m.header, {});
            if (empty) m.header.num_events = 0;
            if constexpr (requires { m.header.loadout_value1; }) {
                m.header.loadout_value1[0] = 20;
                m.header.loadout_value2[0] = 30;
                m.header.loadout_value3[0] = 40;
                m.header.loadout_value4[0] = 10;
            } else {
                m.header.default_equipment = {10, 20, 30, 40};
            }
            m.header.terrain.set("harbourpatrols");
        },
        source);
    return source;
}

/// The target's own defaults written out, then every field the source holds under the same name
/// (a text cut or NUL-padded to the target's width); the items keep their common fields and are
/// numbered from 0.
template <class T, class S>
void expectConverted(const Direction& d, const S& s, const T& t) {
    T e;
    auto& h = e.header;
    h.signature = std::same_as<T, Df1Mission> ? 223563074 : 257117506;
    if constexpr (requires { h.loadout_value1; }) {
        h.loadout_value1[0] = 20;
        h.loadout_value2[0] = 30;
        h.loadout_value3[0] = 40;
        h.loadout_value4[0] = 10;
        h.environment_file.set("day1.env");
    } else {
        h.default_equipment = {10, 20, 30, 40};
    }
    if constexpr (requires { h.clouds_file; }) {
        h.clouds_file.set("clouds05.pcx");
        h.sky_file.set("skygrd04.tga");
        h.header_number_a = 1236;
        h.header_number_b = 65536;
        h.header_levels = {128, 128, 128, 128, 128};
    }
    setItemCounts(h, d.counts);
    auto expected = fieldsOf(h);
    const auto source = fieldsOf(s.header);
    for (auto& [name, bytes] : expected) {
        if (!source.contains(name) || kNeverCarried.contains(name)) continue;
        std::string carried = source.at(name);
        carried.resize(bytes.size(), '\0');
        bytes = carried;
    }
    expected["terrain"] = FixedText<16>::of(d.terrainPrefix + "harbourpatrols").raw();
    EXPECT_EQ(fieldsOf(t.header), expected);

    e.header = t.header;
    for (std::size_t i = 0; i < d.types.size(); ++i) {
        auto& item = e.items.emplace_back();
        static_cast<ItemCommon&>(item) = s.items[i];
        item.type_id = d.types[i];
        item.item_number = static_cast<std::int32_t>(i);
    }
    e.waypoints = s.waypoints;
    e.mission_text = s.mission_text;
    if (s.header.num_events != 0) {
        std::tie(e.events, e.triggers, e.actions) = std::tie(s.events, s.triggers, s.actions);
        std::tie(e.num_event_records, e.num_trigger_records, e.num_action_records) =
            std::tie(s.num_event_records, s.num_trigger_records, s.num_action_records);
    }
    EXPECT_EQ(t, e);
}

/// What a trip through another version and back keeps: the header fields `via` holds too (a text
/// to its width), the items but their types and numbers, and the other records.
template <class M>
auto survivors(const M& m, const std::map<std::string, std::string>& via) {
    std::map<std::string, std::string> fields;
    for (auto [name, bytes] : fieldsOf(m.header)) {
        if (!via.contains(name) || kNeverCarried.contains(name)) continue;
        bytes.resize(via.at(name).size());
        fields[name] = bytes;
    }
    std::vector<ItemCommon> items(m.items.begin(), m.items.end());
    for (auto& item : items) item.type_id = item.item_number = 0;
    return std::tuple(fields, items, m.waypoints, m.mission_text, m.events, m.triggers, m.actions);
}

TEST_F(Convert, EachDirectionSetsTheTargetsDefaultsCopiesWhatBothHoldAndChecksEachType) {
    for (const Direction& d : kDirections) {
        SCOPED_TRACE(std::string(versionKey(d.from)) + " to " + std::string(versionKey(d.to)));
        const AnyMission s = sourceOf(d.from, d.types.empty());
        std::vector<MissingType> missing;  // the types answered 6001, each used once
        std::vector<std::int16_t> asked;
        for (std::size_t i = 0; i < d.types.size(); ++i) {
            const auto type = static_cast<std::int16_t>(kSourceTypes[versionIndex(d.from)][i]);
            if (d.types[i] != 6001) continue;
            missing.push_back({type, store.ItemDescription(d.from, type), 1});
            asked.push_back(type);
        }
        if (!d.types.empty()) {
            EXPECT_EQ(findMissingTypes(s, d.to, store), missing);
        }
        ScriptedChooser chooser({}, Answer::replace(6001));
        AnyMission t = convertMission(s, d.to, store, chooser);
        EXPECT_EQ(askedIds(chooser), asked);
        EXPECT_EQ(chooser.finished, 1);
        const AnyMission back = convertMission(t, d.from, store, chooser);
        auto expectSurvivors = [](const auto& b, const auto& o, const auto& via) {
            EXPECT_TRUE(survivors(b, fieldsOf(via.header)) == survivors(o, fieldsOf(via.header)));
        };
        if (!d.types.empty()) std::visit(expectSurvivors, back, s, t);
        setTerrain(t, suggestedTerrain(t, d.from));
        std::visit([&d](const auto& target, const auto& source) { expectConverted(d, source, target); }, t, s);
        EXPECT_EQ(convertMission(s, d.from, store, chooser), s);
    }
}

// ---------------------------------------------------------------------------------------------
// The chooser's answers, and the report's lines on the items. Each row converts a DF1 mission
// into DF2, from freshly loaded lists.

struct ChooserCase {
    std::vector<std::int32_t> types;
    std::deque<Answer> script;  ///< then Skip
    std::vector<std::int32_t> converted;
    std::vector<std::int16_t> asked;
    std::int16_t remembered;  ///< LookupReplacement(DF1, DF2, 5040) after the conversion
    std::int16_t saved;       ///< ... after the lists were loaded again
    std::string report;       ///< but its Set lines
};

// clang-format off
const ChooserCase kChooserCases[] = {
    {{5040, 1001, 5040, 5040}, {Answer::replace(5001), Answer::replace(5001), Answer::replace(5002)},
     {5001, 1001, 5001, 5002}, {5040, 5040, 5040}, -1, -1,
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\nReplaced: 5040 by 5002 (1 item)\n"},
    {{5040, 1001, 5040}, {Answer::replace(5001, Remember::ForRun)}, {5001, 1001, 5001}, {5040}, 5001, -1,
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\n"},
    {{5040, 5040}, {Answer::replace(5001, Remember::AndSave)}, {5001, 5001}, {5040}, 5001, 5001,
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\n"},
    {{5040, 5040, 5041}, {Answer::skip(), Answer::remove()}, {5040, 0, 5041}, {5040, 5040, 5041}, -1, -1,
     "Skipped: 5040 kept, though Delta Force 2 does not know it (1 item)\n"
     "Skipped: 5041 kept, though Delta Force 2 does not know it (1 item)\n"
     "Removed: 5040 set to type 0 (1 item)\n"},
    {{1001, 1040, 2031}, {}, {1001, 9999, 2005}, {}, -1, -1,
     "Replaced: 1040 \"Crate\" by 9999 (1 item)\nReplaced: 2031 \"Jeep\" by 2005 \"Humvee\" (1 item)\n"},
    // Only 16-bit types are looked up and offered; 66537 would read as 1001.
    {{32767, 32768, -32768, -32769, 66537}, {}, {32767, 32768, -32768, -32769, 66537}, {32767, -32768}, -1, -1,
     "Skipped: 32767 kept, though Delta Force 2 does not know it (1 item)\n"
     "Skipped: -32768 kept, though Delta Force 2 does not know it (1 item)\n"
     "Kept: 32768 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)\n"
     "Kept: -32769 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)\n"
     "Kept: 66537 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)\n"},
};
// clang-format on

TEST_F(Convert, TheChoosersAnswersHoldForTheItemTheRunOrForGood) {
    for (const ChooserCase& c : kChooserCases) {
        SCOPED_TRACE(c.report);
        writeLists();
        Df1Mission m;
        for (std::int32_t type : c.types) m.items.emplace_back().type_id = type;
        recountItems(m.header, m.items);
        ScriptedChooser chooser(c.script);
        ConversionReport report;
        std::vector<std::int32_t> converted;
        for (const auto& item : ConvertDF1ToDF2(m, store, chooser, &report).items) converted.push_back(item.type_id);
        EXPECT_EQ(converted, c.converted);
        EXPECT_EQ(askedIds(chooser), c.asked);
        EXPECT_EQ(reportText(report, false), c.report);
        EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), c.remembered);
        EXPECT_EQ(store.LookupReplacement(Df1, Df3, 5040), -1) << "an answer holds for its target version only";
        store.InitilizeItemLists();
        EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), c.saved);
    }
}

// "Cancel Save" stops the conversion: its OK-A answers are forgotten, its OK-S answers stay saved.
// An OK-S that cannot be saved holds for the run and is reported.
TEST_F(Convert, CancelSaveForgetsTheOkAAnswersButNotTheOkS) {
    ScriptedChooser chooser(
        {Answer::replace(5001, Remember::ForRun), Answer::replace(5002, Remember::AndSave), Answer::cancelSave()});
    Df1Mission m;
    for (std::int32_t type : {5040, 5041, 5040, 1042, 5040}) m.items.emplace_back().type_id = type;
    recountItems(m.header, m.items);
    EXPECT_THROW((void)ConvertDF1ToDF2(m, store, chooser), SaveCancelled);
    EXPECT_EQ(askedIds(chooser), (std::vector<std::int16_t>{5040, 5041, 1042}));
    EXPECT_EQ(chooser.finished, 1);
    EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5040), -1);
    EXPECT_EQ(store.LookupReplacement(Df1, Df2, 5041), 5002);

    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Rename;
    ListStore failingStore(dir.path(), failing);
    failingStore.InitilizeItemLists();
    ScriptedChooser okS({Answer::replace(5001, Remember::AndSave)});
    ConversionReport report;
    EXPECT_EQ(ConvertDF1ToDF2(m, failingStore, okS, &report).items[2].type_id, 5001);
    EXPECT_EQ(askedIds(okS), (std::vector<std::int16_t>{5040, 1042}));
    EXPECT_EQ(okS.notSaved.size(), 1u);
    EXPECT_NE(reportText(report).find("Warning: the replacement of 5040 was not saved"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The report's lines on the header: what was dropped, set and cut; nothing about a dropped value
// that only equals the default.

struct ReportCase {
    DfType to;
    AnyMission (*source)();
    std::string text;
};

// clang-format off
const ReportCase kReports[] = {
    {Df2, [] {
         Df1Mission m;
         m.header.name.set("Operation Silent Harbour at Dawn Patrol!");
         m.header.terrain_color = 11;
         m.header.header_text12.set("a");
         m.items.push_back({{.type_id = 1001}, 8});
         recountItems(m.header, m.items);
         return AnyMission(m);
     },
     "Dropped: terrain_color 11\n"
     "Dropped: the header bytes of unknown meaning (header_text12)\n"
     "Dropped: item_tail of 1 items\n"
     "Set: clouds_file \"clouds05.pcx\", sky_file \"skygrd04.tga\", header_number_a 1236, header_number_b 65536, "
     "header_levels 128\n"
     "Cut: name to 32 characters: \"Operation Silent Harbour at Dawn\" (was \"Operation Silent Harbour at Dawn Patrol!\")\n"
     "Set: tt_file, water_level, fog_level, fog_color and briefing left empty (Delta Force 1 has none)\n"},
    {Df3, [] {
         Df2Mission m;
         df2::setFileDefaults(m.header);
         m.header.clouds_file.set("c.pcx");
         m.header.header_levels[4] = 1;
         m.events.resize(2);
         return AnyMission(m);
     },
     "Dropped: clouds_file \"c.pcx\"\nDropped: header_levels\nSet: environment_file \"day1.env\"\n"
     "Dropped: 2 events, 0 triggers and 0 actions: the header's num_events is 0, so the mission has no events\n"},
    {Df1, [] {
         Df3Mission m;
         auto& h = m.header;
         h.briefing.set("Hold the pass.");
         h.tt_file.set("alpine.tt");
         std::tie(h.water_level, h.fog_level, h.fog_color, h.header_value) = std::tuple(40, 2, 255, 7);
         h.teammate = {2, 3};
         h.loadout_value2[3] = 9;
         h.environment_file.set("night.env");
         h.header_text22.set("??");
         m.items.emplace_back().grenades = 4;
         m.items[0].type_id = 1001;
         recountItems(m.header, m.items);
         return AnyMission(m);
     },
     "Dropped: briefing (14 characters; Delta Force 1 has none)\nDropped: tt_file \"alpine.tt\"\n"
     "Dropped: water_level 40\nDropped: fog_level 2\nDropped: fog_color 255\n"
     "Dropped: default_loadout slots 2 to 5 and the fifth value of slot 1 (only the first four values of slot 1 "
     "become default_equipment)\n"
     "Dropped: teammate 2 3\nDropped: environment_file \"night.env\"\nDropped: header_value 7\n"
     "Dropped: the header bytes of unknown meaning (header_text22)\n"
     "Dropped: the Land Warrior item fields (blink_*, grenades, wpgoal0-3, item_text) of 1 items\n"},
};
// clang-format on

TEST_F(Convert, TheReportNamesWhatWasDroppedSetAndCut) {
    for (const ReportCase& c : kReports) {
        const AnyMission source = c.source();
        ScriptedChooser chooser;
        ConversionReport report;
        (void)convertMission(source, c.to, store, chooser, &report);
        EXPECT_EQ(std::pair(report.from, report.to), std::pair(versionOf(source), c.to));
        EXPECT_EQ(reportText(report), c.text);
    }
}

}  // namespace
}  // namespace vok
