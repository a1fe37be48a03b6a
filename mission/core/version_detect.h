#pragma once
// Recognising the game version of a mission file before it is read.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "mission/core/version.h"

namespace vok {

/// What the ascii version test needs to know of the item lists.
class ItemCatalog {
public:
    virtual ~ItemCatalog() = default;
    virtual bool ItemExists(DfType version, std::int16_t itemId) const = 0;
};

/// Binary test on the bytes of a file: version byte 13 (offset 3) is DF1; 15 is Land Warrior when
/// the 32 bytes at offset 224, lower-cased, contain ".env", else DF2; anything else -1. Missing
/// bytes count as 0.
DfType BmsVersionOfBytes(std::string_view bytes);

/// Ascii test on the text of a file. A first line that is the comment line the ascii writers write
/// (it starts with "//" and, letter case and trailing blanks aside, ends with "Converter for Delta
/// Force 1", "... 2" or "... Land Warrior") names the version. Otherwise every type_id line counts
/// its identifier for each version whose item list knows it; the first version to lead the other
/// two together by 10 wins; -1 when none does.
DfType MisVersionOfText(std::string_view text, const ItemCatalog& catalog);

/// The version that the title line of an ascii text names, or NotRecognised when its first line is
/// not such a line (its items are not looked at).
DfType MisTitleVersionOfText(std::string_view text);

/// The same on a file. A file that cannot be opened is an Error naming it, not -1.
DfType BmsVersionOf(const std::filesystem::path& path);
DfType MisVersionOf(const std::filesystem::path& path, const ItemCatalog& catalog);

}  // namespace vok
