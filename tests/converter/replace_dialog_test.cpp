// The replacement dialog on its own: what it shows for a missing item type, how its two sorted
// lists stay in step, browsing versions and categories, and what each way of answering returns.
// Also the version selection dialog's answers.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "conversion/replace_dialog.h"
#include "converter/select_version_dialog.h"
#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

using converter::frmReplace;

QStringList texts(const QListWidget& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i) result << list.item(i)->text();
    return result;
}

QString current(const QListWidget& list) { return list.currentItem() ? list.currentItem()->text() : QString(); }

class ReplaceDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeTestLists(folder.path());
        lists.InitilizeItemLists();
    }

    /// Asks the dialog about one item; `step` runs while it waits and must answer.
    ReplacementAnswer ask(std::int16_t id, DfType from, DfType to, ModalScript::Step step) {
        ModalScript script;
        script.then("frmReplace", std::move(step));
        const ReplacementAnswer answer = dialog.ask(id, from, to);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.stray.isEmpty());
        EXPECT_FALSE(dialog.isVisible()) << "hidden once answered";
        return answer;
    }

    TempDir folder;
    ListStore lists{folder.path()};
    FakeLauncher launcher;
    frmReplace dialog{lists, qtPath(folder.path()), launcher};
};

TEST_F(ReplaceDialogTest, ShowsTheMissingItemAndTheTargetsTypesOfItsBlock) {
    ask(2031, kDf1, kDf3, [](QWidget& d) {
        EXPECT_EQ(d.windowTitle(), "Vok Tamber's Mission Converter");
        EXPECT_EQ(find<QGroupBox>(d, "fraNotFound")->title(), "This DF1 Item Does Not Exsist In DF3");
        EXPECT_EQ(find<QGroupBox>(d, "fraReplace")->title(), "Please Select A Replacement (To Be Used In DF3)");
        EXPECT_EQ(find<QLabel>(d, "lblNotFound")->text(), "#:2031 Description: Jeep");
        auto* versions = find<QComboBox>(d, "cboDfVersion");
        EXPECT_EQ(versions->count(), 3);
        EXPECT_EQ(versions->itemText(2), "Delta Force 3");
        EXPECT_EQ(versions->currentText(), "Delta Force 3");
        auto* types = find<QComboBox>(d, "cboListType");
        EXPECT_EQ(types->count(), 7);
        EXPECT_EQ(types->itemText(6), "Effects");
        EXPECT_EQ(types->currentText(), "Vehicles");
        const auto* ids = find<QListWidget>(d, "lstID");
        const auto* descriptions = find<QListWidget>(d, "lstDescription");
        EXPECT_EQ(texts(*ids), QStringList({"2001", "2010", "2050", "2051"}));
        // Sorted without regard to letter case, so the two lists are in different orders.
        EXPECT_EQ(texts(*descriptions), QStringList({"APC ID:2050", "bike ID:2051", "humvee ID:2010", "Truck ID:2001"}));
        EXPECT_EQ(descriptions->currentRow(), 0);
        EXPECT_EQ(current(*ids), "2050");
        for (const char* name : {"cmdOk", "cmdOkAll", "cmdOkSave", "cmdSkip", "cmdRemove"}) {
            EXPECT_TRUE(find<QPushButton>(d, name)->isEnabled()) << name;
        }
        click(d, "cmdSkip");
    });
}

TEST_F(ReplaceDialogTest, BlockZeroShowsDecorationsButListsTypesBelow1000) {
    ask(600, kDf1, kDf3, [](QWidget& d) {
        EXPECT_EQ(find<QComboBox>(d, "cboListType")->currentText(), "Decorations");
        EXPECT_EQ(texts(*find<QListWidget>(d, "lstID")), QStringList({"0007", "0540"}));
        EXPECT_EQ(texts(*find<QListWidget>(d, "lstDescription")), QStringList({"Rock ID:0007", "sandbag ID:0540"}));
        click(d, "cmdOk");
    });
    EXPECT_EQ(dialog.ReplaceAnswer, 7) << "\"0007\" gives 7";
}

TEST_F(ReplaceDialogTest, BlocksFrom8000ShowNoCategoryButListTheBlock) {
    ask(8500, kDf2, kDf3, [](QWidget& d) {
        EXPECT_EQ(find<QComboBox>(d, "cboListType")->currentIndex(), -1);
        EXPECT_EQ(texts(*find<QListWidget>(d, "lstID")), QStringList({"8001"}));
        EXPECT_EQ(find<QLabel>(d, "lblNotFound")->text(), "#:8500 Description: ") << "DF2 does not know 8500";
        click(d, "cmdSkip");
    });
}

TEST_F(ReplaceDialogTest, ChoosingInEitherListSelectsTheSameIdentifierInTheOther) {
    ask(2031, kDf1, kDf3, [](QWidget& d) {
        auto* ids = find<QListWidget>(d, "lstID");
        auto* descriptions = find<QListWidget>(d, "lstDescription");
        ids->setCurrentRow(1);  // 2010
        EXPECT_EQ(current(*descriptions), "humvee ID:2010");
        descriptions->setCurrentRow(3);  // Truck
        EXPECT_EQ(current(*ids), "2001");
        click(d, "cmdOk");
    });
    EXPECT_EQ(dialog.ReplaceAnswer, 2001);
}

TEST_F(ReplaceDialogTest, EachAnswerReturnsTheTypeTheItemGets) {
    using Remember = ReplacementAnswer::Remember;
    const struct {
        const char* how;
        std::function<void(QWidget&)> act;
        ReplacementAnswer expected;
        std::int16_t returned;
    } cases[] = {
        {"OK", [](QWidget& d) { click(d, "cmdOk"); }, ReplacementAnswer::replace(2050, Remember::No), 2050},
        {"OK-A", [](QWidget& d) { click(d, "cmdOkAll"); }, ReplacementAnswer::replace(2050, Remember::ForRun), 2050},
        {"OK-S", [](QWidget& d) { click(d, "cmdOkSave"); }, ReplacementAnswer::replace(2050, Remember::AndSave), 2050},
        {"Skip", [](QWidget& d) { click(d, "cmdSkip"); }, ReplacementAnswer::skip(), 2031},
        {"Remove", [](QWidget& d) { click(d, "cmdRemove"); }, ReplacementAnswer::remove(), -3},
        {"window closed", [](QWidget& d) { d.close(); }, ReplacementAnswer::skip(), 2031},
        {"Esc", [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); }, ReplacementAnswer::skip(), 2031},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const ReplacementAnswer answer = ask(2031, kDf1, kDf3, c.act);
        EXPECT_EQ(answer.kind, c.expected.kind);
        EXPECT_EQ(answer.remember, c.expected.remember);
        if (answer.kind == ReplacementAnswer::Kind::Replace) {
            EXPECT_EQ(answer.replacementId, c.expected.replacementId);
        }

        ModalScript script;
        script.then("frmReplace", c.act);
        EXPECT_EQ(dialog.ReplaceObject(2031, kDf1, kDf3), c.returned);
        EXPECT_TRUE(script.finished());
    }
}

TEST_F(ReplaceDialogTest, BrowsingAnotherVersionReturnsThatVersionsIdentifier) {
    ask(2031, kDf1, kDf3, [](QWidget& d) {
        find<QComboBox>(d, "cboDfVersion")->setCurrentIndex(0);  // Delta Force 1, category kept
        EXPECT_EQ(texts(*find<QListWidget>(d, "lstDescription")), QStringList({"Jeep ID:2031"}));
        EXPECT_EQ(current(*find<QListWidget>(d, "lstID")), "2031");
        find<QComboBox>(d, "cboListType")->setCurrentIndex(2);  // Buildings of DF1
        EXPECT_EQ(texts(*find<QListWidget>(d, "lstID")), QStringList({"3001"}));
        click(d, "cmdOk");
    });
    EXPECT_EQ(dialog.ReplaceAnswer, 3001);
}

TEST_F(ReplaceDialogTest, EmptyCategoryLeavesOnlySkipAndRemove) {
    const ReplacementAnswer answer = ask(2031, kDf1, kDf3, [this](QWidget& d) {
        find<QComboBox>(d, "cboListType")->setCurrentIndex(3);  // Objects: DF3 has none
        EXPECT_EQ(find<QListWidget>(d, "lstID")->count(), 0);
        for (const char* name : {"cmdOk", "cmdOkAll", "cmdOkSave"}) EXPECT_FALSE(find<QPushButton>(d, name)->isEnabled());
        EXPECT_TRUE(find<QPushButton>(d, "cmdSkip")->isEnabled());
        EXPECT_TRUE(find<QPushButton>(d, "cmdRemove")->isEnabled());
        click(d, "cmdOk");  // no effect
        EXPECT_TRUE(d.isVisible());
        click(d, "cmdOkSave", Qt::RightButton);  // the list editor can still be started
        EXPECT_EQ(launcher.started.size(), 1u);
        click(d, "cmdRemove");
    });
    EXPECT_EQ(answer.kind, ReplacementAnswer::Kind::Remove);
}

TEST_F(ReplaceDialogTest, RightClickOnOkSStartsTheListEditorAndAnswersNothing) {
    ask(2031, kDf1, kDf3, [this](QWidget& d) {
        click(d, "cmdOkSave", Qt::RightButton);
        ASSERT_EQ(launcher.started.size(), 1u);
        EXPECT_EQ(launcher.started[0].program, dialog.listEditorPath());
        EXPECT_TRUE(launcher.started[0].program.startsWith(qtPath(folder.path())));
        EXPECT_TRUE(launcher.started[0].program.contains("Vok_Tally"));
        EXPECT_TRUE(launcher.started[0].arguments.isEmpty());
        EXPECT_EQ(launcher.started[0].workingFolder, qtPath(folder.path()));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(dialog.ReplaceAnswer, -1);
        launcher.succeed = false;  // a missing editor is not reported
        click(d, "cmdOkSave", Qt::RightButton);
        EXPECT_TRUE(d.isVisible());
        click(d, "cmdSkip");
    });
    EXPECT_EQ(launcher.started.size(), 2u);
}

TEST(DialogReplacementChooser, MakesTheDialogOnFirstNeedAndDiscardsItWhenTheConversionEnds) {
    TempDir folder;
    writeTestLists(folder.path());
    ListStore lists(folder.path());
    lists.InitilizeItemLists();
    FakeSeams fakes;
    converter::DialogReplacementChooser chooser(lists, qtPath(folder.path()), fakes.seams, "Title");
    EXPECT_EQ(chooser.dialog(), nullptr);

    frmReplace* seen[2] = {};
    ModalScript script;
    script.then("frmReplace", [&](QWidget& d) { seen[0] = static_cast<frmReplace*>(&d); click(d, "cmdSkip"); })
        .then("frmReplace", [&](QWidget& d) { seen[1] = static_cast<frmReplace*>(&d); click(d, "cmdRemove"); });
    EXPECT_EQ(chooser.choose(2031, kDf1, kDf3).kind, ReplacementAnswer::Kind::Skip);
    EXPECT_EQ(chooser.choose(600, kDf1, kDf3).kind, ReplacementAnswer::Kind::Remove);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(seen[0], seen[1]) << "one dialog for the whole conversion";
    EXPECT_EQ(chooser.dialog(), seen[0]);

    chooser.replacementNotSaved(Error(Fault::CannotWrite, "/lists/DF1Replace.vok", "No space left on device"));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].title, "Title");
    EXPECT_TRUE(fakes.messages.shown[0].text.contains("/lists/DF1Replace.vok"));

    chooser.conversionFinished();
    EXPECT_EQ(chooser.dialog(), nullptr);
}

TEST(SelectVersionDialog, AnswersTheChosenVersionOrMinusOne) {
    const struct {
        const char* how;
        std::function<void(QWidget&)> act;
        DfType expected;
    } cases[] = {
        {"OK untouched", [](QWidget& d) { click(d, "cmdOK"); }, kDf1},
        {"Land Warrior",
         [](QWidget& d) {
             auto* versions = find<QComboBox>(d, "cboSelectVersion");
             EXPECT_EQ(versions->itemText(2), "Delta Force Land Warrior");
             EXPECT_FALSE(versions->isEditable());
             versions->setCurrentIndex(2);
             click(d, "cmdOK");
         },
         kDf3},
        {"Cancel", [](QWidget& d) { click(d, "cmdCancel"); }, -1},
        {"window closed", [](QWidget& d) { d.close(); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        converter::frmSelectVersion dialog;
        ModalScript script;
        script.then("frmSelectVersion", c.act);
        EXPECT_EQ(dialog.ask(), c.expected);
        EXPECT_EQ(dialog.DfVersion, c.expected);
        EXPECT_TRUE(script.finished());
    }
}

}  // namespace
}  // namespace vok::testing
