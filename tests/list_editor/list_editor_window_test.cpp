// The list editor's window driven headless: every change is checked in the files on disk.
#include "list_editor/list_editor_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
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
const QString kSelectFirst = QStringLiteral("Please Select a List Entry First!");

// Lists of a small world: DF1 items in every category, including ids below 1000 and 10000, and
// 3001 twice (a list from elsewhere); DF1 replacements 2 and 4 are the same entry.
std::vector<ItemListEntry> df1Items() {
    return {{2005, "Humvee"}, {2001, "apc"},        {500, "Small Rock"}, {1040, "Bush"}, {3001, "Hut"},
            {7001, "Smoke"},  {10000, "Big Flash"}, {2031, "Jeep"},      {2032, "Jeep"}, {3001, "Shed"}};
}
std::vector<ItemListEntry> df2Items() {
    return {{2001, "one"}, {2002, "two"}, {2003, "three"}, {2004, "four"}, {2005, "five"}};
}
std::vector<ReplaceEntry> df1Replacements() {
    return {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2031, 2005}, {2, 2032, 2005}};
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
    /// The identifiers of the item entries shown, found through the positions the lines carry.
    std::multiset<int> shownIds() {
        std::multiset<int> ids;
        const auto& entries = store->Entries(versionOfList(window->state().CurrentList));
        for (const QString& line : lines()) ids.insert(entries.at(DecodeIndexTag(line) - 1).ItemId);
        return ids;
    }
    QString selectedLine() {
        const auto selected = list()->selectedItems();
        return selected.isEmpty() ? QString() : visibleText(selected.constFirst()->text());
    }
    /// The buttons shown, left to right.
    QStringList buttonsShown() {
        QStringList names;
        for (const char* name :
             {"cmdExit", "cmdUndo", "cmdDelete", "cmdEdit", "cmdCancel", "cmdAdd", "cmdOK"}) {
            if (find<QPushButton>(name)->isVisible()) names << QString::fromLatin1(name);
        }
        return names;
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
    void filter(const char* text) { find<QLineEdit>("txtFilter")->setText(QString::fromUtf8(text)); }
    void select(const QString& visible, int occurrence = 0) {
        int row = -1;
        for (int i = 0; i <= occurrence; ++i) row = visibleLines().indexOf(visible, row + 1);
        ASSERT_GE(row, 0) << visible.toStdString();
        list()->setCurrentRow(row);
    }
    void typeEntry(const QString& id, const QString& description) {
        find<QLineEdit>("txtID")->setText(id);
        find<QLineEdit>("txtDescription")->setText(description);
    }
    bool editing() { return find<QFrame>("fraEditI")->isVisible(); }
    /// Another program (vok lists learn, for instance) changes list 1.
    std::vector<ItemListEntry> anotherProgramAdds(ItemListEntry entry) {
        ListStore other(dir.path());
        other.InitilizeItemLists();
        EXPECT_EQ(other.changeAndSaveList(1, [&] { other.editEntries(DfType::Df1).push_back(entry); }),
                  ListChange::Saved);
        return other.Entries(DfType::Df1);
    }

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

// ---------------------------------------------------------------------------------------------
// What the list shows

TEST_F(ListEditorTest, CategoryAndFilterChooseTheEntriesShown) {
    const struct {
        const char* category;
        const char* filter;  ///< identifier or description, letter case ignored
        std::multiset<int> ids;
    } rows[] = {
        {"All", "", {500, 1040, 2001, 2005, 2031, 2032, 3001, 3001, 7001, 10000}},
        {"Decorations", "", {500, 1040}},
        {"Vehicles", "", {2001, 2005, 2031, 2032}},
        {"Buildings", "", {3001, 3001}},
        {"People", "", {}},
        {"Effects", "", {7001, 10000}},
        {"All", "JEEP", {2031, 2032}},
        {"All", "hu", {2005, 3001}},
        {"All", "00", {500, 2001, 2005, 3001, 3001, 7001, 10000}},
        {"Vehicles", "00", {2001, 2005}},
        {"All", "40", {1040}},
        {"All", "nothing like it", {}},
    };
    for (const auto& row : rows) {
        chooseCategory(row.category);
        filter(row.filter);
        EXPECT_EQ(shownIds(), row.ids) << row.category << " / " << row.filter;
    }
    // The filter survives the reload after a change, and applies to replacement sentences too.
    filter("jeep");
    select(QStringLiteral("Jeep = 2032"));
    click("cmdDelete");
    EXPECT_EQ(visibleLines(), QStringList({"Jeep = 2031"}));
    chooseFile(4);
    filter("hummer");
    EXPECT_EQ(visibleLines(), QStringList({"Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)"}));
}

TEST_F(ListEditorTest, RightClickTogglesTheDisplayModeAndTheOrder) {
    const QStringList byDescription = {
        "apc = 2001",  "Big Flash = 10000", "Bush = 1040", "Humvee = 2005",     "Hut = 3001",
        "Jeep = 2031", "Jeep = 2032",       "Shed = 3001", "Small Rock = 0500", "Smoke = 7001"};
    EXPECT_EQ(visibleLines(), byDescription);
    rightClickList();
    EXPECT_EQ(window->state().DisplayMode, 2);
    EXPECT_EQ(visibleLines(), QStringList({"0500 = Small Rock", "10000 = Big Flash", "1040 = Bush",
                                           "2001 = apc", "2005 = Humvee", "2031 = Jeep", "2032 = Jeep",
                                           "3001 = Hut", "3001 = Shed", "7001 = Smoke"}));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton);  // other buttons do nothing
    EXPECT_EQ(window->state().DisplayMode, 2);
    rightClickList();
    EXPECT_EQ(visibleLines(), byDescription);
    // A quick second right click arrives as a double-click, and toggles again.
    rightClickList();
    QTest::mouseDClick(list()->viewport(), Qt::RightButton);
    EXPECT_EQ(window->state().DisplayMode, 1);
}

TEST_F(ListEditorTest, ReplacementListsReadAsSentencesWithoutTheirPlaceholder) {
    chooseFile(4);
    chooseCategory("Decorations");  // 0..1999 takes in the placeholder's ObjectId 0
    EXPECT_TRUE(lines().isEmpty());
    chooseCategory("All");
    // Source texts from the DF1 list, target texts from the list of the target version.
    EXPECT_EQ(visibleLines(),
              QStringList({"Jeep 2031 (DF1) -> five 2005 (DF2)", "Jeep 2031 (DF1) -> five 2005 (DF2)",
                           "Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)", "Jeep 2032 (DF1) -> five 2005 (DF2)"}));
    rightClickList();
    EXPECT_EQ(visibleLines(),
              QStringList({"2031 Jeep (DF1) -> 2005 five (DF2)", "2031 Jeep (DF1) -> 2005 five (DF2)",
                           "2031 Jeep (DF1) -> 2050 Hummer (DF:LW)", "2032 Jeep (DF1) -> 2005 five (DF2)"}));
    chooseFile(5);  // nothing but the placeholder
    EXPECT_TRUE(lines().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Layout, buttons, keys

TEST_F(ListEditorTest, ButtonsAndSizesFollowTheLayoutWhateverOKMeets) {
    const QStringList browsing = {"cmdExit", "cmdUndo", "cmdDelete", "cmdEdit", "cmdAdd"};
    const QStringList editingRow = {"cmdExit", "cmdCancel", "cmdOK"};
    const QSize opening = window->size();
    const auto expectLayout = [&](bool isEditing) {
        EXPECT_EQ(buttonsShown(), isEditing ? editingRow : browsing);
        EXPECT_EQ(window->size(), opening);  // the window keeps its size
        EXPECT_EQ(editing(), isEditing);
        EXPECT_EQ(find<QGroupBox>("fraList")->height(), isEditing ? 297 : 353);
        EXPECT_EQ(list()->height(), isEditing ? 277 : 329);
        for (const char* name : {"cboFile", "cboListType", "txtFilter", "lstMain"}) {
            EXPECT_EQ(find<QWidget>(name)->isEnabled(), !isEditing) << name;
        }
    };
    expectLayout(false);
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled());  // nothing to undo yet
    click("cmdAdd");
    expectLayout(true);
    rightClickList();  // the list ignores input while editing
    EXPECT_EQ(window->state().DisplayMode, 1);

    typeEntry(QStringLiteral("2005"), QStringLiteral("Tank"));  // used: Retry
    fake.messages.answers = {true};
    click("cmdOK");
    expectLayout(true);
    const auto changed = anotherProgramAdds({4444, "Wall"});
    typeEntry(QStringLiteral("2222"), QStringLiteral("Tank"));
    click("cmdOK");  // reloaded: nothing changed, the panel stays
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("The Lists Were Changed By Another Program")));
    expectLayout(true);
    EXPECT_EQ(itemsOnDisk(1), changed);
    click("cmdOK");
    expectLayout(false);
    EXPECT_TRUE(find<QPushButton>("cmdUndo")->isEnabled());
    chooseFile(4);  // replacement lists have no Add and Edit
    EXPECT_EQ(buttonsShown(), QStringList({"cmdExit", "cmdUndo", "cmdDelete"}));
    chooseFile(3);
    EXPECT_EQ(buttonsShown(), browsing);

    // The window grows and shrinks; the list takes the room.
    window->resize(window->width() + 50, window->height() + 100);
    window->layout()->activate();
    EXPECT_EQ(find<QGroupBox>("fraList")->height(), 453);
    EXPECT_EQ(list()->height(), 429);
}

TEST_F(ListEditorTest, KeysAndDoubleClickDoWhatTheButtonsDo) {
    chooseFile(2);
    QTest::keyClick(list(), Qt::Key_Delete);  // the rules of the button
    EXPECT_EQ(lastMessage(), kSelectFirst);
    select(QStringLiteral("two = 2002"));
    QTest::keyClick(list(), Qt::Key_Delete);  // no confirmation; the last entry fills the hole
    EXPECT_EQ(itemsOnDisk(2),
              (std::vector<ItemListEntry>{{2001, "one"}, {2005, "five"}, {2003, "three"}, {2004, "four"}}));
    QTest::keyClick(list(), Qt::Key_Z, Qt::ControlModifier);  // Undo
    EXPECT_EQ(itemsOnDisk(2), df2Items());

    const QPoint three =
        list()->visualItemRect(list()->item(visibleLines().indexOf("three = 2003"))).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, three);  // a double-click, as a mouse sends it
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, three);
    ASSERT_TRUE(editing());
    EXPECT_EQ(find<QLineEdit>("txtID")->text(), QStringLiteral("2003"));
    find<QLineEdit>("txtDescription")->setText(QStringLiteral("THREE"));
    QTest::keyClick(find<QLineEdit>("txtDescription"), Qt::Key_Escape);  // Cancel
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2), df2Items());

    select(QStringLiteral("four = 2004"));
    QTest::keyClick(list(), Qt::Key_Return);  // Edit
    ASSERT_TRUE(editing());
    find<QLineEdit>("txtDescription")->setText(QStringLiteral("FOUR"));
    QTest::keyClick(find<QLineEdit>("txtID"), Qt::Key_Return);  // OK
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2)[3], (ItemListEntry{2004, "FOUR"}));
    EXPECT_EQ(fake.messages.shown.size(), 1u);
}

TEST_F(ListEditorTest, TabFollowsTheVisibleControlsAndEveryControlHasATip) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto tabRound = [&](QWidget* start) {
        QStringList names;
        start->setFocus();
        for (int i = 0; i < 10; ++i) {
            QWidget* focused = QApplication::focusWidget();
            names << focused->objectName();
            EXPECT_FALSE(focused->toolTip().isEmpty()) << focused->objectName().toStdString();
            QTest::keyClick(focused, Qt::Key_Tab);
            if (QApplication::focusWidget() == start) break;
        }
        return names;
    };
    EXPECT_EQ(tabRound(find<QWidget>("cboFile")),
              QStringList({"cboFile", "cboListType", "txtFilter", "lstMain", "cmdExit", "cmdDelete",
                           "cmdEdit", "cmdAdd"}));
    click("cmdAdd");
    EXPECT_EQ(tabRound(find<QWidget>("txtID")),
              QStringList({"txtID", "txtDescription", "cmdExit", "cmdCancel", "cmdOK"}));
}

// ---------------------------------------------------------------------------------------------
// Changing entries

TEST_F(ListEditorTest, AddAcceptsUnusedIdentifiersFrom1To9999) {
    // Typed, and the identifier added (0: refused). 2005 is used; 1e4 is 10000, one beyond the last
    // identifier; five digits are refused rather than cut to four.
    const std::pair<const char*, std::int16_t> cases[] = {
        {"2005", 0}, {"0", 0},     {"", 0},  {"abc", 0},     {"-5", 0},
        {"1e4", 0},  {"20061", 0}, {"1", 1}, {"9999", 9999}, {"42x", 42}};
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
        EXPECT_EQ(store->Entries(DfType::Df1), expected);
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
    EXPECT_TRUE(visibleLines().contains(QStringLiteral("2222 = Hummer")));
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
    EXPECT_TRUE(visibleLines().contains(QStringLiteral("Café € Tank = 2222")));
}

// A list from elsewhere may hold an identifier twice, and a replacement list one entry twice: each
// line names its own entry, so Edit and Delete act on the one selected.
TEST_F(ListEditorTest, EditAndDeleteActOnTheSelectedOneOfEqualEntries) {
    auto expected = df1Items();
    select(QStringLiteral("Shed = 3001"));
    click("cmdEdit");
    EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), QStringLiteral("Shed"));
    find<QLineEdit>("txtDescription")->setText(QStringLiteral("Barn"));
    click("cmdOK");
    expected[9].Description = "Barn";
    EXPECT_EQ(itemsOnDisk(1), expected);
    select(QStringLiteral("Hut = 3001"));
    click("cmdDelete");
    expected[4] = expected[9];
    expected.pop_back();
    EXPECT_EQ(itemsOnDisk(1), expected);
    EXPECT_TRUE(fake.messages.shown.empty());

    for (const int occurrence : {0, 1}) {  // entries 2 and 4, in list order
        SCOPED_TRACE(occurrence);
        reset();
        chooseFile(4);
        select(QStringLiteral("Jeep 2031 (DF1) -> five 2005 (DF2)"), occurrence);
        const int position = DecodeIndexTag(list()->currentItem()->text());
        EXPECT_EQ(position, occurrence == 0 ? 2 : 4);
        click("cmdDelete");
        auto replacements = df1Replacements();
        replacements[static_cast<std::size_t>(position - 1)] = replacements.back();
        replacements.pop_back();
        EXPECT_EQ(replacementsOnDisk(4), replacements);
    }
}

TEST_F(ListEditorTest, AddAndEditSelectTheEntryAndSwitchToItsCategory) {
    chooseCategory("Buildings");
    click("cmdAdd");
    typeEntry(QStringLiteral("2222"), QStringLiteral("Tank"));
    click("cmdOK");
    EXPECT_EQ(find<QComboBox>("cboListType")->currentText(), QStringLiteral("Vehicles"));
    EXPECT_EQ(selectedLine(), QStringLiteral("Tank = 2222"));
    const QString status = find<QLabel>("lblStatus")->text();
    EXPECT_TRUE(status.contains(QStringLiteral("Vehicles"))) << status.toStdString();

    select(QStringLiteral("Jeep = 2032"));
    click("cmdEdit");
    find<QLineEdit>("txtDescription")->setText(QStringLiteral("Willys"));
    click("cmdOK");
    EXPECT_EQ(selectedLine(), QStringLiteral("Willys = 2032"));
}

TEST_F(ListEditorTest, ClosingWhileTheEditPanelHoldsUnsavedTextAsksFirst) {
    const struct {
        bool edit;     ///< else Add
        bool type;     ///< change what the panel opened with
        bool viaExit;  ///< else the window is closed
        bool answer;   ///< to the question, when it is asked
    } rows[] = {{false, false, true, false},
                {true, false, false, false},
                {false, true, true, false},
                {false, true, false, true},
                {true, true, false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.edit << row.type << row.viaExit << row.answer);
        reset();
        QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
        if (row.edit) select(QStringLiteral("Humvee = 2005"));
        click(row.edit ? "cmdEdit" : "cmdAdd");
        if (row.type) find<QLineEdit>("txtDescription")->setText(QStringLiteral("Tank"));
        fake.messages.answers = {row.answer};
        if (row.viaExit) {
            click("cmdExit");
        } else {
            window->close();
        }
        const bool closes = !row.type || row.answer;
        EXPECT_EQ(fake.messages.shown.size(), row.type ? 1u : 0u);
        EXPECT_EQ(lastMessage(), row.type ? QStringLiteral("Discard the entry being edited?") : QString());
        EXPECT_EQ(window->isVisible(), !closes);
        EXPECT_EQ(ended.count(), row.viaExit && closes ? 1 : 0);
        EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), row.type ? "Tank" : (row.edit ? "Humvee" : ""));
        EXPECT_EQ(itemsOnDisk(1), df1Items());
    }
}

// ---------------------------------------------------------------------------------------------
// Undo

TEST_F(ListEditorTest, UndoPutsTheListFilesBackStepByStep) {
    const std::string items2 = bytesOf(2), replacements = bytesOf(4);
    click("cmdAdd");
    typeEntry(QStringLiteral("2222"), QStringLiteral("Tank"));
    click("cmdOK");
    select(QStringLiteral("Humvee = 2005"));
    click("cmdEdit");
    typeEntry(QStringLiteral("2006"), QStringLiteral("Hummer"));
    click("cmdOK");
    const auto afterEdits = itemsOnDisk(1);
    chooseFile(2);
    select(QStringLiteral("two = 2002"));
    click("cmdDelete");
    chooseFile(4);
    select(QStringLiteral("Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)"));
    click("cmdDelete");

    click("cmdUndo");
    EXPECT_EQ(bytesOf(4), replacements);  // a deletion leaves the file its length
    EXPECT_EQ(selectedLine(), QStringLiteral("Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)"));
    click("cmdUndo");
    EXPECT_EQ(window->state().CurrentList, 2);  // the editor shows the list it changed back
    EXPECT_EQ(bytesOf(2), items2);
    EXPECT_EQ(selectedLine(), QStringLiteral("two = 2002"));
    EXPECT_EQ(itemsOnDisk(1), afterEdits);
    click("cmdUndo");
    EXPECT_EQ(selectedLine(), QStringLiteral("Humvee = 2005"));
    click("cmdUndo");
    EXPECT_EQ(itemsOnDisk(1), df1Items());
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled());
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(ListEditorTest, UndoIsRefusedWhenAnotherProgramChangedTheFileSince) {
    click("cmdAdd");
    typeEntry(QStringLiteral("2222"), QStringLiteral("Tank"));
    click("cmdOK");
    chooseFile(2);
    select(QStringLiteral("two = 2002"));
    click("cmdDelete");
    const auto changed = anotherProgramAdds({4444, "Wall"});

    click("cmdUndo");  // DF2Items.vok is as the editor left it
    EXPECT_EQ(itemsOnDisk(2), df2Items());
    EXPECT_TRUE(fake.messages.shown.empty());
    click("cmdUndo");
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("DF1Items.vok"))) << lastMessage().toStdString();
    EXPECT_EQ(itemsOnDisk(1), changed);
    EXPECT_EQ(store->Entries(DfType::Df1), changed);
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// Failures, and other programs on the same folder

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
    EXPECT_EQ(store->Entries(DfType::Df3).size(), 1u);
    EXPECT_EQ(store->SavedReplacements(DfType::Df3).size(), 1u);
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
        EXPECT_EQ(store->Entries(DfType::Df2), df2Items());
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
        EXPECT_EQ(store->Entries(DfType::Df2), df2Items());
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
    select(QStringLiteral("2032 Jeep (DF1) -> 2005 five (DF2)"));
    click("cmdDelete");
    ASSERT_TRUE(fake.messages.shown.empty());

    converter.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 1040, 2050);  // "OK-S"

    const std::vector<ReplaceEntry> both = {
        {0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2031, 2005}, {3, 1040, 2050}};
    EXPECT_EQ(replacementsOnDisk(4), both);
    EXPECT_EQ(itemsOnDisk(1).back(), (ItemListEntry{2222, "Tank"}));
    EXPECT_EQ(converter.SavedReplacements(DfType::Df1), both);
    EXPECT_EQ(converter.LookupReplacement(DfType::Df1, DfType::Df2, 2032), -1);  // the editor's deletion holds there too
}

TEST_F(ListEditorTest, AnEditorDeleteAfterAConverterSaveReloadsFirstAndKeepsTheConvertersEntry) {
    ListStore converter(dir.path());
    converter.InitilizeItemLists();
    chooseFile(4);
    rightClickList();

    converter.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 1040, 2050);  // "OK-S" while the editor is open
    const std::string saved = bytesOf(4);
    select(QStringLiteral("2032 Jeep (DF1) -> 2005 five (DF2)"));
    click("cmdDelete");

    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, kReloaded + QStringLiteral(" (DF1Replace.vok).\r\n"
                                                                     "Nothing Was Changed; Please Repeat Your "
                                                                     "Action On The Lists As They Are Now."));
    EXPECT_FALSE(fake.messages.shown[0].yesNo);
    EXPECT_EQ(bytesOf(4), saved);  // the first attempt changed nothing
    EXPECT_TRUE(visibleLines().contains(QStringLiteral("1040 Bush (DF1) -> 2050 Hummer (DF:LW)")));
    EXPECT_TRUE(list()->selectedItems().isEmpty());

    select(QStringLiteral("2032 Jeep (DF1) -> 2005 five (DF2)"));  // the user repeats it
    click("cmdDelete");
    EXPECT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(replacementsOnDisk(4),
              (std::vector<ReplaceEntry>{
                  {0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2031, 2005}, {3, 1040, 2050}}));
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
        ASSERT_EQ(other.changeAndSaveList(1, [&] { c.otherProgram(other.editEntries(DfType::Df1)); }), ListChange::Saved);
        auto expected = itemsOnDisk(1);

        click("cmdOK");
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        EXPECT_TRUE(lastMessage().startsWith(kReloaded + QStringLiteral(" (DF1Items.vok)."))) << lastMessage().toStdString();
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(store->Entries(DfType::Df1), expected);
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
    EXPECT_EQ(buttonsShown(), QStringList({"cmdExit", "cmdCancel", "cmdOK"}));  // still editing
    EXPECT_EQ(bytesOf(2), before);
    EXPECT_EQ(store->Entries(DfType::Df2), df2Items());

    std::filesystem::remove(dir / kListLockFileName);  // the converter is done
    click("cmdOK");
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
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
