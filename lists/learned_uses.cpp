#include "lists/learned_uses.h"

#include <charconv>

#include "mission/core/error.h"
#include "mission/core/text.h"

namespace vok {

namespace {

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return parts;
        start = tab + 1;
    }
}

template <class T>
bool number(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string lineOf(const LearnedUse& use) {
    std::string mission = use.mission;
    for (char& c : mission) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';  // one line a use
    }
    return std::string(versionInfo(use.version).key) + "\t" + std::to_string(use.itemId) + "\t" +
           std::to_string(use.count) + "\t" + mission + "\n";
}

}  // namespace

std::vector<LearnedUse> readLearnedUses(const std::filesystem::path& folder) {
    std::string text;
    try {
        text = readFile(folder / std::string(kLearnedFileName), 16u << 20);
    } catch (const Error&) {
        return {};
    }
    std::vector<LearnedUse> uses;
    LineCursor lines(text);
    for (std::string_view line; lines.next(line);) {
        if (line.empty() || line.front() == '#') continue;
        const auto parts = fields(line);
        if (parts.size() != 4) continue;
        LearnedUse use;
        use.version = DfType::None;
        for (const VersionInfo& info : kVersions) {
            if (parts[0] == info.key) use.version = info.version;
        }
        if (!isVersion(use.version) || !number(parts[1], use.itemId) || !number(parts[2], use.count)) continue;
        use.mission = std::string(parts[3]);
        uses.push_back(std::move(use));
    }
    return uses;
}

void writeLearnedUses(const std::filesystem::path& folder, DfType version, const std::vector<LearnedUse>& uses,
                      FileSystem& fileSystem) {
    std::string text =
        "# Written by vok lists learn: version, item type, items of that type, mission (the last learn of each "
        "version)\n";
    for (const auto& use : readLearnedUses(folder)) {
        if (use.version != version) text += lineOf(use);
    }
    for (const auto& use : uses) text += lineOf(use);
    writeFileAtomically(folder / std::string(kLearnedFileName), text, fileSystem);
}

}  // namespace vok
