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
    ask(2031, DfType::Df1, DfType::Df3, [](QWidget& d) {
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
        for (const char* name : {"cmdOk", "cmdOkAll", "cmdOkSave", "cmdSkip", "cmdRemove", "cmdCancelSave"}) {
            EXPECT_TRUE(find<QPushButton>(d, name)->isEnabled()) << name;
        }
        expectHelpOnEveryButton(d);
        click(d, "cmdSkip");
    });
}

// Block 0 shows Decorations but lists only the types below 1000; blocks from 8000 show no category.
TEST_F(ReplaceDialogTest, CategoryAndTypesOfTheMissingItemsBlock) {
    const struct {
        std::int16_t id;
        DfType from;
        int category;
        QStringList ids, descriptions;
        const char* notFound;
        int answer;  ///< of OK on the first line
    } cases[] = {
        {600, DfType::Df1, 0, {"0007", "0540"}, {"Rock ID:0007", "sandbag ID:0540"}, "#:600 Description: Crate", 7},
        {8500, DfType::Df2, -1, {"8001"}, {"Flag ID:8001"}, "#:8500 Description: ", 8001},  // DF2 does not know 8500
    };
    for (const auto& c : cases) {
        ask(c.id, c.from, DfType::Df3, [&c](QWidget& d) {
            EXPECT_EQ(find<QComboBox>(d, "cboListType")->currentIndex(), c.category);
            EXPECT_EQ(texts(*find<QListWidget>(d, "lstID")), c.ids);
            EXPECT_EQ(texts(*find<QListWidget>(d, "lstDescription")), c.descriptions);
            EXPECT_EQ(find<QLabel>(d, "lblNotFound")->text(), c.notFound);
            click(d, "cmdOk");
        });
        EXPECT_EQ(dialog.ReplaceAnswer, c.answer) << "\"0007\" gives 7";
    }
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
        {"Cancel Save", [](QWidget& d) { click(d, "cmdCancelSave"); }, ReplacementAnswer::cancelSave(), -4},
        {"Enter in the list",
         [](QWidget& d) { QTest::keyClick(find<QListWidget>(d, "lstDescription"), Qt::Key_Return); },
         ReplacementAnswer::replace(2050, Remember::No), 2050},
        {"window closed", [](QWidget& d) { d.close(); }, ReplacementAnswer::skip(), 2031},
        {"Esc", [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); }, ReplacementAnswer::skip(), 2031},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const ReplacementAnswer answer = ask(2031, DfType::Df1, DfType::Df3, c.act);
        EXPECT_EQ(answer.kind, c.expected.kind);
        EXPECT_EQ(answer.remember, c.expected.remember);
        if (answer.kind == ReplacementAnswer::Kind::Replace) {
            EXPECT_EQ(answer.replacementId, c.expected.replacementId);
        }

        ModalScript script;
        script.then("frmReplace", c.act);
        EXPECT_EQ(dialog.ReplaceObject(2031, DfType::Df1, DfType::Df3), c.returned);
        EXPECT_TRUE(script.finished());
    }
}

TEST_F(ReplaceDialogTest, ListsStayInStepAndBrowsingAnotherVersionReturnsThatVersionsIdentifier) {
    ask(2031, DfType::Df1, DfType::Df3, [](QWidget& d) {
        auto* ids = find<QListWidget>(d, "lstID");
        auto* descriptions = find<QListWidget>(d, "lstDescription");
        ids->setCurrentRow(1);  // 2010
        EXPECT_EQ(current(*descriptions), "humvee ID:2010");
        descriptions->setCurrentRow(3);  // Truck
        EXPECT_EQ(current(*ids), "2001");
        find<QComboBox>(d, "cboDfVersion")->setCurrentIndex(0);  // Delta Force 1, category kept
        EXPECT_EQ(texts(*descriptions), QStringList({"Jeep ID:2031"}));
        EXPECT_EQ(current(*ids), "2031");
        find<QComboBox>(d, "cboListType")->setCurrentIndex(2);  // Buildings of DF1
        EXPECT_EQ(texts(*ids), QStringList({"3001"}));
        click(d, "cmdOk");
    });
    EXPECT_EQ(dialog.ReplaceAnswer, 3001);
}

TEST_F(ReplaceDialogTest, RightClickOnOkSStartsTheListEditorAndAnswersNothing) {
    const ReplacementAnswer answer = ask(2031, DfType::Df1, DfType::Df3, [this](QWidget& d) {
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

        // An empty category leaves only Skip and Remove; the editor can still be started.
        find<QComboBox>(d, "cboListType")->setCurrentIndex(3);  // Objects: DF3 has none
        EXPECT_EQ(find<QListWidget>(d, "lstID")->count(), 0);
        for (const char* name : {"cmdOk", "cmdOkAll", "cmdOkSave"}) EXPECT_FALSE(find<QPushButton>(d, name)->isEnabled());
        EXPECT_TRUE(find<QPushButton>(d, "cmdSkip")->isEnabled());
        EXPECT_TRUE(find<QPushButton>(d, "cmdRemove")->isEnabled());
        click(d, "cmdOk");  // no effect
        EXPECT_TRUE(d.isVisible());
        click(d, "cmdOkSave", Qt::RightButton);
        EXPECT_TRUE(d.isVisible());
        click(d, "cmdRemove");
    });
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(answer.kind, ReplacementAnswer::Kind::Remove);
}

// Cancel, closing and Esc give -1 and a chosen version reads the file: the main window's tests.
TEST(SelectVersionDialog, OffersTheThreeVersionsAndAnswersTheFirstUntouched) {
    converter::frmSelectVersion dialog;
    ModalScript script;
    script.then("frmSelectVersion", [](QWidget& d) {
        auto* versions = find<QComboBox>(d, "cboSelectVersion");
        EXPECT_EQ(versions->itemText(2), "Delta Force Land Warrior");
        EXPECT_FALSE(versions->isEditable());
        click(d, "cmdOK");
    });
    EXPECT_EQ(dialog.ask(), DfType::Df1);
    EXPECT_EQ(dialog.DfVersion, DfType::Df1);
    EXPECT_TRUE(script.finished());
}

}  // namespace
}  // namespace vok::testing
