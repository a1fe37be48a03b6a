#include "mission/core/number_format.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace vok {

void appendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

namespace {
// True when 1 / factor has a finite decimal expansion (factor = 2^a x 5^b).
bool terminates(std::int64_t factor) {
    while (factor % 2 == 0) factor /= 2;
    while (factor % 5 == 0) factor /= 5;
    return factor == 1;
}
}  // namespace

void appendScaled(std::string& out, std::int64_t value, std::int32_t factor) {
    if (factor == 1) {
        appendInteger(out, value);
        return;
    }
    // The factors in use (256, 100) divide any 32-bit value into at most 15 significant digits,
    // so the exact decimal expansion is the 15-digit form; work it out with integers.
    const std::int64_t magnitude = value < 0 ? -value : value;
    if (factor > 0 && terminates(factor)) {
        char digits[64];
        std::size_t length = 0;
        std::int64_t remainder = magnitude % factor;
        for (int guard = 0; remainder != 0 && guard < 40; ++guard) {
            remainder *= 10;
            digits[length++] = static_cast<char>('0' + remainder / factor);
            remainder %= factor;
        }
        const std::int64_t whole = magnitude / factor;
        std::size_t significant = length;
        if (whole != 0) {
            for (std::int64_t w = whole; w != 0; w /= 10) ++significant;
        } else {
            std::size_t leadingZeros = 0;
            while (leadingZeros < length && digits[leadingZeros] == '0') ++leadingZeros;
            significant -= leadingZeros;
        }
        if (significant <= 15) {
            if (value < 0) out.push_back('-');
            appendInteger(out, whole);
            if (length > 0) {
                out.push_back('.');
                out.append(digits, length);
            }
            return;
        }
    }
    // Any other case: 15 significant digits, trailing zeros removed.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15f", static_cast<double>(value) / factor);
    std::string text(buffer);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    out += text;
}

std::string formatScaled(std::int64_t value, std::int32_t factor) {
    std::string out;
    appendScaled(out, value, factor);
    return out;
}

}  // namespace vok
