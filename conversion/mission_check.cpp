#include "conversion/mission_check.h"

#include <algorithm>

#include "conversion/ascii_losses.h"
#include "lists/list_files.h"
#include "mission/core/int16_range.h"
#include "mission/core/item_counts.h"
#include "mission/core/mission_binary.h"

namespace vok {

std::string_view findingKindText(FindingKind kind) {
    switch (kind) {
        case FindingKind::UnknownItemType: return "unknown-item-type";
        case FindingKind::GroupOutOfRange: return "group-out-of-range";
        case FindingKind::WaypointOutOfRange: return "waypoint-out-of-range";
        case FindingKind::AreaTriggerOutOfRange: return "area-trigger-out-of-range";
        case FindingKind::EmptyWaypoint: return "empty-waypoint";
        case FindingKind::ItemCounts: return "item-counts";
        case FindingKind::EventCounts: return "event-counts";
        case FindingKind::NotWritable: return "not-writable";
        case FindingKind::AsciiLoss: return "ascii-loss";
        case FindingKind::Ignored: return "ignored";
    }
    return "";
}

namespace {

/// "3, 7 and 9", "1, 2, 3, 4, 5 and 7 more".
std::string listText(const std::vector<std::int64_t>& numbers) {
    constexpr std::size_t kListed = 5;
    const std::size_t listed = std::min(numbers.size(), kListed);
    std::string text;
    for (std::size_t i = 0; i < listed; ++i) {
        if (i > 0) text += i + 1 == listed && listed == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    if (numbers.size() > listed) text += " and " + std::to_string(numbers.size() - listed) + " more";
    return text;
}

/// "item 3", "3 items: 3, 7 and 9".
std::string whereText(std::string_view one, std::string_view many, const std::vector<std::int64_t>& numbers) {
    if (numbers.size() == 1) return std::string(one) + " " + std::to_string(numbers[0]);
    return std::to_string(numbers.size()) + " " + std::string(many) + ": " + listText(numbers);
}

/// Records grouped by a value they share (a type, a group number ...), in order of first use.
class Groups {
public:
    void add(std::int64_t value, std::int64_t record) {
        auto it = std::find_if(groups_.begin(), groups_.end(), [value](const auto& g) { return g.first == value; });
        if (it == groups_.end()) {
            groups_.push_back({value, {record}});
        } else {
            it->second.push_back(record);
        }
    }
    const std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>>& all() const { return groups_; }

private:
    std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> groups_;
};

template <class M>
void checkItems(const M& m, DfType version, const ListStore* lists, std::vector<Finding>& findings) {
    Groups unknown, groups, waypoints, emptyWaypoints, areaTriggers;
    for (std::size_t i = 0; i < m.items.size(); ++i) {
        const auto& item = m.items[i];
        const auto number = static_cast<std::int64_t>(i + 1);
        if (lists != nullptr && item.type_id != 0) {
            if (!fitsInt16(item.type_id) || !lists->ItemExists(version, static_cast<std::int16_t>(item.type_id))) {
                unknown.add(item.type_id, number);
            }
        }
        if (item.group_id > 64) groups.add(item.group_id, number);
        if (item.waypoint_id > 128) {
            waypoints.add(item.waypoint_id, number);
        } else if (item.waypoint_id >= 1) {
            const auto& waypoint = m.waypoints[item.waypoint_id - 1u];
            if (waypoint.attrib == 0 && waypoint.waypoint_text.isEmpty()) emptyWaypoints.add(item.waypoint_id, number);
        }
        if (item.type_id == kAreaTriggerType && item.wpnumber > 64) areaTriggers.add(item.wpnumber, number);
    }

    const std::string listName(listFileName(itemListOf(version)));
    for (const auto& [type, items] : unknown.all()) {
        const bool fits = fitsInt16(type);
        findings.push_back({FindingKind::UnknownItemType, "item", items.front(),
                            "item type " + std::to_string(type) +
                                (fits ? " is not in " + listName : " lies outside the range of the item lists") + " (" +
                                whereText("item", "items", items) + ")"});
    }
    for (const auto& [group, items] : groups.all()) {
        findings.push_back({FindingKind::GroupOutOfRange, "item", items.front(),
                            "group_id " + std::to_string(group) +
                                " is above 64; the ascii form has no group block for it (" +
                                whereText("item", "items", items) + ")"});
    }
    for (const auto& [waypoint, items] : waypoints.all()) {
        findings.push_back({FindingKind::WaypointOutOfRange, "item", items.front(),
                            "waypoint_id " + std::to_string(waypoint) + " is above 128; there is no such waypoint (" +
                                whereText("item", "items", items) + ")"});
    }
    for (const auto& [waypoint, items] : emptyWaypoints.all()) {
        findings.push_back({FindingKind::EmptyWaypoint, "waypoint", waypoint,
                            "waypoint " + std::to_string(waypoint) + " holds nothing (attrib 0, no text), yet " +
                                (items.size() == 1 ? std::string("an item names") : std::string("items name")) +
                                " it (" + whereText("item", "items", items) + ")"});
    }
    for (const auto& [trigger, items] : areaTriggers.all()) {
        findings.push_back({FindingKind::AreaTriggerOutOfRange, "item", items.front(),
                            "area trigger " + std::to_string(trigger) +
                                " is above 64; the ascii form has no area trigger block for it (" +
                                whereText("item", "items", items) + ")"});
    }
}

template <class M>
void checkCounts(const M& m, std::vector<Finding>& findings) {
    const auto& h = m.header;
    ItemTally tally{};
    for (const auto& item : m.items) ++tally[static_cast<std::size_t>(itemCountSlot(item.type_id))];
    const ItemTally held{h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d};
    if (tally != held) {
        auto list = [](const ItemTally& t) {
            return std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) + " " +
                   std::to_string(t[3]);
        };
        findings.push_back({FindingKind::ItemCounts, "header", 0,
                            "the item counts of the header are " + list(held) + " but the items' types give " +
                                list(tally) +
                                " (item_count_a to item_count_d; the ascii form counts the items by "
                                "their types)"});
    }
    for (std::string& breach : eventCountBreaches(m)) {
        // num_events is a header field; the trigger and action counts belong to the events.
        const bool header = breach.rfind("num_events", 0) == 0;
        findings.push_back({FindingKind::EventCounts, header ? "header" : "mission", 0, std::move(breach)});
    }
}

std::string_view pluralOf(std::string_view record) {
    if (record == "item") return "items";
    if (record == "waypoint") return "waypoints";
    if (record == "event") return "events";
    if (record == "trigger") return "triggers";
    if (record == "action") return "actions";
    return record;
}

}  // namespace

std::vector<Finding> checkMission(const AnyMission& mission, const ListStore* lists) {
    std::vector<Finding> findings;
    std::visit(
        [&](const auto& m) {
            checkCounts(m, findings);
            checkItems(m, versionOf(mission), lists, findings);
        },
        mission);

    const AsciiLossAnalysis analysis = analyseAsciiSave(mission);
    if (analysis.refused) {
        findings.push_back({FindingKind::NotWritable, "mission", 0,
                            "the mission cannot be saved in either form until its counts agree (" + *analysis.refused +
                                "); what the ascii form would not carry is not checked"});
    }
    for (const AsciiLoss& loss : analysis.losses) {
        if (loss.field == "item_counts") continue;  // the item-counts finding says it
        std::string message = loss.message;
        if (!loss.numbers.empty()) {
            message += loss.numbers.size() == 1
                           ? ": " + loss.record + " " + std::to_string(loss.numbers[0])
                           : ": " + std::string(pluralOf(loss.record)) + " " + listText(loss.numbers);
        }
        findings.push_back(
            {FindingKind::AsciiLoss, loss.record, loss.numbers.empty() ? 0 : loss.numbers.front(), message});
    }
    return findings;
}

}  // namespace vok
