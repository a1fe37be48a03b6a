// The list file layouts, their faults, the code page and the text form.
#include "lists/list_files.h"

#include <gtest/gtest.h>

#include "lists/codepage.h"
#include "lists/list_text.h"
#include "mission/core/error.h"
#include "tests/lists/list_bytes.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

using testing::itemListBytes;
using testing::replaceListBytes;

TEST(ListFiles, EntriesAreReadInFileOrderAndEncodedBackByteForByte) {
    const std::string items =
        itemListBytes({{5, "Five"}, {2, ""}, {7, "Seven \xE9"}, {3001, "a"}, {3001, "b"}});
    const std::vector<ItemListEntry> itemEntries = {
        {5, "Five"}, {2, ""}, {7, "Seven \xE9"}, {3001, "a"}, {3001, "b"}};
    EXPECT_EQ(parseItemList(items, "DF1Items.vok"), itemEntries);
    EXPECT_EQ(encodeItemList(itemEntries), items);

    const std::string replacements = replaceListBytes({{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}});
    const std::vector<ReplaceEntry> replaceEntries = {{0, 0, 0}, {2, 1040, 2005}, {3, -5, 32767}};
    EXPECT_EQ(parseReplaceList(replacements, "DF1Replace.vok"), replaceEntries);
    EXPECT_EQ(encodeReplaceList(replaceEntries), replacements);
}

TEST(ListFiles, BytesAfterTheCountedEntriesAreIgnored) {
    // A 100-byte replacement list whose count is 2: two entries, the other 86 bytes ignored.
    std::string bytes = replaceListBytes({{2, 1040, 2005}, {3, 1040, 2050}});
    bytes.resize(100, '\x7F');
    EXPECT_EQ(parseReplaceList(bytes, "DF1Replace.vok"),
              (std::vector<ReplaceEntry>{{2, 1040, 2005}, {3, 1040, 2050}}));
    EXPECT_EQ(parseItemList(itemListBytes({{9, "Nine"}}) + std::string(40, '\xFF'), "x").size(), 1u);
}

TEST(ListFiles, AShorterListWrittenOverALongerFileKeepsTheOldTail) {
    testing::TempDir dir;
    std::vector<testing::Replacement> ten;
    for (int i = 0; i < 10; ++i) ten.push_back({2, 1000 + i, 2000 + i});
    const std::string old = replaceListBytes(ten);
    ASSERT_EQ(old.size(), 64u);
    const auto path = dir.write("DF1Replace.vok", old);

    const std::vector<ReplaceEntry> three = {{2, 1, 2}, {3, 4, 5}, {1, 6, 7}};
    writeFileAtomically(path, overlayListBytes(old, encodeReplaceList(three)));
    const std::string now = testing::slurp(path);
    EXPECT_EQ(now, replaceListBytes({{2, 1, 2}, {3, 4, 5}, {1, 6, 7}}) + old.substr(22));
    EXPECT_EQ(parseReplaceList(now, "x"), three);
}

TEST(ListFiles, AFaultyListIsOneErrorNamingTheFileAndTheFault) {
    struct Case {
        bool itemList;
        std::string bytes;
        const char* detail;  // a word the message must carry
    };
    const Case cases[] = {
        {true, "", "ends before"},
        {false, "", "ends before"},
        {true, itemListBytes({}, 0), "count is 0"},
        {true, itemListBytes({{1, "a"}}, -1), "count is -1"},
        {false, replaceListBytes({}, -7), "count is -7"},
        {true, itemListBytes({{4, "a"}, {0, "zero"}}), "identifier 0"},
        {true, itemListBytes({{-3, "neg"}}), "identifier -3"},
        {true, itemListBytes({{1, "a"}, {2, "b"}}, 3), "ends before"},
        {false, replaceListBytes({{2, 1, 2}}, 2), "ends before"},
    };
    for (const auto& c : cases) {
        try {
            c.itemList ? (void)parseItemList(c.bytes, "lists/DF2Items.vok")
                       : (void)parseReplaceList(c.bytes, "lists/DF2Replace.vok");
            ADD_FAILURE() << "accepted: " << c.detail;
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::BadList);
            EXPECT_EQ(error.path(), c.itemList ? "lists/DF2Items.vok" : "lists/DF2Replace.vok");
            EXPECT_NE(std::string(error.what()).find(c.detail), std::string::npos) << error.what();
        }
    }
    // Every cut of a valid file is refused.
    const std::string items = itemListBytes({{1001, "Decoration"}, {2005, ""}, {5001, "Person 5001"}});
    for (std::size_t length = 0; length < items.size(); ++length) {
        EXPECT_THROW(parseItemList(items.substr(0, length), "x"), Error) << "cut at " << length;
    }
    const std::string replacements = replaceListBytes({{2, 1, 2}, {3, 4, 5}});
    for (std::size_t length = 0; length < replacements.size(); ++length) {
        EXPECT_THROW(parseReplaceList(replacements.substr(0, length), "x"), Error) << "cut at " << length;
    }
}

// Windows-1252 <-> UTF-8.
TEST(CodePage, EveryByteValueSurvivesTheRoundTripAndKnownCharactersMapExactly) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);

    const std::pair<std::string, std::string> cases[] = {
        {"A", "A"},
        {"\x80", "\xE2\x82\xAC"},  // euro sign
        {"\x99", "\xE2\x84\xA2"},  // trade mark
        {"\x9F", "\xC5\xB8"},      // Y with diaeresis
        {"\xE9", "\xC3\xA9"},      // e acute
        {"\xA0", "\xC2\xA0"},
        {"\xFF", "\xC3\xBF"},
        {"\x81", "\xC2\x81"},  // undefined in the code page: kept as the control of that number
    };
    for (const auto& [bytes, utf8] : cases) {
        EXPECT_EQ(cp1252ToUtf8(bytes), utf8);
        EXPECT_EQ(utf8ToCp1252(utf8), bytes);
    }
}

TEST(CodePage, TextTheCodePageCannotHoldIsRefusedAndNamed) {
    const std::pair<std::string, std::string> cases[] = {
        {"ok \xE2\x82\xA9", "\xE2\x82\xA9"},       // won sign: not in Windows-1252
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // an emoji
        {"a\xC3", "\xC3"},                         // cut UTF-8
        {"\xFF", "\xFF"},                          // not UTF-8 at all
        // Malformed though each decodes to a number: overlong forms of "/", NUL and U+00E9, a
        // surrogate, a code point above U+10FFFF.
        {"\xC0\xAF", "\xC0\xAF"},
        {"x\xE0\x80\x80", "\xE0\x80\x80"},
        {"\xF0\x80\x83\xA9", "\xF0\x80\x83\xA9"},
        {"\xED\xA0\x80", "\xED\xA0\x80"},
        {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},
    };
    for (const auto& [text, badPart] : cases) {
        std::string bad;
        EXPECT_FALSE(utf8ToCp1252(text, &bad).has_value()) << text;
        EXPECT_EQ(bad, badPart);
    }
}

// The text form of the lists.
TEST(ListText, ListsSurviveTheTextRoundTripWithAnyDescriptionBytes) {
    std::string every;
    for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
    const std::vector<ItemListEntry> items = {
        {7, "Seven"}, {2, ""}, {3001, "tab\there, line\nend, back\\slash, \r"}, {9999, every}};
    const std::string text = itemListToText(items, 2);
    EXPECT_EQ(text.rfind("# DF2Items.vok", 0), 0u);
    EXPECT_EQ(itemListFromText(text, "DF2Items.txt"), items);

    const std::vector<ReplaceEntry> replacements = {{0, 0, 0}, {2, 1040, 2005}, {3, -1, -32768}};
    const std::string replaceText = replaceListToText(replacements, 4);
    EXPECT_NE(replaceText.find("1040\t2\t2005\n"), std::string::npos);
    EXPECT_EQ(replaceListFromText(replaceText, "DF1Replace.txt"), replacements);
}

TEST(ListText, TheTextIsUtf8AndReadsCrLfAndComments) {
    EXPECT_NE(itemListToText({{5, "Caf\xE9"}}, 1).find("5\tCaf\xC3\xA9\n"), std::string::npos);
    const auto entries = itemListFromText("# comment\r\n\r\n5\tCaf\xC3\xA9\r\n6\tx\ty\r\n", "t");
    EXPECT_EQ(entries, (std::vector<ItemListEntry>{{5, "Caf\xE9"}, {6, "x\ty"}}));
}

TEST(ListText, AFaultyLineNamesTheFileAndLine) {
    struct Case {
        bool itemList;
        const char* text;
        std::int64_t line;
    };
    const Case cases[] = {
        {true, "1\ta\n2 b\n", 2},  // no tab
        {true, "x1\ta\n", 1},           {true, "# c\n0\ta\n", 2},
        {true, "40000\ta\n", 1},        {true, "1\ta\\\n", 1},  // a lone backslash
        {true, "1\t\\q\n", 1},          {true, "1\t\\x4\n", 1},
        {true, "1\t\xE2\x82\xA9\n", 1},  // not in the code page
        {true, "1\ta\n2\t\xC0\xAF\n", 2},  // an overlong "/"
        {true, "# c\n7\ta\n3001\tb\n7\tc\n", 4},  // a duplicate identifier
        {false, "1\t2\n", 1},           {false, "1\t2\t3\n1\t2\t3\t4\n", 2},
        {false, "1\t2\tx\n", 1},
    };
    for (const auto& c : cases) {
        try {
            c.itemList ? (void)itemListFromText(c.text, "lists/DF1Items.txt")
                       : (void)replaceListFromText(c.text, "lists/DF1Replace.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::BadList) << c.text;
            EXPECT_EQ(error.path(), c.itemList ? "lists/DF1Items.txt" : "lists/DF1Replace.txt");
            EXPECT_EQ(error.line(), c.line) << c.text;
        }
    }
}

}  // namespace
}  // namespace vok
