#pragma once
// The vocabulary of record descriptions. Every stored record has one function
//
//     template <class V, class R> constexpr void describe(V& v, R& r);
//
// that lists its fields in file order as  v.field(name, offset, member, ascii)  rows. The name is
// the field's ascii keyword, the offset its place in the binary record (checked at compile time
// by recordSize), the member's C++ type gives the width and kind, and the Ascii options say how
// the field appears in the ascii form. Binary read, binary write, the ascii writer and the ascii
// reader are visitors over that one description.
//
// Two ascii lines are not a single field and are described as ascii-only rows, which binary
// visitors ignore:
//     v.slotLines(keyword, value1, ..., value5)  five lines "keyword s v1 v2 v3 v4 v5", one per slot
//     v.sumLine(keyword, a, b, c, d)             one line holding a + b + c + d, written, not read

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "mission/core/fixed_text.h"

namespace vok {

/// Factor between the stored value and the ascii value. The writer shows value / factor: exactly
/// as a decimal, or (truncate) as an integer quotient. The reader stores number x factor rounded.
struct Scale {
    std::int32_t factor = 1;
    bool truncate = false;
};

inline constexpr Scale kBy256{256, false};
inline constexpr Scale kBy100{100, false};
inline constexpr Scale kBy50Truncated{50, true};

struct Ascii {
    enum class Mode : std::uint8_t {
        ReadWrite,  ///< written when it holds something, read back
        WriteOnly,  ///< written when it holds something, ignored by the reader
        None,       ///< binary form only
    };
    Mode mode = Mode::ReadWrite;
    Scale scale{};
    bool quoted = false;                    ///< text values in double quotes
    std::string_view unscaledAlias{};       ///< a second reader keyword taking the stored value as is
    std::span<const std::uint8_t> order{};  ///< order of an array's values on the line (0-based)
};

inline constexpr Ascii kBinaryOnly{.mode = Ascii::Mode::None};
inline constexpr Ascii kWrittenNotRead{.mode = Ascii::Mode::WriteOnly};
inline constexpr Ascii kQuoted{.quoted = true};

// Width of one field on disk, by its C++ type.
template <class T>
struct FieldWidth;
template <>
struct FieldWidth<std::uint8_t> : std::integral_constant<std::size_t, 1> {};
template <>
struct FieldWidth<std::int16_t> : std::integral_constant<std::size_t, 2> {};
template <>
struct FieldWidth<std::int32_t> : std::integral_constant<std::size_t, 4> {};
template <class T, std::size_t N>
struct FieldWidth<std::array<T, N>> : std::integral_constant<std::size_t, N * FieldWidth<T>::value> {};
template <std::size_t N>
struct FieldWidth<FixedText<N>> : std::integral_constant<std::size_t, N> {};

template <class T>
inline constexpr std::size_t fieldWidth = FieldWidth<std::remove_const_t<T>>::value;

/// Base for visitors that only care about stored fields.
struct StoredFieldsOnly {
    template <class... Values>
    constexpr void slotLines(std::string_view, Values&...) {}
    template <class... Values>
    constexpr void sumLine(std::string_view, Values&...) {}
};

namespace detail {
// Called only when a description is wrong; not constexpr, so a wrong offset stops the build.
inline void descriptionOffsetMismatch() {}

struct LayoutCheck : StoredFieldsOnly {
    std::size_t next = 0;
    template <class T>
    constexpr void field(std::string_view, std::size_t offset, T&, const Ascii& = {}) {
        if (offset != next) descriptionOffsetMismatch();
        next += fieldWidth<T>;
    }
};
}  // namespace detail

/// Size of a record on disk. Fails to compile when an offset of its description is not where the
/// fields before it end, so the offsets in the descriptions are checked against the widths.
template <class R>
consteval std::size_t recordSize() {
    R record{};
    detail::LayoutCheck check;
    describe(check, record);
    return check.next;
}

}  // namespace vok
