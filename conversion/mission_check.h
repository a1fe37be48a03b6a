#pragma once
// The findings of `vok check`: a mission's own inconsistencies, the item types its version's list
// lacks, references the ascii form has no block for, and what saving it in the ascii form would
// not carry.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lists/list_store.h"
#include "mission/mission_file.h"

namespace vok {

/// What a finding is about; its text ("unknown-item-type" ...) is what `vok check --json` prints.
enum class FindingKind {
    UnknownItemType,
    GroupOutOfRange,
    WaypointOutOfRange,
    AreaTriggerOutOfRange,
    EmptyWaypoint,
    ItemCounts,
    EventCounts,
    NotWritable,
    AsciiLoss,
    Ignored,  ///< what an ascii file's reader passed over (vok check adds these)
};

/// "unknown-item-type", "group-out-of-range" ... "ascii-loss", "ignored".
std::string_view findingKindText(FindingKind kind);

struct Finding {
    FindingKind kind;
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
