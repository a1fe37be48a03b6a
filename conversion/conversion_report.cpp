#include "conversion/conversion_report.h"

namespace vok {

std::string_view reportKindLabel(ReportLine::Kind kind) {
    switch (kind) {
        case ReportLine::Kind::Dropped: return "Dropped";
        case ReportLine::Kind::Cut: return "Cut";
        case ReportLine::Kind::Set: return "Set";
        case ReportLine::Kind::Replaced: return "Replaced";
        case ReportLine::Kind::Skipped: return "Skipped";
        case ReportLine::Kind::Removed: return "Removed";
        case ReportLine::Kind::Kept: return "Kept";
        case ReportLine::Kind::Warning: return "Warning";
        case ReportLine::Kind::Lost: return "Not carried";
        case ReportLine::Kind::Ignored: return "Ignored";
    }
    return "";
}

}  // namespace vok
