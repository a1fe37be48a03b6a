#pragma once
// The findings of `vok check`: a mission's own inconsistencies, the item types its version's list
// lacks, references the ascii form has no block for, and what saving it in the ascii form would
// not carry.

#include <cstdint>
#include <string>
#include <vector>

#include "lists/list_store.h"
#include "mission/mission_file.h"

namespace vok {

struct Finding {
    /// "unknown-item-type", "group-out-of-range", "waypoint-out-of-range", "area-trigger-out-of-range",
    /// "empty-waypoint", "item-counts", "event-counts", "not-writable", "ascii-loss"; `vok check`
    /// adds "ignored" for what an ascii file's reader passed over.
    std::string kind;
    /// "header", "mission", "item", "waypoint", "event", "trigger", "action"; "line" for "ignored"
    std::string record;
    std::int64_t number;  ///< the record's number from 1 (the first of several); 0 for the header or the mission
    std::string message;  ///< a readable sentence
    bool operator==(const Finding&) const = default;
};

/// Everything found, grouped: one finding per kind and value (an unknown type, a group number
/// above 64 ...), naming how many records share it and the first of them. `lists` may be null
/// (no item types are checked then).
std::vector<Finding> checkMission(const AnyMission& mission, const ListStore* lists);

}  // namespace vok
