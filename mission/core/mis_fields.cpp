#include "mission/core/mis_fields.h"

#include <algorithm>

namespace vok {

void lineFault(const LineContext& context, Fault fault, std::string detail) {
    throw Error(fault, std::string(context.path), std::move(detail), context.line);
}

KeywordTable::KeywordTable(std::vector<KeywordRow> rows) : rows_(std::move(rows)) {
    std::sort(rows_.begin(), rows_.end(), [](const KeywordRow& a, const KeywordRow& b) { return a.keyword < b.keyword; });
}

const KeywordRow* KeywordTable::find(std::string_view word) const {
    char lower[40];
    if (word.size() > sizeof lower) return nullptr;
    for (std::size_t i = 0; i < word.size(); ++i) lower[i] = lowerAscii(word[i]);
    const std::string_view key(lower, word.size());
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), key,
                                     [](const KeywordRow& row, std::string_view k) { return row.keyword < k; });
    return it != rows_.end() && it->keyword == key ? &*it : nullptr;
}

}  // namespace vok
