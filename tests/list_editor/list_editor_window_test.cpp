// The list editor's window driven headless: every change is checked in the files on disk.
#include "list_editor/list_editor_window.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
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
using Items = std::vector<ItemListEntry>;

const QString kInvalidId = "Invalid ID, Or Item ID is already used!\r\nRetry?";
const QString kReloaded = "The Lists Were Changed By Another Program And Have Been Reloaded";
const QString kSelectFirst = "Please Select a List Entry First!";
const QStringList kBrowsing = {"cmdExit", "cmdUndo", "cmdDelete", "cmdEdit", "cmdAdd"};

// DF1 items in every category, 3001 twice (a list from elsewhere); its replacements 2 and 4 are the
// same entry. DF3 holds an item at both edges of every category.
Items df1Items() {
    return {{2005, "Humvee"}, {2001, "apc"},        {500, "Small Rock"}, {1040, "Bush"}, {3001, "Hut"},
            {7001, "Smoke"},  {10000, "Big Flash"}, {2031, "Jeep"},      {2032, "Jeep"}, {3001, "Shed"}};
}
Items df2Items() { return {{2001, "one"}, {2002, "two"}, {2003, "three"}, {2004, "four"}, {2005, "five"}}; }
Items df3Items() {
    Items items{{2050, "Hummer"}, {1, "e"}, {10000, "e"}, {10001, "e"}};
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
    void reset(FileSystem& fileSystem = realFileSystem()) {
        const std::string lists[] = {encodeItemList(df1Items()),
                                     encodeItemList(df2Items()),
                                     encodeItemList(df3Items()),
                                     encodeReplaceList(df1Replacements()),
                                     encodeReplaceList({{0, 0, 0}, {7, 2001, 2005}, {3, 77, 9}}),
                                     encodeReplaceList({{1, 2050, 2031}})};
        for (int i = 0; i < 6; ++i) dir.write(std::string(listFileName(i + 1)), lists[i]);
        window.reset();
        store.emplace(dir.path(), fileSystem);
        window = startListEditor(fake.seams, *store);
        ASSERT_NE(window, nullptr);
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
    bool editing() { return find<QFrame>("fraEditI")->isVisible(); }
    /// Another program (vok lists learn, for instance) changes DF1Items.vok; returns what it wrote.
    Items anotherProgramChanges(const std::function<void(Items&)>& change) {
        ListStore other(dir.path());
        other.InitilizeItemLists();
        EXPECT_EQ(other.changeAndSaveList(1, [&] { change(other.editEntries(DfType::Df1)); }), ListChange::Saved);
        return other.Entries(DfType::Df1);
    }
    Items itemsOnDisk(int list) { return parseItemList(bytesOf(list), listFileName(list)); }
    std::string bytesOf(int list) { return testing::slurp(dir / std::string(listFileName(list))); }

    testing::TempDir dir;
    testing::FakeSeams fake;
    std::optional<ListStore> store;
    std::unique_ptr<ListEditorWindow> window;
};

TEST_F(ListEditorTest, CategoryAndFilterChooseTheEntriesShown) {
    const std::tuple<int, QString, QString, std::multiset<int>> rows[] = {
        // clang-format off
        // list, category, filter (identifier or description, letter case ignored), identifiers shown
        {3, "All", "", {1, 1999, 2000, 2050, 2999, 3000, 3999, 4000, 4999, 5000, 5999, 6000, 6999, 7000, 10000}},
        {3, "Decorations", "", {1, 1999}}, {3, "Vehicles", "", {2000, 2050, 2999}}, {3, "Buildings", "", {3000, 3999}},
        {3, "Objects", "", {4000, 4999}}, {3, "People", "", {5000, 5999}}, {3, "Markers", "", {6000, 6999}},
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
    EXPECT_EQ(lines(),
              QStringList({"0500 = Small Rock", "10000 = Big Flash", "1040 = Bush", "2001 = apc", "2005 = Humvee",
                           "2031 = Jeep", "2032 = Jeep", "3001 = Hut", "3001 = Shed", "7001 = Smoke"}));
    chooseFile(5);  // descriptions from the lists of both versions
    EXPECT_EQ(lines(), QStringList({"0077 (not in list) (DF2) -> 0009 (not in list) (DF:LW)",
                                    "2001 one (DF2) -> 2005 (not in list) (DF7)"}));
    rightClickList();
    EXPECT_EQ(lines(), QStringList({"(not in list) 0077 (DF2) -> (not in list) 0009 (DF:LW)",
                                    "one 2001 (DF2) -> (not in list) 2005 (DF7)"}));
    chooseFile(4);
    chooseCategory("Decorations");  // 0..1999 takes in the placeholder's identifier 0
    EXPECT_TRUE(lines().isEmpty());
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
    chooseFile(4);  // replacement lists have no Add and Edit
    EXPECT_EQ(buttonsShown(), QStringList({"cmdExit", "cmdUndo", "cmdDelete"}));
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
        EXPECT_EQ(parseReplaceList(bytesOf(4), ""), replacements) << occurrence;
    }
}

TEST_F(ListEditorTest, ClosingWhileTheEditPanelHoldsUnsavedTextAsksFirst) {
    // Edit (else Add), change what the panel opened with, Exit (else close the window), the answer
    const struct {
        bool edit, type, viaExit, answer;
    } rows[] = {{false, false, true, false},
                {true, false, false, false},
                {false, true, true, false},
                {false, true, false, true},
                {true, true, false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.edit << row.type << row.viaExit << row.answer);
        reset();
        QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
        if (row.edit) select("Humvee = 2005");
        click(row.edit ? "cmdEdit" : "cmdAdd");
        if (row.type) find<QLineEdit>("txtDescription")->setText("Tank");
        fake.messages.answers = {row.answer};
        if (row.viaExit) click("cmdExit");
        if (!row.viaExit) window->close();
        const bool closes = !row.type || row.answer;
        EXPECT_EQ(lastMessage(), row.type ? "Discard the entry being edited?" : QString());
        EXPECT_EQ(window->isVisible(), !closes);
        EXPECT_EQ(ended.count(), row.viaExit && closes ? 1 : 0);
        EXPECT_EQ(find<QLineEdit>("txtDescription")->text(), row.type ? "Tank" : (row.edit ? "Humvee" : ""));
        EXPECT_EQ(itemsOnDisk(1), df1Items());
    }
}

// Undo puts the files back step by step and shows the list it changed back; it is refused for a file
// another program changed since.
TEST_F(ListEditorTest, UndoPutsTheListFilesBackStepByStepUnlessAnotherProgramChangedThem) {
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
    EXPECT_TRUE(fake.messages.shown.empty());

    const auto changed = anotherProgramChanges([](Items& items) { items.push_back({4444, "Wall"}); });
    click("cmdUndo");
    EXPECT_TRUE(lastMessage().contains("DF1Items.vok")) << lastMessage().toStdString();
    EXPECT_TRUE(itemsOnDisk(1) == changed && store->Entries(DfType::Df1) == changed);
    EXPECT_FALSE(find<QPushButton>("cmdUndo")->isEnabled());
}

// A write that fails, a folder that cannot be written and a folder another program holds are
// reported; the file, the store and the window stay as they were, what was typed stays in the panel,
// and OK saves it once the fault is gone.
TEST_F(ListEditorTest, AChangeThatCannotBeWrittenIsReportedAndLosesNothing) {
    const std::string before = bytesOf(2);
    const QString lock = "Warning!, The Lists Are Being Changed By Another Program\r\n" +
                         QString::fromStdString(displayPath(dir.path())) + "\r\n";
    const QString file = QString::fromStdString(displayPath(dir / "DF2Items.vok"));
    FailingFileSystem failing;
    using enum FailingFileSystem::FailAt;
    const std::tuple<FailingFileSystem::FailAt, bool, QStringList> cases[] = {
        // fault, a read-only folder or else a lock, what the message holds
        {Create, false, {file}},
        {Nothing, true, {file, "vok --lists DIR", "The file and the lists shown are unchanged."}},
        {Nothing, false, {lock, "Vok_Sorrel"}},
    };
    for (const auto& [failAt, readOnly, parts] : cases) {
        SCOPED_TRACE(parts.join('|').toStdString());
        std::tie(failing.failAt, failing.error) = std::tuple(failAt, EACCES);
        reset(failing);
        std::optional<testing::ReadOnlyFolder> folder;
        if (readOnly && !folder.emplace(dir.path()).active()) continue;  // cannot be made read-only here
        if (failAt == Nothing && !readOnly) {
            store->setLockOptions(ListLockOptions{.wait = std::chrono::milliseconds(100)});
            dir.write(kListLockFileName, "Vok_Sorrel 0123456789abcdef\n");  // the converter is saving
        }
        chooseFile(2);
        select("two = 2002");
        click("cmdDelete");
        addEntry("2006", "six");
        ASSERT_EQ(fake.messages.shown.size(), 2u);
        for (const auto& shown : fake.messages.shown) {
            for (const QString& part : parts) EXPECT_TRUE(shown.text.contains(part)) << shown.text.toStdString();
        }
        EXPECT_TRUE(editing() && find<QLineEdit>("txtDescription")->text() == "six");
        EXPECT_TRUE(bytesOf(2) == before && store->Entries(DfType::Df2) == df2Items());
        failing.failAt = Nothing;
        folder.reset();
        std::filesystem::remove(dir / kListLockFileName);
        click("cmdOK");
        EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
    }
    window.reset();
    store.reset();
}

TEST_F(ListEditorTest, ListsThatAnotherProgramBrokeEndTheProgramAtTheNextChange) {
    QSignalSpy ended(window.get(), &ListEditorWindow::programEnded);
    dir.write("DF3Replace.vok", encodeReplaceList({}));  // count 0: another program broke it
    chooseFile(2);
    select("two = 2002");
    click("cmdDelete");
    EXPECT_TRUE(lastMessage().startsWith("Warning!, There Was an Error In 'InitilizeItemLists'\r\n"));
    EXPECT_EQ(itemsOnDisk(2), df2Items());
    EXPECT_TRUE(ended.count() == 1 && ended.at(0).at(0).toInt() == 1);
    ListStore again(dir.path());  // nor does the program start on them
    EXPECT_EQ(runListEditor(fake.seams, again), 1);
}

// Another program (the converter's "OK-S", vok lists learn) changes the list while an entry is added,
// edited or deleted: the editor reloads, changes nothing and says so, keeping what was typed; the
// repeat lands on the entry where it now is, or the edit ends when the entry is gone.
TEST_F(ListEditorTest, AChangeAfterAnotherProgramsChangeIsRepeatedOnTheReloadedList) {
    const std::tuple<std::string_view, void (*)(Items&), bool> cases[] = {
        // clang-format off
        // what the editor does, what the other program does, whether the panel stays
        {"cmdAdd", [](Items& entries) { entries.push_back({2222, "Tank"}); }, true},
        {"cmdEdit", [](Items& entries) { entries.insert(entries.begin(), {4444, "Wall"}); }, true},
        {"cmdEdit", [](Items& entries) { entries.front() = entries.back(), entries.pop_back(); }, false},
        {"cmdDelete", [](Items& entries) { entries.push_back({2222, "Tank"}); }, false},
        // clang-format on
    };
    for (const auto& [button, otherProgram, panelStays] : cases) {
        reset();
        const bool add = button == "cmdAdd", edit = button == "cmdEdit";
        if (!add) select("Humvee = 2005");
        if (add || edit) click(button.data());
        if (add || edit) typeEntry(add ? "3333" : "2005", add ? "Tower" : "Hummer");
        auto expected = anotherProgramChanges(otherProgram);
        click(add || edit ? "cmdOK" : "cmdDelete");
        EXPECT_TRUE(lastMessage().startsWith(kReloaded + " (DF1Items.vok).") &&
                    lastMessage().contains("Nothing Was Changed"))
            << lastMessage().toStdString();
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(store->Entries(DfType::Df1), expected);
        EXPECT_EQ(editing(), panelStays);
        if (!panelStays && edit) continue;
        EXPECT_TRUE(!panelStays || find<QLineEdit>("txtID")->text() == (add ? "3333" : "2005"));
        if (!panelStays) select("Humvee = 2005");
        click(panelStays ? "cmdOK" : "cmdDelete");
        if (add) expected.push_back({3333, "Tower"});
        const auto humvee = std::find(expected.begin(), expected.end(), ItemListEntry{2005, "Humvee"});
        if (edit) humvee->Description = "Hummer";
        if (!add && !edit) *humvee = expected.back(), expected.pop_back();
        EXPECT_EQ(itemsOnDisk(1), expected);
        EXPECT_EQ(fake.messages.shown.size(), 1u);
    }
}

}  // namespace
}  // namespace vok::editor
