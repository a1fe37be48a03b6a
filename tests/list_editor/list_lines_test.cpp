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
        {3001, "", " = 3001", "3001 = "},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(itemLine(kDescriptionFirst, QString::fromUtf8(row.description), row.id),
                  QString::fromUtf8(row.mode1));
        EXPECT_EQ(itemLine(kIdentifierFirst, QString::fromUtf8(row.description), row.id),
                  QString::fromUtf8(row.mode2));
    }
}

TEST(ListEditorReplacementLines, ReadAsSentencesWithDescriptionsOfBothVersions) {
    testing::TempDir dir;
    dir.write("DF1Items.vok", encodeItemList({{1040, "Bush"}}));
    dir.write("DF2Items.vok", encodeItemList({{2005, "Humvee"}}));
    dir.write("DF3Items.vok", encodeItemList({{2050, "Tank"}}));
    for (const char* name : {"DF1Replace.vok", "DF2Replace.vok", "DF3Replace.vok"}) {
        dir.write(name, encodeReplaceList({{0, 0, 0}}));
    }
    ListStore store(dir.path());
    store.InitilizeItemLists();

    const struct {
        DfType source;
        ReplaceEntry entry;
        const char* mode1;
        const char* mode2;
    } rows[] = {
        {DfType::Df2,
         {3, 2005, 2050},
         "Humvee 2005 (DF2) -> Tank 2050 (DF:LW)",
         "2005 Humvee (DF2) -> 2050 Tank (DF:LW)"},
        {DfType::Df1,
         {3, 77, 2005},
         "(not in list) 0077 (DF1) -> (not in list) 2005 (DF:LW)",
         "0077 (not in list) (DF1) -> 2005 (not in list) (DF:LW)"},
        {DfType::Df1,
         {7, 1040, 2005},
         "Bush 1040 (DF1) -> (not in list) 2005 (DF7)",
         "1040 Bush (DF1) -> 2005 (not in list) (DF7)"},
    };
    for (const auto& row : rows) {
        const QString mode1 = replacementLine(kDescriptionFirst, row.source, row.entry, 12, store);
        EXPECT_EQ(mode1, QString::fromUtf8(row.mode1) + EncodeIndexTag(12));
        EXPECT_EQ(replacementLine(kIdentifierFirst, row.source, row.entry, 3, store),
                  QString::fromUtf8(row.mode2) + EncodeIndexTag(3));
    }
}

}  // namespace
}  // namespace vok::editor
