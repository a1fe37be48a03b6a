#pragma once
// List file bytes written out by hand, field by field, so that the tests check the layout apart
// from the code that encodes it: a 32-bit count (by default the number of entries), then per entry
// a 16-bit identifier and a counted description, or three 16-bit values. All little-endian.

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vok::testing {

inline std::string le(long long value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

inline std::string itemListBytes(const std::vector<std::pair<int, std::string>>& entries,
                                 std::optional<int> count = {}) {
    std::string bytes = le(count.value_or(static_cast<int>(entries.size())), 4);
    for (const auto& [id, text] : entries)
        bytes += le(id, 2) + le(static_cast<long long>(text.size()), 2) + text;
    return bytes;
}

inline std::string replaceListBytes(const std::vector<std::array<int, 3>>& entries,
                                    std::optional<int> count = {}) {
    std::string bytes = le(count.value_or(static_cast<int>(entries.size())), 4);
    for (const auto& [to, id, replacement] : entries) bytes += le(to, 2) + le(id, 2) + le(replacement, 2);
    return bytes;
}

}  // namespace vok::testing
