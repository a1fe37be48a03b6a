#pragma once
// Game versions. A version is a 16-bit number: 1 Delta Force 1, 2 Delta Force 2, 3 Delta Force
// Land Warrior (DF:LW, "DF3" in file names). Version tests answer -1 for a file they do not
// recognise.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vok {

using DfType = std::int16_t;

inline constexpr DfType kDf1 = 1;
inline constexpr DfType kDf2 = 2;
inline constexpr DfType kDf3 = 3;
inline constexpr DfType kUnknownVersion = -1;

constexpr bool isVersion(int value) { return value >= kDf1 && value <= kDf3; }

/// "df1", "df2", "df3" (the command-line spelling).
std::string_view versionKey(DfType version);
/// "DF1", "DF2", "DF:LW" (the windows' spelling).
std::string_view versionLabel(DfType version);
/// "Delta Force 1", "Delta Force 2", "Delta Force Land Warrior".
std::string_view versionName(DfType version);
/// Parses "df1".."df3" in any letter case.
std::optional<DfType> parseVersionKey(std::string_view text);

}  // namespace vok
