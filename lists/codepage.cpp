#include "lists/codepage.h"

#include <array>
#include <cstdint>

namespace vok {

namespace {
// Unicode of the bytes 0x80..0x9F; the others equal their byte value.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::optional<char> toByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}
}  // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        appendUtf8(out, byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : char32_t{byte});
    }
    return out;
}

Utf8Char decodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x80) return {lead, 1, true};
    // C0, C1 and F5..F7 start only overlong or too large forms, caught below with the rest.
    const std::size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0) return {0, 1, false};  // a continuation byte without a lead, or F8..FF
    char32_t c = length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t k = 1; k < length; ++k) {
        if (k >= text.size() || (static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return {0, k, false};
        c = (c << 6) | (static_cast<unsigned char>(text[k]) & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = c >= kShortest[length] && !(c >= 0xD800 && c <= 0xDFFF) && c <= 0x10FFFF;
    return {valid ? c : 0, length, valid};
}

std::optional<std::string> utf8ToCp1252(std::string_view text, std::string* bad) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char next = decodeUtf8(text.substr(i));
        const auto byte = next.valid ? toByte(next.code) : std::nullopt;
        if (!byte) {
            if (bad != nullptr) *bad = std::string(text.substr(i, next.length));
            return std::nullopt;
        }
        out.push_back(*byte);
        i += next.length;
    }
    return out;
}

}  // namespace vok
