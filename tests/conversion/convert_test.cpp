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

/// `onto` with every field `from` holds under the same name, cut or NUL-padded to its width.
std::map<std::string, std::string> carried(const std::map<std::string, std::string>& from,
                                           std::map<std::string, std::string> onto) {
    for (auto& [name, bytes] : onto) {
        if (!from.contains(name) || kNeverCarried.contains(name)) continue;
        const std::size_t width = bytes.size();
        (bytes = from.at(name)).resize(width, '\0');
    }
    return onto;
}

std::string reportText(const ConversionReport& report) {
    std::string text;
    for (const auto& line : report.lines) text += std::string(reportKindLabel(line.kind)) + ": " + line.text + "\n";
    return text;
}

/// A vehicle only one version knows, replaced both ways; replacements of a type the target knows
/// (never used) and by one it does not (used unchecked); DF2's 4000 has no text: it does not exist.
class Convert : public ::testing::Test {
protected:
    void SetUp() override { writeLists(); }

    /// Writes the lists afresh and loads them, which forgets the run's replacements.
    void writeLists() {
        write(Df1, {{1001, "Tree"}, {1040, "Crate"}, {2031, "Jeep"}, {5001, "Soldier"}},
              {{}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 1001, 2999}, {2, 1040, 9999}});
        write(Df2, {{1001, "Tree"}, {2005, "Humvee"}, {5001, "Soldier"}, {4000, ""}},
              {{}, {1, 2005, 2031}, {3, 2005, 2050}});
        write(Df3, {{1001, "Tree"}, {2050, "Truck"}, {5001, "Soldier"}, {7001, "Smoke"}},
              {{}, {1, 2050, 2031}, {2, 2050, 2005}, {1, 7001, 4000}});
        store.InitilizeItemLists();
    }

    /// A replacement list holds at least one entry: the first, {0, 0, 0}, is none.
    void write(DfType version, const std::vector<ItemListEntry>& items, const std::vector<ReplaceEntry>& replacements) {
        dir.write(listFileName(itemListOf(version)), encodeItemList(items));
        dir.write(listFileName(replaceListOf(version)), encodeReplaceList(replacements));
    }

    testing::TempDir dir;
    testing::FailingFileSystem files;  ///< fails nothing until a test says so
    ListStore store{dir.path(), files};
};

// Each direction, and back, on a generated source with known equipment, terrain and item types;
// every question is answered 6001. No types: the source's item counts and num_events are 0.

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
            if (empty) setItemCounts(m.header, {}), m.header.num_events = 0;
            auto& h = m.header;
            if constexpr (requires { h.loadout_value1; }) {
                std::tie(h.loadout_value1[0], h.loadout_value2[0], h.loadout_value3[0], h.loadout_value4[0]) =
                    std::tuple(20, 30, 40, 10);
            } else {
                m.header.default_equipment = {10, 20, 30, 40};
            }
            m.header.terrain.set("harbourpatrols");
        },
        source);
    return source;
}

/// The target's own defaults, then every field the source holds under the same name; the items
/// keep their common fields and are numbered from 0.
template <class T, class S>
void expectConverted(const Direction& d, const S& s, const T& t) {
    T e;
    auto& h = e.header;
    h.signature = std::same_as<T, Df1Mission> ? 223563074 : 257117506;
    if constexpr (requires { h.loadout_value1; }) {
        std::tie(h.loadout_value1[0], h.loadout_value2[0], h.loadout_value3[0], h.loadout_value4[0]) =
            std::tuple(20, 30, 40, 10);
        h.environment_file.set("day1.env");
    } else {
        h.default_equipment = {10, 20, 30, 40};
    }
    if constexpr (requires { h.clouds_file; }) {
        h.clouds_file.set("clouds05.pcx");
        h.sky_file.set("skygrd04.tga");
        std::tie(h.header_number_a, h.header_number_b) = std::tuple(1236, 65536);
        h.header_levels = {128, 128, 128, 128, 128};
    }
    setItemCounts(h, d.counts);
    auto expected = carried(fieldsOf(s.header), fieldsOf(h));
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

/// What a trip through `via` and back keeps: all but the item types and numbers, the fields it lacks.
template <class M>
auto survivors(const M& m, const std::map<std::string, std::string>& via) {
    std::vector<ItemCommon> items(m.items.begin(), m.items.end());
    for (auto& item : items) item.type_id = item.item_number = 0;
    return std::tuple(carried(fieldsOf(m.header), via), items, m.waypoints, m.mission_text, m.events, m.triggers,
                      m.actions);
}

TEST_F(Convert, EachDirectionSetsTheTargetsDefaultsCopiesWhatBothHoldAndChecksEachType) {
    for (const Direction& d : kDirections) {
        SCOPED_TRACE(std::string(versionKey(d.from)) + " to " + std::string(versionKey(d.to)));
        const AnyMission s = sourceOf(d.from, d.types.empty());
        std::vector<std::int16_t> asked;  // the types answered 6001
        for (std::size_t i = 0; i < d.types.size(); ++i) {
            if (d.types[i] == 6001) asked.push_back(static_cast<std::int16_t>(kSourceTypes[versionIndex(d.from)][i]));
        }
        ScriptedChooser chooser({}, Answer::replace(6001));
        AnyMission t = convertMission(s, d.to, store, chooser);
        EXPECT_EQ(chooser.askedIds(), asked);
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

// The chooser's answers, and the report's lines on the items. Each row converts a DF1 mission
// into DF2, from freshly loaded lists. "Cancel Save" stops the conversion: its OK-A answers are
// forgotten, its OK-S answers stay saved.

using Lookups = std::pair<std::int16_t, std::int16_t>;  ///< the replacements of 5040 and 5041 into DF2

struct ChooserCase {
    std::vector<std::int32_t> types;
    std::deque<Answer> script;            ///< then Skip
    std::vector<std::int32_t> converted;  ///< none: the save was cancelled
    std::vector<std::int16_t> asked;
    Lookups remembered;        ///< after the conversion
    Lookups saved;             ///< after the lists were loaded again
    std::string report;        ///< but its Set lines
    bool failingSave = false;  ///< the replacement list cannot be written
};

// clang-format off
const ChooserCase kChooserCases[] = {
    {{5040, 1001, 5040, 5040, 1040, 2031}, {Answer::replace(5001), Answer::replace(5001), Answer::replace(5002)},
     {5001, 1001, 5001, 5002, 9999, 2005}, {5040, 5040, 5040}, {-1, -1}, {-1, -1},
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\nReplaced: 5040 by 5002 (not in the DF2 list) (1 item)\n"
     "Replaced: 1040 \"Crate\" by 9999 (not in the DF2 list) (1 item)\n"
     "Replaced: 2031 \"Jeep\" by 2005 \"Humvee\" (1 item)\n"},
    {{5040, 1001, 5040}, {Answer::replace(5001, Remember::ForRun)}, {5001, 1001, 5001}, {5040}, {5001, -1}, {-1, -1},
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\n"},
    {{5040, 5040}, {Answer::replace(5001, Remember::AndSave)}, {5001, 5001}, {5040}, {5001, -1}, {5001, -1},
     "Replaced: 5040 by 5001 \"Soldier\" (2 items)\n"},
    {{5040, 5041, 5040, 1042, 5040}, {Answer::replace(5001, Remember::ForRun), Answer::replace(5002,
     Remember::AndSave), Answer::cancelSave()}, {}, {5040, 5041, 1042}, {-1, 5002}, {-1, 5002}, ""},
    {{5040, 5040, 5041}, {Answer::skip(), Answer::remove()}, {5040, 0, 5041}, {5040, 5040, 5041}, {-1, -1}, {-1, -1},
     "Skipped: 5040 kept, though Delta Force 2 does not know it (1 item)\n"
     "Skipped: 5041 kept, though Delta Force 2 does not know it (1 item)\n"
     "Removed: 5040 set to type 0 (1 item)\n"},
    // An OK-S that cannot be saved holds for the run and is reported.
    {{5040, 5041, 5040}, {Answer::replace(5001, Remember::AndSave)}, {5001, 5041, 5001}, {5040, 5041}, {5001, -1},
     {-1, -1}, "Warning: the replacement of 5040 was not saved\nReplaced: 5040 by 5001 \"Soldier\" (2 items)\n"
     "Skipped: 5041 kept, though Delta Force 2 does not know it (1 item)\n", true},
    // Only 16-bit types are looked up and offered.
    {{32767, 32768, -32768, -32769}, {}, {32767, 32768, -32768, -32769}, {32767, -32768}, {-1, -1}, {-1, -1},
     "Skipped: 32767 kept, though Delta Force 2 does not know it (1 item)\n"
     "Skipped: -32768 kept, though Delta Force 2 does not know it (1 item)\n"
     "Kept: 32768 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)\n"
     "Kept: -32769 kept as it is: it lies outside the 16-bit identifiers that the lists hold (1 item)\n"},
};
// clang-format on

TEST_F(Convert, TheChoosersAnswersHoldForTheItemTheRunOrForGood) {
    auto lookups = [this] {
        return Lookups(store.LookupReplacement(Df1, Df2, 5040), store.LookupReplacement(Df1, Df2, 5041));
    };
    for (const ChooserCase& c : kChooserCases) {
        SCOPED_TRACE(c.report);
        writeLists();
        Df1Mission m;
        for (std::int32_t type : c.types) m.items.emplace_back().type_id = type;
        recountItems(m.header, m.items);
        ScriptedChooser chooser(c.script);
        ConversionReport report;
        files.failAt =
            c.failingSave ? testing::FailingFileSystem::FailAt::Rename : testing::FailingFileSystem::FailAt::Nothing;
        std::vector<std::int32_t> converted;
        if (c.converted.empty()) {
            EXPECT_THROW((void)convertMission(m, DfType::Df2, store, chooser, &report), SaveCancelled);
        } else {
            const AnyMission result = convertMission(m, DfType::Df2, store, chooser, &report);
            for (const auto& item : std::get<Df2Mission>(result).items) converted.push_back(item.type_id);
        }
        EXPECT_EQ(converted, c.converted);
        EXPECT_EQ(chooser.askedIds(), c.asked);
        EXPECT_EQ(std::pair(chooser.finished, chooser.notSaved.size()),
                  std::pair(1, std::size_t{c.failingSave ? 1u : 0u}));
        std::erase_if(report.lines, [](const ReportLine& line) { return line.kind == ReportLine::Kind::Set; });
        for (auto& line : report.lines) {  // a Warning without the error's text
            if (line.kind == ReportLine::Kind::Warning) line.text.resize(line.text.find(": "));
        }
        EXPECT_EQ(reportText(report), c.report);
        EXPECT_EQ(lookups(), c.remembered);
        EXPECT_EQ(store.LookupReplacement(Df1, Df3, 5040), -1) << "an answer holds for its target version only";
        store.InitilizeItemLists();
        EXPECT_EQ(lookups(), c.saved);
    }
}

// The report's lines on the header and the events: what was dropped, set and cut.

struct ReportCase {
    DfType to;
    AnyMission (*source)();
    std::string text;
};

// clang-format off
const ReportCase kReports[] = {
    {Df2, [] {
         Df1Mission m;
         m.header.name.set("Operation Silent Harbour at Dawn Patrol!"), m.header.header_text12.set("a");
         m.header.terrain_color = 11;
         m.items.push_back({{.type_id = 1001}, 8});
         m.events.resize(2);
         return recountItems(m.header, m.items), AnyMission(m);
     },
     "Dropped: terrain_color 11\n"
     "Dropped: the header bytes of unknown meaning (header_text12)\n"
     "Dropped: item_tail of 1 items\n"
     "Set: clouds_file \"clouds05.pcx\", sky_file \"skygrd04.tga\", header_number_a 1236, header_number_b 65536, "
     "header_levels 128\n"
     "Cut: name to 32 characters: \"Operation Silent Harbour at Dawn\" (was \"Operation Silent Harbour at Dawn Patrol!\")\n"
     "Set: tt_file, water_level, fog_level, fog_color and briefing left empty (Delta Force 1 has none)\n"
     "Dropped: 2 events, 0 triggers and 0 actions: the header's num_events is 0, so the mission has no events\n"},
    {Df1, [] {
         Df3Mission m;
         auto& h = m.header;
         h.briefing.set("Hold the pass."), h.environment_file.set("night.env");
         std::tie(h.water_level, h.teammate[1], h.loadout_value2[3]) = std::tuple(40, 3, 9);
         m.items.push_back({{.type_id = 1001}, 0, 0, 0, 0, 4});
         return recountItems(m.header, m.items), AnyMission(m);
     },
     "Dropped: briefing (14 characters; Delta Force 1 has none)\nDropped: water_level 40\n"
     "Dropped: default_loadout slots 2 to 5 and the fifth value of slot 1 (only the first four values of slot 1 "
     "become default_equipment)\n"
     "Dropped: teammate 0 3\nDropped: environment_file \"night.env\"\n"
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
