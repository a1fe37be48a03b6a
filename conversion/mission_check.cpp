#include "conversion/mission_check.h"

#include <algorithm>
#include <limits>

#include "conversion/ascii_losses.h"
#include "mission/core/item_counts.h"

namespace vok {

namespace {

std::string itemsText(std::size_t count) { return std::to_string(count) + (count == 1 ? " item" : " items"); }

template <class M>
void checkItems(const M& m, DfType version, const ListStore* lists, std::vector<Finding>& findings) {
    struct Unknown {
        std::int32_t type;
        std::size_t first;
        std::size_t count;
    };
    std::vector<Unknown> unknown;
    for (std::size_t i = 0; i < m.items.size(); ++i) {
        const auto& item = m.items[i];
        const auto number = static_cast<std::int64_t>(i + 1);
        if (lists != nullptr && item.type_id != 0) {
            const bool fits = item.type_id >= std::numeric_limits<std::int16_t>::min() &&
                              item.type_id <= std::numeric_limits<std::int16_t>::max();
            if (!fits || !lists->ItemExists(version, static_cast<std::int16_t>(item.type_id))) {
                auto it = std::find_if(unknown.begin(), unknown.end(), [&](const Unknown& u) { return u.type == item.type_id; });
                if (it == unknown.end()) {
                    unknown.push_back({item.type_id, i + 1, 1});
                } else {
                    ++it->count;
                }
            }
        }
        if (item.group_id > 64) {
            findings.push_back({"group-out-of-range", "item", number,
                                "group_id " + std::to_string(item.group_id) +
                                    " is above 64; the ascii form has no group block for it"});
        }
        if (item.waypoint_id > 128) {
            findings.push_back({"waypoint-out-of-range", "item", number,
                                "waypoint_id " + std::to_string(item.waypoint_id) + " is above 128; there is no such waypoint"});
        } else if (item.waypoint_id >= 1) {
            const auto& waypoint = m.waypoints[item.waypoint_id - 1u];
            if (waypoint.attrib == 0 && waypoint.waypoint_text.isEmpty()) {
                findings.push_back({"empty-waypoint", "item", number,
                                    "names waypoint " + std::to_string(item.waypoint_id) + ", which holds nothing"});
            }
        }
        if (item.type_id == kAreaTriggerType && item.wpnumber > 64) {
            findings.push_back({"area-trigger-out-of-range", "item", number,
                                "area trigger " + std::to_string(item.wpnumber) +
                                    " is above 64; the ascii form has no area trigger block for it"});
        }
    }
    for (const Unknown& u : unknown) {
        findings.push_back({"unknown-item-type", "item", static_cast<std::int64_t>(u.first),
                            "item type " + std::to_string(u.type) + " is not in " +
                                std::string(listFileName(itemListOf(version))) + " (" + itemsText(u.count) +
                                ", the first is item " + std::to_string(u.first) + ")"});
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
            return std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) + " " + std::to_string(t[3]);
        };
        findings.push_back({"item-counts", "header", 0,
                            "the item counts of the header are " + list(held) + " but the items' types give " + list(tally)});
    }
    if (h.num_events != m.num_event_records) {
        findings.push_back({"event-counts", "header", 0,
                            "num_events is " + std::to_string(h.num_events) + " but the mission holds " +
                                std::to_string(m.num_event_records) + " event records"});
    }
    std::int64_t triggers = 0;
    std::int64_t actions = 0;
    for (const auto& event : m.events) {
        triggers += event.num_triggers;
        actions += event.num_actions;
    }
    if (triggers != m.num_trigger_records) {
        findings.push_back({"event-counts", "mission", 0,
                            "the events name " + std::to_string(triggers) + " triggers but the mission holds " +
                                std::to_string(m.num_trigger_records)});
    }
    if (actions != m.num_action_records) {
        findings.push_back({"event-counts", "mission", 0,
                            "the events name " + std::to_string(actions) + " actions but the mission holds " +
                                std::to_string(m.num_action_records)});
    }
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
    for (const ReportLine& line : asciiSaveLosses(mission)) findings.push_back({"ascii-loss", "mission", 0, line.text});
    return findings;
}

}  // namespace vok
