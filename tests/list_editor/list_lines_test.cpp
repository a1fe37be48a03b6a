#include "list_editor/list_lines.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "lists/list_store.h"
#include "tests/support/temp_dir.h"

namespace vok::editor {
namespace {

QString tagOf(std::initializer_list<int> codes) {
    QString tag(7, QLatin1Char('\t'));
    tag += QChar(21);
    for (const int code : codes) tag += QChar(code);
    return tag;
}

TEST(ListEditorIndexTag, WritesSevenTabsCharacter21AndTheDigitsAs22PlusDAndReadsThemBack) {
    EXPECT_EQ(EncodeIndexTag(1), tagOf({23}));
    EXPECT_EQ(EncodeIndexTag(12), tagOf({23, 24}));
    EXPECT_EQ(EncodeIndexTag(907), tagOf({31, 22, 29}));
    for (const int position : {1, 2, 9, 10, 99, 1234, 65535}) {
        const QString line = QStringLiteral("Jeep=DF1->DF2=Humvee") + EncodeIndexTag(position);
        EXPECT_EQ(DecodeIndexTag(line), position) << position;
        EXPECT_EQ(visibleText(line), QStringLiteral("Jeep=DF1->DF2=Humvee"));
    }
    EXPECT_EQ(DecodeIndexTag(QStringLiteral("Humvee = 2005")), 0);
    // Only the characters 22..31 after the first 21 are digits; anything else there is skipped.
    EXPECT_EQ(DecodeIndexTag(QStringLiteral("a") + QChar(21) + QChar(25) + QLatin1Char('x') + QChar(23) +
                             QChar(21)),
              31);
}

TEST(ListEditorItemLines, ShowFourDigitIdentifiersInBothOrders) {
    struct Row {
        int id;
        const char* description;
        const char* mode1;
        const char* mode2;
    };
    const Row rows[] = {
        {2005, "Humvee", "Humvee = 2005", "2005 = Humvee"},
        {40, "Crate", "Crate = 0040", "0040 = Crate"},
        {10000, "Big Flash", "Big Flash = 10000", "10000 = Big Flash"},
        {7, "a = b", "a = b = 0007", "0007 = a = b"},
        {3001, "", " = 3001", "3001 = "},
    };
    for (const auto& row : rows) {
        const QString mode1 = itemLine(kDescriptionFirst, QString::fromUtf8(row.description), row.id);
        const QString mode2 = itemLine(kIdentifierFirst, QString::fromUtf8(row.description), row.id);
        EXPECT_EQ(mode1, QString::fromUtf8(row.mode1));
        EXPECT_EQ(mode2, QString::fromUtf8(row.mode2));
        EXPECT_EQ(identifierOfItemLine(mode1, kDescriptionFirst), row.id) << row.mode1;
        EXPECT_EQ(identifierOfItemLine(mode2, kIdentifierFirst), row.id) << row.mode2;
    }
}

TEST(ListEditorReplacementLines, UseDescriptionsOrIdentifiersAndTheMarker) {
    testing::TempDir dir;
    dir.write("DF1Items.vok", encodeItemList({{1040, "Bush"}}));
    dir.write("DF2Items.vok", encodeItemList({{2005, "Humvee"}}));
    dir.write("DF3Items.vok", encodeItemList({{2050, "Hummer"}}));
    for (const char* name : {"DF1Replace.vok", "DF2Replace.vok", "DF3Replace.vok"}) {
        dir.write(name, encodeReplaceList({{0, 0, 0}}));
    }
    ListStore store(dir.path());
    store.InitilizeItemLists();

    const ReplaceEntry described{2, 1040, 2005};
    EXPECT_EQ(replacementLine(kDescriptionFirst, 1, described, 3, store),
              QStringLiteral("Bush=DF1->DF2=Humvee") + EncodeIndexTag(3));
    EXPECT_EQ(replacementLine(kIdentifierFirst, 1, described, 3, store),
              QStringLiteral("1040=DF1->DF2=2005") + EncodeIndexTag(3));
    // No description in the source's or the target's list: the padded identifier stands in.
    EXPECT_EQ(replacementLine(kDescriptionFirst, 1, {3, 77, 2005}, 12, store),
              QStringLiteral("0077=DF1->DF3=2005") + EncodeIndexTag(12));
    EXPECT_EQ(replacementMarker(3, 1), QStringLiteral("=DF3->DF1="));
}

}  // namespace
}  // namespace vok::editor
