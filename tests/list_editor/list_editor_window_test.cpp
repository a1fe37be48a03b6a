// The list editor's window driven headless: every change is checked in the files on disk.
#include "list_editor/list_editor_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <chrono>
#include <map>
#include <optional>
#include <set>

#include "list_editor/list_lines.h"
#include "lists/starter_lists.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/fake_seams.h"
#include "tests/support/temp_dir.h"

namespace vok::editor {
namespace {

using testing::FailingFileSystem;
using Items = std::vector<ItemListEntry>;

const QString kInvalidId = "Invalid ID, Or Item ID is already used!\r\nRetry?";
const QString kReloaded = "The Lists Were Changed By Another Program And Have Been Reloaded";
const QString kSelectFirst = "Please Select a List Entry First!";
const QStringList kBrowsing = {"cmdExit", "cmdUndo", "cmdDelete", "cmdEdit", "cmdAdd"};
const QString kLoadFailure = "Warning!, There Was an Error In 'InitilizeItemLists'\r\n";

// DF1 items in every category, 3001 twice (a list from elsewhere); its replacements 2 and 4 are the
// same entry. DF3 holds an item at both edges of every category.
Items df1Items() {
    return {{2005, "Humvee"}, {2001, "apc"},        {500, "Small Rock"}, {1040, "Bush"}, {3001, "Hut"},
            {7001, "Smoke"},  {10000, "Big Flash"}, {2031, "Jeep"},      {2032, "Jeep"}, {3001, "Shed"}};
}
Items df2Items() { return {{2001, "one"}, {2002, "two"}, {2003, "three"}, {2004, "four"}, {2005, "five"}}; }
Items df3Items() {
    Items items{{2050, "Hummer"},     {1, "e"}, {10000, "e"}, {10001, "e"}, {5019, "Rifleman 19"}, {5002, "rifleman 2"},
                {5010, "Rifleman 10"}};
    for (std::int16_t edge = 2000; edge <= 7000; edge += 1000) {
        items.insert(items.end(), {{static_cast<std::int16_t>(edge - 1), "e"}, {edge, "e"}});
    }
    return items;
}
std::vector<ReplaceEntry> df1Replacements() {
    return {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}, {2, 2031, 2005}, {2, 2032, 2005}};
}

class ListEditorTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    /// A fresh folder and window, for cases run one after another in one test.
    void reset(FileSystem& fileSystem = realFileSystem(), const std::map<int, std::string>& replaced = {}) {
        std::string lists[] = {encodeItemList(df1Items()),
                               encodeItemList(df2Items()),
                               encodeItemList(df3Items()),
                               encodeReplaceList(df1Replacements()),
                               encodeReplaceList({{0, 0, 0}, {7, 2001, 2005}, {3, 77, 9}}),
                               encodeReplaceList({{1, 2050, 2031}})};
        for (const auto& [list, bytes] : replaced) lists[list - 1] = bytes;
        for (int i = 0; i < 6; ++i) dir.write(std::string(listFileName(i + 1)), lists[i]);
        window.reset();
        session.reset();
        store.emplace(dir.path(), fileSystem);
        session.emplace(*store, starterListBytes);
        fake.settings.values.clear();
        window = startListEditor(fake.seams, *session);
        ASSERT_NE(window, nullptr);
        startMessages = fake.messages.shown;
        fake.messages.shown.clear();
    }

    template <class W = QWidget>
    W* find(const char* name) {
        return testing::find<W>(*window, name);
    }
    QListWidget* list() { return find<QListWidget>("lstMain"); }
    QString lastMessage() { return fake.messages.shown.empty() ? QString() : fake.messages.shown.back().text; }
    QStringList lines() {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i) texts << visibleText(list()->item(i)->text());
        return texts;
    }
    /// The identifiers of the item entries shown, found through the positions the lines carry.
    std::multiset<int> shownIds() {
        std::multiset<int> ids;
        const auto& entries = store->Entries(versionOfList(window->state().CurrentList));
        for (const auto* item : list()->findItems("", Qt::MatchContains))
            ids.insert(entries.at(DecodeIndexTag(item->text()) - 1).ItemId);
        return ids;
    }
    QString selectedLine() {
        const auto selected = list()->selectedItems();
        return selected.isEmpty() ? QString() : visibleText(selected.constFirst()->text());
    }
    QStringList buttonsShown() {
        QStringList names;
        for (const char* name : {"cmdExit", "cmdUndo", "cmdDelete", "cmdEdit", "cmdCancel", "cmdAdd", "cmdOK"}) {
            if (find<QPushButton>(name)->isVisible()) names << name;
        }
        return names;
    }
    void click(const char* button) {
        ASSERT_TRUE(find(button)->isVisible()) << button;
        testing::click(*window, button);
    }
    void rightClickList() { QTest::mouseClick(list()->viewport(), Qt::RightButton); }
    void chooseFile(int list) { find<QComboBox>("cboFile")->setCurrentIndex(list - 1); }
    void chooseCategory(const QString& text) {
        auto* combo = find<QComboBox>("cboListType");
        combo->setCurrentIndex(combo->findText(text));
    }
    void filter(const QString& text) { find<QLineEdit>("txtFilter")->setText(text); }
    void select(const QString& visible, int occurrence = 0) {
        int row = -1;
        for (int i = 0; i <= occurrence; ++i) row = lines().indexOf(visible, row + 1);
        ASSERT_GE(row, 0) << visible.toStdString();
        list()->setCurrentRow(row);
    }
    void typeEntry(const QString& id, const QString& description) {
        find<QLineEdit>("txtID")->setText(id);
        find<QLineEdit>("txtDescription")->setText(description);
    }
    void addEntry(const QString& id, const QString& description) {
        click("cmdAdd");
        typeEntry(id, description);
        click("cmdOK");
    }
    bool editing() { return find<QFrame>("fraEditI")->isVisible() || find<QFrame>("fraEditR")->isVisible(); }
    /// Lets the events run until `done` holds, for at most five seconds (a file watch reports).
    static bool waitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 100 && !done(); ++i) QTest::qWait(50);
        return done();
    }
    /// Another program (vok lists learn, for instance) changes DF1Items.vok; returns what it wrote.
    Items anotherProgramChanges(const std::function<void(Items&)>& change) {
        ListStore other(dir.path());
        other.InitilizeItemLists();
        EXPECT_EQ(other.changeAndSaveList(1, [&] { change(other.editEntries(DfType::Df1)); }), ListChange::Saved);
        return other.Entries(DfType::Df1);
    }
    Items itemsOnDisk(int list) { return parseItemList(bytesOf(list), listFileName(list)); }
    std::vector<ReplaceEntry> replacementsOnDisk(int list) { return parseReplaceList(bytesOf(list), ""); }
    std::string bytesOf(int list) { return testing::slurp(dir / std::string(listFileName(list))); }
    static std::string bytesOf(const std::filesystem::directory_entry& file) { return testing::slurp(file.path()); }

    testing::TempDir dir;
    testing::FakeSeams fake;
    std::optional<ListStore> store;
    std::optional<workflow::ListSession> session;
    std::unique_ptr<ListEditorWindow> window;
    std::vector<testing::FakeMessageBoxes::Shown> startMessages;
};

TEST_F(ListEditorTest, CategoryAndFilterChooseTheEntriesShown) {
    const std::tuple<int, QString, QString, std::multiset<int>> rows[] = {
        // clang-format off
        // list, category, filter (identifier or description, letter case ignored), identifiers shown
        {3, "All", "", {1, 1999, 2000, 2050, 2999, 3000, 3999, 4000, 4999, 5000, 5002, 5010, 5019, 5999, 6000, 6999, 7000,
                        10000}},
        {3, "Decorations", "", {1, 1999}}, {3, "Vehicles", "", {2000, 2050, 2999}}, {3, "Buildings", "", {3000, 3999}},
        {3, "Objects", "", {4000, 4999}}, {3, "People", "", {5000, 5002, 5010, 5019, 5999}}, {3, "Markers", "", {6000, 6999}},
        {3, "Effects", "", {7000, 10000}}, {1, "All", "JEEP", {2031, 2032}}, {1, "All", "hu", {2005, 3001}},
        {1, "All", "00", {500, 2001, 2005, 3001, 3001, 7001, 10000}}, {1, "Vehicles", "00", {2001, 2005}},
        // clang-format on
    };
    for (const auto& [listNumber, category, text, ids] : rows) {
        chooseFile(listNumber);
        chooseCategory(category);
        filter(text);
        EXPECT_EQ(shownIds(), ids) << category.toStdString() << " / " << text.toStdString();
    }
    // The filter survives the reload after a change, and applies to replacement sentences too.
    filter("jeep");
    select("Jeep = 2032");
    click("cmdDelete");
    EXPECT_EQ(lines(), QStringList({"Jeep = 2031"}));
    chooseFile(4);
    filter("hummer");
    EXPECT_EQ(lines(), QStringList({"Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)"}));
}

// A right click toggles description or identifier first, and the order; items sort by their line
// without regard to letter case. Replacement lines read as sentences without their placeholder.
TEST_F(ListEditorTest, RightClickTogglesTheDisplayModeAndTheOrder) {
    EXPECT_EQ(lines(), QStringList({"apc = 2001", "Big Flash = 10000", "Bush = 1040", "Humvee = 2005", "Hut = 3001",
                                    "Jeep = 2031", "Jeep = 2032", "Shed = 3001", "Small Rock = 0500", "Smoke = 7001"}));
    rightClickList();
    EXPECT_EQ(lines(), QStringList({"0500 = Small Rock", "1040 = Bush", "2001 = apc", "2005 = Humvee", "2031 = Jeep",
                                    "2032 = Jeep", "3001 = Hut", "3001 = Shed", "7001 = Smoke", "10000 = Big Flash"}));
    chooseFile(5);  // descriptions from the lists of both versions
    EXPECT_EQ(lines(), QStringList({"0077 (not in list) (DF2) -> 0009 (not in list) (DF:LW)",
                                    "2001 one (DF2) -> 2005 (not in list) (DF7)"}));
    rightClickList();
    EXPECT_EQ(lines(), QStringList({"(not in list) 0077 (DF2) -> (not in list) 0009 (DF:LW)",
                                    "one 2001 (DF2) -> (not in list) 2005 (DF7)"}));
    chooseFile(4);
    chooseCategory("Decorations");  // 0..1999 takes in the placeholder's identifier 0
    EXPECT_TRUE(lines().isEmpty());
    chooseFile(3);  // numbers in descriptions in the order people expect, letter case ignored
    chooseCategory("People");
    EXPECT_EQ(lines(),
              QStringList({"e = 5000", "e = 5999", "rifleman 2 = 5002", "Rifleman 10 = 5010", "Rifleman 19 = 5019"}));
}

TEST_F(ListEditorTest, ButtonsKeysAndDoubleClick) {
    EXPECT_EQ(buttonsShown(), kBrowsing);
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled()) << "nothing to undo yet";
    click("cmdAdd");
    EXPECT_EQ(buttonsShown(), QStringList({"cmdExit", "cmdCancel", "cmdOK"}));
    for (const char* name : {"cboFile", "cboListType", "txtFilter", "lstMain"}) {
        EXPECT_FALSE(find(name)->isEnabled()) << name;
    }
    click("cmdCancel");
    EXPECT_EQ(buttonsShown(), kBrowsing);
    addEntry("2222", "Tank");
    EXPECT_TRUE(find<QPushButton>("cmdUndo")->isEnabled());
    chooseFile(4);  // replacement lists have Add and Edit too
    EXPECT_EQ(buttonsShown(), kBrowsing);
    chooseFile(6);  // the only entry of a list is not deleted
    list()->setCurrentRow(0);
    const std::string only = bytesOf(6);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_TRUE(lastMessage().contains("DF3Replace.vok") && bytesOf(6) == only && list()->count() == 1);
    chooseFile(2);
    EXPECT_EQ(buttonsShown(), kBrowsing);
    fake.messages.shown.clear();
    QTest::keyClick(list(), Qt::Key_Delete);  // the rules of the button
    click("cmdEdit");
    ASSERT_EQ(fake.messages.shown.size(), 2u);
    EXPECT_TRUE(fake.messages.shown[0].text == fake.messages.shown[1].text && lastMessage() == kSelectFirst);
    select("two = 2002");
    QTest::keyClick(list(), Qt::Key_Delete);  // no confirmation; the last entry fills the hole
    EXPECT_EQ(itemsOnDisk(2), (Items{{2001, "one"}, {2005, "five"}, {2003, "three"}, {2004, "four"}}));
    QTest::keyClick(list(), Qt::Key_Z, Qt::ControlModifier);  // Undo
    EXPECT_EQ(itemsOnDisk(2), df2Items());

    const QPoint three = list()->visualItemRect(list()->item(lines().indexOf("three = 2003"))).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, three);  // a double-click, as a mouse sends it
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, three);
    ASSERT_TRUE(editing());
    EXPECT_EQ(find<QLineEdit>("txtID")->text(), "2003");
    rightClickList();  // the list ignores input while editing
    find<QLineEdit>("txtDescription")->setText("THREE");
    QTest::keyClick(find<QLineEdit>("txtDescription"), Qt::Key_Escape);  // Cancel
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2), df2Items());

    select("four = 2004");
    QTest::keyClick(list(), Qt::Key_Return);  // Edit
    find<QLineEdit>("txtDescription")->setText("FOUR");
    QTest::keyClick(find<QLineEdit>("txtID"), Qt::Key_Return);  // OK
    EXPECT_FALSE(editing());
    EXPECT_EQ(itemsOnDisk(2)[3], (ItemListEntry{2004, "FOUR"}));
    EXPECT_EQ(fake.messages.shown.size(), 2u);
    addEntry("2222", "Ω Tank");  // no such letter in the lists' code page
    EXPECT_TRUE(lastMessage().contains("Ω") && editing() && itemsOnDisk(2)[3].Description == "FOUR");
}

// Identifiers from 1 to 9999 that no other entry uses are taken (what the text starts with); an
// edit may keep its own. The entry is selected in its category.
TEST_F(ListEditorTest, AddAndEditTakeUnusedIdentifiersFrom1To9999) {
    const char* kHumvee = "Humvee = 2005";
    const struct {
        const char* typed;
        std::int16_t taken;  ///< 0: refused
        const char* edit;    ///< the line of the entry edited, else Add
        QString category = "";
    } cases[] = {
        // clang-format off
        {"2005", 0, nullptr}, {"0", 0, nullptr}, {"", 0, nullptr}, {"abc", 0, nullptr}, {"-5", 0, nullptr},
        {"1e4", 0, nullptr}, {"20061", 0, nullptr}, {"2001", 0, kHumvee}, {"10000", 0, "Big Flash = 10000"},
        {"1", 1, nullptr, "Decorations"}, {"9999", 9999, nullptr, "Effects"}, {"42x", 42, nullptr, "Decorations"},
        {"2005", 2005, kHumvee, "All"}, {"2222", 2222, kHumvee, "All"}, {"1999", 1999, kHumvee, "All"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + (c.edit ? " edit" : " add"));
        reset();
        chooseCategory(c.edit ? "All" : "Buildings");
        if (c.edit) select(c.edit);
        click(c.edit ? "cmdEdit" : "cmdAdd");
        typeEntry(c.typed, "Café €");  // stored in the lists' code page
        auto expected = df1Items();
        fake.messages.answers = {true, false};  // Retry, then give up
        if (c.taken == 0) {
            click("cmdOK");
            EXPECT_EQ(fake.messages.shown.size(), 1u);
            EXPECT_TRUE(lastMessage() == kInvalidId && fake.messages.shown.back().yesNo);
            EXPECT_TRUE(editing() && find<QLineEdit>("txtID")->text() == c.typed) << "Yes keeps what was typed";
            click("cmdOK");  // No returns to the list unchanged
        } else {
            click("cmdOK");
            EXPECT_TRUE(fake.messages.shown.empty());
            if (c.edit) expected[0] = {c.taken, "Caf\xE9 \x80"};
            if (!c.edit) expected.push_back({c.taken, "Caf\xE9 \x80"});
            EXPECT_EQ(find<QComboBox>("cboListType")->currentText(), c.category);
            EXPECT_EQ(selectedLine(), "Café € = " + paddedId(c.taken));
        }
        EXPECT_FALSE(editing());
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(store->Entries(DfType::Df1), expected);
    }
    // The description box takes at most 37 characters: typing stops there.
    reset();
    click("cmdAdd");
    find<QLineEdit>("txtID")->setText("4444");
    QTest::keyClicks(find<QLineEdit>("txtDescription"), QString(40, 'w'));
    click("cmdOK");
    EXPECT_EQ(itemsOnDisk(1).back(), (ItemListEntry{4444, std::string(37, 'w')}));
}

// A list from elsewhere may hold an identifier twice, and a replacement list one entry twice: each
// line names its own entry, so Edit and Delete act on the one selected.
TEST_F(ListEditorTest, EditAndDeleteActOnTheSelectedOneOfEqualEntries) {
    auto expected = df1Items();
    select("Shed = 3001");
    click("cmdEdit");
    EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), "Shed");
    find<QLineEdit>("txtDescription")->setText("Barn");
    click("cmdOK");
    expected[9].Description = "Barn";
    EXPECT_EQ(itemsOnDisk(1), expected);
    select("Hut = 3001");
    click("cmdDelete");
    expected[4] = expected[9];
    expected.pop_back();
    EXPECT_EQ(itemsOnDisk(1), expected);

    for (const std::size_t occurrence : {0, 1}) {  // entries 2 and 4, in list order
        reset();
        chooseFile(4);
        select("Jeep 2031 (DF1) -> five 2005 (DF2)", static_cast<int>(occurrence));
        click("cmdDelete");
        auto replacements = df1Replacements();
        replacements[1 + 2 * occurrence] = replacements.back();
        replacements.pop_back();
        EXPECT_EQ(replacementsOnDisk(4), replacements) << occurrence;
    }
}

TEST_F(ListEditorTest, ClosingWhileTheEditPanelHoldsUnsavedTextAsksFirst) {
    // Edit (else Add), change what the panel opened with, how the window is closed, the answer
    enum class How { Exit, Close, SpaceOnExit };
    const struct {
        bool edit, type;
        How how;
        bool answer;
    } rows[] = {{false, false, How::Exit, false},       {true, false, How::Close, false},
                {false, true, How::Exit, false},        {false, true, How::Close, true},
                {true, true, How::Close, false},        {false, true, How::SpaceOnExit, false},
                {false, false, How::SpaceOnExit, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.edit << row.type << static_cast<int>(row.how) << row.answer);
        reset();
        QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
        if (row.edit) select("Humvee = 2005");
        click(row.edit ? "cmdEdit" : "cmdAdd");
        if (row.type) find<QLineEdit>("txtDescription")->setText("Tank");
        fake.messages.answers = {row.answer};
        if (row.how == How::Exit) click("cmdExit");
        if (row.how == How::Close) window->close();
        if (row.how == How::SpaceOnExit) QTest::keyClick(find("cmdExit"), Qt::Key_Space);
        const bool closes = !row.type || row.answer;
        EXPECT_EQ(lastMessage(), row.type ? "Discard the entry being edited?" : QString());
        EXPECT_TRUE(fake.messages.shown.empty() || !fake.messages.shown.back().preferYes) << "No is preferred";
        EXPECT_EQ(window->isVisible(), !closes);
        EXPECT_EQ(ended.count(), row.how != How::Close && closes ? 1 : 0);
        EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), row.type ? "Tank" : (row.edit ? "Humvee" : ""));
        EXPECT_EQ(itemsOnDisk(1), df1Items());
    }
}

// Undo shows the list and the entry it put back; a refused Undo says which file another program
// changed (the steps themselves are the list session's).
TEST_F(ListEditorTest, UndoShowsWhatItPutBack) {
    const std::string items2 = bytesOf(2);
    addEntry("2222", "Tank");
    const auto afterAdd = itemsOnDisk(1);
    select("Humvee = 2005");
    click("cmdEdit");
    typeEntry("2006", "Hummer");
    click("cmdOK");
    chooseFile(2);
    select("two = 2002");
    click("cmdDelete");
    chooseFile(4);
    click("cmdUndo");
    EXPECT_EQ(std::tuple(window->state().CurrentList, bytesOf(2), selectedLine()),
              std::tuple(std::int16_t{2}, items2, QString("two = 2002")));
    click("cmdUndo");
    EXPECT_EQ(std::tuple(itemsOnDisk(1), selectedLine()), std::tuple(afterAdd, QString("Humvee = 2005")));
    EXPECT_TRUE(find<QLabel>("lblStatus")->text().startsWith("DF1Items.vok: undone, changed 2006 = Hummer"));
    EXPECT_TRUE(fake.messages.shown.empty());

    anotherProgramChanges([](Items& items) { items.push_back({4444, "Wall"}); });
    click("cmdUndo");
    EXPECT_TRUE(lastMessage().startsWith("Can't Undo: 'DF1Items.vok'")) << lastMessage().toStdString();
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled());
}

// A write that fails and a folder another program holds are reported; the window stays as it was,
// what was typed stays in the panel, and OK saves it once the fault is gone.
TEST_F(ListEditorTest, AChangeThatCannotBeWrittenIsReportedAndLosesNothing) {
    const QString lock = "Warning!, The Lists Are Being Changed By Another Program\r\n" +
                         QString::fromStdString(displayPath(dir.path())) + "\r\n";
    const QString file = "Warning!, The List Could Not Be Saved To '" +
                         QString::fromStdString(displayPath(dir / "DF2Items.vok")) + "'\r\n";
    FailingFileSystem failing;
    for (const bool locked : {false, true}) {
        failing.failAt = locked ? FailingFileSystem::FailAt::Nothing : FailingFileSystem::FailAt::Create;
        reset(failing);
        if (locked) {
            store->setLockOptions(ListLockOptions{.wait = std::chrono::milliseconds(100)});
            dir.write(kListLockFileName, "Vok_Sorrel 0123456789abcdef\n");  // the converter is saving
        }
        chooseFile(2);
        addEntry("2006", "six");
        EXPECT_TRUE(lastMessage().startsWith(locked ? lock : file)) << lastMessage().toStdString();
        EXPECT_TRUE(editing() && find<QLineEdit>("txtDescription")->text() == "six");
        failing.failAt = FailingFileSystem::FailAt::Nothing;
        std::filesystem::remove(dir / kListLockFileName);
        click("cmdOK");
        EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
    }
    window.reset();
    session.reset();
    store.reset();
}

// A change on lists another program changed a moment before: the editor reloads, changes nothing and
// says so, keeping what was typed; OK then repeats it on the lists as they are.
TEST_F(ListEditorTest, AChangeAfterAnotherProgramsChangeIsRepeatedOnTheReloadedList) {
    select("Humvee = 2005");
    click("cmdEdit");
    typeEntry("2005", "Hummer");
    auto expected = anotherProgramChanges([](Items& entries) { entries.insert(entries.begin(), {4444, "Wall"}); });
    click("cmdOK");
    EXPECT_TRUE(lastMessage().startsWith(kReloaded + " (DF1Items.vok).")) << lastMessage().toStdString();
    EXPECT_EQ(itemsOnDisk(1), expected);
    EXPECT_TRUE(editing() && find<QLineEdit>("txtDescription")->text() == "Hummer");
    click("cmdOK");
    expected[1].Description = "Hummer";
    EXPECT_EQ(itemsOnDisk(1), expected);
    EXPECT_EQ(fake.messages.shown.size(), 1u);
}

// Replacements are added and edited in their own panel: the source type and the replacement from the
// item lists (or typed), the target among the other versions. A replacement not in the target's
// list, and a second one for a type already replaced in that version, are refused.
TEST_F(ListEditorTest, ReplacementsAreAddedAndEdited) {
    chooseFile(4);
    click("cmdAdd");
    ASSERT_TRUE(find<QFrame>("fraEditR")->isVisible());
    auto* source = find<QComboBox>("cboSource");
    auto* target = find<QComboBox>("cboTarget");
    auto* replacement = find<QComboBox>("cboReplacement");
    EXPECT_EQ(QApplication::focusWidget() == source || !window->isActiveWindow(), true);
    QStringList targets;
    for (int i = 0; i < target->count(); ++i) targets << target->itemText(i);
    EXPECT_EQ(targets, QStringList({"DF2", "DF:LW"}));
    EXPECT_EQ(source->findText("2005 Humvee") >= 0 && source->findText("3001 Shed") >= 0, true);
    EXPECT_EQ(replacement->itemText(0), "2001 one");
    source->setEditText("3001");
    replacement->setEditText("2006");  // not in the DF2 list
    fake.messages.answers = {true, false};
    click("cmdOK");
    EXPECT_TRUE(lastMessage().startsWith("Invalid Replacement ID: 2006 (not in list) In DF2!") && editing())
        << lastMessage().toStdString();
    replacement->setCurrentIndex(replacement->findText("2003 three"));
    click("cmdOK");
    auto expected = df1Replacements();
    expected.push_back({2, 3001, 2003});
    EXPECT_EQ(replacementsOnDisk(4), expected);
    EXPECT_EQ(selectedLine(), "Shed 3001 (DF1) -> three 2003 (DF2)");
    EXPECT_EQ(QApplication::focusWidget() == list() || !window->isActiveWindow(), true);

    click("cmdAdd");  // 2031 has a replacement in DF2 already: the converter would never use a second
    source->setEditText("2031 Jeep");
    replacement->setEditText("2001");
    click("cmdOK");
    EXPECT_TRUE(lastMessage().startsWith("Item 2031 Already Has A Replacement In DF2: 2005 five!"));
    EXPECT_FALSE(editing()) << "No leaves the panel";
    EXPECT_EQ(replacementsOnDisk(4), expected);

    select("Jeep 2031 (DF1) -> Hummer 2050 (DF:LW)");
    click("cmdEdit");
    EXPECT_EQ(std::tuple(source->currentText(), target->currentText(), replacement->currentText()),
              std::tuple(QString("2031 Jeep"), QString("DF:LW"), QString("2050 Hummer")));
    replacement->setEditText("2000");
    target->setCurrentIndex(0);  // the choices follow the version; what was typed stays
    EXPECT_EQ(std::tuple(replacement->itemText(0), replacement->currentText()),
              std::tuple(QString("2001 one"), QString("2000")));
    target->setCurrentIndex(1);
    click("cmdOK");
    expected[2] = {3, 2031, 2000};
    EXPECT_EQ(replacementsOnDisk(4), expected);
    click("cmdUndo");
    click("cmdUndo");
    EXPECT_EQ(replacementsOnDisk(4), df1Replacements());
}

// Another program's change shows at once: the category, the filter, the selection and what the
// edit panel holds stay, and the status line names the file.
TEST_F(ListEditorTest, AnotherProgramsChangeShowsAtOnce) {
    chooseCategory("Vehicles");
    filter("jeep");
    select("Jeep = 2032");
    anotherProgramChanges([](Items& entries) { entries.insert(entries.begin(), {2033, "Jeep 3"}); });
    EXPECT_TRUE(waitFor([&] { return lines().contains("Jeep 3 = 2033"); })) << lines().join('|').toStdString();
    EXPECT_EQ(std::tuple(find<QComboBox>("cboListType")->currentText(), find<QLineEdit>("txtFilter")->text(),
                         selectedLine(), find<QLabel>("lblStatus")->text()),
              std::tuple(QString("Vehicles"), QString("jeep"), QString("Jeep = 2032"),
                         QString("Reloaded DF1Items.vok: changed by another program.")));

    click("cmdEdit");
    typeEntry("2032", "Jeep Two");
    const auto expected = anotherProgramChanges([](Items& entries) { entries.push_back({2040, "Truck"}); });
    EXPECT_TRUE(waitFor([&] { return store->Entries(DfType::Df1) == expected; }));
    EXPECT_TRUE(editing() && find<QLineEdit>("txtDescription")->text() == "Jeep Two");
    click("cmdOK");
    EXPECT_TRUE(fake.messages.shown.empty());
    EXPECT_EQ(itemsOnDisk(1)[9], (ItemListEntry{2032, "Jeep Two"}));

    // vok lists learn says which of its missions used a type; the selected entry shows it.
    auto* learned = find<QLabel>("lblLearned");
    writeLearnedUses(dir.path(), DfType::Df1, {{DfType::Df1, 2032, 3, "m01.bms"}, {DfType::Df1, 2032, 1, "m02.bms"}});
    EXPECT_TRUE(waitFor([&] { return learned->isVisible(); }));
    EXPECT_EQ(learned->text(), "2032 was used by the last vok lists learn in: m01.bms (3), m02.bms (1)");
    select("Jeep 3 = 2033");
    EXPECT_FALSE(learned->isVisible());
}

// A damaged list file does not end the program: the message names it, the other lists work, and
// the damaged one is started again from the starter list or empty, its file kept beside it.
TEST_F(ListEditorTest, ADamagedListIsRecoveredBothWays) {
    for (const bool starter : {true, false}) {
        SCOPED_TRACE(starter);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
        const std::string damaged = encodeItemList({{0, "zero"}});
        reset(realFileSystem(), {{2, damaged}});
        ASSERT_EQ(startMessages.size(), 1u);
        EXPECT_TRUE(startMessages[0].text.startsWith(kLoadFailure +
                                                     QString::fromStdString(displayPath(dir / "DF2Items.vok")) + ": "))
            << startMessages[0].text.toStdString();
        EXPECT_EQ(lines().size(), 10) << "DF1Items.vok is open";
        chooseFile(2);
        EXPECT_TRUE(lines().isEmpty() && find<QFrame>("fraDamaged")->isVisible());
        EXPECT_EQ(buttonsShown(), QStringList({"cmdExit", "cmdUndo"}));
        EXPECT_TRUE(find<QLabel>("lblDamaged")->text().startsWith("DF2Items.vok is damaged"));
        click(starter ? "cmdStartStarter" : "cmdStartEmpty");
        EXPECT_EQ(bytesOf(2), starter ? starterListBytes(2) : workflow::emptyListBytes(2));
        std::vector<std::string> kept;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename().string().starts_with("DF2Items.vok.damaged-")) kept.push_back(bytesOf(entry));
        }
        EXPECT_EQ(kept, std::vector<std::string>{damaged});
        EXPECT_FALSE(find<QFrame>("fraDamaged")->isVisible());
        EXPECT_EQ(buttonsShown(), kBrowsing);
        EXPECT_TRUE(find<QLabel>("lblStatus")->text().contains("The damaged file is kept as DF2Items.vok.damaged-"));
        EXPECT_EQ(static_cast<std::size_t>(lines().size()),
                  starter ? parseItemList(starterListBytes(2), "").size() : 1u);
    }
}

// The keyboard alone adds entries: Alt+A opens the panel, Tab moves on, Enter saves and the focus
// goes back to the list on the entry written (never to Exit); Tab into the list selects a row.
TEST_F(ListEditorTest, TheKeyboardAddsEntriesWithoutAMouse) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const auto& [id, description] : {std::pair("4001", "Crate 1"), {"4002", "Crate 2"}, {"4003", "Crate 3"}}) {
        QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
        ASSERT_TRUE(waitFor([&] { return editing(); })) << "a mnemonic clicks its button after a moment";
        QTest::keyClicks(QApplication::focusWidget(), id);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), description);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(editing());
        EXPECT_EQ(QApplication::focusWidget(), list());
        EXPECT_EQ(selectedLine(), QString(description) + " = " + id);
    }
    EXPECT_EQ(itemsOnDisk(1).size(), df1Items().size() + 3);
    list()->clearSelection();
    find("txtFilter")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), list());
    EXPECT_FALSE(selectedLine().isEmpty());

    // Every control the user can reach has a mnemonic of its own.
    std::map<QChar, QString> letters;
    for (const auto* button : window->findChildren<QPushButton*>()) {
        const QString text = button->text();
        const qsizetype amp = text.indexOf('&');
        ASSERT_GE(amp, 0) << text.toStdString();
        const QChar letter = text.at(amp + 1).toLower();
        EXPECT_TRUE(letters.emplace(letter, text).second)
            << text.toStdString() << " and " << letters[letter].toStdString();
    }
}

// The editor opens on the list and category last used.
TEST_F(ListEditorTest, ItReopensOnTheListAndCategoryLastUsed) {
    chooseFile(5);
    chooseCategory("Vehicles");
    window = std::make_unique<ListEditorWindow>(fake.seams, *session);
    EXPECT_EQ(std::tuple(window->state().CurrentList, find<QComboBox>("cboListType")->currentText()),
              std::tuple(std::int16_t{5}, QString("Vehicles")));
    EXPECT_EQ(lines(), QStringList({"one 2001 (DF2) -> (not in list) 2005 (DF7)"}));
}

}  // namespace
}  // namespace vok::editor
