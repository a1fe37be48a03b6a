// The text helpers every reader and writer shares: splitting lines into words, numbers from
// words, fixed text fields, path parts, the number formats of the ascii form and the "created on"
// line.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "mission/core/error.h"
#include "mission/core/fixed_text.h"
#include "mission/core/mis_fields.h"
#include "mission/core/number_format.h"
#include "mission/core/text.h"
#include "mission/core/timestamp.h"

namespace vok {
namespace {

using Words = std::vector<std::string>;

std::string scaled(std::int64_t value, std::int32_t factor) {
    std::string text;
    appendScaled(text, value, factor);
    return text;
}

TEST(MissionSplitMisLine, WorkedExamplesAndTheWordSplitterGivesTheSameWords) {
    struct Case {
        std::string line;
        Words words;
    };
    const Case cases[] = {
        {"  name \"Night Raid\"", {"name", "Night Raid"}},  {"", {""}},
        {"    ", {""}},                                       {"a  b", {"a", "b"}},
        {"a b ", {"a", "b", ""}},                             {"x \"a b", {"x", "a b"}},
        {"ab\"cd\"", {"abcd"}},                               {"a\tb c", {"a\tb", "c"}},
        {"\"\"", {""}},                                        {"\"a\" \"b\"", {"a", "b"}},
        {"  brief \" lead and trail \"", {"brief", " lead and trail "}},
        {std::string("nul\0byte", 8), {std::string("nul\0byte", 8)}},
    };
    WordSplitter splitter;  // one splitter for all lines: it reuses its buffer
    for (const Case& c : cases) {
        EXPECT_EQ(SplitMisLine(c.line), c.words) << '[' << c.line << ']';
        const auto words = splitter.split(c.line);
        EXPECT_EQ(Words(words.begin(), words.end()), c.words) << '[' << c.line << ']';
        EXPECT_EQ(splitter.size(), words.size());
    }
    splitter.split("alpha beta");
    EXPECT_EQ((Words{std::string(splitter.word(0)), std::string(splitter.word(1)), std::string(splitter.word(2)),
                     std::string(splitter.word(3))}),
              (Words{"", "alpha", "beta", ""}));
}

TEST(MissionMisLineToken, WordNOrTheEmptyText) {
    const std::pair<int, std::string> cases[] = {{2, "2010"}, {3, ""}, {1, "type_id"}, {0, ""}, {-1, ""}};
    for (const auto& [n, word] : cases) EXPECT_EQ(MisLineToken("type_id 2010", n), word) << n;
    EXPECT_EQ(MisLineToken("  \"a b\" c", 1), "a b");
}

TEST(MissionMisValue, TheNumberAtTheStartOfAWord) {
    struct Case {
        const char* word;
        double value;
    };
    const Case cases[] = {
        {"12", 12},      {"-1.5", -1.5},  {"2.5e2", 250},   {"12abc", 12},  {"abc", 0},      {"", 0},
        {".5", 0.5},     {"5.", 5},       {"+3", 3},        {"-", 0},       {".", 0},        {"-.25", -0.25},
        {"1e", 1},       {"1e+", 1},      {"1E-2", 0.01},   {"1d2", 100},   {"2D+1", 20},    {"1.2.3", 1.2},
        {"--5", 0},      {"0x10", 0},     {"1,5", 1},       {"007", 7},     {"1e-400", 0},   {"-0", 0},
        {"3e0x", 3},     {"e5", 0},       {"inf", 0},       {"nan", 0},     {"12 34", 12},   {"4294967296", 4294967296.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(MisValue(c.word), c.value) << c.word;
    EXPECT_EQ(MisValue("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(MisValue("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(MisValue(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(MisValue("0." + std::string(400, '0') + "1"), 0.0);
}

// The readers store a number through quick paths for plain whole numbers and plain decimals; they
// must give what the general parser gives, rounding and range faults included.
template <class T>
void expectStoredAsTheGeneralParserSays(const std::string& word, std::int32_t factor) {
    const double expected = std::nearbyint(MisValue(word) * factor);
    const bool fits = expected >= std::numeric_limits<T>::min() && expected <= std::numeric_limits<T>::max();
    const LineContext context{"m.mis", 7};
    try {
        EXPECT_EQ(storeNumber<T>(word, factor, context, "x"), static_cast<T>(expected)) << word << " x" << factor;
        EXPECT_TRUE(fits) << word << " x" << factor << " was taken though it does not fit";
    } catch (const Error& error) {
        EXPECT_FALSE(fits) << word << " x" << factor << ": " << error.what();
        EXPECT_EQ(error.fault(), Fault::OutOfRange);
        EXPECT_EQ(error.line(), 7);
    }
}

TEST(MissionStoreNumber, QuickPathsGiveWhatTheGeneralParserGives) {
    std::vector<std::string> words = {
        "0",      "-0",        "-0.0",     "7",         "+7.25",      ".5",          "5.",
        "0.5",    "1.5",       "2.5",      "-2.5",      "0.1",        "0.29",        "-0.00390625",
        "1.2.3",  "12abc",     "1e3",      "1d2",       "",           "-",           ".",
        "255",    "256",       "-1",       "32767.5",   "-32768.4",   "2147483647",  "2147483648",
        "8388607.99609375",    "-8388608", "999999999999999",         "9999999999999999",
        "0.000000000000001",   "0.0000000000000001",      "123456789.012345",        "21474836.475"};
    for (std::int64_t v = -2147483648LL; v <= 2147483647LL; v += 104729 * 331) {
        words.push_back(scaled(v, 256));
        words.push_back(scaled(v, 100));
    }
    for (const std::string& word : words) {
        for (std::int32_t factor : {1, 50, 100, 256}) {
            expectStoredAsTheGeneralParserSays<std::int32_t>(word, factor);
            expectStoredAsTheGeneralParserSays<std::int16_t>(word, factor);
            expectStoredAsTheGeneralParserSays<std::uint8_t>(word, factor);
        }
    }
    // Half to even, as the general parser's result is rounded.
    const LineContext context{"m.mis", 1};
    EXPECT_EQ(storeNumber<std::int32_t>("2.5", 1, context, "x"), 2);
    EXPECT_EQ(storeNumber<std::int32_t>("3.5", 1, context, "x"), 4);
    EXPECT_EQ(storeNumber<std::int32_t>("0.00390625", 256, context, "x"), 1);
}

TEST(MissionFixedTexts, StripNullsAndFixLength) {
    EXPECT_EQ(StripNulls(std::string("abc") + std::string(13, '\0')), "abc");
    EXPECT_EQ(StripNulls(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(StripNulls(std::string("\0 x \0", 5)), " x ");
    EXPECT_EQ(StripNulls(""), "");

    EXPECT_EQ(FixLength("day1.env", 32), std::string("day1.env") + std::string(24, '\0'));
    const std::string forty = "0123456789012345678901234567890123456789";
    EXPECT_EQ(FixLength(forty, 32), forty.substr(0, 32));
    EXPECT_EQ(FixLength(forty.substr(0, 32), 32), forty.substr(0, 32));
    EXPECT_EQ(FixLength("", 3), std::string(3, '\0'));

    FixedText<16> field;
    EXPECT_TRUE(field.isEmpty());
    EXPECT_EQ(field.text(), "");
    field.set("abcdefghijklmnopq");
    EXPECT_EQ(field.raw(), "abcdefghijklmnop");  // exactly the width: no NUL
    field.set(std::string("a\0b", 3));
    EXPECT_EQ(field.text(), "ab");
    EXPECT_FALSE(field.isEmpty());
}

TEST(MissionPathHelpers, FileTitleOfAndFolderOfTakeBothSeparators) {
    const std::pair<std::string, std::string> titles[] = {
        {"C:\\Missions\\m01.bms", "m01.bms"}, {"m01.bms", "m01.bms"}, {"C:\\Missions\\", ""},
        {"/home/user/missions/m01.bms", "m01.bms"}, {"C:\\Missions/sub\\m02.mis", "m02.mis"}, {"missions/", ""}};
    for (const auto& [path, title] : titles) EXPECT_EQ(FileTitleOf(path), title) << path;

    // A folder path keeps the separator it uses; a NUL ends the path.
    const std::pair<std::string, std::string> folders[] = {
        {"C:\\Missions\\m01.bms", "C:\\Missions\\"}, {"C:\\Missions", "C:\\Missions\\"},
        {"C:\\Missions\\", "C:\\Missions\\"}, {"C:\\Old.Files\\List", "C:\\Old.Files\\"},
        {std::string("C:\\Missions\0m01.bms", 19), "C:\\Missions\\"},
        {std::string("C:\\Missions\\\0m01.bms", 20), "C:\\Missions\\"}, {"m01.bms", ""},
        {"/home/user/m01.bms", "/home/user/"}, {"/home/user", "/home/user/"},
        {"/home/old.files/list", "/home/old.files/"}, {std::string("/home/user\0m01.bms", 18), "/home/user/"},
        {"C:\\Missions/m01.bms", "C:\\Missions/"},
    };
    for (const auto& [path, folder] : folders) EXPECT_EQ(FolderOf(path), folder) << path;
}

TEST(MissionKeywords, CompareInAnyLetterCase) {
    EXPECT_TRUE(keywordIs("BEGIN", "begin"));
    EXPECT_TRUE(keywordIs("Type_Id", "type_id"));
    EXPECT_FALSE(keywordIs("begins", "begin"));
    EXPECT_FALSE(keywordIs("", "begin"));
    EXPECT_TRUE(keywordIs("", ""));
    EXPECT_FALSE(keywordIs("B\xC9GIN", "b\xE9gin"));  // only ASCII letters change case
}

TEST(MissionLineCursor, EndsLinesAtCrLfCrAndLf) {
    auto lines = [](std::string_view text) {
        LineCursor cursor(text);
        Words result;
        std::string_view line;
        while (cursor.next(line)) {
            result.emplace_back(line);
            EXPECT_EQ(cursor.lineNumber(), static_cast<std::int64_t>(result.size()));
        }
        return result;
    };
    EXPECT_EQ(lines("a\r\nb\rc\nd"), (Words{"a", "b", "c", "d"}));
    EXPECT_EQ(lines("a\r\n"), (Words{"a"}));
    EXPECT_EQ(lines(""), Words{});
    EXPECT_EQ(lines("\r\n\r\n"), (Words{"", ""}));
    EXPECT_EQ(lines("\r\r"), (Words{"", ""}));
    EXPECT_EQ(lines("\n\r"), (Words{"", ""}));  // LF, then CR alone: two line ends
    EXPECT_EQ(lines("x\r\r\ny"), (Words{"x", "", "y"}));
}

TEST(MissionNumberFormat, IntegersAndScaledValues) {
    for (std::int64_t v : {0LL, -42LL, 2147483647LL, -2147483648LL}) {
        std::string out;
        appendInteger(out, v);
        EXPECT_EQ(out, std::to_string(v));
    }
    struct Case {
        std::int64_t value;
        std::int32_t factor;
        const char* text;
    };
    const Case cases[] = {
        {384, 256, "1.5"},          {-64, 256, "-0.25"},     {1, 256, "0.00390625"},
        {-1, 256, "-0.00390625"},   {250, 100, "2.5"},       {0, 100, "0"},
        {512, 256, "2"},            {-300, 100, "-3"},       {-99, 100, "-0.99"},
        {2147483647, 256, "8388607.99609375"},              {-2147483648LL, 256, "-8388608"},
        {2147483647, 100, "21474836.47"},                   {-2147483648LL, 100, "-21474836.48"},
        {7, 1, "7"},
    };
    for (const Case& c : cases) EXPECT_EQ(scaled(c.value, c.factor), c.text) << c.value << " / " << c.factor;
    // Every 32-bit value / 256 and / 100 reads back exactly.
    for (std::int64_t v = -2147483648LL; v <= 2147483647LL; v += 104729 * 331) {
        for (std::int32_t factor : {256, 100}) {
            const std::string text = scaled(v, factor);
            EXPECT_EQ(text.find_first_of("eE+"), std::string::npos) << text;
            EXPECT_EQ(std::nearbyint(MisValue(text) * factor), static_cast<double>(v)) << text;
        }
    }
}

TEST(MissionCreatedOn, EnglishNamesAndATwelveHourClock) {
    const std::int64_t noon = 1796558400;  // Sunday, December 6 2026, 12:00 UTC
    const std::pair<std::int64_t, const char*> cases[] = {
        {noon, "Sunday, December 6 2026 at 12:00:00 PM"},
        {0, "Thursday, January 1 1970 at 12:00:00 AM"},
        {noon - 12 * 3600, "Sunday, December 6 2026 at 12:00:00 AM"},
        {noon - 1, "Sunday, December 6 2026 at 11:59:59 AM"},
        {noon + 3600 + 65, "Sunday, December 6 2026 at 01:01:05 PM"},
        {noon + 12 * 3600 - 1, "Sunday, December 6 2026 at 11:59:59 PM"},
        {951782400, "Tuesday, February 29 2000 at 12:00:00 AM"},
        {-1, "Wednesday, December 31 1969 at 11:59:59 PM"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(createdOnText(utcFromEpochSeconds(seconds)), text) << seconds;

    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 8;
    tm.tm_mday = 9;
    tm.tm_wday = 3;
    tm.tm_hour = 7;
    tm.tm_min = 5;
    tm.tm_sec = 3;
    EXPECT_EQ(createdOnText(timestampFrom(tm)), "Wednesday, September 9 2026 at 07:05:03 AM");
}

}  // namespace
}  // namespace vok
