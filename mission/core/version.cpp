#include "mission/core/version.h"

#include "mission/core/text.h"

namespace vok {

std::string_view versionKey(DfType version) { return isVersion(version) ? versionInfo(version).key : "unknown"; }

std::string_view versionLabel(DfType version) { return isVersion(version) ? versionInfo(version).label : "unknown"; }

std::string_view versionName(DfType version) { return isVersion(version) ? versionInfo(version).name : "unknown"; }

std::optional<DfType> parseVersionKey(std::string_view text) {
    for (const VersionInfo& info : kVersions) {
        if (keywordIs(text, info.key)) return info.version;
    }
    return std::nullopt;
}

}  // namespace vok
