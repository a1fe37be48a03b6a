#include "mission/core/mis_fields.h"

#include <algorithm>

namespace vok {

void lineFault(const LineContext& context, Fault fault, std::string detail) {
    throw Error(fault, std::string(context.path), std::move(detail), context.line);
}

namespace {
// A hash of a keyword from its length and three of its characters, lower-cased here so that a
// word can be hashed as it stands: cheap, and with the probing below it needs no more.
std::size_t keywordHash(std::string_view key) {
    if (key.empty()) return 0;
    const auto at = [&key](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(lowerAscii(key[i])));
    };
    return key.size() * 0x9e37u ^ at(0) * 0x45u ^ at(key.size() / 2) * 0x3b1u ^ at(key.size() - 1) * 0x7f1u;
}
}  // namespace

KeywordTable::KeywordTable(std::vector<KeywordRow> rows) : rows_(std::move(rows)) {
    std::sort(rows_.begin(), rows_.end(), [](const KeywordRow& a, const KeywordRow& b) { return a.keyword < b.keyword; });
    // A table at most a quarter full, so that a lookup rarely probes more than one slot.
    std::size_t size = 16;
    while (size < 4 * rows_.size()) size *= 2;
    slots_.assign(size, -1);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        std::size_t slot = keywordHash(rows_[i].keyword) & (size - 1);
        while (slots_[slot] != -1) slot = (slot + 1) & (size - 1);
        slots_[slot] = static_cast<std::int16_t>(i);
    }
}

const KeywordRow* KeywordTable::find(std::string_view word) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = keywordHash(word) & mask; slots_[slot] != -1; slot = (slot + 1) & mask) {
        const KeywordRow& row = rows_[static_cast<std::size_t>(slots_[slot])];
        if (keywordIs(word, row.keyword)) return &row;
    }
    return nullptr;
}

}  // namespace vok
