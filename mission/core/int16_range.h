#pragma once
// The one test whether a number fits a 16-bit field: item types (the lists' identifiers are
// 16-bit), and waypoint numbers and item types read from ascii text.

#include <concepts>
#include <cstdint>
#include <utility>

namespace vok {

template <std::integral T>
constexpr bool fitsInt16(T value) {
    return std::in_range<std::int16_t>(value);
}

/// A whole number held in a double (rounded already); false for NaN.
constexpr bool fitsInt16(double value) { return value >= -32768.0 && value <= 32767.0; }

}  // namespace vok
