#include "mission/core/version_detect.h"

#include <cmath>

#include "mission/core/file_io.h"
#include "mission/core/text.h"

namespace vok {

DfType BmsVersionOfBytes(std::string_view bytes) {
    auto byteAt = [bytes](std::size_t offset) { return offset < bytes.size() ? bytes[offset] : '\0'; };
    const auto versionByte = static_cast<unsigned char>(byteAt(3));
    if (versionByte == 13) return kDf1;
    if (versionByte != 15) return kUnknownVersion;
    char lowered[32];
    for (std::size_t i = 0; i < sizeof lowered; ++i) lowered[i] = lowerAscii(byteAt(224 + i));
    return std::string_view(lowered, sizeof lowered).find(".env") != std::string_view::npos ? kDf3 : kDf2;
}

namespace {
// The version a first line names when it is the comment line that the ascii writers write.
DfType versionOfTitleLine(std::string_view line) {
    if (!line.starts_with("//")) return kUnknownVersion;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    static constexpr std::string_view kEndings[] = {"converter for delta force 1",
                                                    "converter for delta force 2",
                                                    "converter for delta force land warrior"};
    for (DfType v = kDf1; v <= kDf3; ++v) {
        const std::string_view ending = kEndings[v - 1];
        if (line.size() >= ending.size() && keywordIs(line.substr(line.size() - ending.size()), ending)) {
            return v;
        }
    }
    return kUnknownVersion;
}
}  // namespace

DfType MisVersionOfText(std::string_view text, const ItemCatalog& catalog) {
    LineCursor lines(text);
    WordSplitter words;
    std::int64_t counts[4] = {0, 0, 0, 0};
    std::string_view line;
    while (lines.next(line)) {
        if (lines.lineNumber() == 1) {
            if (const DfType titled = versionOfTitleLine(line); titled != kUnknownVersion) return titled;
        }
        // A cheap look before splitting: a type_id line holds "type_id" somewhere.
        if (line.size() < 7 || line.size() > kMaxMisLineLength) continue;
        words.split(line);
        if (!keywordIs(words.word(1), "type_id")) continue;
        const double id = std::nearbyint(MisValue(words.word(2)));
        if (!(id >= -32768 && id <= 32767)) continue;  // outside 16 bits: no version knows it
        const auto itemId = static_cast<std::int16_t>(id);
        for (DfType v = kDf1; v <= kDf3; ++v) {
            if (catalog.ItemExists(v, itemId)) ++counts[v];
        }
        if (counts[1] - (counts[2] + counts[3]) >= 10) return kDf1;
        if (counts[2] - (counts[1] + counts[3]) >= 10) return kDf2;
        if (counts[3] - (counts[1] + counts[2]) >= 10) return kDf3;
    }
    return kUnknownVersion;
}

DfType BmsVersionOf(const std::filesystem::path& path) {
    return BmsVersionOfBytes(readFile(path, 256));  // only the first 256 bytes matter
}

DfType MisVersionOf(const std::filesystem::path& path, const ItemCatalog& catalog) {
    return MisVersionOfText(readFile(path), catalog);
}

}  // namespace vok
