#pragma once
// The side file "learned.tsv" beside the lists: which of the missions given to the last
// `vok lists learn` of a version used an item type, and how often, so that a modder naming a
// learned entry can look the item up in the game. The six list files keep their format.
//
// One line a use: version (df1, df2, df3), TAB, item type, TAB, items of that type, TAB, the
// mission as it was named to learn. Lines starting with '#' are comments.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/file_io.h"
#include "mission/core/version.h"

namespace vok {

inline constexpr std::string_view kLearnedFileName = "learned.tsv";

struct LearnedUse {
    DfType version = DfType::Df1;
    std::int16_t itemId = 0;
    int count = 0;
    std::string mission;
    bool operator==(const LearnedUse&) const = default;
};

/// The uses the file in `folder` records; none when there is no such file. Lines that cannot be
/// read are passed over (the file only helps to name entries).
std::vector<LearnedUse> readLearnedUses(const std::filesystem::path& folder);

/// Records `uses` as the last learn of `version`: the file's lines of the other versions stay.
/// Written safely (Error names the file when it cannot be).
void writeLearnedUses(const std::filesystem::path& folder, DfType version, const std::vector<LearnedUse>& uses,
                      FileSystem& fileSystem = realFileSystem());

}  // namespace vok
