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
    std::string kind;     ///< "unknown-item-type", "group-out-of-range", "ascii-loss" ...
    std::string record;   ///< "item", "event", "header", "waypoint", "mission"
    std::int64_t number;  ///< the record's number from 1 (0 for the header or the mission)
    std::string message;  ///< a readable sentence
    bool operator==(const Finding&) const = default;
};

/// `lists` may be null (no item types are checked then).
std::vector<Finding> checkMission(const AnyMission& mission, const ListStore* lists);

}  // namespace vok
