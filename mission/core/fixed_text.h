#pragma once
// A fixed text field: exactly N bytes, NUL-padded, any byte values. Holding the bytes as read is
// what lets a binary file be written back unchanged.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vok {

template <std::size_t N>
struct FixedText {
    static constexpr std::size_t width = N;
    std::array<char, N> bytes{};

    constexpr bool operator==(const FixedText&) const = default;

    /// All N bytes as held.
    std::string_view raw() const { return {bytes.data(), N}; }

    /// The text as shown: every NUL removed, wherever it stands.
    std::string text() const {
        std::string result;
        for (char c : bytes) {
            if (c != '\0') result.push_back(c);
        }
        return result;
    }

    /// True when the field holds nothing but NULs.
    bool isEmpty() const {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
    }

    /// Stores a text cut or NUL-padded to N bytes.
    void set(std::string_view value) {
        bytes.fill('\0');
        std::copy_n(value.begin(), std::min(value.size(), N), bytes.begin());
    }

    static FixedText of(std::string_view value) {
        FixedText field;
        field.set(value);
        return field;
    }
};

}  // namespace vok
