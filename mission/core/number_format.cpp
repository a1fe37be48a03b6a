#include "mission/core/number_format.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace vok {

namespace {
// True when 1 / factor has a finite decimal expansion (factor = 2^a x 5^b).
bool terminates(std::int64_t factor) {
    while (factor % 2 == 0) factor /= 2;
    while (factor % 5 == 0) factor /= 5;
    return factor == 1;
}

// The decimal digits of remainder / factor (remainder < factor) into `digits`; their number.
// The factors in use get their own copy, so the divisions become multiplications.
template <std::int64_t Factor>
std::size_t fractionDigits(std::int64_t remainder, char* digits) {
    std::size_t length = 0;
    for (int guard = 0; remainder != 0 && guard < 40; ++guard) {
        remainder *= 10;
        digits[length++] = static_cast<char>('0' + remainder / Factor);
        remainder %= Factor;
    }
    return length;
}

std::size_t fractionDigits(std::int64_t remainder, std::int64_t factor, char* digits) {
    std::size_t length = 0;
    for (int guard = 0; remainder != 0 && guard < 40; ++guard) {
        remainder *= 10;
        digits[length++] = static_cast<char>('0' + remainder / factor);
        remainder %= factor;
    }
    return length;
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
        const std::size_t length = factor == 256   ? fractionDigits<256>(magnitude % 256, digits)
                                   : factor == 100 ? fractionDigits<100>(magnitude % 100, digits)
                                                   : fractionDigits(magnitude % factor, factor, digits);
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

}  // namespace vok
