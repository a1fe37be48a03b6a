#include "mission/core/version_detect.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "mission/core/file_io.h"
#include "mission/core/int16_range.h"
#include "mission/core/text.h"

namespace vok {

DfType BmsVersionOfBytes(std::string_view bytes) {
    auto byteAt = [bytes](std::size_t offset) { return offset < bytes.size() ? bytes[offset] : '\0'; };
    const auto versionByte = static_cast<unsigned char>(byteAt(3));
    if (versionByte == 13) return DfType::Df1;
    if (versionByte != 15) return DfType::NotRecognised;
    char lowered[32];
    for (std::size_t i = 0; i < sizeof lowered; ++i) lowered[i] = lowerAscii(byteAt(224 + i));
    return std::string_view(lowered, sizeof lowered).find(".env") != std::string_view::npos ? DfType::Df3 : DfType::Df2;
}

namespace {
// The version a first line names when it is the comment line that the ascii writers write: "//",
// then anything, then the end of a title line from "Converter for", in any letter case.
DfType versionOfTitleLine(std::string_view line) {
    if (!line.starts_with("//")) return DfType::NotRecognised;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    for (const VersionInfo& info : kVersions) {
        const std::string_view ending = info.titleLine.substr(info.titleLine.find("Converter for"));
        if (line.size() < ending.size()) continue;
        const std::string_view end = line.substr(line.size() - ending.size());
        if (std::equal(end.begin(), end.end(), ending.begin(),
                       [](char a, char b) { return lowerAscii(a) == lowerAscii(b); })) {
            return info.version;
        }
    }
    return DfType::NotRecognised;
}
}  // namespace

DfType MisVersionOfText(std::string_view text, const ItemCatalog& catalog) {
    LineCursor lines(text);
    WordSplitter words;
    std::array<std::int64_t, 3> counts{};
    std::string_view line;
    while (lines.next(line)) {
        if (lines.lineNumber() == 1) {
            if (const DfType titled = versionOfTitleLine(line); titled != DfType::NotRecognised) return titled;
        }
        // A cheap look before splitting: a type_id line holds "type_id" somewhere.
        if (line.size() < 7 || line.size() > kMaxMisLineLength) continue;
        words.split(line);
        if (!keywordIs(words.word(1), "type_id")) continue;
        const double id = std::nearbyint(MisValue(words.word(2)));
        if (!fitsInt16(id)) continue;  // outside 16 bits: no version knows it
        const auto itemId = static_cast<std::int16_t>(id);
        for (const DfType v : kAllVersions) {
            if (catalog.ItemExists(v, itemId)) ++counts[versionIndex(v)];
        }
        // In this order: the first version to lead the other two together by 10 wins.
        for (const DfType v : kAllVersions) {
            const std::size_t i = versionIndex(v);
            if (counts[i] - (counts[(i + 1) % 3] + counts[(i + 2) % 3]) >= 10) return v;
        }
    }
    return DfType::NotRecognised;
}

DfType MisTitleVersionOfText(std::string_view text) {
    LineCursor lines(text);
    std::string_view line;
    return lines.next(line) ? versionOfTitleLine(line) : DfType::NotRecognised;
}

DfType BmsVersionOf(const std::filesystem::path& path) {
    return BmsVersionOfBytes(readFile(path, 256));  // only the first 256 bytes matter
}

DfType MisVersionOf(const std::filesystem::path& path, const ItemCatalog& catalog) {
    return MisVersionOfText(readFile(path), catalog);
}

}  // namespace vok
