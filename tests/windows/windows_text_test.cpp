// The pieces of vok.exe's Windows command line and console that a run of the program cannot reach
// one by one: the wide console text made from UTF-8 written in any pieces, and the pattern matcher.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "cli/console.h"
#include "cli/windows_arguments.h"

namespace vok {
namespace {

struct ConsoleRow {
    std::vector<std::string> pieces;  ///< written one after another, each followed by a flush
    std::u16string shown;
};

TEST(WindowsConsole, WholeCharactersReachTheConsoleHoweverTheBytesArrive) {
    const ConsoleRow rows[] = {
        {{"plain\n"}, u"plain\r\n"},
        {{"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"}, u"caf\u00E9 \u20AC \U0001F600"},
        // A sequence cut by a flush waits for its rest.
        {{"caf\xC3", "\xA9"}, u"caf\u00E9"},
        {{"\xF0\x9F", "\x98", "\x80!"}, u"\U0001F600!"},
        // Bytes that are not UTF-8: a stray continuation, an overlong form, a surrogate, a cut
        // sequence followed by another character, and one left unfinished at the end.
        {{"a\x80"
          "b"},
         u"a\uFFFDb"},
        {{"\xC0\xAF"}, u"\uFFFD\uFFFD"},
        {{"\xED\xA0\x80"}, u"\uFFFD"},
        {{"\xE2\x82"
          "x"},
         u"\uFFFDx"},
        {{"end\xE2\x82"}, u"end\uFFFD"},
    };
    for (const auto& row : rows) {
        std::u16string shown;
        {
            cli::ConsoleBuffer buffer([&](std::u16string_view text) {
                shown += text;
                return true;
            });
            std::ostream stream(&buffer);
            for (const auto& piece : row.pieces) stream << piece << std::flush;
        }
        EXPECT_EQ(shown, row.shown) << row.pieces.front();
    }
}

TEST(WindowsConsole, AConsoleThatRefusesTextFailsTheStream) {
    cli::ConsoleBuffer buffer([](std::u16string_view) { return false; });
    std::ostream stream(&buffer);
    stream << "lost" << std::flush;
    EXPECT_TRUE(stream.bad());
}

TEST(WindowsCommandLine, PatternsMatchAsWindowsMatchesNames) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } rows[] = {
        {"*.bms", "m01.bms", true},
        {"*.bms", "M01.BMS", true},    // letter case ignored
        {"*.bms", "m01.bmsx", false},  // no short-name surprises
        {"*.bms", "m01.bms.bak", false},
        {"m??.bms", "m01.bms", true},
        {"m??.bms", "m1.bms", false},
        {"?.mis", "\xC3\xA9.mis", true},  // "?" is one character, not one byte
        {"*a*b", "xaxxab", true},         // back to the last "*" and on
        {"*a*b", "xaxxa", false},
        {"*", "", true},
        {"", "x", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(cli::wildcardMatches(row.pattern, row.name), row.matches) << row.pattern << " " << row.name;
    }
}

}  // namespace
}  // namespace vok
