#pragma once
// Converting a mission from one game version to another.
//
// Every conversion starts from an empty target model, so its result depends on the source alone.
// Settings both versions have are copied, settings only the target has get fixed defaults, and
// each item is copied field by field after its type has been checked against the target's item
// list: a type the target knows is kept; otherwise a remembered replacement is used; otherwise
// the chooser is asked. Waypoints, events, triggers, actions and the mission text are carried
// over whole. The item counts are recomputed from the final types.
//
// A chooser's "OK-A" answers join the list store's run replacements when the conversion completes.
// Its "Cancel Save" stops the conversion with SaveCancelled: those answers are forgotten, while a
// replacement saved with "OK-S" stays saved.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/chooser.h"
#include "conversion/conversion_report.h"
#include "lists/list_store.h"
#include "mission/mission_file.h"

namespace vok {

/// Converts into `target`; a mission already of that version is returned unchanged.
AnyMission convertMission(const AnyMission& source, DfType target, ListStore& lists, ReplacementChooser& chooser,
                          ConversionReport* report = nullptr);

/// An item type that a conversion would have to ask about.
struct MissingType {
    std::int16_t id = 0;
    std::string description;  ///< in the source version's list; may be empty
    std::int32_t count = 0;   ///< items of that type
    bool operator==(const MissingType&) const = default;
};

/// The types that neither the target's item list nor a replacement covers, in order of first use.
std::vector<MissingType> findMissingTypes(const AnyMission& source, DfType target, const ListStore& lists);

/// The terrain answer offered after a conversion: the converted terrain, for a Land Warrior target
/// from DF1 or DF2 prefixed with "DF1" or "DF2".
std::string suggestedTerrain(const AnyMission& converted, DfType source);

/// Puts the answer into the mission's 16-byte terrain field (cut or NUL-padded).
void setTerrain(AnyMission& mission, std::string_view terrain);

}  // namespace vok
