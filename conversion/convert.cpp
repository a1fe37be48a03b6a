#include "conversion/convert.h"

#include <algorithm>
#include <map>

#include "mission/core/int16_range.h"
#include "mission/core/item_counts.h"

namespace vok {

namespace {

template <class H>
concept HasEquipment = requires(H h) {
    h.default_equipment;
};
template <class H>
concept HasLoadout = requires(H h) {
    h.loadout_value1;
};
/// DF2 and Land Warrior: the settings Delta Force 1 lacks (tt_file, water, fog, briefing).
template <class H>
concept HasTtFile = requires(H h) {
    h.tt_file;
};

std::string inQuotes(std::string_view text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

// ---------------------------------------------------------------------------------------------
// Header.

// Fields that only the target has: the signature and fixed defaults.
void setTargetDefaults(df1::MissionHeader& h, ConversionReport*) { h.signature = df1::MissionHeader::fileSignature; }

void setTargetDefaults(df2::MissionHeader& h, ConversionReport* report) {
    h.signature = df2::MissionHeader::fileSignature;
    df2::setFileDefaults(h);
    if (report != nullptr) {
        report->add(ReportLine::Kind::Set,
                    "clouds_file \"clouds05.pcx\", sky_file \"skygrd04.tga\", header_number_a "
                    "1236, header_number_b 65536, header_levels 128");
    }
}

void setTargetDefaults(df3::MissionHeader& h, ConversionReport* report) {
    h.signature = df3::MissionHeader::fileSignature;
    h.environment_file.set(df3::kDefaultEnvironment);
    if (report != nullptr) report->add(ReportLine::Kind::Set, "environment_file \"day1.env\"");
}

template <std::size_t To, std::size_t From>
void carryText(FixedText<To>& target, const FixedText<From>& source, std::string_view name, ConversionReport* report) {
    target.set(source.raw());
    if (report != nullptr && To < From && source.text().size() > target.text().size()) {
        report->add(ReportLine::Kind::Cut, std::string(name) + " to " + std::to_string(To) + " characters: " +
                                               inQuotes(target.text()) + " (was " + inQuotes(source.text()) + ")");
    }
}

template <class To, class From>
To convertHeader(const From& s, ConversionReport* report) {
    To t{};
    setTargetDefaults(t, report);
    carryText(t.name, s.name, "name", report);
    carryText(t.designer, s.designer, "designer", report);
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
    // Settings of DF2 and Land Warrior that Delta Force 1 lacks.
    if constexpr (HasTtFile<To> && HasTtFile<From>) {
        t.tt_file = s.tt_file;
        t.water_level = s.water_level;
        t.fog_level = s.fog_level;
        t.fog_color = s.fog_color;
        t.briefing = s.briefing;
    } else if constexpr (HasTtFile<To>) {
        if (report != nullptr) {
            report->add(ReportLine::Kind::Set,
                        "tt_file, water_level, fog_level, fog_color and briefing left empty "
                        "(Delta Force 1 has none)");
        }
    }
    // The equipment: DF1 and DF2 hold four values; Land Warrior holds them as the first four
    // values of loadout slot 1, in the order the ascii form lists them ([2], [3], [4], [1]).
    if constexpr (HasEquipment<To> && HasEquipment<From>) {
        t.default_equipment = s.default_equipment;
    } else if constexpr (HasEquipment<To>) {
        t.default_equipment = {s.loadout_value4[0], s.loadout_value1[0], s.loadout_value2[0], s.loadout_value3[0]};
    } else {
        t.loadout_value1[0] = s.default_equipment[1];
        t.loadout_value2[0] = s.default_equipment[2];
        t.loadout_value3[0] = s.default_equipment[3];
        t.loadout_value4[0] = s.default_equipment[0];
    }
    return t;
}

// What the source held that the target does not take.
template <class To, class From>
void reportDroppedSettings(const From& s, ConversionReport& report) {
    auto dropped = [&report](std::string text) { report.add(ReportLine::Kind::Dropped, std::move(text)); };
    auto number = [&](const char* name, std::int64_t value) {
        if (value != 0) dropped(std::string(name) + " " + std::to_string(value));
    };
    auto text = [&](const char* name, const auto& field) {
        if (!field.isEmpty()) dropped(std::string(name) + " " + inQuotes(field.text()));
    };
    if constexpr (HasTtFile<From> && !HasTtFile<To>) {
        if (!s.briefing.isEmpty()) {
            dropped("briefing (" + std::to_string(s.briefing.text().size()) + " characters; Delta Force 1 has none)");
        }
        text("tt_file", s.tt_file);
        number("water_level", s.water_level);
        number("fog_level", s.fog_level);
        number("fog_color", s.fog_color);
    }
    if constexpr (requires { s.terrain_color; }) number("terrain_color", s.terrain_color);
    if constexpr (requires { s.clouds_file; }) {
        df2::MissionHeader defaults;
        df2::setFileDefaults(defaults);
        if (s.clouds_file != defaults.clouds_file) text("clouds_file", s.clouds_file);
        if (s.sky_file != defaults.sky_file) text("sky_file", s.sky_file);
        if (s.header_number_a != defaults.header_number_a) number("header_number_a", s.header_number_a);
        if (s.header_number_b != defaults.header_number_b) number("header_number_b", s.header_number_b);
        if (s.header_levels != defaults.header_levels) dropped("header_levels");
    }
    if constexpr (HasLoadout<From>) {
        bool otherSlots = std::any_of(s.loadout_value5.begin(), s.loadout_value5.end(), [](auto v) { return v != 0; });
        for (const auto* table : {&s.loadout_value1, &s.loadout_value2, &s.loadout_value3, &s.loadout_value4}) {
            otherSlots = otherSlots || std::any_of(table->begin() + 1, table->end(), [](auto v) { return v != 0; });
        }
        if (otherSlots) {
            dropped(
                "default_loadout slots 2 to 5 and the fifth value of slot 1 (only the first four values of "
                "slot 1 become default_equipment)");
        }
        if (s.teammate[0] != 0 || s.teammate[1] != 0) {
            dropped("teammate " + std::to_string(s.teammate[0]) + " " + std::to_string(s.teammate[1]));
        }
        if (!s.environment_file.isEmpty() && s.environment_file.text() != df3::kDefaultEnvironment) {
            text("environment_file", s.environment_file);
        }
        number("header_value", s.header_value);
    }
    // Bytes of the header whose meaning is unknown are not carried between versions.
    std::string unnamed;
    auto unnamedField = [&unnamed](const char* name, const auto& field) {
        if (!field.isEmpty()) unnamed += (unnamed.empty() ? "" : ", ") + std::string(name);
    };
    if constexpr (requires { s.header_code; }) unnamedField("header_code", s.header_code);
    if constexpr (requires { s.header_text12; }) unnamedField("header_text12", s.header_text12);
    if constexpr (requires { s.header_text16; }) unnamedField("header_text16", s.header_text16);
    if constexpr (requires { s.header_text22; }) unnamedField("header_text22", s.header_text22);
    if constexpr (requires { s.header_text24; }) unnamedField("header_text24", s.header_text24);
    if constexpr (requires { s.header_text52; }) unnamedField("header_text52", s.header_text52);
    if (!unnamed.empty()) dropped("the header bytes of unknown meaning (" + unnamed + ")");
}

// ---------------------------------------------------------------------------------------------
// Items.

/// The answers given with "OK-A" during one conversion: they serve its later items at once and
/// join the list store's run replacements only when the conversion completes, so that a cancelled
/// save forgets them.
struct PendingReplacements {
    std::vector<std::pair<std::int16_t, std::int16_t>> forRun;  // type -> replacement

    std::int16_t lookup(std::int16_t type) const {
        for (const auto& [from, to] : forRun) {
            if (from == type) return to;
        }
        return -1;
    }
};

struct ItemTallies {
    // type -> (count, replacement); in order of first use
    struct Change {
        std::int32_t count = 0;
        std::int32_t to = 0;
    };
    std::vector<std::pair<std::int32_t, Change>> replaced, skipped, removed, kept;

    static void bump(std::vector<std::pair<std::int32_t, Change>>& list, std::int32_t type, std::int32_t to) {
        for (auto& [t, change] : list) {
            if (t == type && change.to == to) {
                ++change.count;
                return;
            }
        }
        list.push_back({type, {1, to}});
    }
};

std::int32_t convertType(std::int32_t type, DfType from, DfType to, ListStore& lists, ReplacementChooser& chooser,
                         PendingReplacements& pending, ItemTallies& tallies, ConversionReport* report) {
    if (!fitsInt16(type)) {
        ItemTallies::bump(tallies.kept, type, type);
        return type;
    }
    const auto id = static_cast<std::int16_t>(type);
    if (lists.ItemExists(to, id)) return type;
    std::optional<ReplacementAnswer> decided = chooser.decided(id, from, to);
    std::int16_t remembered = decided ? -1 : lists.LookupReplacement(from, to, id);
    if (remembered == -1) remembered = pending.lookup(id);
    if (remembered != -1) {
        ItemTallies::bump(tallies.replaced, type, remembered);
        return remembered;
    }
    const ReplacementAnswer answer = decided ? *decided : chooser.choose(id, from, to);
    switch (answer.kind) {
        case ReplacementAnswer::Kind::Skip: ItemTallies::bump(tallies.skipped, type, type); return type;
        case ReplacementAnswer::Kind::Remove: ItemTallies::bump(tallies.removed, type, 0); return 0;
        case ReplacementAnswer::Kind::CancelSave: chooser.conversionFinished(); throw SaveCancelled();
        case ReplacementAnswer::Kind::Replace: break;
    }
    if (answer.remember == ReplacementAnswer::Remember::ForRun) {
        pending.forRun.emplace_back(id, answer.replacementId);
    } else if (answer.remember == ReplacementAnswer::Remember::AndSave) {
        try {
            lists.RememberAndSaveReplacement(from, to, id, answer.replacementId);
        } catch (const Error& error) {
            chooser.replacementNotSaved(error);
            if (report != nullptr) {
                report->add(ReportLine::Kind::Warning, "the replacement of " + std::to_string(id) +
                                                           " was not saved: " + std::string(error.what()));
            }
        }
    }
    ItemTallies::bump(tallies.replaced, type, answer.replacementId);
    return answer.replacementId;
}

void reportItems(const ItemTallies& tallies, DfType from, DfType to, const ListStore& lists, ConversionReport& report) {
    auto describe = [&lists](DfType version, std::int32_t id) {
        std::string text = std::to_string(id);
        if (fitsInt16(id)) {
            const std::string description = lists.ItemDescription(version, static_cast<std::int16_t>(id));
            if (!description.empty()) text += " " + inQuotes(description);
        }
        return text;
    };
    auto items = [](std::int32_t count) { return std::to_string(count) + (count == 1 ? " item" : " items"); };
    for (const auto& [type, change] : tallies.replaced) {
        // A type picked from another game's list, or named by a replacement list, that the
        // target's own list lacks is said: the game may not know it.
        const bool listed = fitsInt16(change.to) && lists.ItemExists(to, static_cast<std::int16_t>(change.to));
        report.add(ReportLine::Kind::Replaced,
                   describe(from, type) + " by " + describe(to, change.to) +
                       (listed ? "" : " (not in the " + std::string(versionLabel(to)) + " list)") + " (" +
                       items(change.count) + ")");
    }
    for (const auto& [type, change] : tallies.skipped) {
        report.add(ReportLine::Kind::Skipped, describe(from, type) + " kept, though " + std::string(versionName(to)) +
                                                  " does not know it (" + items(change.count) + ")");
    }
    for (const auto& [type, change] : tallies.removed) {
        report.add(ReportLine::Kind::Removed, describe(from, type) + " set to type 0 (" + items(change.count) + ")");
    }
    for (const auto& [type, change] : tallies.kept) {
        report.add(ReportLine::Kind::Kept, std::to_string(type) +
                                               " kept as it is: it lies outside the 16-bit "
                                               "identifiers that the lists hold (" +
                                               items(change.count) + ")");
    }
}

template <class To, class From>
void reportDroppedItemFields(const std::vector<From>& items, ConversionReport& report) {
    std::size_t holding = 0;
    if constexpr (requires(From item) { item.item_tail; }) {
        for (const auto& item : items) holding += item.item_tail != 0;
        if (holding != 0) report.add(ReportLine::Kind::Dropped, "item_tail of " + std::to_string(holding) + " items");
    } else {
        for (const auto& item : items) {
            const From bare = [&] {
                From copy{};
                static_cast<ItemCommon&>(copy) = item;
                return copy;
            }();
            holding += !(bare == item);
        }
        if (holding != 0) {
            report.add(ReportLine::Kind::Dropped,
                       "the Land Warrior item fields (blink_*, grenades, wpgoal0-3, "
                       "item_text) of " +
                           std::to_string(holding) + " items");
        }
    }
}

// ---------------------------------------------------------------------------------------------

template <class ToMission, class FromMission>
ToMission convert(const FromMission& s, DfType from, DfType to, ListStore& lists, ReplacementChooser& chooser,
                  ConversionReport* report) {
    using ToHeader = typename ToMission::HeaderType;
    using ToItem = typename ToMission::ItemType;
    if (report != nullptr) {
        report->from = from;
        report->to = to;
        reportDroppedSettings<ToHeader>(s.header, *report);
        reportDroppedItemFields<ToItem>(s.items, *report);
    }
    ToMission t;
    t.header = convertHeader<ToHeader>(s.header, report);

    ItemTallies tallies;
    PendingReplacements pending;
    // A mission whose item counts add up to 0 has no items, whatever its array holds.
    const std::size_t itemCount = itemCountSum(s.header) == 0 ? 0 : s.items.size();
    t.items.reserve(itemCount);
    for (std::size_t i = 0; i < itemCount; ++i) {
        ToItem& item = t.items.emplace_back();
        static_cast<ItemCommon&>(item) = s.items[i];
        item.type_id = convertType(s.items[i].type_id, from, to, lists, chooser, pending, tallies, report);
        item.item_number = static_cast<std::int32_t>(i);
    }
    for (const auto& [type, replacement] : pending.forRun) {
        lists.RememberReplacement(from, to, type, replacement);
    }
    recountItems(t.header, t.items);
    if (report != nullptr) reportItems(tallies, from, to, lists, *report);

    t.waypoints = s.waypoints;
    if (s.header.num_events != 0) {
        // A record count of 0 leaves its array empty, whatever the source's array holds.
        auto carry = [](std::int32_t count, const auto& records, auto& into, std::int32_t& intoCount) {
            intoCount = count;
            if (count != 0) into = records;
        };
        carry(s.num_event_records, s.events, t.events, t.num_event_records);
        carry(s.num_trigger_records, s.triggers, t.triggers, t.num_trigger_records);
        carry(s.num_action_records, s.actions, t.actions, t.num_action_records);
    } else if (report != nullptr && (!s.events.empty() || !s.triggers.empty() || !s.actions.empty())) {
        report->add(ReportLine::Kind::Dropped, std::to_string(s.events.size()) + " events, " +
                                                   std::to_string(s.triggers.size()) + " triggers and " +
                                                   std::to_string(s.actions.size()) +
                                                   " actions: the header's num_events is 0, so the mission "
                                                   "has no events");
    }
    t.mission_text = s.mission_text;
    chooser.conversionFinished();
    return t;
}

}  // namespace

AnyMission convertMission(const AnyMission& source, DfType target, ListStore& lists, ReplacementChooser& chooser,
                          ConversionReport* report) {
    if (versionOf(source) == target) return source;
    AnyMission result = emptyMission(target);
    std::visit(
        [&](const auto& s, auto& t) {
            using To = std::decay_t<decltype(t)>;
            if constexpr (!std::is_same_v<std::decay_t<decltype(s)>, To>) {
                t = convert<To>(s, versionOf(source), target, lists, chooser, report);
            }
        },
        source, result);
    return result;
}

std::vector<MissingType> findMissingTypes(const AnyMission& source, DfType target, const ListStore& lists) {
    const DfType from = versionOf(source);
    std::vector<MissingType> missing;
    std::visit(
        [&](const auto& s) {
            for (const auto& item : s.items) {
                if (!fitsInt16(item.type_id)) continue;
                const auto id = static_cast<std::int16_t>(item.type_id);
                if (lists.ItemExists(target, id) || lists.LookupReplacement(from, target, id) != -1) continue;
                auto it =
                    std::find_if(missing.begin(), missing.end(), [id](const MissingType& m) { return m.id == id; });
                if (it == missing.end()) {
                    missing.push_back({id, lists.ItemDescription(from, id), 1});
                } else {
                    ++it->count;
                }
            }
        },
        source);
    return missing;
}

std::string suggestedTerrain(const AnyMission& converted, DfType source) {
    std::string terrain = std::visit([](const auto& m) { return m.header.terrain.text(); }, converted);
    if (versionOf(converted) == DfType::Df3 && (source == DfType::Df1 || source == DfType::Df2)) {
        terrain = std::string(versionLabel(source)) + terrain;
    }
    return terrain;
}

void setTerrain(AnyMission& mission, std::string_view terrain) {
    std::visit([terrain](auto& m) { m.header.terrain.set(terrain); }, mission);
}

}  // namespace vok
