#pragma once
// Descriptions in the list files are bytes of the Windows-1252 code page. These convert them to
// and from UTF-8 for text files and windows. The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so that every
// byte value survives a round trip.

#include <optional>
#include <string>
#include <string_view>

namespace vok {

std::string cp1252ToUtf8(std::string_view bytes);

/// Nullopt when the text is not valid UTF-8 or holds a character that Windows-1252 cannot
/// represent; `bad` then receives that character (or the bad bytes) for the message.
std::optional<std::string> utf8ToCp1252(std::string_view text, std::string* bad = nullptr);

}  // namespace vok
