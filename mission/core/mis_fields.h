#pragma once
// Field lines of the ascii mission form, driven by the record descriptions.
//
// Writing: a stored field with an ascii line is written as two blanks, its keyword, a blank and
// its values separated by blanks, when it holds something (a number not 0, any value of an array
// not 0, a text not empty after removing NULs).
// Reading: word 1 of a line, lower-cased, is looked up in a keyword table built once per record
// type from its description; a line with at least as many words as the field needs sets it.
// Numbers are multiplied by the field's factor and rounded half to even; a result that does not
// fit the field is a fault.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/error.h"
#include "mission/core/fields.h"
#include "mission/core/number_format.h"
#include "mission/core/text.h"

namespace vok {

/// Something a reader read past without taking it (the readers are tolerant): the line and what
/// it was ("unknown keyword "foo" in the item block").
struct PassedOver {
    std::int64_t line = 0;
    std::string what;
    bool operator==(const PassedOver&) const = default;
};

/// Where the line being read comes from, for fault messages, and where to note what the reader
/// passes over (nothing is noted when it is null).
struct LineContext {
    std::string_view path;
    std::int64_t line = 0;
    std::vector<PassedOver>* passedOver = nullptr;
};

[[noreturn]] void lineFault(const LineContext& context, Fault fault, std::string detail);

/// Notes what the reader passes over on the current line. A file with a great many such lines
/// (a file of another kind read as a mission) gets the first thousand and one line saying so.
void notePassedOver(const LineContext& context, std::string what);

/// True when the whole word is a number: a sign, digits with at most one period, an exponent
/// (E or D, a sign, digits). MisValue reads the leading number of any other word, or 0.
bool isWholeNumber(std::string_view word);

/// A word that is a plain decimal: an optional sign, then at most 15 digits with at most one
/// period among them, and nothing else. Most words of an ascii mission are. Its value is
/// `digits / 10^fractionDigits`, a quotient of two doubles that are exact, so the one division
/// rounds it exactly as the general decimal parser would.
inline bool plainDecimal(std::string_view word, std::int64_t& digits, int& fractionDigits) {
    std::size_t i = 0;
    const bool negative = !word.empty() && word[0] == '-';
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) i = 1;
    std::int64_t magnitude = 0;
    int count = 0;
    int afterPoint = -1;  // digits after the period, -1 before one is seen
    for (; i < word.size(); ++i) {
        const char c = word[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15) return false;
            magnitude = magnitude * 10 + (c - '0');
            if (afterPoint >= 0) ++afterPoint;
        } else if (c == '.' && afterPoint < 0) {
            afterPoint = 0;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    digits = negative ? -magnitude : magnitude;
    fractionDigits = afterPoint < 0 ? 0 : afterPoint;
    return true;
}

/// The number of `word` times `factor`, rounded to the nearest whole number (half to even), in
/// the range of T; a fault naming the field and the word otherwise.
template <class T>
T storeNumber(std::string_view word, std::int32_t factor, const LineContext& context, std::string_view name) {
    // A whole number and its product with any factor in use are exact (or out of every field's
    // range); a decimal is divided once and scaled like the general parser's result.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::int64_t digits = 0;
    int fractionDigits = 0;
    double scaled = 0;
    if (!plainDecimal(word, digits, fractionDigits)) {
        const double value = MisValue(word);
        scaled = std::nearbyint(value * factor);
        if (context.passedOver != nullptr && !isWholeNumber(word)) {
            std::string what(name);
            what += word.empty() ? std::string(": an empty value")
                                 : ": \"" + std::string(word.substr(0, 40)) + "\" is not a number";
            what += value == 0 ? ", read as 0" : ", only its leading number was read";
            notePassedOver(context, std::move(what));
        }
    } else if (fractionDigits == 0) {
        scaled = static_cast<double>(digits * factor);
    } else {
        const double value = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
        scaled = std::nearbyint(value * factor);
    }
    // Written so that NaN fails the test too.
    if (!(scaled >= static_cast<double>(std::numeric_limits<T>::min()) &&
          scaled <= static_cast<double>(std::numeric_limits<T>::max()))) {
        std::string detail(name);
        detail += " ";
        detail += word;
        if (factor != 1) detail += " (x" + std::to_string(factor) + ")";
        detail += sizeof(T) == 1   ? " is outside 0..255"
                  : sizeof(T) == 2 ? " is outside -32768..32767"
                                   : " is outside the 32-bit range";
        lineFault(context, Fault::OutOfRange, std::move(detail));
    }
    return static_cast<T>(scaled);
}

// ---------------------------------------------------------------------------------------------
// Value helpers shared by the visitors.
namespace mis {

template <class T>
struct ValueCount : std::integral_constant<std::size_t, 1> {};
template <class T, std::size_t N>
struct ValueCount<std::array<T, N>> : std::integral_constant<std::size_t, N> {};
template <class T>
inline constexpr std::size_t valueCount = ValueCount<std::remove_const_t<T>>::value;

template <class T>
bool holdsSomething(const T& value) {
    return value != 0;
}
template <class T, std::size_t N>
bool holdsSomething(const std::array<T, N>& values) {
    return std::any_of(values.begin(), values.end(), [](T v) { return v != 0; });
}
template <std::size_t N>
bool holdsSomething(const FixedText<N>& text) {
    return !text.isEmpty();
}

template <class T>
void appendValue(std::string& out, T value, const Ascii& ascii) {
    if (ascii.scale.factor == 1) {
        appendInteger(out, value);
    } else if (ascii.scale.truncate) {
        appendInteger(out, value / ascii.scale.factor);  // integer division truncates toward zero
    } else {
        appendScaled(out, value, ascii.scale.factor);
    }
}
template <class T, std::size_t N>
void appendValue(std::string& out, const std::array<T, N>& values, const Ascii& ascii) {
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0) out.push_back(' ');
        appendValue(out, values[ascii.order.empty() ? i : ascii.order[i]], ascii);
    }
}
template <std::size_t N>
void appendValue(std::string& out, const FixedText<N>& text, const Ascii& ascii) {
    if (ascii.quoted) out.push_back('"');
    for (char c : text.bytes) {
        if (c != '\0') out.push_back(c);
    }
    if (ascii.quoted) out.push_back('"');
}

/// Reads the values of one field from consecutive words, starting at word `first`.
template <class T>
void readValue(T& value, const WordSplitter& words, std::size_t first, std::int32_t factor, const Ascii&,
               const LineContext& context, std::string_view name) {
    value = storeNumber<T>(words.word(first), factor, context, name);
}
template <class T, std::size_t N>
void readValue(std::array<T, N>& values, const WordSplitter& words, std::size_t first, std::int32_t factor,
               const Ascii& ascii, const LineContext& context, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        values[ascii.order.empty() ? i : ascii.order[i]] = storeNumber<T>(words.word(first + i), factor, context, name);
    }
}
template <std::size_t N>
void readValue(FixedText<N>& text, const WordSplitter& words, std::size_t first, std::int32_t, const Ascii&,
               const LineContext&, std::string_view) {
    text.set(words.word(first));
}

}  // namespace mis

// ---------------------------------------------------------------------------------------------
// Writing.

/// Writes the keyword lines of a record. With `lines` given, it also notes where each line
/// starts and ends, so that a caller can reorder them.
class FieldLineWriter {
public:
    struct Line {
        std::string_view keyword;
        std::size_t begin;
        std::size_t end;
    };

    explicit FieldLineWriter(std::string& out, std::vector<Line>* lines = nullptr) : out_(out), lines_(lines) {}

    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& ascii = {}) {
        if (ascii.mode == Ascii::Mode::None || !mis::holdsSomething(value)) return;
        const std::size_t begin = startLine(name);
        mis::appendValue(out_, value, ascii);
        endLine(name, begin);
    }

    /// Always five lines, one per slot: the slot number from 0, then the slot's value of each table.
    template <class... Tables>
    void slotLines(std::string_view keyword, const Tables&... tables) {
        for (std::size_t slot = 0; slot < 5; ++slot) {
            const std::size_t begin = startLine(keyword);
            appendInteger(out_, static_cast<std::int64_t>(slot));
            ((out_.push_back(' '), appendInteger(out_, tables[slot])), ...);
            endLine(keyword, begin);
        }
    }

    /// The sum of the counts, written when any of them is not 0.
    template <class... Counts>
    void sumLine(std::string_view keyword, const Counts&... counts) {
        if (((counts == 0) && ...)) return;
        const std::size_t begin = startLine(keyword);
        appendInteger(out_, (std::int64_t{0} + ... + counts));
        endLine(keyword, begin);
    }

private:
    std::size_t startLine(std::string_view keyword) {
        const std::size_t begin = out_.size();
        // "  keyword " in one append: this runs for every line written.
        char start[64];
        if (keyword.size() + 3 <= sizeof start) {
            start[0] = ' ';
            start[1] = ' ';
            std::memcpy(start + 2, keyword.data(), keyword.size());
            start[keyword.size() + 2] = ' ';
            out_.append(start, keyword.size() + 3);
        } else {
            out_ += "  ";
            out_ += keyword;
            out_.push_back(' ');
        }
        return begin;
    }
    void endLine(std::string_view keyword, std::size_t begin) {
        out_ += "\r\n";
        if (lines_ != nullptr) lines_->push_back({keyword, begin, out_.size()});
    }

    std::string& out_;
    std::vector<Line>* lines_;
};

/// The keyword lines of a record in description order.
template <class R>
[[gnu::flatten]] void writeFieldLines(std::string& out, const R& record) {
    FieldLineWriter writer(out);
    describe(writer, record);
}

/// The keyword lines of a record in alphabetical order of their keywords (the order of the
/// general_information block).
template <class R>
void writeFieldLinesSorted(std::string& out, const R& record) {
    std::string scratch;
    std::vector<FieldLineWriter::Line> lines;
    FieldLineWriter writer(scratch, &lines);
    describe(writer, record);
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.keyword < b.keyword; });
    for (const auto& line : lines) out.append(scratch, line.begin, line.end - line.begin);
}

namespace mis {
struct BareValueWriter : StoredFieldsOnly {
    std::string& out;
    bool first = true;
    template <class T>
    void field(std::string_view, std::size_t, const T& value, const Ascii& ascii = {}) {
        if (ascii.mode == Ascii::Mode::None) return;
        if (!first) out.push_back(' ');
        first = false;
        appendValue(out, value, ascii);
    }
};

struct BareValueCounter : StoredFieldsOnly {
    std::size_t count = 0;
    template <class T>
    constexpr void field(std::string_view, std::size_t, const T&, const Ascii& ascii = {}) {
        if (ascii.mode != Ascii::Mode::None) count += valueCount<T>;
    }
};

struct BareValueReader : StoredFieldsOnly {
    const WordSplitter& words;
    const LineContext& context;
    std::size_t next = 1;
    template <class T>
    void field(std::string_view name, std::size_t, T& value, const Ascii& ascii = {}) {
        if (ascii.mode == Ascii::Mode::None) return;
        readValue(value, words, next, ascii.scale.factor, ascii, context, name);
        next += valueCount<T>;
    }
};
}  // namespace mis

/// The values of every ascii field of a record, separated by blanks (trigger and action lines).
template <class R>
void appendBareValues(std::string& out, const R& record) {
    mis::BareValueWriter writer{{}, out};
    describe(writer, record);
}

// ---------------------------------------------------------------------------------------------
// Reading.

struct KeywordRow;

/// Sets a plain field from words 2, 3 ... of a line, `field` pointing at the member.
using FieldSetter = void (*)(void* field, const WordSplitter& words, const LineContext& context, const KeywordRow& row);

struct KeywordRow {
    std::string_view keyword;
    std::string_view name;     ///< the field's own keyword, for messages (the alias names it too)
    std::uint16_t ordinal;     ///< position of the row in the record's description
    std::uint8_t wordsNeeded;  ///< a shorter line changes nothing
    std::int32_t factor = 1;   ///< 1 for the alias that takes the stored value as is
    std::span<const std::uint8_t> order{};
    /// For a plain field: where the member lies in the C++ record and how a line sets it, so that
    /// a line goes straight to its field. Rows without a setter (slot lines) walk the description.
    FieldSetter set = nullptr;
    std::size_t memberOffset = 0;
};

/// The keyword table of one record type: a small open-addressing hash over the keywords, which
/// are matched in any letter case.
class KeywordTable {
public:
    explicit KeywordTable(std::vector<KeywordRow> rows, std::vector<std::string_view> writtenNotRead = {});

    /// The row whose keyword equals `word` in any letter case, or null.
    const KeywordRow* find(std::string_view word) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash(word) & mask; slots_[slot] != -1; slot = (slot + 1) & mask) {
            const KeywordRow& row = rows_[static_cast<std::size_t>(slots_[slot])];
            if (keywordIs(word, row.keyword)) return &row;
        }
        return nullptr;
    }

    /// True for a keyword that the writer writes and the reader deliberately does not take (DF1's
    /// `cnv_file`): such a line in our own output is no news to report.
    bool writtenNotRead(std::string_view word) const {
        return std::any_of(writtenNotRead_.begin(), writtenNotRead_.end(),
                           [word](std::string_view keyword) { return keywordIs(word, keyword); });
    }

    /// A hash of a keyword from its length and three of its characters, lower-cased here so that a
    /// word can be hashed as it stands: cheap, and with the probing it needs no more.
    static std::size_t hash(std::string_view key) {
        if (key.empty()) return 0;
        const auto at = [&key](std::size_t i) {
            return static_cast<std::size_t>(static_cast<unsigned char>(lowerAscii(key[i])));
        };
        return key.size() * 0x9e37u ^ at(0) * 0x45u ^ at(key.size() / 2) * 0x3b1u ^ at(key.size() - 1) * 0x7f1u;
    }

private:
    std::vector<KeywordRow> rows_;     // sorted by keyword
    std::vector<std::int16_t> slots_;  // row index or -1
    std::vector<std::string_view> writtenNotRead_;
};

namespace mis {
template <class T>
void setField(void* field, const WordSplitter& words, const LineContext& context, const KeywordRow& row) {
    readValue(*static_cast<T*>(field), words, 2, row.factor, Ascii{.order = row.order}, context, row.name);
}

struct KeywordTableBuilder {
    const void* record;  ///< the record the members are measured from
    std::vector<KeywordRow> rows;
    std::vector<std::string_view> writtenNotRead{};
    std::uint16_t ordinal = 0;

    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& ascii = {}) {
        if (ascii.mode == Ascii::Mode::ReadWrite) {
            const auto words = static_cast<std::uint8_t>(1 + valueCount<T>);
            const auto memberOffset =
                static_cast<std::size_t>(reinterpret_cast<const char*>(&value) - static_cast<const char*>(record));
            rows.push_back({name, name, ordinal, words, ascii.scale.factor, ascii.order, &setField<T>, memberOffset});
            if (!ascii.unscaledAlias.empty()) {
                rows.push_back({ascii.unscaledAlias, name, ordinal, words, 1, ascii.order, &setField<T>, memberOffset});
            }
        } else if (ascii.mode == Ascii::Mode::WriteOnly) {
            writtenNotRead.push_back(name);
        }
        ++ordinal;
    }
    template <class... Tables>
    void slotLines(std::string_view keyword, const Tables&...) {
        rows.push_back({keyword, keyword, ordinal, static_cast<std::uint8_t>(2 + sizeof...(Tables))});
        ++ordinal;
    }
    template <class... Counts>
    void sumLine(std::string_view, const Counts&...) {
        ++ordinal;  // accepted by the reader with no effect: the counts come from the items
    }
};

/// Applies a slot line to the description row it was looked up as.
class SlotLineApplier {
public:
    SlotLineApplier(const KeywordRow& row, const WordSplitter& words, const LineContext& context)
        : row_(row), words_(words), context_(context) {}

    template <class T>
    void field(std::string_view, std::size_t, T&, const Ascii& = {}) {
        ++ordinal_;
    }

    /// "keyword n v1 v2 v3 v4 v5": the line numbered n (0 to 4) fills slot n + 1; any other
    /// number changes nothing.
    template <class... Tables>
    void slotLines(std::string_view keyword, Tables&... tables) {
        if (ordinal_++ != row_.ordinal) return;
        const double number = MisValue(words_.word(2));
        if (!(number == 0 || number == 1 || number == 2 || number == 3 || number == 4)) {
            if (context_.passedOver != nullptr) {
                const std::string slot(words_.word(2).substr(0, 40));
                notePassedOver(context_, std::string(keyword) + " " + slot + ": no such slot");
            }
            return;
        }
        const auto slot = static_cast<std::size_t>(number);
        std::size_t word = 3;
        ((tables[slot] = storeNumber<std::uint8_t>(words_.word(word++), 1, context_, keyword)), ...);
    }

    template <class... Counts>
    void sumLine(std::string_view, Counts&...) {
        ++ordinal_;
    }

private:
    const KeywordRow& row_;
    const WordSplitter& words_;
    const LineContext& context_;
    std::uint16_t ordinal_ = 0;
};
}  // namespace mis

template <class R>
const KeywordTable& keywordTableOf() {
    static const KeywordTable table = [] {
        const R record{};
        mis::KeywordTableBuilder builder{&record, {}};
        describe(builder, record);
        return KeywordTable(std::move(builder.rows), std::move(builder.writtenNotRead));
    }();
    return table;
}

/// Applies a keyword line to a record; lines with another keyword, or too few words, change
/// nothing. Returns whether the line was taken.
template <class R>
bool applyFieldLine(R& record, const WordSplitter& words, const LineContext& context) {
    const KeywordRow* row = keywordTableOf<R>().find(words.word(1));
    if (row == nullptr || words.size() < row->wordsNeeded) return false;
    if (row->set != nullptr) {
        row->set(reinterpret_cast<char*>(&record) + row->memberOffset, words, context, *row);
    } else {
        mis::SlotLineApplier applier(*row, words, context);
        describe(applier, record);
    }
    return true;
}

/// Number of values on a bare value line of R (8 for triggers and actions).
template <class R>
constexpr std::size_t bareValueCount() {
    mis::BareValueCounter counter;
    const R record{};
    describe(counter, record);
    return counter.count;
}

/// Reads a bare value line (words 1 to n) into a record.
template <class R>
void readBareValues(R& record, const WordSplitter& words, const LineContext& context) {
    mis::BareValueReader reader{{}, words, context};
    describe(reader, record);
}

}  // namespace vok
