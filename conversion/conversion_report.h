#pragma once
// What a conversion (or a save, or an ascii reader) could not carry, said at the moment it happens.

#include <cstdint>
#include <string>
#include <vector>

#include "mission/core/version.h"

namespace vok {

struct ReportLine {
    enum class Kind {
        Dropped,   ///< a setting the target lacks held a value
        Cut,       ///< a text was cut to the target's width
        Set,       ///< a default the target needs was set
        Replaced,  ///< items whose type was replaced
        Skipped,   ///< items that kept a type the target does not know
        Removed,   ///< items whose type was set to 0
        Kept,      ///< items whose type could not be looked up at all (outside 16 bits)
        Warning,   ///< something went wrong on the way (a replacement list not saved)
        Lost,      ///< binary-only content or text that the ascii form will not carry back
        Ignored,   ///< a line the ascii reader passed over ("line 3: unknown keyword ...")
    };
    Kind kind;
    std::string text;
    bool operator==(const ReportLine&) const = default;
};

struct ConversionReport {
    DfType from = DfType::None;
    DfType to = DfType::None;
    std::vector<ReportLine> lines;

    bool empty() const { return lines.empty(); }
    void add(ReportLine::Kind kind, std::string text) { lines.push_back({kind, std::move(text)}); }
};

std::string_view reportKindLabel(ReportLine::Kind kind);

}  // namespace vok
