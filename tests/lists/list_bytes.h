#pragma once
// Hand-made list file bytes, written out field by field so that the tests check the layout
// independently of the code that encodes it.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vok::testing {

inline void appendLe(std::string& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

/// An item list: the count, then per entry the identifier, the description length and its bytes.
inline std::string itemListBytes(const std::vector<std::pair<int, std::string>>& entries, std::int32_t count) {
    std::string bytes;
    appendLe(bytes, static_cast<std::uint32_t>(count), 4);
    for (const auto& [id, description] : entries) {
        appendLe(bytes, static_cast<std::uint32_t>(id), 2);
        appendLe(bytes, static_cast<std::uint32_t>(description.size()), 2);
        bytes += description;
    }
    return bytes;
}

inline std::string itemListBytes(const std::vector<std::pair<int, std::string>>& entries) {
    return itemListBytes(entries, static_cast<std::int32_t>(entries.size()));
}

struct Replacement {
    int target;
    int object;
    int replacement;
};

/// A replacement list: the count, then per entry target version, identifier, replacement.
inline std::string replaceListBytes(const std::vector<Replacement>& entries, std::int32_t count) {
    std::string bytes;
    appendLe(bytes, static_cast<std::uint32_t>(count), 4);
    for (const auto& entry : entries) {
        appendLe(bytes, static_cast<std::uint32_t>(entry.target), 2);
        appendLe(bytes, static_cast<std::uint32_t>(entry.object), 2);
        appendLe(bytes, static_cast<std::uint32_t>(entry.replacement), 2);
    }
    return bytes;
}

inline std::string replaceListBytes(const std::vector<Replacement>& entries) {
    return replaceListBytes(entries, static_cast<std::int32_t>(entries.size()));
}

inline std::int32_t countOf(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return static_cast<std::int32_t>(value);
}

}  // namespace vok::testing
