#pragma once
// Text helpers shared by every mission reader and writer, the version tests and the windows.
// Texts are single-byte characters; positions and word numbers count from 1.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

/// Longest line the ascii readers accept.
inline constexpr std::size_t kMaxMisLineLength = 32767;

/// Splits a line of an ascii mission into words: blanks separate, double quotes group and are
/// dropped, leading blanks give no word, a trailing blank gives one more empty word. The result
/// always holds at least one (possibly empty) word.
std::vector<std::string> SplitMisLine(std::string_view line);

/// Word n (from 1) of SplitMisLine(line), or the empty text when there is no word n.
std::string MisLineToken(std::string_view line, int n);

/// The number written at the start of a word (sign, digits with one period, exponent E or D);
/// 0 for a word that does not start with one. The period is always the decimal point.
double MisValue(std::string_view word);

/// The text with every NUL removed.
std::string StripNulls(std::string_view text);

/// The text cut or NUL-padded to exactly `width` characters.
std::string FixLength(std::string_view text, std::size_t width);

/// The characters after the last separator ('\\' or '/') of a path.
std::string FileTitleOf(std::string_view path);

/// The folder part of a path, ending with a separator (see the rules in text.cpp).
std::string FolderOf(std::string_view path);

/// ASCII lower case of one character; other bytes are left alone.
inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// True when `word`, lower-cased, equals `keyword` (which must be lower case).
inline bool keywordIs(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        // Most words are written in lower case already: lower-cased only when they differ.
        if (word[i] != keyword[i] && lowerAscii(word[i]) != keyword[i]) return false;
    }
    return true;
}

/// Splits lines into words like SplitMisLine, without allocating once warmed up: the words are
/// views into a buffer that the next split reuses.
class WordSplitter {
public:
    /// Splits `line`; the returned words are views into `line` (into the splitter's own buffer
    /// when the line holds quotes) and stay valid until the next call or until `line` goes.
    std::span<const std::string_view> split(std::string_view line);

    std::size_t size() const { return words_.size(); }
    /// Word n counted from 1; the empty word when there is none.
    std::string_view word(std::size_t n) const {
        return n >= 1 && n <= words_.size() ? words_[n - 1] : std::string_view();
    }

private:
    std::string buffer_;
    std::vector<std::size_t> ends_;
    std::vector<std::string_view> words_;
};

/// Walks a text line by line; a line ends at CR LF, at a lone CR or at a lone LF, and the last
/// line need not have an ending.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    /// Takes the next line; false at the end of the text.
    bool next(std::string_view& line);
    /// Number of lines taken so far.
    std::int64_t lineNumber() const { return lineNumber_; }

private:
    static constexpr std::size_t kNotSearched = static_cast<std::size_t>(-1);
    std::size_t find(char c) const;

    std::string_view text_;
    std::size_t pos_ = 0;
    std::int64_t lineNumber_ = 0;
    std::size_t nextCr_ = kNotSearched;  // the next CR and LF at or after pos_ (or the text's end)
    std::size_t nextLf_ = kNotSearched;
};

}  // namespace vok
