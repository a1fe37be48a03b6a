// The list file layouts and their faults, the code page, and the text form of the lists.
#include "lists/list_files.h"

#include <gtest/gtest.h>

#include "lists/codepage.h"
#include "lists/list_text.h"
#include "mission/core/error.h"
#include "tests/lists/list_bytes.h"

namespace vok {
namespace {

using testing::itemListBytes;
using testing::replaceListBytes;

TEST(ListFiles, EntriesAreReadInFileOrderAndEncodedBackByteForByte) {
    // Identifiers 1 and 32767, descriptions of 0 and 32767 bytes, a duplicate identifier.
    const std::string longest(kMaxDescriptionBytes, '\xE9');
    const std::string items =
        itemListBytes({{5, "Five"}, {1, ""}, {32767, longest}, {3001, "a"}, {3001, "b"}});
    const std::vector<ItemListEntry> itemEntries = {
        {5, "Five"}, {1, ""}, {32767, longest}, {3001, "a"}, {3001, "b"}};
    const std::string replacements = replaceListBytes({{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}});
    const std::vector<ReplaceEntry> replaceEntries = {{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}};
    EXPECT_EQ(encodeItemList(itemEntries), items);
    EXPECT_EQ(encodeReplaceList(replaceEntries), replacements);
    // Bytes after the counted entries are not read.
    EXPECT_EQ(parseItemList(items + std::string(40, '\xFF'), "x"), itemEntries);
    EXPECT_EQ(parseReplaceList(replacements + std::string(86, '\x7F'), "x"), replaceEntries);
}

TEST(ListFiles, AFaultyListIsOneErrorNamingTheFileAndTheFault) {
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
        try {
            itemList ? (void)parseItemList(bytes, "lists/DF2Items.vok")
                     : (void)parseReplaceList(bytes, "lists/R.vok");
            ADD_FAILURE() << "accepted: " << words;
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::BadList);
            EXPECT_EQ(error.path(), itemList ? "lists/DF2Items.vok" : "lists/R.vok");
            EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
        }
    }
    // Every cut of a valid file is refused.
    const std::string items = itemListBytes({{1001, "Decoration"}, {2005, ""}, {5001, "Person 5001"}});
    const std::string replacements = replaceListBytes({{2, 1, 2}, {3, 4, 5}});
    for (std::size_t length = 0; length < items.size(); ++length) {
        EXPECT_THROW(parseItemList(items.substr(0, length), "x"), Error) << "cut at " << length;
        EXPECT_THROW(parseReplaceList(replacements.substr(0, std::min(length, replacements.size() - 1)), "x"),
                     Error);
    }
}

// Windows-1252 <-> UTF-8: every byte survives; UTF-8 that is malformed or holds a character
// outside the code page is refused, naming the bad part.
TEST(CodePage, EveryByteSurvivesTheRoundTripAndOnlyWellFormedTextOfTheCodePageIsTaken) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(cp1252ToUtf8("\x80\x9F\x81"), "\xE2\x82\xAC\xC5\xB8\xC2\x81");  // undefined 0x81: its control

    const std::pair<std::string, std::string> refused[] = {
        {"ok \xE2\x82\xA9", "\xE2\x82\xA9"},       // won sign: not in Windows-1252
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // an emoji
        {"a\xC3", "\xC3"},                         // cut
        {"\xFF", "\xFF"},                          // not UTF-8 at all
        // Each decodes to a number: overlong forms of "/", NUL and U+00E9, a surrogate, a code
        // point above U+10FFFF.
        {"\xC0\xAF", "\xC0\xAF"},
        {"x\xE0\x80\x80", "\xE0\x80\x80"},
        {"\xF0\x80\x83\xA9", "\xF0\x80\x83\xA9"},
        {"\xED\xA0\x80", "\xED\xA0\x80"},
        {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
    };
    for (const auto& [text, badPart] : refused) {
        std::string bad;
        EXPECT_FALSE(utf8ToCp1252(text, &bad).has_value()) << text;
        EXPECT_EQ(bad, badPart);
    }
}

// The text form: the round trip through every byte value is vok lists export/import's test.
TEST(ListText, CrLfAndCommentsAreReadAndAFaultyLineNamesTheFileAndLine) {
    EXPECT_EQ(itemListFromText("# comment\r\n\r\n5\tCaf\xC3\xA9\r\n6\tx\ty\r\n", "t"),
              (std::vector<ItemListEntry>{{5, "Caf\xE9"}, {6, "x\ty"}}));
    const std::tuple<bool, const char*, std::int64_t> cases[] = {
        // item list?, text, faulty line
        {true, "1\ta\n2 b\n", 2},  // no tab
        {true, "x1\ta\n", 1},
        {true, "# c\n0\ta\n", 2},
        {true, "40000\ta\n", 1},
        {true, "1\ta\\\n", 1},  // a lone backslash
        {true, "1\t\\q\n", 1},
        {true, "1\t\\x4\n", 1},
        {true, "1\t\xE2\x82\xA9\n", 1},           // not in the code page
        {true, "1\ta\n2\t\xC0\xAF\n", 2},         // an overlong "/"
        {true, "# c\n7\ta\n3001\tb\n7\tc\n", 4},  // a duplicate identifier
        {false, "1\t2\n", 1},
        {false, "1\t2\t3\n1\t2\t3\t4\n", 2},
        {false, "1\t2\tx\n", 1},
    };
    for (const auto& [itemList, text, line] : cases) {
        try {
            itemList ? (void)itemListFromText(text, "lists/I.txt")
                     : (void)replaceListFromText(text, "lists/R.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::BadList) << text;
            EXPECT_EQ(error.path(), itemList ? "lists/I.txt" : "lists/R.txt");
            EXPECT_EQ(error.line(), line) << text;
        }
    }
}

}  // namespace
}  // namespace vok
