#include "mission/core/mis_fields.h"

#include <algorithm>

namespace vok {

void lineFault(const LineContext& context, Fault fault, std::string detail) {
    throw Error(fault, std::string(context.path), std::move(detail), context.line);
}

void notePassedOver(const LineContext& context, std::string what) {
    constexpr std::size_t kMostNoted = 1000;
    auto* noted = context.passedOver;
    if (noted == nullptr || noted->size() > kMostNoted) return;
    if (noted->size() == kMostNoted) what = "and more lines that are not listed";
    noted->push_back({context.line, std::move(what)});
}

bool isWholeNumber(std::string_view word) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9') ++i;
        return i - start;
    };
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < word.size() && word[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E' || word[i] == 'd' || word[i] == 'D')) {
        ++i;
        if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == word.size();
}

KeywordTable::KeywordTable(std::vector<KeywordRow> rows, std::vector<std::string_view> writtenNotRead)
    : rows_(std::move(rows)), writtenNotRead_(std::move(writtenNotRead)) {
    std::sort(rows_.begin(), rows_.end(),
              [](const KeywordRow& a, const KeywordRow& b) { return a.keyword < b.keyword; });
    // A table at most a quarter full, so that a lookup rarely probes more than one slot.
    std::size_t size = 16;
    while (size < 4 * rows_.size()) size *= 2;
    slots_.assign(size, -1);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        std::size_t slot = hash(rows_[i].keyword) & (size - 1);
        while (slots_[slot] != -1) slot = (slot + 1) & (size - 1);
        slots_[slot] = static_cast<std::int16_t>(i);
    }
}

}  // namespace vok
