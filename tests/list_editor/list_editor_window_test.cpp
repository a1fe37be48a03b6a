// The list editor's window driven headless: every change is checked in the files on disk.
#include "list_editor/list_editor_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <array>
#include <chrono>
#include <optional>
#include <set>

#include "list_editor/list_lines.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/fake_seams.h"
#include "tests/support/temp_dir.h"

namespace vok::editor {
namespace {

using testing::FailingFileSystem;

const QString kInvalidId = QStringLiteral("Invalid ID, Or Item ID is already used!\r\nRetry?");

// Lists of a small world: DF1 items in every category, including ids below 1000 and 10000;
// replacement lines of equal text (DF1 2031, 2032 and 2033 are all "Jeep", DF2 2005 is "five").
std::vector<ItemListEntry> df1Items() {
    return {{2005, "Humvee"}, {2001, "apc"},        {500, "Small Rock"}, {1040, "Bush"}, {3001, "Hut"},
            {7001, "Smoke"},  {10000, "Big Flash"}, {2031, "Jeep"},      {2032, "Jeep"}, {2033, "Jeep"}};
}
std::vector<ItemListEntry> df2Items() {
    return {{2001, "one"}, {2002, "two"}, {2003, "three"}, {2004, "four"}, {2005, "five"}};
}
std::vector<ReplaceEntry> df1Replacements() {
    return {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2032, 2005}, {2, 2033, 2005}};
}

class ListEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeLists();
        open();
    }

    void writeLists() {
        dir.write("DF1Items.vok", encodeItemList(df1Items()));
        dir.write("DF2Items.vok", encodeItemList(df2Items()));
        dir.write("DF3Items.vok", encodeItemList({{2050, "Hummer"}}));
        dir.write("DF1Replace.vok", encodeReplaceList(df1Replacements()));
        dir.write("DF2Replace.vok", encodeReplaceList({{0, 0, 0}}));
        dir.write("DF3Replace.vok", encodeReplaceList({{1, 2050, 2031}}));
    }

    /// A fresh folder state and window, for cases run one after another in one test.
    void reset() {
        writeLists();
        open();
        fake.messages.shown.clear();
    }

    void open(FileSystem& fileSystem = realFileSystem()) {
        window.reset();
        store.emplace(dir.path(), fileSystem);
        window = startListEditor(fake.seams, *store);
        ASSERT_NE(window, nullptr);
    }

    template <class W>
    W* find(const char* name) {
        auto* widget = window->findChild<W*>(QString::fromLatin1(name));
        if (widget == nullptr) ADD_FAILURE() << "no control " << name;
        return widget;
    }
    QListWidget* list() { return find<QListWidget>("lstMain"); }
    QStringList comboTexts(const char* name) {
        QStringList texts;
        auto* combo = find<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        return texts;
    }
    QString lastMessage() { return fake.messages.shown.empty() ? QString() : fake.messages.shown.back().text; }
    QStringList lines() {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i) texts << list()->item(i)->text();
        return texts;
    }
    QStringList visibleLines() {
        QStringList texts;
        for (const QString& line : lines()) texts << visibleText(line);
        return texts;
    }
    void click(const char* button) {
        auto* b = find<QPushButton>(button);
        ASSERT_TRUE(b->isVisible()) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void rightClickList() { QTest::mouseClick(list()->viewport(), Qt::RightButton); }
    void chooseFile(int list) { find<QComboBox>("cboFile")->setCurrentIndex(list - 1); }
    void chooseCategory(const char* text) {
        auto* combo = find<QComboBox>("cboListType");
        combo->setCurrentIndex(combo->findText(QString::fromLatin1(text)));
    }
    void select(const QString& visible) {
        const int row = visibleLines().indexOf(visible);
        ASSERT_GE(row, 0) << visible.toStdString();
        list()->setCurrentRow(row);
    }
    void typeEntry(const QString& id, const QString& description) {
        find<QLineEdit>("txtID")->setText(id);
        find<QLineEdit>("txtDescription")->setText(description);
    }
    bool editing() { return find<QFrame>("fraEditI")->isVisible(); }

    std::vector<ItemListEntry> itemsOnDisk(int list) {
        const auto path = dir / std::string(listFileName(list));
        return parseItemList(testing::slurp(path), displayPath(path));
    }
    std::vector<ReplaceEntry> replacementsOnDisk(int list) {
        const auto path = dir / std::string(listFileName(list));
        return parseReplaceList(testing::slurp(path), displayPath(path));
    }
    std::string bytesOf(int list) { return testing::slurp(dir / std::string(listFileName(list))); }

    // Every box of the program carries the window's title.
    void TearDown() override {
        for (const auto& shown : fake.messages.shown) EXPECT_EQ(shown.title, kEditorTitle);
    }

    testing::TempDir dir;
    testing::FakeSeams fake;
    std::optional<ListStore> store;
    std::unique_ptr<ListEditorWindow> window;
};

TEST_F(ListEditorTest, StartsOnTheFirstItemListWithAllCategoriesAndNamedControls) {
    EXPECT_EQ(window->objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(window->windowTitle(), kEditorTitle);
    const auto& s = window->state();
    EXPECT_EQ(s.CurrentList, 1);
    EXPECT_EQ(s.DisplayMode, 1);
    EXPECT_EQ(s.MinId, 0);
    EXPECT_EQ(s.MaxId, 10000);

    EXPECT_EQ(comboTexts("cboFile"), QStringList({"DF1Items.vok", "DF2Items.vok", "DF3Items.vok", "DF1Replace.vok",
                                                  "DF2Replace.vok", "DF3Replace.vok"}));
    EXPECT_EQ(comboTexts("cboListType"), QStringList({"All", "Decorations", "Vehicles", "Buildings", "Objects",
                                                      "People", "Markers", "Effects"}));
    const std::pair<const char*, const char*> groups[] = {{"fraFile", "File"},
                                                          {"fraListType", "List Type"},
                                                          {"fraList", "List"},
                                                          {"fraID", "Item ID"},
                                                          {"fraDescription", "Item Description"}};
    for (const auto& [name, caption] : groups) EXPECT_EQ(find<QGroupBox>(name)->title(), caption);
    const std::pair<const char*, const char*> row[] = {  // one row, left to right
        {"cmdExit", "Exit"}, {"cmdDelete", "Delete"}, {"cmdEdit", "Edit"}, {"cmdAdd", "Add"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(find<QPushButton>(row[i].first)->text(), row[i].second);
        if (i > 0) {
            EXPECT_LT(find<QPushButton>(row[i - 1].first)->x(), find<QPushButton>(row[i].first)->x());
            EXPECT_EQ(find<QPushButton>(row[i - 1].first)->y(), find<QPushButton>(row[i].first)->y());
        }
    }
    EXPECT_EQ(find<QPushButton>("cmdOK")->text(), "OK");
    EXPECT_EQ(find<QPushButton>("cmdCancel")->text(), "Cancel");
    EXPECT_EQ(find<QLineEdit>("txtID")->maxLength(), 4);
    EXPECT_EQ(find<QLineEdit>("txtDescription")->maxLength(), 37);
    EXPECT_EQ(list()->count(), static_cast<int>(df1Items().size()));
    EXPECT_TRUE(list()->selectedItems().isEmpty());
}

TEST_F(ListEditorTest, CategoriesShowTheirIdentifierRanges) {
    const std::pair<const char*, std::set<int>> rows[] = {
        {"All", {500, 1040, 2001, 2005, 2031, 2032, 2033, 3001, 7001, 10000}},
        {"Decorations", {500, 1040}},
        {"Vehicles", {2001, 2005, 2031, 2032, 2033}},
        {"Buildings", {3001}},
        {"People", {}},
        {"Effects", {7001, 10000}},
    };
    for (const auto& [category, ids] : rows) {
        chooseCategory(category);
        std::set<int> shown;
        for (const QString& line : lines()) shown.insert(identifierOfItemLine(line, kDescriptionFirst));
        EXPECT_EQ(shown, ids) << category;
    }
    chooseCategory("Vehicles");
    EXPECT_EQ(window->state().MinId, 2000);
    EXPECT_EQ(window->state().MaxId, 2999);
}

TEST_F(ListEditorTest, RightClickTogglesTheDisplayModeAndTheOrder) {
    chooseCategory("Decorations");
    find<QComboBox>("cboListType")->setCurrentIndex(0);
    const QStringList byDescription = {
        "apc = 2001",  "Big Flash = 10000", "Bush = 1040", "Humvee = 2005",     "Hut = 3001",
        "Jeep = 2031", "Jeep = 2032",       "Jeep = 2033", "Small Rock = 0500", "Smoke = 7001"};
    EXPECT_EQ(lines(), byDescription);
    rightClickList();
    EXPECT_EQ(window->state().DisplayMode, 2);
    EXPECT_EQ(lines(), QStringList({"0500 = Small Rock", "10000 = Big Flash", "1040 = Bush", "2001 = apc",
                                    "2005 = Humvee", "2031 = Jeep", "2032 = Jeep", "2033 = Jeep",
                                    "3001 = Hut", "7001 = Smoke"}));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton);  // other buttons do nothing
    EXPECT_EQ(window->state().DisplayMode, 2);
    rightClickList();
    EXPECT_EQ(lines(), byDescription);
}

TEST_F(ListEditorTest, ReplacementListsHideAddAndEditAndNeverShowObjectIdZero) {
    for (int list = 1; list <= kListCount; ++list) {
        chooseFile(list);
        EXPECT_EQ(window->state().CurrentList, list);
        EXPECT_EQ(find<QPushButton>("cmdAdd")->isVisible(), isItemList(list)) << list;
        EXPECT_EQ(find<QPushButton>("cmdEdit")->isVisible(), isItemList(list)) << list;
        EXPECT_TRUE(find<QPushButton>("cmdDelete")->isVisible()) << list;
    }
    chooseFile(4);
    chooseCategory("Decorations");  // 0..1999 takes in the placeholder's ObjectId 0
    EXPECT_TRUE(lines().isEmpty());
    chooseCategory("All");
    // Source texts from the DF1 list, target texts from the list of the target version.
    EXPECT_EQ(visibleLines(), QStringList({"Jeep=DF1->DF2=five", "Jeep=DF1->DF2=five", "Jeep=DF1->DF2=five",
                                           "Jeep=DF1->DF3=Hummer"}));
    rightClickList();
    EXPECT_EQ(visibleLines(), QStringList({"2031=DF1->DF2=2005", "2031=DF1->DF3=2050", "2032=DF1->DF2=2005",
                                           "2033=DF1->DF2=2005"}));
    chooseFile(5);  // nothing but the placeholder
    EXPECT_TRUE(lines().isEmpty());
    chooseFile(1);
    EXPECT_TRUE(find<QPushButton>("cmdAdd")->isVisible());
}

TEST_F(ListEditorTest, EditingLayoutShrinksTheListAndSwapsTheButtons) {
    auto* add = find<QPushButton>("cmdAdd");
    auto* edit = find<QPushButton>("cmdEdit");
    const QRect addPlace = add->geometry(), editPlace = edit->geometry();
    const auto expectLayout = [&](bool isEditing) {
        EXPECT_EQ(find<QGroupBox>("fraList")->height(), isEditing ? 297 : 353);
        EXPECT_EQ(list()->height(), isEditing ? 277 : 329);
        EXPECT_EQ(editing(), isEditing);
        EXPECT_EQ(find<QPushButton>("cmdOK")->isVisible(), isEditing);
        EXPECT_EQ(find<QPushButton>("cmdCancel")->isVisible(), isEditing);
        for (const char* name : {"cmdDelete", "cmdEdit", "cmdAdd"}) {
            EXPECT_EQ(find<QPushButton>(name)->isVisible(), !isEditing) << name;
        }
        for (const char* name : {"cboFile", "cboListType", "lstMain"}) {
            EXPECT_EQ(find<QWidget>(name)->isEnabled(), !isEditing) << name;
        }
    };
    expectLayout(false);
    click("cmdAdd");
    expectLayout(true);
    EXPECT_EQ(find<QPushButton>("cmdOK")->geometry(), addPlace);
    EXPECT_EQ(find<QPushButton>("cmdCancel")->geometry(), editPlace);
    // The edit panel lies below the shrunk list, inside the room it gave up.
    const auto* panel = find<QFrame>("fraEditI");
    EXPECT_GE(panel->y(), find<QGroupBox>("fraList")->geometry().bottom());
    EXPECT_LE(panel->geometry().bottom(), add->y());
    rightClickList();  // the list ignores input while editing
    EXPECT_EQ(window->state().DisplayMode, 1);
    click("cmdCancel");
    expectLayout(false);
    EXPECT_EQ(itemsOnDisk(1), df1Items());
}

TEST_F(ListEditorTest, AddAcceptsUnusedIdentifiersFrom1To9999) {
    const std::pair<const char*, std::int16_t> cases[] = {  // typed, the identifier added (0: refused)
        {"2005", 0},  // already used
        {"0", 0}, {"", 0}, {"abc", 0}, {"-5", 0},
        {"1e4", 0},  // 10000: one beyond the last identifier
        {"1", 1}, {"9999", 9999}, {"42x", 42}};
    for (const auto& [typed, added] : cases) {
        SCOPED_TRACE(typed);
        reset();
        click("cmdAdd");
        EXPECT_EQ(window->state().EditMode, 2);
        EXPECT_EQ(window->state().EditOriginalId, -1);
        typeEntry(QString::fromLatin1(typed), QStringLiteral("New Thing"));
        auto expected = df1Items();
        if (added != 0) {
            click("cmdOK");
            EXPECT_TRUE(fake.messages.shown.empty());
            expected.push_back({added, "New Thing"});
        } else {
            fake.messages.answers = {true, false};  // Retry, then give up
            click("cmdOK");
            ASSERT_EQ(fake.messages.shown.size(), 1u);
            EXPECT_EQ(fake.messages.shown[0].text, kInvalidId);
            EXPECT_TRUE(fake.messages.shown[0].yesNo);
            EXPECT_TRUE(editing());  // Yes keeps the panel with what was typed
            EXPECT_EQ(find<QLineEdit>("txtID")->text(), QString::fromLatin1(typed));
            click("cmdOK");  // No returns to the list unchanged
        }
        EXPECT_FALSE(editing());
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(store->Entries(1), expected);
        EXPECT_EQ(list()->count(), static_cast<int>(expected.size()));
    }
}

TEST_F(ListEditorTest, EditingKeepsOrChangesTheIdentifierInPlace) {
    click("cmdEdit");  // nothing selected yet
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, QStringLiteral("Please Select a List Entry First!"));
    EXPECT_FALSE(editing());

    rightClickList();  // identifier first: Edit reads the identifier at the front
    select(QStringLiteral("2005 = Humvee"));
    click("cmdEdit");
    EXPECT_EQ(window->state().EditMode, 1);
    EXPECT_EQ(window->state().EditOriginalId, 2005);
    EXPECT_EQ(window->state().EditIndex, 1);
    EXPECT_EQ(find<QLineEdit>("txtID")->text(), QStringLiteral("2005"));
    EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), QStringLiteral("Humvee"));
    find<QLineEdit>("txtDescription")->setText(QStringLiteral("Hummer"));
    click("cmdOK");  // keeping 2005 is no clash with itself
    EXPECT_EQ(fake.messages.shown.size(), 1u);
    auto expected = df1Items();
    expected[0].Description = "Hummer";
    EXPECT_EQ(itemsOnDisk(1), expected);

    select(QStringLiteral("2005 = Hummer"));
    click("cmdEdit");
    find<QLineEdit>("txtID")->setText(QStringLiteral("2001"));  // used by another entry
    fake.messages.answers = {false};
    click("cmdOK");
    EXPECT_EQ(fake.messages.shown.back().text, kInvalidId);
    EXPECT_EQ(itemsOnDisk(1), expected);

    select(QStringLiteral("2005 = Hummer"));
    click("cmdEdit");
    find<QLineEdit>("txtID")->setText(QStringLiteral("2222"));
    click("cmdOK");
    expected[0].ItemId = 2222;
    EXPECT_EQ(itemsOnDisk(1), expected);
    EXPECT_TRUE(lines().contains(QStringLiteral("2222 = Hummer")));
    EXPECT_EQ(window->state().DisplayMode, 2);
}

TEST_F(ListEditorTest, DescriptionsAreStoredInTheListCodePage) {
    click("cmdAdd");
    typeEntry(QStringLiteral("2222"), QStringLiteral("Ω Tank"));
    click("cmdOK");
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_FALSE(fake.messages.shown[0].yesNo);
    EXPECT_TRUE(fake.messages.shown[0].text.contains(QStringLiteral("Ω")))
        << fake.messages.shown[0].text.toStdString();
    EXPECT_TRUE(editing());
    EXPECT_EQ(itemsOnDisk(1), df1Items());

    find<QLineEdit>("txtDescription")->setText(QStringLiteral("Café € Tank"));
    click("cmdOK");
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(1).back(), (ItemListEntry{2222, "Caf\xE9 \x80 Tank"}));
    EXPECT_TRUE(lines().contains(QStringLiteral("Café € Tank = 2222")));
}

TEST_F(ListEditorTest, DeletingMovesTheLastEntryIntoTheHole) {
    click("cmdDelete");
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, QStringLiteral("Please Select a List Entry First!"));

    chooseFile(2);
    select(QStringLiteral("two = 2002"));
    click("cmdDelete");
    EXPECT_EQ(fake.messages.shown.size(), 1u);  // no confirmation
    const auto items = df2Items();
    EXPECT_EQ(itemsOnDisk(2), (std::vector<ItemListEntry>{items[0], items[4], items[2], items[3]}));
    EXPECT_EQ(visibleLines(), QStringList({"five = 2005", "four = 2004", "one = 2001", "three = 2003"}));
    EXPECT_EQ(itemsOnDisk(1), df1Items());  // the other lists are not touched
}

TEST_F(ListEditorTest, DeletingAReplacementRemovesTheEntryOfTheSelectedLineAmongEqualLines) {
    for (const int row : {0, 1, 2}) {  // the three "Jeep=DF1->DF2=five" lines come first
        SCOPED_TRACE(row);
        reset();
        chooseFile(4);
        ASSERT_EQ(visibleText(lines()[row]), QStringLiteral("Jeep=DF1->DF2=five"));
        const int position = DecodeIndexTag(lines()[row]);
        // The positions the equal lines carry are the entries 2, 4 and 5, in list order.
        EXPECT_EQ(position, (std::array{2, 4, 5})[static_cast<std::size_t>(row)]);
        list()->setCurrentRow(row);
        click("cmdDelete");
        auto expected = df1Replacements();
        expected[static_cast<std::size_t>(position - 1)] = expected.back();
        expected.pop_back();
        EXPECT_EQ(replacementsOnDisk(4), expected);
        EXPECT_EQ(lines().size(), 3);
    }
}

TEST_F(ListEditorTest, TheOnlyEntryOfAListIsNotDeleted) {
    for (const int listNumber : {3, 6}) {
        chooseFile(listNumber);
        const std::string before = bytesOf(listNumber);
        ASSERT_EQ(list()->count(), 1);
        list()->setCurrentRow(0);
        click("cmdDelete");
        ASSERT_FALSE(fake.messages.shown.empty());
        EXPECT_TRUE(
            fake.messages.shown.back().text.contains(QString::fromLatin1(listFileName(listNumber).data())))
            << fake.messages.shown.back().text.toStdString();
        EXPECT_EQ(bytesOf(listNumber), before);
        EXPECT_EQ(list()->count(), 1);
    }
    EXPECT_EQ(store->Entries(3).size(), 1u);
    EXPECT_EQ(store->SavedReplacements(3).size(), 1u);
}

TEST_F(ListEditorTest, AFailedWriteIsReportedAndChangesNeitherTheFileNorTheWindow) {
    const std::string items = bytesOf(2);
    FailingFileSystem failing;
    for (const auto failAt : {FailingFileSystem::FailAt::Create, FailingFileSystem::FailAt::Write,
                              FailingFileSystem::FailAt::Rename}) {
        SCOPED_TRACE(static_cast<int>(failAt));
        failing.failAt = failAt;
        failing.error = EACCES;
        open(failing);
        fake.messages.shown.clear();
        const auto expectReported = [&](int listNumber, std::size_t count) {
            ASSERT_EQ(fake.messages.shown.size(), count);
            EXPECT_TRUE(lastMessage().contains(QString::fromStdString(displayPath(store->pathOf(listNumber)))))
                << lastMessage().toStdString();
            EXPECT_FALSE(fake.messages.shown.back().yesNo);
        };
        chooseFile(2);
        const QStringList shown = lines();
        select(QStringLiteral("two = 2002"));
        click("cmdDelete");
        expectReported(2, 1);
        EXPECT_EQ(lines(), shown);

        click("cmdAdd");
        typeEntry(QStringLiteral("2006"), QStringLiteral("six"));
        click("cmdOK");
        expectReported(2, 2);
        EXPECT_TRUE(editing());  // what was typed stays; Cancel leaves
        EXPECT_EQ(store->Entries(2), df2Items());
        click("cmdCancel");
        EXPECT_EQ(bytesOf(2), items);
    }
    window.reset();
    store.reset();
}

TEST_F(ListEditorTest, AFolderThatCannotBeWrittenIsNamedWithWhereToCopyTheListsAndNothingIsLost) {
    const std::string before = bytesOf(2);
    chooseFile(2);
    click("cmdAdd");
    typeEntry(QStringLiteral("2006"), QStringLiteral("six"));
    {
        testing::ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.active()) GTEST_SKIP() << "the folder cannot be made read-only here";
        click("cmdOK");
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        const QString text = fake.messages.shown[0].text;
        // The store's advice texts are checked by the list sharing tests; here the window's own.
        for (const QString& part : {QString::fromStdString(displayPath(dir / "DF2Items.vok")),
                                    QStringLiteral("vok --lists DIR"),
                                    QStringLiteral("The file and the lists shown are unchanged.")}) {
            EXPECT_TRUE(text.contains(part)) << text.toStdString();
        }
        // What was typed stays in the panel; the file and the store are as they were.
        EXPECT_TRUE(editing());
        EXPECT_EQ(find<QLineEdit>("txtID")->text(), QStringLiteral("2006"));
        EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), QStringLiteral("six"));
        EXPECT_EQ(bytesOf(2), before);
        EXPECT_EQ(store->Entries(2), df2Items());
    }
    click("cmdOK");  // where the folder can be written again, the same entry is saved
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
}

TEST_F(ListEditorTest, ListsThatAnotherProgramBrokeEndTheProgramAtTheNextChange) {
    QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
    dir.write("DF3Replace.vok", encodeReplaceList({}));  // count 0: another program broke it
    chooseFile(2);
    select(QStringLiteral("two = 2002"));
    click("cmdDelete");
    EXPECT_EQ(itemsOnDisk(2), df2Items());  // the change was not applied to the changed folder
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_TRUE(fake.messages.shown[0].text.startsWith(
        QStringLiteral("Warning!, There Was an Error In 'InitilizeItemLists'\r\n")));
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 1);
}

// ---------------------------------------------------------------------------------------------
// The converter on the same folder: its store was loaded when it started, and its "OK-S" appends
// to the replacement list on disk.

const QString kReloaded = QStringLiteral("The Lists Were Changed By Another Program And Have Been Reloaded");

TEST_F(ListEditorTest, AConverterSaveAfterTheEditorsChangesKeepsThem) {
    ListStore converter(dir.path());
    converter.InitilizeItemLists();

    click("cmdAdd");
    typeEntry(QStringLiteral("2222"), QStringLiteral("Tank"));
    click("cmdOK");
    chooseFile(4);
    rightClickList();
    select(QStringLiteral("2032=DF1->DF2=2005"));
    click("cmdDelete");
    ASSERT_TRUE(fake.messages.shown.empty());

    converter.RememberAndSaveReplacement(1, 3, 1040, 2050);  // "OK-S"

    const std::vector<ReplaceEntry> both = {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2033, 2005}, {3, 1040, 2050}};
    EXPECT_EQ(replacementsOnDisk(4), both);
    EXPECT_EQ(itemsOnDisk(1).back(), (ItemListEntry{2222, "Tank"}));
    EXPECT_EQ(converter.SavedReplacements(1), both);
    EXPECT_EQ(converter.LookupReplacement(1, 2, 2032), -1);  // the editor's deletion holds there too
}

TEST_F(ListEditorTest, AnEditorDeleteAfterAConverterSaveReloadsFirstAndKeepsTheConvertersEntry) {
    ListStore converter(dir.path());
    converter.InitilizeItemLists();
    chooseFile(4);
    rightClickList();
    const QStringList before = lines();

    converter.RememberAndSaveReplacement(1, 3, 1040, 2050);  // "OK-S" while the editor is open
    const std::string saved = bytesOf(4);
    select(QStringLiteral("2032=DF1->DF2=2005"));
    click("cmdDelete");

    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, kReloaded + QStringLiteral(" (DF1Replace.vok).\r\n"
                                                                     "Nothing Was Changed; Please Repeat Your "
                                                                     "Action On The Lists As They Are Now."));
    EXPECT_FALSE(fake.messages.shown[0].yesNo);
    EXPECT_EQ(bytesOf(4), saved);  // the first attempt changed nothing
    EXPECT_EQ(lines().size(), before.size() + 1);
    EXPECT_TRUE(visibleLines().contains(QStringLiteral("1040=DF1->DF3=2050")));
    EXPECT_TRUE(list()->selectedItems().isEmpty());

    select(QStringLiteral("2032=DF1->DF2=2005"));  // the user repeats it
    click("cmdDelete");
    EXPECT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(replacementsOnDisk(4),
              (std::vector<ReplaceEntry>{{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {3, 1040, 2050}, {2, 2033, 2005}}));
}

// Another program changes the list while an entry is being added or edited: the editor reloads and
// changes nothing, keeping what was typed; the repeat lands on the entry where it now is, or the
// edit ends when the entry is gone.
TEST_F(ListEditorTest, AChangeAfterAnotherProgramsChangeIsRepeatedOnTheReloadedList) {
    using Entries = std::vector<ItemListEntry>;
    const struct {
        const char* name;
        bool add;  ///< else an edit of "Humvee = 2005" to "Hummer"
        void (*otherProgram)(Entries&);
        bool panelStays;
    } cases[] = {
        {"add", true, [](Entries& entries) { entries.push_back({2222, "Tank"}); }, true},
        {"entry moved", false, [](Entries& entries) { entries.insert(entries.begin(), {4444, "Wall"}); }, true},
        {"entry deleted", false, [](Entries& entries) { entries.front() = entries.back(); entries.pop_back(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        if (c.add) {
            click("cmdAdd");
            typeEntry(QStringLiteral("3333"), QStringLiteral("Tower"));
        } else {
            select(QStringLiteral("Humvee = 2005"));
            click("cmdEdit");
            typeEntry(QStringLiteral("2005"), QStringLiteral("Hummer"));
        }
        ListStore other(dir.path());  // vok lists learn, for instance
        other.InitilizeItemLists();
        ASSERT_EQ(other.changeAndSaveList(1, [&] { c.otherProgram(other.editEntries(1)); }), ListChange::Saved);
        auto expected = itemsOnDisk(1);

        click("cmdOK");
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        EXPECT_TRUE(lastMessage().startsWith(kReloaded + QStringLiteral(" (DF1Items.vok)."))) << lastMessage().toStdString();
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(store->Entries(1), expected);
        EXPECT_EQ(editing(), c.panelStays);
        if (!c.panelStays) continue;
        EXPECT_EQ(find<QLineEdit>("txtID")->text(), c.add ? "3333" : "2005");
        click("cmdOK");
        EXPECT_FALSE(editing());
        if (c.add) expected.push_back({3333, "Tower"});
        for (auto& entry : expected) {
            if (!c.add && entry.ItemId == 2005) entry.Description = "Hummer";
        }
        EXPECT_EQ(itemsOnDisk(1), expected);
    }
}

TEST_F(ListEditorTest, ALockedFolderIsReportedAndNothingIsWritten) {
    ListLockOptions quick;
    quick.wait = std::chrono::milliseconds(100);
    store->setLockOptions(quick);
    dir.write(kListLockFileName, "Vok_Sorrel 0123456789abcdef\n");  // the converter is saving
    const std::string before = bytesOf(2);

    chooseFile(2);
    click("cmdAdd");
    typeEntry(QStringLiteral("2006"), QStringLiteral("six"));
    click("cmdOK");
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    const QString text = fake.messages.shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Warning!, The Lists Are Being Changed By Another Program\r\n") +
                                QString::fromStdString(displayPath(dir.path())) + QStringLiteral("\r\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Vok_Sorrel"))) << text.toStdString();
    EXPECT_TRUE(editing());
    EXPECT_EQ(bytesOf(2), before);
    EXPECT_EQ(store->Entries(2), df2Items());

    std::filesystem::remove(dir / kListLockFileName);  // the converter is done
    click("cmdOK");
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
}

TEST_F(ListEditorTest, ExitEndsTheProgram) {
    QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
    click("cmdExit");
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ListEditorTest, FindsEntriesOfItemListsOnly) {
    EXPECT_EQ(window->FindItemIndex(1, 2005), 1);
    EXPECT_EQ(window->FindItemIndex(1, 10000), 7);
    EXPECT_EQ(window->FindItemIndex(2, 2005), 5);
    EXPECT_EQ(window->FindItemIndex(1, 4444), 0);
    EXPECT_EQ(window->FindItemIndex(4, 2031), 0);
    EXPECT_TRUE(window->ItemIdUsed(3, 2050));
    EXPECT_FALSE(window->ItemIdUsed(6, 2050));
    EXPECT_FALSE(window->ItemIdUsed(0, 2005));
}

// A list that cannot be loaded at start: the window never opens and the program ends with 1.
TEST(ListEditorStart, ALoadFailureNamesTheFileAndEndsTheProgram) {
    const std::pair<const char*, std::string> faults[] = {
        {"DF2Replace.vok", std::string()},     // missing
        {"DF3Items.vok", encodeItemList({})},  // count 0
    };
    for (const auto& [name, bytes] : faults) {
        testing::TempDir dir;
        testing::copyStarterLists(dir.path());
        if (bytes.empty()) {
            std::filesystem::remove(dir / name);
        } else {
            dir.write(name, bytes);
        }
        testing::FakeSeams fake;
        ListStore store(dir.path());
        EXPECT_EQ(runListEditor(fake.seams, store), 1) << name;
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        const QStringList messageLines = fake.messages.shown[0].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(messageLines.size(), 2);
        EXPECT_EQ(messageLines[0], QStringLiteral("Warning!, There Was an Error In 'InitilizeItemLists'"));
        EXPECT_TRUE(messageLines[1].startsWith(QString::fromStdString(displayPath(dir / name))))
            << messageLines[1].toStdString();
        EXPECT_EQ(fake.messages.shown[0].title, kEditorTitle);
    }
}

}  // namespace
}  // namespace vok::editor
