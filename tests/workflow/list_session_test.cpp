// The list session: changes, undo, reloads after another program's change, the lock, damaged
// lists, checked in the files on disk.
#include "workflow/list_session.h"

#include <gtest/gtest.h>

#include <chrono>

#include "lists/starter_lists.h"
#include "mission/core/error.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace vok::workflow {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Items = std::vector<ItemListEntry>;
using Replacements = std::vector<ReplaceEntry>;
using testing::slurp;

Items df1Items() { return {{2005, "Humvee"}, {2031, "Jeep"}, {3001, "Hut"}, {3001, "Shed"}}; }
Items df2Items() { return {{2001, "one"}, {2002, "two"}, {2005, "five"}}; }
Items df3Items() { return {{2050, "Hummer"}, {2051, "Tank"}}; }
Replacements df1Replacements() { return {{0, 0, 0}, {2, 2031, 2005}, {3, 2031, 2050}}; }

class ListSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        write(1, encodeItemList(df1Items()));
        write(2, encodeItemList(df2Items()));
        write(3, encodeItemList(df3Items()));
        write(4, encodeReplaceList(df1Replacements()));
        write(5, encodeReplaceList({{0, 0, 0}}));
        write(6, encodeReplaceList({{1, 2050, 2005}}));
        open();
    }
    void open(FileSystem& fileSystem = realFileSystem()) {
        session.reset();
        store.emplace(dir.path(), fileSystem);
        store->setLockOptions({.wait = 100ms, .retry = 5ms});
        session.emplace(*store, [](int which) { return "starter " + std::to_string(which); });
        session->open();
    }
    void write(int list, std::string_view bytes) { dir.write(std::string(listFileName(list)), bytes); }
    std::string bytesOf(int list) { return slurp(dir / std::string(listFileName(list))); }
    Items itemsOnDisk(int list) { return parseItemList(bytesOf(list), ""); }
    Replacements replacementsOnDisk(int list) { return parseReplaceList(bytesOf(list), ""); }
    /// Another program (the converter's "OK-S", vok lists learn) changes list 1 in its own store.
    Items anotherProgramChanges(const std::function<void(Items&)>& change) {
        ListStore other(dir.path());
        other.InitilizeItemLists();
        EXPECT_EQ(other.changeAndSaveList(1, [&] { change(other.editEntries(DfType::Df1)); }), ListChange::Saved);
        return other.Entries(DfType::Df1);
    }

    testing::TempDir dir;
    std::optional<ListStore> store;
    std::optional<ListSession> session;
};

TEST_F(ListSessionTest, ChangesAreWrittenAndTakenBackNewestFirst) {
    EXPECT_EQ(session->addItem(1, {2222, "Tank"}, "added"), ChangeOutcome::Saved);
    EXPECT_EQ(session->changeItem(1, 1, {2006, "Hummer"}, "changed"), ChangeOutcome::Saved);
    EXPECT_EQ(session->removeEntry(2, 1, "deleted"), ChangeOutcome::Saved);  // the last entry fills the hole
    EXPECT_EQ(session->addReplacement(4, {1, 3001, 2001}, "replacement"), ChangeOutcome::Saved);
    EXPECT_EQ(session->changeReplacement(6, 1, {2, 2051, 2002}, "changed replacement"), ChangeOutcome::Saved);
    EXPECT_EQ(itemsOnDisk(1), (Items{{2006, "Hummer"}, {2031, "Jeep"}, {3001, "Hut"}, {3001, "Shed"}, {2222, "Tank"}}));
    EXPECT_EQ(itemsOnDisk(2), (Items{{2005, "five"}, {2002, "two"}}));
    EXPECT_EQ(replacementsOnDisk(4).back(), (ReplaceEntry{1, 3001, 2001}));
    EXPECT_EQ(replacementsOnDisk(6), (Replacements{{2, 2051, 2002}}));
    EXPECT_EQ(store->Entries(DfType::Df2), itemsOnDisk(2)) << "reloaded after each change";
    EXPECT_EQ(session->removeEntry(6, 1, "only"), std::nullopt) << "a list keeps its only entry";

    const std::tuple<int, int, std::string> undone[] = {
        {6, 1, "changed replacement"}, {4, 0, "replacement"}, {2, 1, "deleted"}, {1, 1, "changed"}, {1, 0, "added"}};
    for (const auto& [list, position, what] : undone) {
        const UndoResult result = session->undo();
        EXPECT_EQ(std::tuple(result.kind, result.list, result.position, result.what),
                  std::tuple(UndoResult::Kind::Undone, list, position, what));
    }
    EXPECT_FALSE(session->canUndo());
    EXPECT_EQ(session->undo().kind, UndoResult::Kind::Nothing);
    // The entries and their order come back exactly; a file the change made longer keeps its length.
    EXPECT_EQ(itemsOnDisk(1), df1Items());
    EXPECT_EQ(itemsOnDisk(2), df2Items());
    EXPECT_EQ(bytesOf(2), encodeItemList(df2Items()));
    EXPECT_EQ(replacementsOnDisk(4), df1Replacements());
    EXPECT_EQ(bytesOf(1).size(), encodeItemList(df1Items()).size() + 8);
}

// Another program changes a list: a change on the old lists is refused and the lists reloaded (the
// caller repeats it); Undo of a file changed since is refused and that file's steps dropped, while
// other files' steps stay.
TEST_F(ListSessionTest, AnotherProgramsChangeIsReloadedNeverOverwritten) {
    EXPECT_TRUE(session->reloadIfChanged().empty());
    ASSERT_EQ(session->addItem(2, {2003, "three"}, "two's step"), ChangeOutcome::Saved);
    ASSERT_EQ(session->addItem(1, {2222, "Tank"}, "one's step"), ChangeOutcome::Saved);
    const Items changed = anotherProgramChanges([](Items& items) { items.push_back({4444, "Wall"}); });

    EXPECT_EQ(session->addItem(1, {3333, "Tower"}, "lost"), ChangeOutcome::Reloaded);
    EXPECT_EQ(session->changedElsewhere(), std::vector<int>{1});
    EXPECT_EQ(itemsOnDisk(1), changed);
    EXPECT_EQ(store->Entries(DfType::Df1), changed);
    EXPECT_EQ(session->addItem(1, {3333, "Tower"}, "repeated"), ChangeOutcome::Saved);

    anotherProgramChanges([](Items& items) { items.pop_back(); });
    EXPECT_EQ(session->reloadIfChanged(), std::vector<int>{1});
    EXPECT_TRUE(session->reloadIfChanged().empty());
    const UndoResult refused = session->undo();
    EXPECT_EQ(std::tuple(refused.kind, refused.list), std::tuple(UndoResult::Kind::ChangedElsewhere, 1));
    EXPECT_EQ(itemsOnDisk(1), changed) << "the other program's change stays";
    EXPECT_EQ(session->undo().what, "two's step");
    EXPECT_EQ(itemsOnDisk(2), df2Items());
}

// The lock held by another program, a write that fails: Error, and the store, the files and the
// undo steps are as they were; the same change goes through once the fault is gone.
TEST_F(ListSessionTest, AChangeThatCannotBeWrittenChangesNothing) {
    testing::FailingFileSystem failing;
    for (const bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "locked" : "write fails");
        failing.failAt =
            locked ? testing::FailingFileSystem::FailAt::Nothing : testing::FailingFileSystem::FailAt::Create;
        failing.error = EACCES;
        open(failing);
        if (locked) dir.write(kListLockFileName, "Vok_Sorrel 0123456789abcdef\n");
        try {
            session->addItem(2, {2006, "six"}, "six");
            ADD_FAILURE() << "written";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), locked ? Fault::Locked : Fault::CannotWrite);
        }
        EXPECT_EQ(itemsOnDisk(2), df2Items());
        EXPECT_EQ(store->Entries(DfType::Df2), df2Items());
        EXPECT_FALSE(session->canUndo());
        fs::remove(dir / kListLockFileName);
        failing.failAt = testing::FailingFileSystem::FailAt::Nothing;
        EXPECT_EQ(session->addItem(2, {2006, "six"}, "six"), ChangeOutcome::Saved);
        EXPECT_EQ(itemsOnDisk(2).back(), (ItemListEntry{2006, "six"}));
        write(2, encodeItemList(df2Items()));
    }
}

TEST_F(ListSessionTest, WhatThePanelHoldsIsChecked) {
    const struct {
        int list, source, target, replacement, editing;
        EntryProblem problem;
    } rows[] = {
        // clang-format off
        // item lists: identifier 1..9999 not used by another entry; an edit keeps its own
        {1, 2222, 0, 0, 0, EntryProblem::None}, {1, 2005, 0, 0, 0, EntryProblem::BadId},
        {1, 2005, 0, 0, 1, EntryProblem::None}, {1, 2031, 0, 0, 1, EntryProblem::BadId},
        {1, 0, 0, 0, 0, EntryProblem::BadId}, {1, 10000, 0, 0, 0, EntryProblem::BadId},
        {1, 9999, 0, 0, 0, EntryProblem::None}, {1, 3001, 0, 0, 3, EntryProblem::None},
        // replacement lists: a source in range, another version, a listed replacement, one per type
        {4, 3001, 2, 2005, 0, EntryProblem::None}, {4, 0, 2, 2005, 0, EntryProblem::SourceOutOfRange},
        {4, 10000, 2, 2005, 0, EntryProblem::SourceOutOfRange}, {4, 3001, 1, 2005, 0, EntryProblem::SameVersion},
        {4, 3001, 2, 2006, 0, EntryProblem::ReplacementNotListed},
        {4, 3001, 3, 10000, 0, EntryProblem::ReplacementNotListed},
        {4, 2031, 2, 2001, 0, EntryProblem::AlreadyReplaced}, {4, 2031, 2, 2001, 2, EntryProblem::None},
        {4, 2031, 2, 2001, 3, EntryProblem::AlreadyReplaced}, {4, 2031, 1, 2001, 0, EntryProblem::SameVersion},
        {6, 2050, 1, 2005, 0, EntryProblem::AlreadyReplaced}, {6, 2050, 2, 2005, 0, EntryProblem::None},
        // clang-format on
    };
    for (const auto& row : rows) {
        const EntryProblem problem = isItemList(row.list) ? session->checkItem(row.list, row.source, row.editing)
                                                          : session->checkReplacement(row.list, row.source, row.target,
                                                                                      row.replacement, row.editing);
        EXPECT_EQ(problem, row.problem) << row.list << " " << row.source << " " << row.target << " " << row.replacement
                                        << " " << row.editing;
    }
}

// A damaged file leaves the other five usable; its list is never written until it is started again,
// from the starter list or empty, its damaged file kept beside it first.
TEST_F(ListSessionTest, ADamagedListIsKeptAsideAndStartedAgain) {
    const std::string broken = encodeItemList({}) + "rest";
    const struct {
        int list;
        bool missing;
        Restart how;
        std::string written;
    } rows[] = {
        {3, false, Restart::FromStarter, "starter 3"},
        {3, false, Restart::Empty, encodeItemList({{1, ""}})},
        {5, false, Restart::Empty, encodeReplaceList({{0, 0, 0}})},
        {5, true, Restart::FromStarter, "starter 5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.list);
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.path().string().find(".damaged-") != std::string::npos) fs::remove(entry.path());
        }
        SetUp();
        if (row.missing) fs::remove(dir / std::string(listFileName(row.list)));
        if (!row.missing) write(row.list, broken);
        ASSERT_EQ(session->open().size(), 1u);
        const ListDamage* damage = session->damageOf(row.list);
        ASSERT_NE(damage, nullptr);
        EXPECT_EQ(damage->error.path(), displayPath(dir / std::string(listFileName(row.list))));
        EXPECT_EQ(store->Entries(DfType::Df2), df2Items()) << "the others load";
        EXPECT_TRUE(session->reloadIfChanged().empty()) << "a damaged or missing file is not news at every look";
        EXPECT_THROW(isItemList(row.list) ? session->addItem(row.list, {2222, "x"}, "")
                                          : session->addReplacement(row.list, {1, 2005, 2001}, ""),
                     Error);
        EXPECT_THROW(store->SaveList(0), Error);

        const fs::path kept = session->restart(row.list, row.how, "2026-12-08").value();
        EXPECT_EQ(kept.empty(), row.missing);
        if (!row.missing) {
            EXPECT_EQ(kept.filename().string(), std::string(listFileName(row.list)) + ".damaged-2026-12-08");
            EXPECT_EQ(slurp(kept), broken);
            EXPECT_EQ(damagedCopyPath(dir / std::string(listFileName(row.list)), "2026-12-08").filename().string(),
                      std::string(listFileName(row.list)) + ".damaged-2026-12-08-2");
        }
        EXPECT_EQ(bytesOf(row.list), row.written);
    }
    // Another program mended the file meanwhile: that stays, and nothing is kept aside.
    write(3, broken);
    session->open();
    write(3, encodeItemList(df3Items()));
    EXPECT_EQ(session->restart(3, Restart::Empty, "2026-12-09"), std::nullopt);
    EXPECT_TRUE(bytesOf(3) == encodeItemList(df3Items()) && session->damageOf(3) == nullptr);
    EXPECT_FALSE(fs::exists(dir / "DF3Items.vok.damaged-2026-12-09"));
    // The starter lists the programs ship with load, and an empty list loads.
    for (int list = 1; list <= kListCount; ++list) {
        write(list, list == 2 ? emptyListBytes(list) : starterListBytes(list));
    }
    EXPECT_TRUE(session->open().empty());
    EXPECT_FALSE(store->ItemExists(DfType::Df2, 1));
}

}  // namespace
}  // namespace vok::workflow
