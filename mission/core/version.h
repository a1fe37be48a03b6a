#pragma once
// Game versions, and the one table of what differs between them outside their record layouts.
// A version is a 16-bit number: 1 Delta Force 1, 2 Delta Force 2, 3 Delta Force Land Warrior
// (DF:LW, "DF3" in file names). Version tests answer NotRecognised (-1) for a file they do not
// recognise; the converter holds None (0) before anything was opened.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vok {

enum class DfType : std::int16_t { NotRecognised = -1, None = 0, Df1 = 1, Df2 = 2, Df3 = 3 };

/// The number of a version, as files, lists and captions write it.
constexpr int versionNumber(DfType version) { return static_cast<int>(version); }

/// A version number read from a file (a replacement entry's target): any 16-bit value.
constexpr DfType dfTypeOf(std::int16_t value) { return static_cast<DfType>(value); }

constexpr bool isVersion(DfType version) { return version >= DfType::Df1 && version <= DfType::Df3; }

/// What a version is called and what marks its files.
struct VersionInfo {
    DfType version;
    std::string_view key;              ///< "df2": the command line's spelling
    std::string_view label;            ///< "DF2", "DF:LW": the windows' spelling
    std::string_view name;             ///< "Delta Force 2"
    std::int32_t signature;            ///< the first 4 bytes of a binary file: "BMS" and 13 or 15, little-endian
    std::string_view titleLine;        ///< the comment line an ascii file of this program starts with
    std::string_view readerName;       ///< "OpenDF2MIS": the ascii reader, as its messages name it
    int itemList;                      ///< the number of its item list (1..3), as the list store counts them
    int replaceList;                   ///< the number of its replacement list (4..6)
    std::string_view itemListFile;     ///< "DF2Items.vok"
    std::string_view replaceListFile;  ///< "DF2Replace.vok"
};

// clang-format off
inline constexpr std::array<VersionInfo, 3> kVersions{{
    {DfType::Df1, "df1", "DF1", "Delta Force 1", 223563074,
     "// Vok Tamber's RIRorORE Converter for Delta Force 1", "OpenDF1MIS", 1, 4, "DF1Items.vok", "DF1Replace.vok"},
    {DfType::Df2, "df2", "DF2", "Delta Force 2", 257117506,
     "// Vok Tamber's RIRorORE Converter for Delta Force 2", "OpenDF2MIS", 2, 5, "DF2Items.vok", "DF2Replace.vok"},
    {DfType::Df3, "df3", "DF:LW", "Delta Force Land Warrior", 257117506,
     "// Vok Tamber's RIRorORE Converter for Delta Force Land Warrior", "OpenDF3MIS", 3, 6, "DF3Items.vok",
     "DF3Replace.vok"},
}};
// clang-format on

/// The versions in the table's order.
inline constexpr std::array<DfType, 3> kAllVersions = [] {
    std::array<DfType, 3> all{};
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = kVersions[i].version;
    return all;
}();

/// 0, 1, 2 for DF1, DF2, DF:LW: where a version's data stands in arrays of three.
constexpr std::size_t versionIndex(DfType version) { return static_cast<std::size_t>(versionNumber(version) - 1); }

/// The row of a version; `version` must be one (isVersion).
constexpr const VersionInfo& versionInfo(DfType version) { return kVersions[versionIndex(version)]; }

static_assert(versionInfo(DfType::Df3).version == DfType::Df3, "the table stands in the order of the versions");

/// versionInfo(...).key, label and name, with "unknown" for anything that is no version.
std::string_view versionKey(DfType version);
std::string_view versionLabel(DfType version);
std::string_view versionName(DfType version);

/// Parses "df1".."df3" in any letter case.
std::optional<DfType> parseVersionKey(std::string_view text);

}  // namespace vok
