// The list store: loading, lookups, replacements, saves, several programs on one folder under its lock.
#include "lists/list_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
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
    /// "path|fault|message" of the Error `write` throws, or "written".
    static std::string errorOf(const std::function<void()>& write) try {
        write();
        return "written";
    } catch (const Error& error) {
        return error.path() + "|" + std::to_string(static_cast<int>(error.fault())) + "|" + error.what();
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
    for (const auto& [from, to, id, with] :
         {std::tuple{1, 2, 1041, 2999}, {1, 3, 1041, 2050}, {1, 3, 1041, 2051}, {4, 2, 1040, 1}})
        store.RememberReplacement(DfType(from), DfType(to), std::int16_t(id), std::int16_t(with));
    const std::tuple<int, int, std::int16_t, std::int16_t> lookups[] = {
        {1, 2, 1041, 2005}, {1, 3, 1041, 2050}, {2, 3, 1041, -1}, {1, 0, 0, -1}, {3, 0, 0, -1}, {4, 2, 1040, -1}};
    for (const auto& [from, to, id, answer] : lookups)
        EXPECT_EQ(store.LookupReplacement(DfType(from), DfType(to), id), answer);
    EXPECT_EQ(folder(), before);
    store.reload();  // the list editor's reload keeps the run; a new load starts it again
    EXPECT_EQ(store.LookupReplacement(Df1, Df3, 1041), 2050);
    store.InitilizeItemLists();
    EXPECT_EQ(store.RunReplacements(Df1), (std::vector<ReplaceEntry>{{0, 0, 0}}));
}

// "OK-S" appends to the source version's list as the file is on disk, under the lock: two writers appending
// at once lose nothing, each keeps its order and then holds what the file holds. (Failures: the lock's test.)
TEST_F(ListStoreTest, OkSAppendsToTheFileAsItIsOnDiskSoTwoWritersAtOnceLoseNothing) {
    ListStore other(dir.path());
    other.InitilizeItemLists();
    Folder files = folder();
    std::atomic<int> ready = 0;  // not std::latch: its wait can miss the wake-up under MinGW
    std::vector<ReplaceEntry> expected[2], each[2];
    const auto append = [&](ListStore* lists, int w) {
        lists->setLockOptions({.wait = 60s});  // about lost updates, not about waiting
        for (++ready; ready < 2;) std::this_thread::yield();
        for (std::int16_t i = 1; i <= 100; ++i) {
            expected[w].push_back({1, static_cast<std::int16_t>(3000 * w + 3000 + i), i});
            lists->RememberAndSaveReplacement(Df2, Df1, expected[w].back().ObjectId, i);
        }
    };
    std::thread first(append, &store, 0), second(append, &other, 1);
    first.join(), second.join();
    store.RememberAndSaveReplacement(Df2, Df3, 2005, 2050);
    const auto entries = parseReplaceList(slurp(dir / "DF2Replace.vok"), "x");
    for (const auto& entry : entries) each[entry.ObjectId / 6000].push_back(entry);  // 1..5999: the first
    EXPECT_EQ(std::vector(each[0].begin() + 1, each[0].end() - 1), expected[0]);
    EXPECT_EQ(each[1], expected[1]);
    files["DF2Replace.vok"] = encodeReplaceList(entries);
    EXPECT_EQ(folder(), files);  // no other file touched, no lock left
    EXPECT_EQ(store.SavedReplacements(Df2), entries);
    EXPECT_EQ(store.LookupReplacement(Df2, Df1, 6100), 100);  // the other's entry counts
    EXPECT_FALSE(store.changedOnDisk());                      // its own write is not another program's
}

// After each of its own saves each file holds what the store holds (then the rest of a longer
// earlier file, as list files always did), no lock is left, the store does not take its own write
// for another program's, and it answers as a fresh load of the files would.
TEST_F(ListStoreTest, EachSaveWritesWhatTheStoreHoldsAndTheStoreAnswersAsAFreshLoadWould) {
    const auto answers = [](const ListStore& lists) {
        std::string all;
        for (DfType v : kAllVersions)
            for (std::int16_t id = 1; id <= 9001; ++id)
                all += lists.ItemDescription(v, id) + (lists.ItemExists(v, id) ? "+" : "-") +
                       std::to_string(lists.LookupReplacement(v, Df1, id)) + "\n";
        return all;
    };
    auto &df1 = store.editEntries(Df1), &df2 = store.editEntries(Df2);
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
        Folder expected = folder();
        which > 0 ? (void)store.changeAndSaveList(which, change) : (change(), store.SaveList(-which));
        ListStore fresh(dir.path());
        fresh.InitilizeItemLists();
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
    for (const auto& [change, fault] : changes) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(fault) + ", " + std::string(listFileName(which)));
            SetUp();
            store.RememberReplacement(Df1, Df3, 1040, 2050);
            change(store.pathOf(which));
            EXPECT_EQ(store.changedListsOnDisk(), std::vector<int>{which});
            const Folder before = folder();
            bool applied = false;
            EXPECT_EQ(store.changeAndSaveList(which, [&] { applied = true; }), ListChange::ChangedOnDisk);
            EXPECT_FALSE(applied);
            EXPECT_EQ(folder(), before);
            if (*fault == '\0') continue;
            const std::string error = errorOf([&] { store.reload(); });
            EXPECT_EQ(error.rfind(displayPath(store.pathOf(which)) + "|", 0), 0u) << error;
            EXPECT_NE(error.find(fault), std::string::npos) << error;
            EXPECT_EQ(store.Entries(Df2).size() + store.SavedReplacements(Df1).size(), 6u);  // as it held
            EXPECT_EQ(store.LookupReplacement(Df1, Df3, 1040), 2050);
        }
    }
}

TEST_F(ListStoreTest, AnotherProgramsLockOrAReadOnlyFolderStopsEveryWriteAndOnlyAStaleLockIsTakenOver) {
    {  // a moved lock is released once, by its new owner; a lock another program took over meanwhile stays
        ListFolderLock lock(dir.path(), ListLockOptions{}), moved(std::move(lock));
        dir.write(kListLockFileName, kForeignLock);
    }
    EXPECT_EQ(slurp(dir / kListLockFileName), kForeignLock);
    // Stale after 30 s; a lock dated ahead (another clock) never is; a read-only folder is named with advice.
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
            const std::string error = errorOf(write), path = displayPath(age ? dir.path() : store.pathOf(file));
            const auto fault = static_cast<int>(age ? Fault::Locked : Fault::CannotWrite);
            EXPECT_EQ(error.rfind(stale ? "written" : path + "|" + std::to_string(fault) + "|", 0), 0u) << error;
            const std::string detail = age ? "Vok_Sorrel" : "the folder " + displayPath(dir.path());
            EXPECT_TRUE(stale || error.find(detail) != std::string::npos) << error;
            EXPECT_TRUE(age || error.find("copy the six .vok files") != std::string::npos) << error;
            EXPECT_TRUE(!stale || folder().size() == 6u);  // the leftover is gone, and our own lock
            if (stale) foreignLock(*age);
        }
        EXPECT_EQ(changed, stale);
        EXPECT_TRUE(stale || folder() == before);  // a live holder keeps its lock, and nothing is written
        EXPECT_EQ(store.LookupReplacement(Df1, Df3, 2031), 2050);  // the run keeps the choice
        EXPECT_FALSE(store.changedOnDisk());
    }
}

TEST_F(ListStoreTest, LearnAddsTheItemTypesOneTo9999Only) {
    Df2Mission mission;
    mission.header.signature = Df2Mission::HeaderType::fileSignature;
    for (std::int32_t type : {0, 1, 2005, 9999, 10000}) mission.items.emplace_back().type_id = type;
    recountItems(mission.header, mission.items);
    SaveDF2BMS(dir / "m.bms", mission);
    std::ostringstream out, err;
    cli::run({"lists", "learn", "df2", (dir / "m.bms").string(), "--lists", dir.path().string()}, out, err, {});
    EXPECT_EQ(out.str() + err.str(),
              "added 1\tItem 1\nadded 9999\tItem 9999\nvok: item type 0 is outside 1..9999 and was not added\n"
              "vok: item type 10000 is outside 1..9999 and was not added\n");
    EXPECT_EQ(parseItemList(slurp(dir / "DF2Items.vok"), "x").size(), store.Entries(Df2).size() + 2);

    // Other programs changing the lists since this store was loaded, this one among them, are no
    // reason to give up: the types are added to the list as it is on disk, and what they wrote stays.
    ListStore other(dir.path());
    other.InitilizeItemLists();
    other.RememberAndSaveReplacement(Df1, Df2, 7, 2005);
    other.changeAndSaveList(itemListOf(Df2), [&] { other.editEntries(Df2).push_back({1700, "Hedge"}); });
    EXPECT_EQ(store.addItemTypes(Df2, {1800, 1700, 4000}), (std::vector<std::int16_t>{1800, 4000}));
    const auto onDisk = parseItemList(slurp(dir / "DF2Items.vok"), "x");
    EXPECT_EQ(onDisk, store.Entries(Df2));
    EXPECT_EQ(store.ItemDescription(Df2, 1700), "Hedge");
    EXPECT_EQ(store.ItemDescription(Df2, 4000), "Object 4000");  // its empty entry got the placeholder
    EXPECT_EQ(store.ItemDescription(Df2, 1800), "Decoration 1800");
}

// A lock or a copy that a change cannot remove afterwards is reported, not left in silence: the
// change itself stands.
TEST_F(ListStoreTest, ALockOrCopyThatCannotBeRemovedIsReported) {
    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Remove;
    failing.error = EACCES;
    ListLockOptions options;
    options.fileSystem = &failing;
    store.setLockOptions(options);
    store.editEntries(Df3).push_back({2051, "Tank"});
    const std::string lockError = errorOf([&] { store.SaveList(itemListOf(Df3)); });
    EXPECT_EQ(lockError.rfind(displayPath(ListFolderLock::pathIn(dir.path())) + "|1|", 0), 0u) << lockError;
    EXPECT_NE(lockError.find("the lock could not be removed (Permission denied)"), std::string::npos) << lockError;
    EXPECT_EQ(parseItemList(slurp(dir / "DF3Items.vok"), "x").size(), 2u);
    fs::remove(ListFolderLock::pathIn(dir.path()));

    const std::string error = errorOf([&] {
        writeFilesAtomically({{dir / "DF3Items.vok", encodeItemList({{1, "One"}})}}, failing);
    });
    EXPECT_NE(error.find("could not be removed: " + displayPath(dir / ".vok-old-")), std::string::npos) << error;
    EXPECT_EQ(slurp(dir / "DF3Items.vok"), encodeItemList({{1, "One"}}));
    // The next program that takes the lock clears the copy away.
    store.setLockOptions({});
    store.SaveList(itemListOf(Df3));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 6);
}

}  // namespace
}  // namespace vok
