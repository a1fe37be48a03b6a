#pragma once
// What a mission loses when it is saved in the ascii form: content the binary form holds and the
// ascii form has no line for (mission_text, waypoint texts, item_text ...), and texts or numbers
// that the ascii form writes but cannot give back as they are (a blank in an unquoted text, a
// double quote in a quoted one, a line end, a reset_value that is not a multiple of 50 ...).
//
// It is found by writing the ascii form, reading it back, and comparing every field of every
// record; the common causes are then named. Records are counted ("3 waypoints hold waypoint_text"),
// not listed one by one.

#include <vector>

#include "conversion/conversion_report.h"
#include "mission/mission_file.h"

namespace vok {

/// Lines of kind Lost; empty when the ascii form carries the mission whole.
std::vector<ReportLine> asciiSaveLosses(const AnyMission& mission);

}  // namespace vok
