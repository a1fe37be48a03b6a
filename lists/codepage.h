#pragma once
// Descriptions in the list files are bytes of the Windows-1252 code page. These convert them to
// and from UTF-8 for text files and windows. The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so that every
// byte value survives a round trip.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vok {

std::string cp1252ToUtf8(std::string_view bytes);

/// The first character of non-empty UTF-8 text and the bytes it takes. Strict: a stray or cut
/// sequence, an overlong form, a surrogate or a code point above U+10FFFF is not `valid`, and
/// `length` then covers the bad bytes (at least one).
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;
    bool valid = false;
};
Utf8Char decodeUtf8(std::string_view text);

/// Nullopt when the text is not well-formed UTF-8 (decodeUtf8) or holds a character that
/// Windows-1252 cannot represent; `bad` then receives that character (or the bad bytes) for the
/// message.
std::optional<std::string> utf8ToCp1252(std::string_view text, std::string* bad = nullptr);

}  // namespace vok
