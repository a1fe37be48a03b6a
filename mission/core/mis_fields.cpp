#include "mission/core/mis_fields.h"

#include <algorithm>

namespace vok {

void lineFault(const LineContext& context, Fault fault, std::string detail) {
    throw Error(fault, std::string(context.path), std::move(detail), context.line);
}

KeywordTable::KeywordTable(std::vector<KeywordRow> rows) : rows_(std::move(rows)) {
    std::sort(rows_.begin(), rows_.end(), [](const KeywordRow& a, const KeywordRow& b) { return a.keyword < b.keyword; });
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
