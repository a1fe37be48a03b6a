// Several programs on one list folder: the folder lock, telling changed files apart, and
// read-modify-writes that lose nothing, down to two real processes appending at the same time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "lists/list_lock.h"
#include "lists/list_store.h"
#include "mission/core/error.h"
#include "tests/lists/list_folder.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_file_system.h"

namespace vok {
namespace {

using namespace std::chrono_literals;
using testing::itemListBytes;
using testing::replaceListBytes;
using testing::slurp;

ListLockOptions quickLock(std::string owner = "test") {
    ListLockOptions options;
    options.wait = 150ms;
    options.retry = 5ms;
    options.owner = std::move(owner);
    return options;
}

class SharedFolder : public testing::ListFolder {
  protected:
    std::filesystem::path lockFile() const { return dir / kListLockFileName; }
    /// A lock file as another program leaves it, `age` old.
    void foreignLock(std::chrono::seconds age) const {
        dir.write(kListLockFileName, "Vok_Sorrel 0123456789abcdef\n");
        std::filesystem::last_write_time(lockFile(), std::filesystem::file_time_type::clock::now() - age);
    }
    ListStore loaded() const {
        ListStore store(dir.path());
        store.setLockOptions(quickLock());
        store.InitilizeItemLists();
        return store;
    }
};

TEST_F(SharedFolder, TheLockIsAFileThatExistsOnlyWhileHeld) {
    {
        ListFolderLock lock(dir.path(), quickLock("Vok_Tally"));
        EXPECT_EQ(lock.path(), lockFile());
        EXPECT_EQ(slurp(lockFile()).rfind("Vok_Tally ", 0), 0u);
        // A second taker waits, then gives up naming the folder and the holder.
        try {
            ListFolderLock second(dir.path(), quickLock());
            FAIL() << "taken twice";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::Locked);
            EXPECT_EQ(error.path(), displayPath(dir.path()));
            EXPECT_NE(error.detail().find("Vok_Tally"), std::string::npos) << error.detail();
        }
        ListFolderLock moved(std::move(lock));  // a moved lock is released once, by its new owner
    }
    EXPECT_EQ(namesInFolder(), theSixFiles());

    // We stalled beyond the stale age and someone took the lock over: their file must stay.
    ListFolderLock lock(dir.path(), quickLock());
    dir.write(kListLockFileName, "Vok_Sorrel fedcba9876543210\n");
    lock.release();
    EXPECT_EQ(slurp(lockFile()), "Vok_Sorrel fedcba9876543210\n");
}

TEST_F(SharedFolder, AHeldLockTimesOutWritingNothingAndOnlyAStaleOneIsTakenOver) {
    // The default stale age is 30 s; a lock dated ahead (another clock) is never stale.
    const std::pair<std::chrono::seconds, bool> ages[] = {
        {0s, false}, {10s, false}, {-3600s, false}, {60s, true}};
    for (const auto& [age, stale] : ages) {
        SCOPED_TRACE(age.count());
        SetUp();
        ListStore store = loaded();
        foreignLock(age);
        if (stale) {
            store.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 2031, 2050);
            EXPECT_EQ(parseReplaceList(slurp(file(4)), "x").back(), (ReplaceEntry{3, 2031, 2050}));
            EXPECT_EQ(namesInFolder(), theSixFiles());  // the leftover is gone, and so is our own lock
            continue;
        }
        const auto files = snapshot();
        const std::string leftover = slurp(lockFile());
        const auto expectLocked = [&](auto&& write) {
            try {
                write();
                FAIL() << "written under another program's lock";
            } catch (const Error& error) {
                EXPECT_EQ(error.fault(), Fault::Locked);
                EXPECT_EQ(error.path(), displayPath(dir.path()));
            }
        };
        expectLocked([&] { store.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 2031, 2050); });
        expectLocked([&] { store.SaveList(0); });
        bool changed = false;
        expectLocked([&] { store.changeAndSaveList(2, [&] { changed = true; }); });
        EXPECT_FALSE(changed);
        EXPECT_EQ(snapshot(), files);
        EXPECT_EQ(slurp(lockFile()), leftover);  // a live holder keeps its lock
        EXPECT_EQ(store.SavedReplacements(DfType::Df1), (std::vector<ReplaceEntry>{{0, 0, 0}, {2, 1041, 2005}}));
        EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 2031), 2050);  // the run keeps the choice
        EXPECT_FALSE(store.changedOnDisk());
        std::filesystem::remove(lockFile());
    }
}

TEST_F(SharedFolder, AFolderThatCannotBeWrittenIsNamedWithAdviceWhereToCopyTheLists) {
    ListStore store = loaded();
    const auto files = snapshot();
    testing::ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.active()) GTEST_SKIP() << "the folder cannot be made read-only here";
    for (const int which : {0, 1, 4, 6}) {
        try {
            isReplaceList(which) ? store.RememberAndSaveReplacement(versionOfList(which), DfType::Df2, 1040, 2005)
                                 : store.SaveList(which);
            FAIL() << "written";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::CannotWrite);
            if (which != 0) {
                EXPECT_EQ(error.path(), displayPath(file(which)));
            }
            for (const char* advice : {"copy the six .vok files", "vok --lists DIR", "portable archive"}) {
                EXPECT_NE(error.detail().find(advice), std::string::npos) << error.detail();
            }
            EXPECT_NE(error.detail().find(displayPath(dir.path())), std::string::npos);
        }
    }
    EXPECT_EQ(snapshot(), files);
    EXPECT_EQ(store.SavedReplacements(DfType::Df1).size(), 2u);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1040), 2005);  // remembered for the run all the same
}

TEST_F(SharedFolder, AloneAProgramWritesTheSameBytesAsEverAndLeavesNoLockBehind) {
    const std::string longOld = replaceListBytes({{2, 1, 1}, {2, 2, 2}, {2, 3, 3}});
    dir.write("DF3Replace.vok", longOld);
    auto files = snapshot();
    ListStore store = loaded();

    store.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 2031, 2050);
    store.editEntries(DfType::Df2).push_back({2006, "Tank"});
    store.SaveList(2);
    store.editSavedReplacements(DfType::Df3) = {{1, 2050, 1040}};
    store.SaveList(6);
    ASSERT_EQ(store.changeAndSaveList(1, [&] { store.editEntries(DfType::Df1).pop_back(); }), ListChange::Saved);

    // Shorter lists keep the old tail of their file, as list files always did.
    const std::string df1Items = itemListBytes({{5, "Five"}, {2, "Two"}, {7, "Seven"}});
    const std::string df3Replace = replaceListBytes({{1, 2050, 1040}});
    files[0] = df1Items + files[0].substr(df1Items.size());
    files[1] = itemListBytes({{3001, "First"}, {2005, "Jeep"}, {3001, "Second"}, {4000, ""}, {2006, "Tank"}});
    files[3] = replaceListBytes({{0, 0, 0}, {2, 1041, 2005}, {3, 2031, 2050}});
    files[5] = df3Replace + longOld.substr(df3Replace.size());
    EXPECT_EQ(snapshot(), files);
    EXPECT_EQ(namesInFolder(), theSixFiles());
    EXPECT_FALSE(store.changedOnDisk());  // its own writes are not another program's changes
}

// Telling whether another program changed a list file.
void keepTime(const std::filesystem::path& path, const std::string& bytes) {
    const auto time = std::filesystem::last_write_time(path);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    std::filesystem::last_write_time(path, time);
}

TEST_F(SharedFolder, AChangeByAnotherProgramIsSeenForEachFileUntilTheNextLoad) {
    const std::pair<const char*, void (*)(const std::filesystem::path&)> changes[] = {
        // Same size and the same time: only the content tells.
        {"same size and time",
         [](const std::filesystem::path& f) {
             std::string bytes = slurp(f);
             bytes[8] = static_cast<char>(bytes[8] ^ 0x20);  // a description or an identifier
             keepTime(f, bytes);
         }},
        // Bytes appended after the counted entries (the loaded lists would be the same).
        {"longer, same time", [](const std::filesystem::path& f) { keepTime(f, slurp(f) + "tail"); }},
        // Written again with the same bytes: another program saved it.
        {"rewritten",
         [](const std::filesystem::path& f) {
             std::filesystem::last_write_time(f, std::filesystem::last_write_time(f) + 2s);
         }},
        {"removed", [](const std::filesystem::path& f) { std::filesystem::remove(f); }},
    };
    for (const auto& [name, change] : changes) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(name) + ", " + std::string(listFileName(which)));
            SetUp();
            ListStore store(dir.path());
            EXPECT_EQ(store.changedListsOnDisk().size(), 6u);  // nothing loaded yet
            store.InitilizeItemLists();
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{});
            EXPECT_EQ(store.stampOf(which).size, slurp(file(which)).size());
            EXPECT_EQ(store.stampOf(which).hash, listBytesHash(slurp(file(which))));

            change(file(which));
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{which});
            bool applied = false;
            const bool exists = std::filesystem::exists(file(which));
            const std::string before = exists ? slurp(file(which)) : std::string();
            EXPECT_EQ(store.changeAndSaveList(which, [&] { applied = true; }), ListChange::ChangedOnDisk);
            EXPECT_FALSE(applied);
            EXPECT_FALSE(std::filesystem::exists(lockFile()));
            if (!exists) continue;
            EXPECT_EQ(slurp(file(which)), before);
            store.InitilizeItemLists();
            EXPECT_FALSE(store.changedOnDisk());
        }
    }
}

TEST_F(SharedFolder, AChangeThatCannotBeWrittenLeavesTheStoreAsItWas) {
    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Rename;
    ListStore store(dir.path(), failing);
    store.InitilizeItemLists();
    const auto stamp = store.stampOf(2);
    const auto entries = store.Entries(DfType::Df2);
    EXPECT_THROW(store.changeAndSaveList(2, [&] { store.editEntries(DfType::Df2).push_back({2006, "Tank"}); }), Error);
    EXPECT_EQ(store.Entries(DfType::Df2), entries);
    EXPECT_EQ(store.stampOf(2), stamp);
    EXPECT_FALSE(store.changedOnDisk());
    EXPECT_EQ(namesInFolder(), theSixFiles());
    EXPECT_THROW(store.changeAndSaveList(7, [] {}), std::out_of_range);
}

// The converter's "OK-S" path against another program's edits.
TEST_F(SharedFolder, OkSKeepsWhatAnotherProgramSavedAndFindsIt) {
    ListStore converter = loaded();
    ListStore editor = loaded();
    ASSERT_EQ(editor.changeAndSaveList(4,
                                       [&] {
                                           editor.editSavedReplacements(DfType::Df1)[1] = {3, 1040, 2050};
                                       }),
              ListChange::Saved);

    converter.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, 2031, 2005);
    const std::vector<ReplaceEntry> both = {{0, 0, 0}, {3, 1040, 2050}, {2, 2031, 2005}};
    EXPECT_EQ(parseReplaceList(slurp(file(4)), "x"), both);
    EXPECT_EQ(converter.SavedReplacements(DfType::Df1), both);
    EXPECT_EQ(converter.LookupReplacement(DfType::Df1, DfType::Df3, 1040), 2050);  // the editor's entry counts now
    EXPECT_EQ(converter.LookupReplacement(DfType::Df1, DfType::Df2, 1041), -1);    // and the one it changed is gone
    // The editor sees the converter's write as a change by another program.
    EXPECT_EQ(editor.changedListsOnDisk(), std::vector<int>{4});
}

// Two processes, each loading the lists once and then appending 200 replacements one by one, at
// the same time: every append must survive.
TEST_F(SharedFolder, TwoProcessesAppendingAtOnceLoseNothing) {
    constexpr int kEach = 200;
    const std::string go = (dir / "go").string();
    const auto start = [&](const char* firstId) {
        return std::make_unique<testing::ChildProcess>(
            VOK_APPEND_REPLACEMENTS,
            std::vector<std::string>{dir.path().string(), "2", firstId, std::to_string(kEach), go});
    };
    const auto first = start("1000");
    const auto second = start("3000");
    dir.write("go", "");
    for (auto* child : {first.get(), second.get()}) {
        const auto result = child->wait();
        EXPECT_EQ(result.code, 0) << result.err;
    }

    const auto entries = parseReplaceList(slurp(file(5)), "DF2Replace.vok");
    ASSERT_EQ(entries.size(), 1u + 2 * kEach);
    EXPECT_EQ(entries.front(), (ReplaceEntry{1, 2005, 1040}));
    // Each process's entries are all there, once, in the order it saved them.
    for (const int firstId : {1000, 3000}) {
        std::vector<ReplaceEntry> mine, expected;
        std::copy_if(entries.begin(), entries.end(), std::back_inserter(mine), [&](const ReplaceEntry& e) {
            return e.ObjectId >= firstId && e.ObjectId < firstId + kEach;
        });
        for (int i = 0; i < kEach; ++i) {
            expected.push_back({1, static_cast<std::int16_t>(firstId + i), static_cast<std::int16_t>(i + 1)});
        }
        EXPECT_EQ(mine, expected) << firstId;
    }
    auto names = theSixFiles();
    names.insert("go");
    EXPECT_EQ(namesInFolder(), names);
}

}  // namespace
}  // namespace vok
