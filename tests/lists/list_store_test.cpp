// The list store: loading, lookups, the converter's replacements, the list editor's saves, and
// several programs sharing one list folder under its lock.
#include "lists/list_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::slurp;
using enum DfType;
using Folder = std::map<std::string, std::string>;  // every file's name and bytes

const std::string kForeignLock = "Vok_Sorrel 0123456789abcdef\n";

class ListStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& entry : fs::directory_iterator(dir.path())) fs::remove_all(entry.path());
        dir.write("DF1Items.vok", encodeItemList({{5, "Five"}, {1, "One"}, {7, "Seven"}, {1040, "Crate"}}));
        dir.write("DF2Items.vok", encodeItemList({{3001, "First"}, {2005, "Jeep"}, {3001, "Second"}, {4000, ""}}));
        dir.write("DF3Items.vok", encodeItemList({{2050, "Truck"}}));
        dir.write("DF1Replace.vok", encodeReplaceList({{0, 0, 0}, {2, 1041, 2005}}));
        dir.write("DF2Replace.vok", encodeReplaceList({{1, 2005, 1040}}));
        dir.write("DF3Replace.vok", encodeReplaceList({{0, 0, 0}, {2, 1, 1}, {2, 2, 2}}));
        store.setLockOptions({.wait = 150ms, .retry = 5ms});
        store.InitilizeItemLists();
    }
    Folder folder() const {
        Folder files;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            files[entry.path().filename().string()] = entry.is_regular_file() ? slurp(entry.path()) : "(folder)";
        return files;
    }
    /// A lock file as another program leaves it, `age` old.
    void foreignLock(std::chrono::seconds age) const {
        fs::last_write_time(dir.write(kListLockFileName, kForeignLock), fs::file_time_type::clock::now() - age);
    }

    testing::TempDir dir;
    ListStore store{dir.path()};
};

TEST_F(ListStoreTest, LookupsAnswerFromTheListsAndTheRun) {
    // Identifiers below 1, between those listed or above the largest have no description; of a
    // duplicate identifier the later description wins; an empty one makes no item exist.
    const std::tuple<int, std::int16_t, const char*> descriptions[] = {
        {1, 1, "One"}, {1, 2, ""},          {1, 5, "Five"},  {1, 7, "Seven"}, {1, 8, ""},
        {1, 0, ""},    {1, -1, ""},         {1, -32768, ""}, {1, 1041, ""},   {1, 32767, ""},
        {2, 4000, ""}, {2, 3001, "Second"}, {0, 5, ""},      {4, 5, ""},      {-1, 5, ""}};
    for (const auto& [version, id, description] : descriptions) {
        EXPECT_EQ(store.ItemDescription(DfType(version), id), description) << id;
        EXPECT_EQ(store.ItemExists(DfType(version), id), *description != '\0') << id;
    }
    // "OK-A": the saved list first, then the run, the earliest entry first, for the list's own
    // version and one target version; the placeholders {0, 0, 0} never answer; no file touched.
    const Folder before = folder();
    for (const auto& [to, id, replacement] : {std::tuple{2, 1041, 2999}, {3, 1041, 2050}, {3, 1041, 2051}})
        store.RememberReplacement(Df1, DfType(to), std::int16_t(id), std::int16_t(replacement));
    store.RememberReplacement(DfType{4}, Df2, 1040, 1);
    const std::tuple<int, int, std::int16_t, std::int16_t> lookups[] = {
        {1, 2, 1041, 2005}, {1, 3, 1041, 2050}, {2, 3, 1041, -1}, {1, 0, 0, -1}, {3, 0, 0, -1}, {4, 2, 1040, -1}};
    for (const auto& [from, to, id, answer] : lookups)
        EXPECT_EQ(store.LookupReplacement(DfType(from), DfType(to), id), answer);
    EXPECT_EQ(folder(), before);
    // The list editor's reload keeps the run; a new load starts it again.
    store.reload();
    EXPECT_EQ(store.LookupReplacement(Df1, Df3, 1041), 2050);
    store.InitilizeItemLists();
    EXPECT_EQ(store.RunReplacements(Df1), (std::vector<ReplaceEntry>{{0, 0, 0}}));
}

// "OK-S" appends to the source version's replacement list as the file is on disk, under the lock
// (see the lock's test); a failed write keeps the choice for the run.
TEST_F(ListStoreTest, OkSAppendsToTheFileAsItIsOnDiskAndAFailedWriteKeepsTheRunEntry) {
    ListStore editor(dir.path());
    editor.InitilizeItemLists();
    const auto edit = [&] { editor.editSavedReplacements(Df1)[1] = {3, 1040, 2050}; };
    ASSERT_EQ(editor.changeAndSaveList(4, edit), ListChange::Saved);
    Folder files = folder();
    store.RememberAndSaveReplacement(Df1, Df2, 2031, 2005);
    files["DF1Replace.vok"] = encodeReplaceList({{0, 0, 0}, {3, 1040, 2050}, {2, 2031, 2005}});
    EXPECT_EQ(folder(), files);
    EXPECT_EQ(store.SavedReplacements(Df1), parseReplaceList(files["DF1Replace.vok"], "x"));
    EXPECT_EQ(store.LookupReplacement(Df1, Df3, 1040), 2050);  // the editor's entry counts now
    EXPECT_EQ(store.LookupReplacement(Df1, Df2, 1041), -1);    // and the one it changed is gone
    EXPECT_EQ(editor.changedListsOnDisk(), std::vector<int>{4});
    EXPECT_FALSE(store.changedOnDisk());  // its own write is not another program's

    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Write;
    ListStore failingStore(dir.path(), failing);
    failingStore.InitilizeItemLists();
    for (ListStore* lists : {&failingStore, &store}) {  // a short write; a file gone bad
        if (lists == &store) dir.write("DF1Replace.vok", std::string(4, '\0'));
        files = folder();
        const auto saved = lists->SavedReplacements(Df1);
        EXPECT_THROW(lists->RememberAndSaveReplacement(Df1, Df2, 3001, 2005), Error);
        EXPECT_EQ(folder(), files);
        EXPECT_EQ(lists->SavedReplacements(Df1), saved);
        EXPECT_EQ(lists->LookupReplacement(Df1, Df2, 3001), 2005) << "the choice holds for the run";
    }
}

// After each of its own saves each file holds what the store holds (then the rest of a longer
// earlier file, as list files always did), no lock is left, the store does not take its own write
// for another program's, and it answers as a fresh load of the files would.
TEST_F(ListStoreTest, EachSaveWritesWhatTheStoreHoldsAndTheStoreAnswersAsAFreshLoadWould) {
    const auto answers = [](const ListStore& lists) {
        std::vector<std::string> all;
        for (DfType v : kAllVersions) {
            for (std::int16_t id = 1; id <= 9001; ++id)
                all.push_back(lists.ItemDescription(v, id) + (lists.ItemExists(v, id) ? "+" : "-"));
            for (DfType to : kAllVersions) all.push_back(std::to_string(lists.LookupReplacement(v, to, 2050)));
        }
        return all;
    };
    auto& df1 = store.editEntries(Df1);
    auto& df2 = store.editEntries(Df2);
    // The list saved (by SaveList(-which) after a change made alone for 0 and below) and the change.
    // clang-format off
    const std::pair<int, std::function<void()>> changes[] = {
        {1, [&] { df1.push_back({9001, "New"}); }},
        {1, [&] { df1[2].Description = "Changed \x80"; }},
        {1, [&] { df1.erase(df1.begin()); }},
        {2, [&] { df2.erase(df2.begin() + 2); }},        // the duplicate in use
        {2, [&] { df2.back().Description = "Crate"; }},  // an empty entry described
        {-3, [&] { store.editEntries(Df3).push_back({2051, "Tank"}); }},
        {0, [&] { store.editSavedReplacements(Df3) = {{1, 2050, 2031}}; }},  // SaveList(0): all; shorter
    };
    // clang-format on
    for (const auto& [which, change] : changes) {
        SCOPED_TRACE(which);
        const auto before = answers(store);
        Folder expected = folder();
        which > 0 ? (void)store.changeAndSaveList(which, change) : (change(), store.SaveList(-which));
        ListStore fresh(dir.path());
        fresh.InitilizeItemLists();
        EXPECT_NE(answers(store), before);
        EXPECT_EQ(answers(store), answers(fresh));
        EXPECT_FALSE(store.changedOnDisk());
        for (int list = 1; list <= kListCount; ++list) {
            const DfType v = versionOfList(list);
            std::string& bytes = expected[std::string(listFileName(list))];
            const std::string held =
                isItemList(list) ? encodeItemList(store.Entries(v)) : encodeReplaceList(store.SavedReplacements(v));
            bytes = held + bytes.substr(std::min(held.size(), bytes.size()));
        }
        EXPECT_EQ(folder(), expected);
    }
    for (int ignored : {-1, 7}) store.SaveList(ignored);
    EXPECT_THROW(store.editEntries(DfType{4}), std::out_of_range);
    EXPECT_THROW(store.changeAndSaveList(7, [] {}), std::out_of_range);
}

// Another program's change to any file is seen (by its content where size and time stay) and stops
// an editor's change; a file that no longer loads is named, and the store keeps what it held.
TEST_F(ListStoreTest, AChangeOrFaultInAnyFileIsSeenAndNamedAndTheStoreKeepsWhatItHeld) {
    const auto keepTime = [](const fs::path& f, const std::string& bytes) {
        const auto time = fs::last_write_time(f);
        std::ofstream(f, std::ios::binary | std::ios::trunc) << bytes;
        fs::last_write_time(f, time);
    };
    // clang-format off
    const std::tuple<std::function<void(const fs::path&)>, const char*> changes[] = {
        {[&](const fs::path& f) { keepTime(f, slurp(f).replace(8, 1, "\x7F")); }, ""},  // same size and time
        {[&](const fs::path& f) { keepTime(f, slurp(f) + "tail"); }, ""},
        {[](const fs::path& f) { fs::last_write_time(f, fs::last_write_time(f) + 2s); }, ""},  // same bytes
        {[](const fs::path& f) { fs::remove(f); }, "cannot be opened"},
        {[](const fs::path& f) { fs::resize_file(f, fs::file_size(f) - 1); }, "ends before"},
        {[](const fs::path& f) { fs::remove(f), fs::create_directory(f); }, "folder"},
    };
    // clang-format on
    EXPECT_EQ(ListStore(dir.path()).changedListsOnDisk().size(), 6u);  // nothing loaded yet
    for (const auto& [change, fault] : changes) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(fault) + ", " + std::string(listFileName(which)));
            SetUp();
            store.RememberReplacement(Df1, Df3, 1040, 2050);
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{});
            change(store.pathOf(which));
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{which});
            const Folder before = folder();
            bool applied = false;
            EXPECT_EQ(store.changeAndSaveList(which, [&] { applied = true; }), ListChange::ChangedOnDisk);
            EXPECT_FALSE(applied);
            EXPECT_EQ(folder(), before);
            if (*fault == '\0') continue;
            for (bool keepRun : {false, true}) {
                try {
                    keepRun ? store.reload() : store.InitilizeItemLists();
                    ADD_FAILURE() << "loaded";
                } catch (const Error& error) {
                    EXPECT_EQ(error.path(), displayPath(store.pathOf(which)));
                    EXPECT_NE(std::string(error.what()).find(fault), std::string::npos) << error.what();
                }
            }
            EXPECT_EQ(store.Entries(Df2).size() + store.SavedReplacements(Df1).size(), 6u);
            EXPECT_EQ(store.ItemDescription(Df3, 2050) + std::to_string(store.LookupReplacement(Df1, Df3, 1040)),
                      "Truck2050");
            ListStore fresh(dir.path());
            EXPECT_THROW(fresh.InitilizeItemLists(), Error);
            EXPECT_TRUE(!fresh.loaded() && fresh.Entries(Df1).empty());
        }
    }
}

TEST_F(ListStoreTest, AnotherProgramsLockOrAReadOnlyFolderStopsEveryWriteAndOnlyAStaleLockIsTakenOver) {
    {
        ListFolderLock lock(dir.path(), ListLockOptions{.owner = "Vok_Tally"});
        EXPECT_EQ(slurp(lock.path()).rfind("Vok_Tally ", 0), 0u);
        ListFolderLock moved(std::move(lock));       // a moved lock is released once, by its new owner
        dir.write(kListLockFileName, kForeignLock);  // we stalled and another took the lock over
    }
    EXPECT_EQ(slurp(dir / kListLockFileName), kForeignLock);
    // The default stale age is 30 s; a lock dated ahead (another clock) is never stale. A folder
    // that cannot be written is named with advice where to copy the lists.
    for (const auto& age : {std::optional(0s), std::optional(25s), std::optional(-3600s), std::optional(35s),
                            std::optional<std::chrono::seconds>()}) {
        SCOPED_TRACE(age ? std::to_string(age->count()) + " s" : "read-only");
        SetUp();
        std::optional<testing::ReadOnlyFolder> readOnly;
        age ? foreignLock(*age) : (void)readOnly.emplace(dir.path());
        if (readOnly && !readOnly->active()) continue;
        const bool stale = age == 35s;
        const Folder before = folder();
        bool changed = false;
        const std::pair<int, std::function<void()>> writes[] = {
            {4, [&] { store.RememberAndSaveReplacement(Df1, Df3, 2031, 2050); }},
            {1, [&] { store.SaveList(0); }},
            {2, [&] { store.changeAndSaveList(2, [&] { changed = true; }); }},
        };
        for (const auto& [file, write] : writes) {
            try {
                write();
                EXPECT_TRUE(stale) << "written under another program's lock";
                EXPECT_EQ(folder().size(), 6u);  // the leftover is gone, and our own lock
                foreignLock(*age);
            } catch (const Error& error) {
                EXPECT_FALSE(stale) << error.what();
                EXPECT_EQ(error.fault(), age ? Fault::Locked : Fault::CannotWrite);
                EXPECT_EQ(error.path(), displayPath(age ? dir.path() : store.pathOf(file)));
                for (const std::string& part :
                     {std::string(age ? "Vok_Sorrel" : "copy the six .vok files"), age ? "" : displayPath(dir.path())})
                    EXPECT_NE(error.detail().find(part), std::string::npos) << error.detail();
            }
        }
        EXPECT_EQ(changed, stale);
        EXPECT_TRUE(stale || folder() == before);  // a live holder keeps its lock, and nothing is written
        EXPECT_EQ(store.LookupReplacement(Df1, Df3, 2031), 2050);  // the run keeps the choice
        EXPECT_FALSE(store.changedOnDisk());
    }
}

// Two writers, each loading the lists once and then appending 200 replacements one by one, at
// the same time: every append must survive, in each writer's order.
TEST_F(ListStoreTest, TwoWritersAppendingAtOnceLoseNothing) {
    std::latch start(2);
    std::vector<ReplaceEntry> expected[2], each[2];
    const auto append = [&](int w) {
        ListStore lists(dir.path());
        lists.setLockOptions({.wait = 60s});  // about lost updates, not about waiting
        lists.InitilizeItemLists();
        start.arrive_and_wait();
        for (std::int16_t i = 1; i <= 200; ++i) {
            expected[w - 1].push_back({1, static_cast<std::int16_t>(3000 * w + i), i});
            lists.RememberAndSaveReplacement(Df2, Df1, expected[w - 1].back().ObjectId, i);
        }
    };
    std::thread first(append, 1), second(append, 2);
    first.join(), second.join();
    const auto entries = parseReplaceList(slurp(dir / "DF2Replace.vok"), "x");
    for (const auto& entry : entries)
        if (entry.ObjectId > 3000) each[entry.ObjectId / 3000 - 1].push_back(entry);
    EXPECT_EQ(entries.size(), 401u);
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
    EXPECT_EQ(cli::run({"lists", "learn", "df2", (dir / "m.bms").string(), "--lists", dir.path().string()}, out, err,
                       cli::Environment{}),
              0);
    EXPECT_EQ(out.str(), "added 1\tItem 1\nadded 9999\tItem 9999\n");
    EXPECT_EQ(err.str(),
              "vok: item type 0 is outside 1..9999 and was not added\n"
              "vok: item type 10000 is outside 1..9999 and was not added\n");
    auto entries = store.Entries(Df2);
    entries.insert(entries.end(), {{1, "Item 1"}, {9999, "Item 9999"}});
    EXPECT_EQ(parseItemList(slurp(dir / "DF2Items.vok"), "x"), entries);
}

}  // namespace
}  // namespace vok
