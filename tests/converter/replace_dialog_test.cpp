// The replacement dialog on its own: what it preselects and lists, and its answers.

#include "converter/replace_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

QStringList texts(const QWidget& dialog, const char* list) {
    QStringList result;
    for (const auto* item : find<QListWidget>(dialog, list)->findItems("", Qt::MatchContains)) result << item->text();
    return result;
}

QString current(const QWidget& dialog, const char* list) {
    const auto* item = find<QListWidget>(dialog, list)->currentItem();
    return item != nullptr ? item->text() : QString();
}

void choose(QWidget& dialog, const char* combo, int index) { find<QComboBox>(dialog, combo)->setCurrentIndex(index); }

class ReplaceDialogTest : public ConverterTest {
protected:
    /// Asks the dialog about one item; `step` runs while it waits and must answer.
    ReplacementAnswer ask(std::int16_t id, DfType from, DfType to, ModalScript::Step step) {
        ModalScript script;
        script.then("frmReplace", std::move(step));
        const ReplacementAnswer answer = dialog.ReplaceObject(id, from, to);
        EXPECT_TRUE(script.finished() && !dialog.isVisible());
        return answer;
    }

    converter::frmReplace dialog{lists, qtPath(programFolder.path()), fakes.launcher, {}, nullptr, &fakes.messages};
};

// The block of the missing type picks the types listed and the category shown: block 0 shows
// Decorations as block 1 does, blocks from 8000 show none. DF2 holds a type at every block edge.
TEST_F(ReplaceDialogTest, CategoryAndTypesPreselectedAtBothEdgesOfEveryBlock) {
    const std::tuple<std::int16_t, std::int16_t, int, QStringList> blocks[] = {
        // clang-format off
        // first and last type of a block, the category shown (-1: none), the types listed
        {999, 999, 0, {"0999"}}, {1000, 1999, 0, {"1000", "1200", "1999"}}, {2000, 2999, 1, {"2000", "2005", "2999"}},
        {3000, 3999, 2, {"3000", "3001", "3999"}}, {4000, 4999, 3, {"4000", "4999"}},
        {5000, 5999, 4, {"5000", "5001", "5999"}}, {6000, 6999, 5, {"6000", "6999"}}, {7000, 7999, 6, {"7000", "7999"}},
        {8000, 8000, -1, {"8000"}},
        // clang-format on
    };
    for (const auto& [first, last, category, ids] : blocks) {
        for (const std::int16_t id : {first, last}) {
            dialog.FillReplaceLists(id, DfType::Df2, true);
            EXPECT_EQ(std::tuple(find<QComboBox>(dialog, "cboListType")->currentIndex(), texts(dialog, "lstID")),
                      std::tuple(category, ids))
                << id;
        }
    }
}

// The lists sort differently (descriptions ignore letter case) and stay in step; browsing keeps the
// category; an empty one leaves Skip and Remove; a right click on OK-S starts the list editor.
TEST_F(ReplaceDialogTest, ListsStayInStepWhileBrowsingAndOkSStartsTheListEditor) {
    const ReplacementAnswer answer = ask(2031, DfType::Df1, DfType::Df3, [this](QWidget& d) {
        EXPECT_EQ(texts(d, "lstID"), QStringList({"2001", "2010", "2050", "2051"}));
        EXPECT_EQ(texts(d, "lstDescription"),
                  QStringList({"APC ID:2050", "bike ID:2051", "humvee ID:2010", "Truck ID:2001"}));
        EXPECT_EQ(current(d, "lstID"), "2050") << "the first description is chosen";
        find<QListWidget>(d, "lstID")->setCurrentRow(1);
        EXPECT_EQ(current(d, "lstDescription"), "humvee ID:2010");
        find<QListWidget>(d, "lstDescription")->setCurrentRow(3);
        EXPECT_EQ(current(d, "lstID"), "2001");
        choose(d, "cboDfVersion", 0);  // Delta Force 1, Vehicles kept
        EXPECT_EQ(std::tuple(texts(d, "lstDescription"), current(d, "lstID")),
                  std::tuple(QStringList{"Jeep ID:2031"}, QString("2031")));
        choose(d, "cboDfVersion", 1);
        choose(d, "cboListType", 0);
        EXPECT_EQ(texts(d, "lstID"), QStringList({"1000", "1200", "1999"}));

        choose(d, "cboDfVersion", 0);
        choose(d, "cboListType", 3);  // Objects: DF1 has none, and the dialog says so
        for (const char* name : {"cmdOk", "cmdOkAll", "cmdOkSave", "cmdSkip", "cmdRemove"}) {
            EXPECT_EQ(find<QPushButton>(d, name)->isEnabled(), !std::string_view(name).starts_with("cmdOk")) << name;
        }
        EXPECT_FALSE(find<QLabel>(d, "lblEmpty")->isHidden());
        EXPECT_EQ(find<QLabel>(d, "lblEmpty")->text(),
                  "Delta Force 1 has no type of this category. Skip keeps the item's type; Remove sets it to 0.");
        fakes.launcher.succeed = false;  // a missing editor is not reported
        click(d, "cmdOkSave", Qt::RightButton);
        ASSERT_EQ(fakes.launcher.started.size(), 1u);
        const auto& [program, arguments, folder] = fakes.launcher.started[0];
        EXPECT_TRUE(program.startsWith(qtPath(programFolder.path())) && program.contains("Vok_Tally"));
        EXPECT_TRUE(arguments.isEmpty() && folder == qtPath(programFolder.path()) && d.isVisible());
        choose(d, "cboListType", 2);  // Buildings of DF1
        EXPECT_TRUE(find<QLabel>(d, "lblEmpty")->isHidden());
        auto* descriptions = find<QListWidget>(d, "lstDescription");
        QTest::keyClick(descriptions, Qt::Key_Return);  // the entry selected at first is no answer
        EXPECT_TRUE(d.isVisible() && !dialog.ReplaceAnswer);
        QTest::mouseClick(descriptions->viewport(), Qt::LeftButton, {},
                          descriptions->visualItemRect(descriptions->item(0)).center());
        QTest::keyClick(descriptions, Qt::Key_Return);  // as OK, once picked
    });
    EXPECT_EQ(answer, ReplacementAnswer::replace(3001));
}

// A type that the target's list lacks (picked from another game's list) is used only after a
// question whose default is No; an arrow key picks an entry for Enter.
TEST_F(ReplaceDialogTest, ATypeTheTargetListLacksIsUsedOnlyWhenTheUserSaysSo) {
    fakes.messages.answers = {false, true};
    QString picked;
    const ReplacementAnswer answer = ask(2005, DfType::Df2, DfType::Df1, [&](QWidget& d) {
        choose(d, "cboDfVersion", 1);  // Delta Force 2's vehicles: 2000, 2005, 2999
        QTest::keyClick(find<QListWidget>(d, "lstDescription"), Qt::Key_Down);
        picked = current(d, "lstID");
        QTest::keyClick(find<QListWidget>(d, "lstDescription"), Qt::Key_Return);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_EQ(fakes.messages.shown[0].text, picked + " is not in the Delta Force 1 item list. Use it anyway?");
        EXPECT_FALSE(fakes.messages.shown[0].preferYes);
        EXPECT_TRUE(d.isVisible()) << "No: the question goes on";
        click(d, "cmdOkAll");
    });
    EXPECT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(answer.kind, ReplacementAnswer::Kind::Replace);
    EXPECT_EQ(answer.remember, ReplacementAnswer::Remember::ForRun);
    EXPECT_EQ(QString::number(answer.replacementId), picked);
}

// Closing the dialog or Esc skip the item (the buttons' answers show in the main window's tests).
TEST_F(ReplaceDialogTest, ClosingOrEscSkipTheItem) {
    EXPECT_EQ(ask(2031, DfType::Df1, DfType::Df3, [](QWidget& d) { d.close(); }).kind, ReplacementAnswer::Kind::Skip);
    EXPECT_EQ(ask(2031, DfType::Df1, DfType::Df3, [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); }).kind,
              ReplacementAnswer::Kind::Skip);
}

}  // namespace
}  // namespace vok::testing
