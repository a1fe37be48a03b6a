#pragma once
// The six list files: per game version an item list (identifiers with descriptions) and a
// replacement list (which item replaces one of this version's items in another version).
//
// Item list: a 32-bit count N, then N entries of a 16-bit identifier and a counted description
// (16-bit length, then the bytes). Replacement list: a 32-bit count N, then N entries of three
// 16-bit values. All little-endian. A file may be longer than its count says; readers ignore the
// rest, and a list written over a longer one keeps the old bytes after the new content.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/file_io.h"
#include "mission/core/version.h"

namespace vok {

struct ItemListEntry {
    std::int16_t ItemId = 0;
    std::string Description;  ///< bytes of the single-byte code page (Windows-1252)
    bool operator==(const ItemListEntry&) const = default;
};

struct ReplaceEntry {
    std::int16_t NewDfType = 0;      ///< the version this replacement holds for
    std::int16_t ObjectId = 0;       ///< the item of the list's own version
    std::int16_t ReplacementId = 0;  ///< the item to use instead in NewDfType
    bool operator==(const ReplaceEntry&) const = default;
};

/// Numbers of the six files, as the list editor and SaveList use them (0 means all six); each
/// version's two numbers and file names are columns of the version table.
inline constexpr int kListCount = 6;
constexpr int itemListOf(DfType version) { return versionInfo(version).itemList; }
constexpr int replaceListOf(DfType version) { return versionInfo(version).replaceList; }
constexpr bool isItemList(int which) {
    for (const VersionInfo& info : kVersions) {
        if (info.itemList == which) return true;
    }
    return false;
}
constexpr bool isReplaceList(int which) {
    for (const VersionInfo& info : kVersions) {
        if (info.replaceList == which) return true;
    }
    return false;
}
/// The version a list belongs to; None for a number that is no list.
constexpr DfType versionOfList(int which) {
    for (const VersionInfo& info : kVersions) {
        if (info.itemList == which || info.replaceList == which) return info.version;
    }
    return DfType::None;
}

/// The first entry that replaces `objectId` in version `newDfType`; null when none does. Lookups
/// take the first, so a later entry for the same pair would never be used.
const ReplaceEntry* firstReplacementFor(const std::vector<ReplaceEntry>& entries, std::int16_t newDfType,
                                        std::int16_t objectId);

/// "DF1Items.vok" .. "DF3Replace.vok" for 1..6; empty for a number that is no list.
constexpr std::string_view listFileName(int which) {
    for (const VersionInfo& info : kVersions) {
        if (info.itemList == which) return info.itemListFile;
        if (info.replaceList == which) return info.replaceListFile;
    }
    return {};
}

/// Longest description a list file can hold.
inline constexpr std::size_t kMaxDescriptionBytes = 32767;

/// Parse the counted entries of a list file. A count of 0 or less, an item identifier of 0 or
/// less, or a file that ends before its counted entries is Error(BadList) naming the file; a
/// count is checked against the file's size before anything is allocated.
std::vector<ItemListEntry> parseItemList(std::string_view bytes, std::string_view path);
std::vector<ReplaceEntry> parseReplaceList(std::string_view bytes, std::string_view path);

/// The bytes of a list: count, then the entries.
std::string encodeItemList(const std::vector<ItemListEntry>& entries);
std::string encodeReplaceList(const std::vector<ReplaceEntry>& entries);

/// `content` written from offset 0 over `old`: where the old file was longer, its tail stays.
std::string overlayListBytes(std::string_view old, std::string_view content);

/// A description naming the identifier by its category, for entries nobody has described yet:
/// "Vehicle 2005", "Decoration 1040", "Item 12".
std::string placeholderDescription(int itemId);

}  // namespace vok
