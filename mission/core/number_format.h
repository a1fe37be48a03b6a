#pragma once
// Number formats of the ascii mission form.

#include <charconv>
#include <cstdint>
#include <string>

namespace vok {

/// Appends a whole number in plain decimal (a minus sign when negative, nothing else).
inline void appendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

/// Appends value / factor as the shortest decimal of at most 15 significant digits: a period as
/// decimal point, a 0 before it below 1, no trailing zeros, no period for a whole number, never
/// an exponent. 384 / 256 gives 1.5, -64 / 256 gives -0.25, 1 / 256 gives 0.00390625.
void appendScaled(std::string& out, std::int64_t value, std::int32_t factor);

}  // namespace vok
