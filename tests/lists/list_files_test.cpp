// The list file layouts and their faults, the code page, and the text form of the lists.
#include "lists/list_files.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "lists/list_text.h"
#include "mission/core/error.h"

namespace vok {
namespace {

// List file bytes written out by hand, apart from the code that encodes them: a 32-bit count (by
// default the number of entries), then per entry a 16-bit identifier and a counted description,
// or three 16-bit values. All little-endian.
std::string le(long long value, int n) { return n == 0 ? "" : char(value & 0xFF) + le(value >> 8, n - 1); }
std::string itemListBytes(const std::vector<std::pair<int, std::string>>& entries, std::optional<int> count = {}) {
    std::string bytes = le(count.value_or(static_cast<int>(entries.size())), 4);
    for (const auto& [id, text] : entries) bytes += le(id, 2) + le(static_cast<long long>(text.size()), 2) + text;
    return bytes;
}
std::string replaceListBytes(const std::vector<std::array<int, 3>>& entries, std::optional<int> count = {}) {
    std::string bytes = le(count.value_or(static_cast<int>(entries.size())), 4);
    for (const auto& [to, id, replacement] : entries) bytes += le(to, 2) + le(id, 2) + le(replacement, 2);
    return bytes;
}

/// Whether `parse` refuses with a BadList error naming `path`, the message holding `words`, and at `line`.
template <class Parse>
void expectRefused(Parse parse, const char* path, const std::string& words, std::int64_t line = -1) {
    try {
        (void)parse(path);
        ADD_FAILURE() << "accepted: " << words;
    } catch (const Error& error) {
        EXPECT_EQ(error.fault(), Fault::BadList);
        EXPECT_EQ(error.path(), path);
        EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
        EXPECT_TRUE(line < 0 || error.line() == line) << words << " at line " << error.line();
    }
}

TEST(ListFiles, EntriesRoundTripByteForByteAndAFaultyListIsRefusedNamingTheFile) {
    // Identifiers 1 and 32767, descriptions of 0 and 32767 bytes, a duplicate identifier; bytes
    // after the counted entries are not read.
    const std::string longest(kMaxDescriptionBytes, '\xE9');
    const std::vector<ItemListEntry> items = {{5, "Five"}, {1, ""}, {32767, longest}, {3001, "a"}, {3001, "b"}};
    const std::vector<ReplaceEntry> replacements = {{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}};
    const std::string itemBytes = itemListBytes({{5, "Five"}, {1, ""}, {32767, longest}, {3001, "a"}, {3001, "b"}});
    const std::string replaceBytes = replaceListBytes({{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}});
    EXPECT_EQ(encodeItemList(items), itemBytes);
    EXPECT_EQ(encodeReplaceList(replacements), replaceBytes);
    EXPECT_EQ(parseItemList(itemBytes + std::string(40, '\xFF'), "x"), items);
    EXPECT_EQ(parseReplaceList(replaceBytes + std::string(86, '\x7F'), "x"), replacements);

    const std::tuple<bool, std::string, const char*> cases[] = {
        // item list?, bytes, words of the message
        {true, "", "ends before"},
        {false, "", "ends before"},
        {true, itemListBytes({}, 0), "count is 0"},
        {true, itemListBytes({{1, "a"}}, -1), "count is -1"},
        {false, replaceListBytes({}, -7), "count is -7"},
        {true, itemListBytes({{4, "a"}, {0, "zero"}}), "identifier 0"},
        {true, itemListBytes({{-3, "neg"}}), "identifier -3"},
        {true, itemListBytes({{1, std::string(kMaxDescriptionBytes + 1, 'x')}}), "32768 bytes is longer"},
        {true, itemListBytes({{1, "a"}, {2, "b"}}, 3), "ends before"},
        {false, replaceListBytes({{2, 1, 2}}, 2), "ends before"},
    };
    for (const auto& [itemList, bytes, words] : cases) {
        if (itemList) expectRefused([&](const char* p) { return parseItemList(bytes, p); }, "lists/I.vok", words);
        if (!itemList) expectRefused([&](const char* p) { return parseReplaceList(bytes, p); }, "lists/R.vok", words);
    }
}

TEST(ListText, CrLfCommentsAndAByteOrderMarkAreReadAndAFaultyLineNamesTheFileAndLine) {
    EXPECT_EQ(itemListFromText("# comment\r\n\r\n5\tCaf\xC3\xA9\r\n6\tx\ty\r\n", "t"),
              (std::vector<ItemListEntry>{{5, "Caf\xE9"}, {6, "x\ty"}}));
    EXPECT_EQ(itemListFromText("\xEF\xBB\xBF"
                               "5\tCaf\xC3\xA9\r\n",
                               "t"),
              (std::vector<ItemListEntry>{{5, "Caf\xE9"}}));
    EXPECT_EQ(replaceListFromText("\xEF\xBB\xBF"
                                  "7\t2\t9\n",
                                  "t"),
              (std::vector<ReplaceEntry>{{2, 7, 9}}));
    // Item list?, text, faulty line: no tab, no number, identifiers 0 and 40000, a lone backslash, bad
    // escapes, a duplicate identifier; UTF-8 outside the code page (the won sign, an emoji), cut, not
    // UTF-8 at all, overlong ("/", NUL, U+00E9), a surrogate, above U+10FFFF; a replacement list's
    // two, four and non-numeric fields.
    // clang-format off
    const std::tuple<bool, const char*, std::int64_t> cases[] = {
        {true, "1\ta\n2 b\n", 2}, {true, "x1\ta\n", 1}, {true, "# c\n0\ta\n", 2}, {true, "40000\ta\n", 1},
        {true, "1\ta\\\n", 1}, {true, "1\t\\q\n", 1}, {true, "1\t\\x4\n", 1}, {true, "# c\n7\ta\n3001\tb\n7\tc\n", 4},
        {true, "1\t\xE2\x82\xA9\n", 1}, {true, "1\ta\n2\t\xF0\x9F\x98\x80\n", 2}, {true, "1\ta\xC3\n", 1},
        {true, "1\t\xFF\n", 1}, {true, "1\ta\n2\t\xC0\xAF\n", 2}, {true, "1\t\xE0\x80\x80\n", 1},
        {true, "1\t\xF0\x80\x83\xA9\n", 1}, {true, "1\t\xED\xA0\x80\n", 1}, {true, "1\t\xF4\x90\x80\x80\n", 1},
        {false, "1\t2\n", 1}, {false, "1\t2\t3\n1\t2\t3\t4\n", 2}, {false, "1\t2\tx\n", 1}};
    // clang-format on
    for (const auto& [itemList, text, line] : cases) {
        if (itemList) expectRefused([&](const char* p) { return itemListFromText(text, p); }, "lists/I.txt", "", line);
        if (!itemList)
            expectRefused([&](const char* p) { return replaceListFromText(text, p); }, "lists/R.txt", "", line);
    }
}

}  // namespace
}  // namespace vok
