#include "mission/core/version.h"

#include "mission/core/text.h"

namespace vok {

std::string_view versionKey(DfType version) {
    switch (version) {
        case kDf1: return "df1";
        case kDf2: return "df2";
        case kDf3: return "df3";
        default: return "unknown";
    }
}

std::string_view versionLabel(DfType version) {
    switch (version) {
        case kDf1: return "DF1";
        case kDf2: return "DF2";
        case kDf3: return "DF:LW";
        default: return "unknown";
    }
}

std::string_view versionName(DfType version) {
    switch (version) {
        case kDf1: return "Delta Force 1";
        case kDf2: return "Delta Force 2";
        case kDf3: return "Delta Force Land Warrior";
        default: return "unknown";
    }
}

std::optional<DfType> parseVersionKey(std::string_view text) {
    for (DfType v = kDf1; v <= kDf3; ++v) {
        if (keywordIs(text, versionKey(v))) return v;
    }
    return std::nullopt;
}

}  // namespace vok
