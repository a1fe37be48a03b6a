// The text helpers every reader and writer shares: the words of a line, the number at the start of a
// word and the readers' quick paths to it, line ends, path parts and the "created on" line.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "mission/core/error.h"
#include "mission/core/mis_fields.h"
#include "mission/core/text.h"
#include "mission/core/timestamp.h"

namespace vok {
namespace {

using Words = std::vector<std::string>;

TEST(MissionText, WordsOfALine) {
    // clang-format off
    const std::pair<std::string, Words> cases[] = {
        {"  name \"Night Raid\"", {"name", "Night Raid"}}, {"", {""}}, {"    ", {""}}, {"a  b", {"a", "b"}},
        {"a b ", {"a", "b", ""}}, {"x \"a b", {"x", "a b"}}, {"ab\"cd\"", {"abcd"}}, {"a\tb c", {"a\tb", "c"}},
        {"\"\"", {""}}, {"\"a\" \"b\"", {"a", "b"}}, {"  brief \" lead and trail \"", {"brief", " lead and trail "}},
        {std::string("nul\0byte", 8), {std::string("nul\0byte", 8)}}};
    // clang-format on
    WordSplitter splitter;  // one for all lines: it reuses its buffer
    for (const auto& [line, words] : cases) {
        EXPECT_EQ(SplitMisLine(line), words) << '[' << line << ']';
        const auto split = splitter.split(line);
        EXPECT_EQ(Words(split.begin(), split.end()), words) << '[' << line << ']';
        EXPECT_EQ(splitter.word(0), "");
        EXPECT_EQ(splitter.word(words.size() + 1), "");
        EXPECT_EQ(MisLineToken(line, 1), words[0]);
    }
}

TEST(MissionText, TheNumberAtTheStartOfAWord) {
    const std::pair<const char*, double> cases[] = {
        {"12", 12},     {"-1.5", -1.5}, {"2.5e2", 250}, {"12abc", 12},  {"abc", 0},      {"", 0},     {".5", 0.5},
        {"5.", 5},      {"+3", 3},      {"-", 0},       {".", 0},       {"-.25", -0.25}, {"1e", 1},   {"1e+", 1},
        {"1E-2", 0.01}, {"1d2", 100},   {"2D+1", 20},   {"1.2.3", 1.2}, {"--5", 0},      {"0x10", 0}, {"1,5", 1},
        {"007", 7},     {"1e-400", 0},  {"3e0x", 3},    {"e5", 0},      {"inf", 0},      {"nan", 0},  {"12 34", 12},
    };
    for (const auto& [word, value] : cases) EXPECT_DOUBLE_EQ(MisValue(word), value) << word;
    EXPECT_EQ(MisValue("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(MisValue("0." + std::string(400, '0') + "1"), 0.0);
}

// The readers take plain whole numbers and decimals by quick paths: they must store what the
// general parser gives, rounded half to even, and refuse what it would refuse.
template <class T>
void expectStoredAsTheGeneralParserSays(const std::string& word, std::int32_t factor) {
    const double expected = std::nearbyint(MisValue(word) * factor);
    const bool fits = expected >= std::numeric_limits<T>::min() && expected <= std::numeric_limits<T>::max();
    try {
        const T stored = storeNumber<T>(word, factor, LineContext{"m.mis", 7}, "x");
        EXPECT_TRUE(fits && stored == static_cast<T>(expected)) << word << " x" << factor;
    } catch (const Error& error) {
        EXPECT_FALSE(fits) << word << " x" << factor << ": " << error.what();
        EXPECT_TRUE(error.fault() == Fault::OutOfRange && error.line() == 7) << error.what();
    }
}

TEST(MissionText, QuickPathsToANumberStoreWhatTheGeneralParserGives) {
    // clang-format off
    const std::string words[] = {
        "0", "-0", "-0.0", "7", "+7.25", ".5", "5.", "0.5", "1.5", "2.5", "-2.5", "0.29", "-0.00390625", "1.2.3",
        "12abc", "1e3", "", "-", ".", "255", "256", "-1", "32767.5", "-32768.4", "2147483647", "2147483648",
        "8388607.99609375", "-8388608", "999999999999999", "9999999999999999", "0.0000000000000001",
        "123456789.012345", "21474836.475"};
    // clang-format on
    for (const std::string& word : words) {
        for (std::int32_t factor : {1, 50, 100, 256}) {
            expectStoredAsTheGeneralParserSays<std::int32_t>(word, factor);
            expectStoredAsTheGeneralParserSays<std::int16_t>(word, factor);
            expectStoredAsTheGeneralParserSays<std::uint8_t>(word, factor);
        }
    }
}

TEST(MissionText, LinesEndAtCrLfAtCrAndAtLf) {
    const std::pair<std::string_view, Words> cases[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}}, {"a\r\n", {"a"}}, {"", {}}, {"\r\n\r\n", {"", ""}}, {"\n\r", {"", ""}},
        {"x\r\r\ny", {"x", "", "y"}},
    };
    for (const auto& [text, lines] : cases) {
        LineCursor cursor(text);
        Words taken;
        for (std::string_view line; cursor.next(line);) taken.emplace_back(line);
        EXPECT_EQ(taken, lines);
        EXPECT_EQ(cursor.lineNumber(), static_cast<std::int64_t>(lines.size()));
    }
}

TEST(MissionText, PathPartsTakeBothSeparators) {
    // clang-format off
    const std::pair<std::string, std::string> titles[] = {
        {"C:\\Missions\\m01.bms", "m01.bms"}, {"m01.bms", "m01.bms"}, {"C:\\Missions\\", ""},
        {"/home/user/missions/m01.bms", "m01.bms"}, {"C:\\Missions/sub\\m02.mis", "m02.mis"}};
    for (const auto& [path, title] : titles) EXPECT_EQ(FileTitleOf(path), title) << path;
    // A folder keeps the separator its path uses; a NUL ends the path.
    const std::pair<std::string, std::string> folders[] = {
        {"C:\\Missions\\m01.bms", "C:\\Missions\\"}, {"C:\\Missions", "C:\\Missions\\"},
        {"C:\\Old.Files\\List", "C:\\Old.Files\\"}, {std::string("C:\\Missions\0m01.bms", 19), "C:\\Missions\\"},
        {"m01.bms", ""}, {"/home/user", "/home/user/"}, {std::string("/home/user/\0m01.bms", 19), "/home/user/"},
        {"C:\\Missions/m01.bms", "C:\\Missions/"}};
    // clang-format on
    for (const auto& [path, folder] : folders) EXPECT_EQ(FolderOf(path), folder) << path;
}

// Text enters a fixed field cut or NUL-padded to its width and leaves it without any NUL.
TEST(MissionText, FixedFieldsAreFilledToTheirWidthAndReadWithoutNuls) {
    using namespace std::string_literals;
    const std::tuple<std::string, std::size_t, std::string> fitted[] = {
        {"harbour", 7, "harbour"}, {"harbour", 4, "harb"}, {"sea", 5, "sea\0\0"s}, {"", 2, "\0\0"s}};
    for (const auto& [text, width, field] : fitted) {
        EXPECT_EQ(FixLength(text, width), field) << text << width;
        EXPECT_EQ(StripNulls(field), text.substr(0, width));
    }
    EXPECT_EQ(StripNulls("a\0 b\0\0c \0"s), "a bc ") << "blanks stay, NULs go wherever they stand";
}

TEST(MissionText, CreatedOnInEnglishOnATwelveHourClock) {
    const std::int64_t noon = 1796558400;  // Sunday, December 6 2026, 12:00 UTC
    // clang-format off
    const std::pair<std::int64_t, const char*> cases[] = {
        {noon, "Sunday, December 6 2026 at 12:00:00 PM"}, {0, "Thursday, January 1 1970 at 12:00:00 AM"},
        {noon - 12 * 3600, "Sunday, December 6 2026 at 12:00:00 AM"}, {noon - 1, "Sunday, December 6 2026 at 11:59:59 AM"},
        {noon + 3665, "Sunday, December 6 2026 at 01:01:05 PM"}, {noon + 43199, "Sunday, December 6 2026 at 11:59:59 PM"},
        {951782400, "Tuesday, February 29 2000 at 12:00:00 AM"}, {-1, "Wednesday, December 31 1969 at 11:59:59 PM"}};
    // clang-format on
    for (const auto& [seconds, text] : cases) EXPECT_EQ(createdOnText(utcFromEpochSeconds(seconds)), text) << seconds;
    std::tm tm{};
    tm.tm_year = 126, tm.tm_mon = 8, tm.tm_mday = 9, tm.tm_wday = 3, tm.tm_hour = 7, tm.tm_min = 5, tm.tm_sec = 3;
    EXPECT_EQ(createdOnText(timestampFrom(tm)), "Wednesday, September 9 2026 at 07:05:03 AM");
}

}  // namespace
}  // namespace vok
