#pragma once
// Text for a Windows console. Bytes written to a console are read in its code page, which is
// seldom UTF-8, so non-ASCII names would show garbled; the console's own wide call shows every
// character whatever the code page. Output that is redirected (a file, a pipe) stays UTF-8 bytes.

#include <functional>
#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace vok::cli {

/// A stream buffer that takes UTF-8 and hands whole characters on as UTF-16 to `write` (which
/// answers false when it could not), with LF written as CR LF. A UTF-8 sequence cut between two
/// flushes is kept until it is whole; bytes that are not UTF-8 become U+FFFD.
class ConsoleBuffer : public std::streambuf {
public:
    using Writer = std::function<bool(std::u16string_view)>;
    explicit ConsoleBuffer(Writer write);
    ~ConsoleBuffer() override;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool flushWhole();

    Writer write_;
    std::string pending_;  // bytes not yet handed on: at most one unfinished sequence after a flush
    char buffer_[1024];
};

/// While it lives, std::cout and std::cerr write through the console's wide call when they are a
/// Windows console (elsewhere, and when redirected, it changes nothing).
class ConsoleOutput {
public:
    ConsoleOutput();
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

private:
    std::unique_ptr<ConsoleBuffer> out_, err_;
    std::streambuf* oldOut_ = nullptr;
    std::streambuf* oldErr_ = nullptr;
};

}  // namespace vok::cli
