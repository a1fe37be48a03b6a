// The list store: loading the six files, lookups, the converter's replacements, the list editor's
// saves, and several programs sharing one list folder under its lock.
#include "lists/list_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <map>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"
#include "tests/lists/list_bytes.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::itemListBytes;
using testing::replaceListBytes;
using testing::slurp;
using Folder = std::map<std::string, std::string>;  // every file's name and bytes

const std::string kForeignLock = "Vok_Sorrel 0123456789abcdef\n";

class ListStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& entry : fs::directory_iterator(dir.path())) fs::remove_all(entry.path());
        dir.write("DF1Items.vok", itemListBytes({{5, "Five"}, {1, "One"}, {7, "Seven"}, {1040, "Crate"}}));
        dir.write("DF2Items.vok",
                  itemListBytes({{3001, "First"}, {2005, "Jeep"}, {3001, "Second"}, {4000, ""}}));
        dir.write("DF3Items.vok", itemListBytes({{2050, "Truck"}}));
        dir.write("DF1Replace.vok", replaceListBytes({{0, 0, 0}, {2, 1041, 2005}}));
        dir.write("DF2Replace.vok", replaceListBytes({{1, 2005, 1040}}));
        dir.write("DF3Replace.vok", replaceListBytes({{0, 0, 0}, {2, 1, 1}, {2, 2, 2}}));
        store.setLockOptions({.wait = 150ms, .retry = 5ms});
        store.InitilizeItemLists();
    }
    Folder folder() const {
        Folder files;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            files[entry.path().filename().string()] =
                entry.is_regular_file() ? slurp(entry.path()) : "(folder)";
        }
        return files;
    }
    /// A lock file as another program leaves it, `age` old.
    void foreignLock(std::chrono::seconds age) const {
        fs::last_write_time(dir.write(kListLockFileName, kForeignLock),
                            fs::file_time_type::clock::now() - age);
    }

    testing::TempDir dir;
    ListStore store{dir.path()};
};

TEST_F(ListStoreTest, LookupsAnswerFromTheListsAndTheRun) {
    EXPECT_EQ(store.Entries(DfType::Df1)[1], (ItemListEntry{1, "One"}));  // in file order
    // Identifiers below 1, between those listed or above the largest have no description; of a
    // duplicate identifier the later description wins; an empty one makes no item exist.
    const std::tuple<DfType, std::int16_t, const char*> descriptions[] = {
        {DfType::Df1, 1, "One"},   {DfType::Df1, 2, ""},      {DfType::Df1, 5, "Five"},  {DfType::Df1, 7, "Seven"},
        {DfType::Df1, 8, ""},      {DfType::Df1, 0, ""},      {DfType::Df1, -1, ""},     {DfType::Df1, -32768, ""},
        {DfType::Df1, 1041, ""},   {DfType::Df1, 32767, ""},  {DfType::Df2, 4000, ""},   {DfType::Df2, 3001, "Second"},
        {DfType::None, 5, ""}, {static_cast<DfType>(4), 5, ""}, {DfType::NotRecognised, 5, ""}};
    for (const auto& [version, id, description] : descriptions) {
        EXPECT_EQ(store.ItemDescription(version, id), description) << id;
        EXPECT_EQ(store.ItemExists(version, id), *description != '\0') << id;
    }
    EXPECT_TRUE(store.Entries(static_cast<DfType>(4)).empty());

    // "OK-A": the saved list first, then the run, the earliest entry first, for the list's own
    // version and one target version; the placeholders {0, 0, 0} never answer; no file touched.
    const Folder before = folder();
    store.RememberReplacement(DfType::Df1, DfType::Df2, 1041, 2999);
    store.RememberReplacement(DfType::Df1, DfType::Df3, 1041, 2050);
    store.RememberReplacement(DfType::Df1, DfType::Df3, 1041, 2051);
    store.RememberReplacement(static_cast<DfType>(4), DfType::Df2, 1040, 1);
    const std::tuple<DfType, DfType, std::int16_t, std::int16_t> lookups[] = {
        {DfType::Df1, DfType::Df2, 1041, 2005}, {DfType::Df1, DfType::Df3, 1041, 2050}, {DfType::Df2, DfType::Df3, 1041, -1},
        {DfType::Df1, DfType::None, 0, -1}, {DfType::Df3, DfType::None, 0, -1}, {static_cast<DfType>(4), DfType::Df2, 1040, -1}};
    for (const auto& [from, to, id, answer] : lookups)
        EXPECT_EQ(store.LookupReplacement(from, to, id), answer);
    EXPECT_EQ(folder(), before);
    // The list editor's reload keeps the run; a new load starts it again.
    store.reload();
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1041), 2050);
    store.InitilizeItemLists();
    EXPECT_EQ(store.RunReplacements(DfType::Df1), (std::vector<ReplaceEntry>{{0, 0, 0}}));
}

// "OK-S" appends to the source version's replacement list as the file is on disk, under the lock.
TEST_F(ListStoreTest, OkSAppendsToTheFileAsItIsOnDiskAndAFailedWriteKeepsTheRunEntry) {
    ListStore editor(dir.path());
    editor.InitilizeItemLists();
    ASSERT_EQ(editor.changeAndSaveList(4,
                                       [&] {
                                           editor.editSavedReplacements(DfType::Df1)[1] = {3, 1040, 2050};
                                       }),
              ListChange::Saved);
    Folder files = folder();
    store.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, 2031, 2005);
    files["DF1Replace.vok"] = replaceListBytes({{0, 0, 0}, {3, 1040, 2050}, {2, 2031, 2005}});
    EXPECT_EQ(folder(), files);
    EXPECT_EQ(store.SavedReplacements(DfType::Df1), parseReplaceList(files["DF1Replace.vok"], "x"));
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1040), 2050);  // the editor's entry counts now
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1041), -1);    // and the one it changed is gone
    EXPECT_EQ(editor.changedListsOnDisk(), std::vector<int>{4});

    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Write;
    ListStore failingStore(dir.path(), failing);
    failingStore.InitilizeItemLists();
    const std::tuple<const char*, std::function<void()>, ListStore*> failures[] = {
        {"a short write", [] {}, &failingStore},
        {"another program's lock", [&] { foreignLock(0s); }, &store},
        {"a file gone bad",
         [&] { fs::remove(dir / kListLockFileName), dir.write("DF1Replace.vok", replaceListBytes({}, 0)); },
         &store},
    };
    std::int16_t id = 3000;
    for (const auto& [name, spoil, lists] : failures) {
        spoil();
        files = folder();
        const auto saved = lists->SavedReplacements(DfType::Df1);
        EXPECT_THROW(lists->RememberAndSaveReplacement(DfType::Df1, DfType::Df2, ++id, 2005), Error) << name;
        EXPECT_EQ(folder(), files) << name;
        EXPECT_EQ(lists->SavedReplacements(DfType::Df1), saved) << name;
        EXPECT_EQ(lists->LookupReplacement(DfType::Df1, DfType::Df2, id), 2005) << name << ": the choice holds for the run";
    }
}

// After each of its own writes each file holds what the store holds (followed by the rest of a
// longer earlier file, as list files always did), no lock is left, the store does not take its
// own write for another program's, and it answers as a fresh load of the files would.
TEST_F(ListStoreTest, EachSaveWritesWhatTheStoreHoldsAndTheStoreAnswersAsAFreshLoadWould) {
    const auto answers = [](const ListStore& lists) {
        std::vector<std::string> all;
        for (DfType v : {DfType::Df1, DfType::Df2, DfType::Df3}) {
            for (std::int16_t id = 1; id <= 9001; ++id) {
                all.push_back(lists.ItemDescription(v, id) + (lists.ItemExists(v, id) ? "+" : "-"));
            }
            for (DfType to : {DfType::Df1, DfType::Df2, DfType::Df3})
                all.push_back(std::to_string(lists.LookupReplacement(v, to, 2050)));
        }
        return all;
    };
    auto& df1 = store.editEntries(DfType::Df1);
    auto& df2 = store.editEntries(DfType::Df2);
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"add", [&] { store.changeAndSaveList(1, [&] {
                          df1.push_back({9001, "New"});
                      }); }},
        {"edit", [&] { store.changeAndSaveList(1, [&] { df1[2].Description = "Changed \x80"; }); }},
        {"delete", [&] { store.changeAndSaveList(1, [&] { df1.erase(df1.begin()); }); }},
        {"delete the duplicate in use",
         [&] { store.changeAndSaveList(2, [&] { df2.erase(df2.begin() + 2); }); }},
        {"describe an empty entry",
         [&] { store.changeAndSaveList(2, [&] { df2.back().Description = "Crate"; }); }},
        {"OK-S", [&] { store.RememberAndSaveReplacement(DfType::Df3, DfType::Df1, 2050, 7); }},
        {"SaveList of a list edited alone",
         [&] {
             store.editEntries(DfType::Df3).push_back({2051, "Tank"});
             store.SaveList(3);
         }},
        {"SaveList(0) of a shorter list",
         [&] {
             store.editSavedReplacements(DfType::Df3) = {{1, 2050, 2031}};
             store.SaveList(0);
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        const auto before = answers(store);
        const Folder earlier = folder();
        change();
        ListStore fresh(dir.path());
        fresh.InitilizeItemLists();
        EXPECT_NE(answers(store), before);
        EXPECT_EQ(answers(store), answers(fresh));
        EXPECT_FALSE(store.changedOnDisk());
        Folder expected;
        for (int which = 1; which <= kListCount; ++which) {
            const DfType v = versionOfList(which);
            const std::string held = isItemList(which) ? encodeItemList(store.Entries(v))
                                                       : encodeReplaceList(store.SavedReplacements(v));
            const std::string& old = earlier.at(std::string(listFileName(which)));
            expected[std::string(listFileName(which))] = held + old.substr(std::min(held.size(), old.size()));
        }
        EXPECT_EQ(folder(), expected);
    }
    for (int ignored : {-1, 7}) store.SaveList(ignored);
    EXPECT_THROW(store.editEntries(static_cast<DfType>(4)), std::out_of_range);
    EXPECT_THROW(store.changeAndSaveList(7, [] {}), std::out_of_range);
}

TEST_F(ListStoreTest, ALoadFaultInAnyFileNamesItAndKeepsWhatTheStoreHeld) {
    const std::tuple<const char*, void (*)(const fs::path&), const char*> faults[] = {
        {"missing", [](const fs::path& f) { fs::remove(f); }, "cannot be opened"},
        {"count 0", [](const fs::path& f) { std::ofstream(f) << std::string(4, '\0'); }, "count is 0"},
        {"cut short", [](const fs::path& f) { fs::resize_file(f, fs::file_size(f) - 1); }, "ends before"},
        {"a folder", [](const fs::path& f) { fs::remove(f), fs::create_directory(f); }, "folder"},
    };
    for (const auto& [name, spoil, detail] : faults) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(name) + ", " + std::string(listFileName(which)));
            SetUp();
            store.RememberReplacement(DfType::Df1, DfType::Df3, 1040, 2050);
            spoil(store.pathOf(which));
            for (bool keepRun : {false, true}) {
                try {
                    keepRun ? store.reload() : store.InitilizeItemLists();
                    ADD_FAILURE() << "loaded";
                } catch (const Error& error) {
                    EXPECT_EQ(error.path(), displayPath(store.pathOf(which)));
                    EXPECT_NE(std::string(error.what()).find(detail), std::string::npos) << error.what();
                }
            }
            EXPECT_EQ(store.Entries(DfType::Df2).size(), 4u);
            EXPECT_EQ(store.SavedReplacements(DfType::Df1).size(), 2u);
            EXPECT_EQ(store.ItemDescription(DfType::Df3, 2050), "Truck");
            EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1040), 2050);
            ListStore fresh(dir.path());
            EXPECT_THROW(fresh.InitilizeItemLists(), Error);
            EXPECT_TRUE(!fresh.loaded() && fresh.Entries(DfType::Df1).empty());
        }
    }
}

TEST_F(ListStoreTest, AnotherProgramsLockStopsEveryWriteAndOnlyAStaleOneIsTakenOver) {
    {
        ListFolderLock lock(dir.path(), ListLockOptions{.owner = "Vok_Tally"});
        EXPECT_EQ(slurp(lock.path()).rfind("Vok_Tally ", 0), 0u);
        ListFolderLock moved(std::move(lock));  // a moved lock is released once, by its new owner
        // We stalled beyond the stale age and someone took the lock over: their file must stay.
        dir.write(kListLockFileName, kForeignLock);
    }
    EXPECT_EQ(slurp(dir / kListLockFileName), kForeignLock);

    // The default stale age is 30 s; a lock dated ahead (another clock) is never stale.
    const std::pair<std::chrono::seconds, bool> ages[] = {
        {0s, false}, {25s, false}, {-3600s, false}, {35s, true}};
    for (const auto& [age, stale] : ages) {
        SCOPED_TRACE(age.count());
        SetUp();
        foreignLock(age);
        const Folder before = folder();
        bool changed = false;
        const std::function<void()> writes[] = {
            [&] { store.RememberAndSaveReplacement(DfType::Df1, DfType::Df3, 2031, 2050); },
            [&] { store.SaveList(0); },
            [&] { store.changeAndSaveList(2, [&] { changed = true; }); },
        };
        for (const auto& write : writes) {
            try {
                write();
                EXPECT_TRUE(stale) << "written under another program's lock";
                EXPECT_EQ(folder().size(), 6u);  // the leftover is gone, and our own lock
                foreignLock(age);
            } catch (const Error& error) {
                EXPECT_FALSE(stale) << error.what();
                EXPECT_EQ(error.fault(), Fault::Locked);
                EXPECT_EQ(error.path(), displayPath(dir.path()));
                EXPECT_NE(error.detail().find("Vok_Sorrel"), std::string::npos) << error.detail();
            }
        }
        EXPECT_EQ(changed, stale);
        EXPECT_TRUE(stale || folder() == before);  // a live holder keeps its lock, and nothing is written
        EXPECT_FALSE(store.changedOnDisk());
    }
}

TEST_F(ListStoreTest, AFolderThatCannotBeWrittenIsNamedWithAdviceWhereToCopyTheLists) {
    const Folder before = folder();
    testing::ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.active()) GTEST_SKIP() << "the folder cannot be made read-only here";
    for (const int which : {0, 1, 4, 6}) {
        try {
            isReplaceList(which) ? store.RememberAndSaveReplacement(versionOfList(which), DfType::Df2, 1040, 2005)
                                 : store.SaveList(which);
            ADD_FAILURE() << "written";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::CannotWrite);
            EXPECT_EQ(error.path(), displayPath(store.pathOf(which == 0 ? 1 : which)));
            for (const std::string& advice :
                 {std::string("copy the six .vok files"), displayPath(dir.path())}) {
                EXPECT_NE(error.detail().find(advice), std::string::npos) << error.detail();
            }
        }
    }
    EXPECT_EQ(folder(), before);
}

TEST_F(ListStoreTest, AChangeByAnotherProgramIsSeenInEachFileAndStopsAnEditorsChange) {
    const auto keepTime = [](const fs::path& f, const std::string& bytes) {
        const auto time = fs::last_write_time(f);
        std::ofstream(f, std::ios::binary | std::ios::trunc) << bytes;
        fs::last_write_time(f, time);
    };
    const std::pair<const char*, std::function<void(const fs::path&)>> changes[] = {
        // Same size and time, a description or an identifier changed: only the content tells.
        {"same size and time", [&](const fs::path& f) { keepTime(f, slurp(f).replace(8, 1, "\x7F")); }},
        {"longer, same time", [&](const fs::path& f) { keepTime(f, slurp(f) + "tail"); }},
        {"rewritten, same bytes",
         [](const fs::path& f) { fs::last_write_time(f, fs::last_write_time(f) + 2s); }},
        {"removed", [](const fs::path& f) { fs::remove(f); }},
    };
    EXPECT_EQ(ListStore(dir.path()).changedListsOnDisk().size(), 6u);  // nothing loaded yet
    for (const auto& [name, change] : changes) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(name) + ", " + std::string(listFileName(which)));
            SetUp();
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{});
            change(store.pathOf(which));
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{which});
            const Folder before = folder();
            bool applied = false;
            EXPECT_EQ(store.changeAndSaveList(which, [&] { applied = true; }), ListChange::ChangedOnDisk);
            EXPECT_FALSE(applied);
            EXPECT_EQ(folder(), before);
        }
    }
}

// Two writers, each loading the lists once and then appending 200 replacements one by one, at
// the same time: every append must survive, in each writer's order.
TEST_F(ListStoreTest, TwoWritersAppendingAtOnceLoseNothing) {
    constexpr int kEach = 200;
    std::latch start(2);
    const auto append = [&](int firstId) {
        ListStore lists(dir.path());
        lists.setLockOptions({.wait = 60s});  // about lost updates, not about waiting
        lists.InitilizeItemLists();
        start.arrive_and_wait();
        for (int i = 0; i < kEach; ++i) {
            lists.RememberAndSaveReplacement(DfType::Df2, DfType::Df1, static_cast<std::int16_t>(firstId + i),
                                             static_cast<std::int16_t>(i + 1));
        }
    };
    std::thread first(append, 1000), second(append, 3000);
    first.join();
    second.join();

    const auto entries = parseReplaceList(slurp(dir / "DF2Replace.vok"), "x");
    std::vector<ReplaceEntry> each[2], expected[2];
    for (auto entry = entries.begin() + 1; entry != entries.end(); ++entry) {
        each[entry->ObjectId >= 3000 ? 1 : 0].push_back(*entry);
    }
    for (int i = 0; i < kEach; ++i) {
        for (int w : {0, 1}) {
            expected[w].push_back(
                {1, static_cast<std::int16_t>(1000 + 2000 * w + i), static_cast<std::int16_t>(i + 1)});
        }
    }
    EXPECT_EQ(entries.size(), 1u + 2 * kEach);
    EXPECT_EQ(each[0], expected[0]);
    EXPECT_EQ(each[1], expected[1]);
    EXPECT_EQ(folder().size(), 6u);
}

TEST_F(ListStoreTest, LearnAddsTheItemTypesOneTo9999Only) {
    Df2Mission mission;
    mission.header.signature = Df2Mission::HeaderType::fileSignature;
    for (std::int32_t type : {0, 1, 2005, 9999, 10000}) mission.items.emplace_back().type_id = type;
    recountItems(mission.header, mission.items);
    SaveDF2BMS(dir / "m.bms", mission);
    std::ostringstream out, err;
    const int code =
        cli::run({"lists", "learn", "df2", (dir / "m.bms").string(), "--lists", dir.path().string()}, out,
                 err, cli::Environment{});
    EXPECT_EQ(code, 0) << err.str();
    EXPECT_EQ(out.str(), "added 1\tItem 1\nadded 9999\tItem 9999\n");
    EXPECT_EQ(err.str(),
              "vok: item type 0 is outside 1..9999 and was not added\n"
              "vok: item type 10000 is outside 1..9999 and was not added\n");
    auto entries = store.Entries(DfType::Df2);
    entries.insert(entries.end(), {{1, "Item 1"}, {9999, "Item 9999"}});
    EXPECT_EQ(parseItemList(slurp(dir / "DF2Items.vok"), "x"), entries);
}

}  // namespace
}  // namespace vok
