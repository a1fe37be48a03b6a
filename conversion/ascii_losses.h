#pragma once
// What a mission loses when it is saved in the ascii form: content the binary form holds and the
// ascii form has no line for (mission_text, waypoint texts, item_text ...), and texts or numbers
// that the ascii form writes but cannot give back as they are (a blank in an unquoted text, a
// double quote in a quoted one, a line end, a reset_value that is not a multiple of 50 ...).
//
// It is found by writing the ascii form, reading it back, and comparing every field of every
// record; the common causes are then named. Records are counted ("waypoint_text of 3 waypoints"),
// not listed one by one. Item numbers that merely count the items (from 0 or from 1) are not a
// loss: the ascii form numbers its items itself.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_report.h"
#include "mission/mission_file.h"

namespace vok {

/// One field that the ascii form does not carry, in the header or in some records of one kind.
struct AsciiLoss {
    std::string record;                 ///< "header", "mission", "item", "waypoint", "event", "trigger", "action"
    std::string field;                  ///< the field's keyword; "item_counts" for the header's four counts
    std::vector<std::int64_t> numbers;  ///< the records that lose it, from 1; empty for the header and the mission
    std::string message;                ///< "waypoint_text of 3 waypoints (the ascii form has no line for it)"
    bool operator==(const AsciiLoss&) const = default;
};

struct AsciiLossAnalysis {
    std::vector<AsciiLoss> losses;
    /// Why the writer refuses the model (its counts disagree with its records); nothing was
    /// analysed then, and the save itself fails.
    std::optional<std::string> refused;
};

/// `savedText`: the ascii file already saved for this mission, when the caller has it; it is then
/// read back instead of writing the mission once more.
AsciiLossAnalysis analyseAsciiSave(const AnyMission& mission, std::optional<std::string_view> savedText = {});

/// The losses as report lines of kind Lost; empty when the ascii form carries the mission whole
/// (and for a model the writer refuses).
std::vector<ReportLine> asciiSaveLosses(const AnyMission& mission, std::optional<std::string_view> savedText = {});

}  // namespace vok
