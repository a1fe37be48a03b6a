#pragma once
// Hand-made list file bytes, written out field by field so that the tests check the layout
// independently of the code that encodes it.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vok::testing {

inline void appendLe(std::string& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

/// An item list: the count (by default the number of entries), then per entry the identifier,
/// the description length and its bytes.
inline std::string itemListBytes(const std::vector<std::pair<int, std::string>>& entries,
                                 std::optional<std::int32_t> count = std::nullopt) {
    std::string bytes;
    appendLe(bytes, static_cast<std::uint32_t>(count.value_or(static_cast<std::int32_t>(entries.size()))), 4);
    for (const auto& [id, description] : entries) {
        appendLe(bytes, static_cast<std::uint32_t>(id), 2);
        appendLe(bytes, static_cast<std::uint32_t>(description.size()), 2);
        bytes += description;
    }
    return bytes;
}

struct Replacement {
    int target;
    int object;
    int replacement;
};

/// A replacement list: the count, then per entry target version, identifier, replacement.
inline std::string replaceListBytes(const std::vector<Replacement>& entries,
                                    std::optional<std::int32_t> count = std::nullopt) {
    std::string bytes;
    appendLe(bytes, static_cast<std::uint32_t>(count.value_or(static_cast<std::int32_t>(entries.size()))), 4);
    for (const auto& entry : entries) {
        for (int value : {entry.target, entry.object, entry.replacement}) {
            appendLe(bytes, static_cast<std::uint32_t>(value), 2);
        }
    }
    return bytes;
}

}  // namespace vok::testing
