#include "mission/core/text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

namespace vok {

std::span<const std::string_view> WordSplitter::split(std::string_view line) {
    // A line without quotes gives pieces of itself: views into it, nothing copied. The first
    // quote sends the line to the general way below.
    words_.clear();
    const char* p = line.data();
    const char* const end = p + line.size();
    while (p < end && *p == ' ') ++p;
    for (;;) {
        const char* const start = p;
        while (p < end && *p != ' ' && *p != '"') ++p;
        if (p < end && *p == '"') break;
        words_.emplace_back(start, static_cast<std::size_t>(p - start));
        if (p == end) return words_;
        while (p < end && *p == ' ') ++p;
        if (p == end) {
            words_.emplace_back(end, 0);  // a trailing blank: one more empty word
            return words_;
        }
    }
    words_.clear();
    // Word characters go to buffer_; ends_ records where each word stops. The views are made at
    // the end, once the buffer no longer grows.
    buffer_.clear();
    ends_.clear();
    bool insideQuotes = false;
    bool afterSeparator = true;
    for (char c : line) {
        if (c == '"') {
            insideQuotes = !insideQuotes;
        } else if (c == ' ' && !insideQuotes) {
            if (!afterSeparator) ends_.push_back(buffer_.size());
            afterSeparator = true;
        } else {
            buffer_.push_back(c);
            afterSeparator = false;
        }
    }
    ends_.push_back(buffer_.size());
    std::size_t start = 0;
    for (std::size_t end : ends_) {
        words_.emplace_back(buffer_.data() + start, end - start);
        start = end;
    }
    return words_;
}

std::vector<std::string> SplitMisLine(std::string_view line) {
    WordSplitter splitter;
    auto words = splitter.split(line);
    return {words.begin(), words.end()};
}

std::string MisLineToken(std::string_view line, int n) {
    WordSplitter splitter;
    splitter.split(line);
    if (n < 1) return {};
    return std::string(splitter.word(static_cast<std::size_t>(n)));
}

namespace {
// For a number that from_chars finds out of range: whether it is too large (rather than too
// close to zero). Decides by the decimal exponent of its first significant digit.
bool overflowsUpward(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
        for (char c : digits) {
            exponent = std::min<long long>(exponent * 10 + (c - '0'), 1'000'000'000LL);
        }
        if (negative) exponent = -exponent;
    }
    const std::size_t point = mantissa.find('.');
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return false;
    const long long pointAt =
        point == std::string_view::npos ? static_cast<long long>(mantissa.size()) : static_cast<long long>(point);
    const long long firstAt = static_cast<long long>(first);
    const long long leadExponent = firstAt < pointAt ? pointAt - firstAt - 1 : pointAt - firstAt;
    return leadExponent + exponent > 0;
}
}  // namespace

double MisValue(std::string_view word) {
    // Find the longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits], then
    // let from_chars convert it (with D turned into E).
    std::size_t i = 0;
    const std::size_t n = word.size();
    bool negative = false;
    if (i < n && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    while (i < n && word[i] >= '0' && word[i] <= '9') ++i, ++digits;
    if (i < n && word[i] == '.') {
        ++i;
        while (i < n && word[i] >= '0' && word[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < n && (word[i] == 'e' || word[i] == 'E' || word[i] == 'd' || word[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < n && (word[j] == '+' || word[j] == '-')) ++j;
        const std::size_t expDigitsStart = j;
        while (j < n && word[j] >= '0' && word[j] <= '9') ++j;
        if (j > expDigitsStart) end = j;
    }
    // from_chars takes no leading '+' (skipped above) and no 'D': a number with a D exponent is
    // copied with an E, on the stack unless it is very long.
    std::string_view number = word.substr(mantissaStart, end - mantissaStart);
    char local[64];
    std::string copy;
    if (end > i && (word[i] == 'd' || word[i] == 'D')) {
        char* target = local;
        if (number.size() > sizeof local) {
            copy.assign(number);
            target = copy.data();
        } else {
            std::memcpy(local, number.data(), number.size());
        }
        target[i - mantissaStart] = 'e';
        number = std::string_view(target, number.size());
    }
    double value = 0.0;
#if defined(__EMSCRIPTEN__)
    // The browser build's C++ library has no from_chars for double; strtod reads the same numbers
    // there (its C locale uses the '.' as decimal point), from a terminated copy.
    const std::string terminated(number);
    errno = 0;
    value = std::strtod(terminated.c_str(), nullptr);
    if (errno == ERANGE) {
        value = overflowsUpward(number) ? std::numeric_limits<double>::infinity() : 0.0;
    }
#else
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        value = overflowsUpward(number) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
#endif
    return negative ? -value : value;
}

std::string StripNulls(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != '\0') result.push_back(c);
    }
    return result;
}

std::string FixLength(std::string_view text, std::size_t width) {
    std::string result(text.substr(0, width));
    result.resize(width, '\0');
    return result;
}

namespace {
bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

std::string FileTitleOf(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) return std::string(path.substr(i));
    }
    return std::string(path);
}

std::string FolderOf(std::string_view path) {
    // Three cases: a path with a period and no NUL is a file path, cut after its last separator;
    // with a period and a NUL, the text before the NUL is the folder; without a period the whole
    // path is the folder. The separator added is the one the path already uses.
    const bool hasSlash = path.find('/') != std::string_view::npos;
    const bool hasBackslash = path.find('\\') != std::string_view::npos;
    const char separator = hasSlash && !hasBackslash ? '/'
                           : hasBackslash            ? '\\'
                                                     : static_cast<char>(std::filesystem::path::preferred_separator);
    auto withSeparator = [separator](std::string_view folder) {
        std::string result(folder);
        if (result.empty() || !isSeparator(result.back())) result.push_back(separator);
        return result;
    };
    const bool hasPeriod = path.find('.') != std::string_view::npos;
    const std::size_t nul = path.find('\0');
    if (hasPeriod && nul == std::string_view::npos) {
        for (std::size_t i = path.size(); i > 0; --i) {
            if (isSeparator(path[i - 1])) return std::string(path.substr(0, i));
        }
        return {};
    }
    if (hasPeriod) return withSeparator(path.substr(0, nul));
    return withSeparator(path);
}

std::size_t LineCursor::find(char c) const {
    const void* found = std::memchr(text_.data() + pos_, c, text_.size() - pos_);
    return found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data()) : text_.size();
}

bool LineCursor::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    // The next CR and the next LF are looked for again only once they have been passed, so a text
    // that uses one kind of line end is not searched to its end for the other kind on every line.
    if (nextCr_ == kNotSearched || nextCr_ < pos_) nextCr_ = find('\r');
    if (nextLf_ == kNotSearched || nextLf_ < pos_) nextLf_ = find('\n');
    std::size_t end = std::min(nextCr_, nextLf_);
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size()) {
        if (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
        ++end;
    }
    pos_ = end;
    ++lineNumber_;
    return true;
}

}  // namespace vok
