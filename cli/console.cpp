#include "cli/console.h"

#include <algorithm>
#include <iostream>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vok::cli {

namespace {

/// The length of the UTF-8 sequence that `lead` starts; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/// Decodes the sequence at `text[i]` of `length` bytes; U+FFFD when it is not a valid character.
char32_t decode(std::string_view text, std::size_t i, std::size_t length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (length == 1) return byte(0);
    char32_t value = byte(0) & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (byte(k) & 0x3F);
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    return value;
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c == U'\n') {
        out += u"\r\n";
    } else if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

}  // namespace

ConsoleBuffer::ConsoleBuffer(Writer write) : write_(std::move(write)) { setp(buffer_, buffer_ + sizeof buffer_); }

ConsoleBuffer::~ConsoleBuffer() {
    sync();
    // What is left is a sequence the program never finished.
    if (!pending_.empty()) write_(u"\uFFFD");
}

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type c) {
    if (!flushWhole()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int ConsoleBuffer::sync() { return flushWhole() ? 0 : -1; }

bool ConsoleBuffer::flushWhole() {
    pending_.append(pbase(), pptr());
    setp(buffer_, buffer_ + sizeof buffer_);
    std::u16string wide;
    std::size_t i = 0;
    while (i < pending_.size()) {
        const auto lead = static_cast<unsigned char>(pending_[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0) {
            appendUtf16(wide, 0xFFFD);
            ++i;
            continue;
        }
        std::size_t have = 1;
        while (have < length && i + have < pending_.size() &&
               isContinuation(static_cast<unsigned char>(pending_[i + have])))
            ++have;
        if (have < length && i + have == pending_.size()) break;  // cut: the rest comes with the next flush
        appendUtf16(wide, have == length ? decode(pending_, i, length) : char32_t{0xFFFD});
        i += have;
    }
    pending_.erase(0, i);
    return wide.empty() || write_(wide);
}

#if defined(_WIN32)
namespace {
std::unique_ptr<ConsoleBuffer> consoleBufferFor(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return std::make_unique<ConsoleBuffer>([handle](std::u16string_view text) {
        while (!text.empty()) {
            // The console takes limited pieces at a time; what it took is reported.
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
            DWORD written = 0;
            if (!WriteConsoleW(handle, text.data(), piece, &written, nullptr) || written == 0) return false;
            text.remove_prefix(written);
        }
        return true;
    });
}
}  // namespace

ConsoleOutput::ConsoleOutput() : out_(consoleBufferFor(STD_OUTPUT_HANDLE)), err_(consoleBufferFor(STD_ERROR_HANDLE)) {
    if (out_) {
        std::cout.flush();
        oldOut_ = std::cout.rdbuf(out_.get());
    }
    if (err_) {
        std::cerr.flush();
        oldErr_ = std::cerr.rdbuf(err_.get());
    }
}
#else
ConsoleOutput::ConsoleOutput() = default;
#endif

ConsoleOutput::~ConsoleOutput() {
    if (oldOut_ != nullptr) {
        std::cout.flush();
        std::cout.rdbuf(oldOut_);
    }
    if (oldErr_ != nullptr) {
        std::cerr.flush();
        std::cerr.rdbuf(oldErr_);
    }
}

}  // namespace vok::cli
