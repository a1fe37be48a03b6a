#pragma once
// Lists for the conversion tests, and the expected result of a conversion written out row by row
// from the header tables: the target starts empty, shared settings are copied, target-only
// settings get their fixed defaults, items keep their fields with item_number from 0 and the
// counts follow the final types, and the events come over unless num_events is 0.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "conversion/convert.h"
#include "lists/list_store.h"
#include "mission/core/item_counts.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

inline bool hasKind(const ConversionReport& report, ReportLine::Kind kind) {
    return std::any_of(report.lines.begin(), report.lines.end(), [kind](const ReportLine& l) { return l.kind == kind; });
}

/// The report as text, for failure messages.
inline std::string textOf(const ConversionReport& report) {
    std::string text;
    for (const auto& line : report.lines) text += std::string(reportKindLabel(line.kind)) + ": " + line.text + "\n";
    return text;
}

struct ListData {
    std::vector<ItemListEntry> items;
    std::vector<ReplaceEntry> replacements;
};

/// Small lists in which each version has types the others lack, a replacement for an existing
/// type (never used), a replacement to a type the target does not know (used unchecked), and one
/// that moves an item into another identifier block.
inline const std::map<DfType, ListData>& conversionLists() {
    // clang-format off
    static const std::map<DfType, ListData> lists = {
        {DfType::Df1, {{{1001, "Tree"}, {1040, "Crate"}, {2031, "Jeep"}, {3001, "Hut"}, {5001, "Soldier"},
                 {6013, "Area Trigger"}},
                {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 1001, 2999}, {2, 1040, 9999}}}},
        {DfType::Df2, {{{1001, "Tree"}, {2005, "Humvee"}, {3001, "Hut"}, {5001, "Soldier"}, {6013, "Area Trigger"},
                 {4000, ""}},
                {{0, 0, 0}, {1, 2005, 2031}, {3, 2005, 2050}}}},
        {DfType::Df3, {{{1001, "Tree"}, {2050, "Truck"}, {3001, "Hut"}, {5001, "Soldier"}, {6013, "Area Trigger"},
                 {7001, "Smoke"}},
                {{0, 0, 0}, {1, 2050, 2031}, {2, 2050, 2005}, {1, 7001, 4000}}}},
    };
    // clang-format on
    return lists;
}

/// A folder holding conversionLists(), and a store loaded from it.
class ConversionLists : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& [version, data] : conversionLists()) {
            dir.write(std::string(listFileName(itemListOf(version))), encodeItemList(data.items));
            dir.write(std::string(listFileName(replaceListOf(version))),
                      encodeReplaceList(data.replacements));
        }
        store.InitilizeItemLists();
    }

    TempDir dir;
    ListStore store{dir.path()};
};

// ---------------------------------------------------------------------------------------------
// The expected type of an item, from the test's own copy of the lists.

inline bool knownIn(DfType version, std::int32_t type) {
    const auto& items = conversionLists().at(version).items;
    // The later of two entries decides; an empty description means the type does not exist.
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (it->ItemId == type) return !it->Description.empty();
    }
    return false;
}

inline std::optional<std::int32_t> listedReplacement(DfType from, DfType to, std::int32_t type) {
    for (const auto& entry : conversionLists().at(from).replacements) {
        if (dfTypeOf(entry.NewDfType) == to && entry.ObjectId == type) return entry.ReplacementId;
    }
    return std::nullopt;
}

inline bool fitsIn16(std::int32_t value) {
    return value >= std::numeric_limits<std::int16_t>::min() &&
           value <= std::numeric_limits<std::int16_t>::max();
}

/// With a chooser that answers every question with `chosen` (nullopt: Skip, 0: Remove).
inline std::int32_t expectedType(DfType from, DfType to, std::int32_t type,
                                 std::optional<std::int32_t> chosen) {
    if (!fitsIn16(type) || knownIn(to, type)) return type;
    if (const auto replacement = listedReplacement(from, to, type)) return *replacement;
    return chosen.value_or(type);
}

// ---------------------------------------------------------------------------------------------
// Expected headers, one function per target.

template <std::size_t To, std::size_t From>
FixedText<To> fitted(const FixedText<From>& source) {
    FixedText<To> target{};
    std::copy_n(source.bytes.begin(), std::min(To, From), target.bytes.begin());
    return target;
}

template <class Header>
std::array<std::uint8_t, 4> equipmentOf(const Header& s) {
    return s.default_equipment;
}
/// [1] from loadout_value4[1], [2] from loadout_value1[1], [3] from loadout_value2[1], [4] from
/// loadout_value3[1].
inline std::array<std::uint8_t, 4> equipmentOf(const df3::MissionHeader& s) {
    return {s.loadout_value4[0], s.loadout_value1[0], s.loadout_value2[0], s.loadout_value3[0]};
}

/// The settings every version has, copied as they are (name and designer cut or padded).
template <class Target, class Source>
Target sharedHeader(const Source& s, std::int32_t signature) {
    Target t{};
    t.signature = signature;
    t.name = fitted<decltype(t.name)::width>(s.name);
    t.designer = fitted<decltype(t.designer)::width>(s.designer);
    t.terrain = s.terrain;
    t.cnv_file = s.cnv_file;
    t.attrib = s.attrib;
    t.visible_if = s.visible_if;
    t.notvisible_if = s.notvisible_if;
    t.arty = s.arty;
    t.num_events = s.num_events;
    t.weather_type = s.weather_type;
    t.subgoals_win = s.subgoals_win;
    t.subgoals_lose = s.subgoals_lose;
    t.wind = s.wind;
    return t;
}

/// DF2 and Land Warrior share their file names, water, fog and briefing.
template <class Target, class Source>
void copyDf2Settings(Target& t, const Source& s) {
    t.tt_file = s.tt_file;
    t.water_level = s.water_level;
    t.fog_level = s.fog_level;
    t.fog_color = s.fog_color;
    t.briefing = s.briefing;
}

template <class Source>
df1::MissionHeader expectedDf1Header(const Source& s) {
    auto t = sharedHeader<df1::MissionHeader>(s, 223563074);
    t.default_equipment = equipmentOf(s);
    return t;
}

template <class Source>
df2::MissionHeader expectedDf2Header(const Source& s) {
    auto t = sharedHeader<df2::MissionHeader>(s, 257117506);
    if constexpr (std::is_same_v<Source, df3::MissionHeader>) copyDf2Settings(t, s);
    t.default_equipment = equipmentOf(s);
    t.clouds_file = FixedText<16>::of("clouds05.pcx");
    t.sky_file = FixedText<16>::of("skygrd04.tga");
    t.header_number_a = 1236;
    t.header_number_b = 65536;
    t.header_levels = {128, 128, 128, 128, 128};
    return t;
}

template <class Source>
df3::MissionHeader expectedDf3Header(const Source& s) {
    auto t = sharedHeader<df3::MissionHeader>(s, 257117506);
    if constexpr (std::is_same_v<Source, df2::MissionHeader>) copyDf2Settings(t, s);
    t.loadout_value3[0] = s.default_equipment[3];
    t.loadout_value1[0] = s.default_equipment[1];
    t.loadout_value2[0] = s.default_equipment[2];
    t.loadout_value4[0] = s.default_equipment[0];
    t.environment_file = FixedText<32>::of("day1.env");
    return t;
}

template <class Target, class Source>
typename Target::HeaderType expectedHeader(const Source& s) {
    if constexpr (std::is_same_v<Target, Df1Mission>) return expectedDf1Header(s);
    if constexpr (std::is_same_v<Target, Df2Mission>) return expectedDf2Header(s);
    if constexpr (std::is_same_v<Target, Df3Mission>) return expectedDf3Header(s);
}

// ---------------------------------------------------------------------------------------------

/// a: 2000-2999 and 4000-4999; b: below 2000 and 3000-3999; c: 6000 and above; d: 5000-5999.
inline int countSlot(std::int32_t type) {
    if ((type >= 2000 && type < 3000) || (type >= 4000 && type < 5000)) return 0;
    if (type < 2000 || (type >= 3000 && type < 4000)) return 1;
    return type >= 6000 ? 2 : 3;
}

/// The whole expected target mission; `typeOf(i, sourceType)` gives each item's final type.
template <class Target, class Source, class TypeOf>
Target expectedMission(const Source& s, TypeOf typeOf) {
    Target t;
    t.header = expectedHeader<Target>(s.header);
    const std::int64_t sum = std::int64_t{s.header.item_count_a} + s.header.item_count_b +
                             s.header.item_count_c + s.header.item_count_d;
    std::array<std::int32_t, 4> counts{};
    for (std::size_t i = 0; sum != 0 && i < s.items.size(); ++i) {
        auto& item = t.items.emplace_back();
        static_cast<ItemCommon&>(item) = s.items[i];
        item.type_id = typeOf(i, s.items[i].type_id);
        item.item_number = static_cast<std::int32_t>(i);
        ++counts[static_cast<std::size_t>(countSlot(item.type_id))];
    }
    t.header.item_count_a = counts[0];
    t.header.item_count_b = counts[1];
    t.header.item_count_c = counts[2];
    t.header.item_count_d = counts[3];
    t.waypoints = s.waypoints;
    if (s.header.num_events != 0) {
        t.num_event_records = s.num_event_records;
        t.num_trigger_records = s.num_trigger_records;
        t.num_action_records = s.num_action_records;
        if (s.num_event_records != 0) t.events = s.events;
        if (s.num_trigger_records != 0) t.triggers = s.triggers;
        if (s.num_action_records != 0) t.actions = s.actions;
    }
    t.mission_text = s.mission_text;
    return t;
}

}  // namespace vok::testing
