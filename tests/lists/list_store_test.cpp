// The list store: loading the six files, lookups, remembering replacements and writing lists.
#include <gtest/gtest.h>

#include "lists/list_store.h"
#include "lists/list_text.h"
#include "mission/core/error.h"
#include "tests/lists/list_bytes.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

using testing::itemListBytes;
using testing::replaceListBytes;
using testing::slurp;

/// A folder with six small lists.
class ListFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("DF1Items.vok", itemListBytes({{5, "Five"}, {2, "Two"}, {7, "Seven"}, {1040, "Crate"}}));
        dir.write("DF2Items.vok", itemListBytes({{3001, "First"}, {2005, "Jeep"}, {3001, "Second"}, {4000, ""}}));
        dir.write("DF3Items.vok", itemListBytes({{2050, "Truck"}}));
        dir.write("DF1Replace.vok", replaceListBytes({{0, 0, 0}, {2, 1041, 2005}}));
        dir.write("DF2Replace.vok", replaceListBytes({{1, 2005, 1040}}));
        dir.write("DF3Replace.vok", replaceListBytes({{0, 0, 0}}));
    }

    std::string bytesOf(std::string_view name) const { return slurp(dir / name); }

    /// The six files as they are now.
    std::vector<std::string> snapshot() const {
        std::vector<std::string> files;
        for (int which = 1; which <= kListCount; ++which) files.push_back(bytesOf(listFileName(which)));
        return files;
    }

    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                                      std::filesystem::directory_iterator()));
    }

    testing::TempDir dir;
};

TEST_F(ListFolder, DescriptionTableIsIndexedByIdentifierAndEntriesKeepFileOrder) {
    ListStore store(dir.path());
    EXPECT_FALSE(store.loaded());
    store.InitilizeItemLists();
    EXPECT_TRUE(store.loaded());

    std::vector<std::int16_t> order;
    for (const auto& entry : store.Entries(kDf1)) order.push_back(entry.ItemId);
    EXPECT_EQ(order, (std::vector<std::int16_t>{5, 2, 7, 1040}));

    // Identifiers 5, 2, 7: 1, 3, 4 and 6 have the empty description and do not exist.
    const std::pair<std::int16_t, const char*> table[] = {{1, ""}, {2, "Two"}, {3, ""}, {4, ""},
                                                          {5, "Five"}, {6, ""}, {7, "Seven"}, {8, ""}};
    for (const auto& [id, description] : table) {
        EXPECT_EQ(store.ItemDescription(kDf1, id), description) << id;
        EXPECT_EQ(store.ItemExists(kDf1, id), *description != '\0') << id;
    }
    // Outside the table: below 1 or above the largest identifier, and versions that do not exist.
    for (std::int16_t id : {std::int16_t{0}, std::int16_t{-1}, std::int16_t{-32768}, std::int16_t{1041},
                            std::int16_t{32767}}) {
        EXPECT_FALSE(store.ItemExists(kDf1, id)) << id;
        EXPECT_EQ(store.ItemDescription(kDf1, id), "");
    }
    for (DfType version : {DfType{0}, DfType{4}, DfType{-1}}) {
        EXPECT_FALSE(store.ItemExists(version, 5));
        EXPECT_TRUE(store.Entries(version).empty());
        EXPECT_EQ(store.LookupReplacement(version, kDf2, 1041), -1);
    }
}

TEST_F(ListFolder, ADuplicateIdentifierKeepsBothEntriesAndTheSecondDescriptionWins) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    ASSERT_EQ(store.Entries(kDf2).size(), 4u);
    EXPECT_EQ(store.Entries(kDf2)[0], (ItemListEntry{3001, "First"}));
    EXPECT_EQ(store.Entries(kDf2)[2], (ItemListEntry{3001, "Second"}));
    EXPECT_EQ(store.ItemDescription(kDf2, 3001), "Second");
    // An entry with an empty description does not make its item exist.
    EXPECT_FALSE(store.ItemExists(kDf2, 4000));
    EXPECT_TRUE(store.ItemExists(kDf2, 2005));
}

TEST_F(ListFolder, LookupTakesTheSavedListBeforeTheRunListAndTheEarliestEntry) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1041), 2005);
    store.RememberReplacement(kDf1, kDf2, 1041, 2999);  // the saved entry still wins
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1041), 2005);

    store.RememberReplacement(kDf1, kDf3, 1041, 2050);
    store.RememberReplacement(kDf1, kDf3, 1041, 2051);  // a later run entry loses
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf3, 1041), 2050);

    // The placeholder entries {0, 0, 0} never answer, not even for identifier 0.
    EXPECT_EQ(store.RunReplacements(kDf1).front(), (ReplaceEntry{0, 0, 0}));
    EXPECT_EQ(store.LookupReplacement(kDf1, 0, 0), -1);
    EXPECT_EQ(store.LookupReplacement(kDf3, 0, 0), -1);
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 0), -1);
    // An entry holds for its own source version only.
    EXPECT_EQ(store.LookupReplacement(kDf2, kDf2, 1041), -1);
}

TEST_F(ListFolder, OkARemembersForTheRunOnlyAndHoldsForOneTargetVersion) {
    const auto before = snapshot();
    ListStore store(dir.path());
    store.InitilizeItemLists();
    store.RememberReplacement(kDf1, kDf2, 1040, 2005);
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1040), 2005);
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf3, 1040), -1);
    EXPECT_EQ(snapshot(), before);  // no file touched
    EXPECT_EQ(store.RunReplacements(kDf1).size(), 2u);

    // Remembering for a version that does not exist does nothing.
    store.RememberReplacement(4, kDf2, 1040, 1);
    store.RememberReplacement(0, kDf2, 1040, 1);
    EXPECT_EQ(store.LookupReplacement(4, kDf2, 1040), -1);

    // A new load starts the run again; reload (the list editor's) keeps it.
    store.reload();
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1040), 2005);
    store.InitilizeItemLists();
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1040), -1);
    EXPECT_EQ(store.RunReplacements(kDf1), (std::vector<ReplaceEntry>{{0, 0, 0}}));
}

TEST_F(ListFolder, OkSAppendsToTheSourceVersionsFileAndGrowsItsCount) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    const std::string before = bytesOf("DF1Replace.vok");
    const auto otherFiles = [&] {
        auto files = snapshot();
        files.erase(files.begin() + 3);
        return files;
    };
    const auto othersBefore = otherFiles();

    store.RememberAndSaveReplacement(kDf1, kDf2, 1040, 2005);

    const std::string after = bytesOf("DF1Replace.vok");
    EXPECT_EQ(testing::countOf(after), testing::countOf(before) + 1);
    EXPECT_EQ(after.substr(4, before.size() - 4), before.substr(4));
    EXPECT_EQ(after.substr(before.size()), replaceListBytes({{2, 1040, 2005}}).substr(4));
    EXPECT_EQ(otherFiles(), othersBefore);

    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1040), 2005);
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf3, 1040), -1);
    EXPECT_EQ(store.SavedReplacements(kDf1).back(), (ReplaceEntry{2, 1040, 2005}));
    EXPECT_EQ(store.RunReplacements(kDf1).back(), (ReplaceEntry{2, 1040, 2005}));

    // Another store loading the folder finds it too.
    ListStore next(dir.path());
    next.InitilizeItemLists();
    EXPECT_EQ(next.LookupReplacement(kDf1, kDf2, 1040), 2005);
}

TEST_F(ListFolder, OkSStartsFromTheFileAsItIsOnDisk) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    // The list editor adds an entry after the store was loaded.
    dir.write("DF2Replace.vok", replaceListBytes({{1, 2005, 1040}, {3, 2005, 2050}}));

    store.RememberAndSaveReplacement(kDf2, kDf1, 3001, 1041);

    const std::vector<ReplaceEntry> expected = {{1, 2005, 1040}, {3, 2005, 2050}, {1, 3001, 1041}};
    EXPECT_EQ(parseReplaceList(bytesOf("DF2Replace.vok"), "x"), expected);
    EXPECT_EQ(store.SavedReplacements(kDf2), expected);
    EXPECT_EQ(store.LookupReplacement(kDf2, kDf3, 2005), 2050);
}

TEST_F(ListFolder, OkSOverAFileWithTrailingBytesKeepsWhatItDoesNotOverwrite) {
    const std::string old = replaceListBytes({{0, 0, 0}}) + std::string(20, 'T');
    dir.write("DF3Replace.vok", old);
    ListStore store(dir.path());
    store.InitilizeItemLists();
    store.RememberAndSaveReplacement(kDf3, kDf1, 2050, 1040);
    const std::string now = bytesOf("DF3Replace.vok");
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(testing::countOf(now), 2);
    EXPECT_EQ(now.substr(16), old.substr(16));
}

// ---------------------------------------------------------------------------------------------
// Failed writes leave the old file and the loaded lists as they were.

class FailedListWrite : public ListFolder,
                        public ::testing::WithParamInterface<std::pair<testing::FailingFileSystem::FailAt, std::size_t>> {
};

TEST_P(FailedListWrite, OkSLeavesTheFileAndTheSavedListUnchanged) {
    testing::FailingFileSystem failing;
    failing.failAt = GetParam().first;
    failing.bytesBeforeFailure = GetParam().second;
    ListStore store(dir.path(), failing);
    store.InitilizeItemLists();
    const auto files = snapshot();
    const auto saved = store.SavedReplacements(kDf1);

    try {
        store.RememberAndSaveReplacement(kDf1, kDf2, 1040, 2005);
        FAIL() << "the write did not fail";
    } catch (const Error& error) {
        EXPECT_EQ(error.fault(), Fault::CannotWrite);
        EXPECT_EQ(error.path(), displayPath(dir / "DF1Replace.vok"));
    }
    EXPECT_EQ(snapshot(), files);
    EXPECT_EQ(store.SavedReplacements(kDf1), saved);
    EXPECT_EQ(filesInFolder(), 6u);  // no temporary file left behind
    // The choice still holds for this run.
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf2, 1040), 2005);
}

TEST_P(FailedListWrite, SaveListLeavesTheFileUnchanged) {
    testing::FailingFileSystem failing;
    failing.failAt = GetParam().first;
    failing.bytesBeforeFailure = GetParam().second;
    ListStore store(dir.path(), failing);
    store.InitilizeItemLists();
    const auto files = snapshot();
    store.editEntries(kDf3).push_back({2051, "Another truck"});
    EXPECT_THROW(store.SaveList(3), Error);
    EXPECT_THROW(store.SaveList(0), Error);
    EXPECT_EQ(snapshot(), files);
    EXPECT_EQ(filesInFolder(), 6u);
}

std::string failPointName(
    const ::testing::TestParamInfo<std::pair<testing::FailingFileSystem::FailAt, std::size_t>>& info) {
    static constexpr const char* kNames[] = {"Nothing", "Create", "Write", "Flush", "Close", "Rename"};
    return std::string(kNames[static_cast<int>(info.param.first)]) + std::to_string(info.param.second);
}

INSTANTIATE_TEST_SUITE_P(
    Points, FailedListWrite,
    ::testing::Values(std::pair{testing::FailingFileSystem::FailAt::Create, std::size_t{0}},
                      std::pair{testing::FailingFileSystem::FailAt::Write, std::size_t{0}},
                      std::pair{testing::FailingFileSystem::FailAt::Write, std::size_t{3}},
                      std::pair{testing::FailingFileSystem::FailAt::Write, std::size_t{10}},
                      std::pair{testing::FailingFileSystem::FailAt::Flush, std::size_t{0}},
                      std::pair{testing::FailingFileSystem::FailAt::Close, std::size_t{0}},
                      std::pair{testing::FailingFileSystem::FailAt::Rename, std::size_t{0}}),
    failPointName);

TEST_F(ListFolder, OkSInAReadOnlyFolderIsAnErrorAndKeepsTheLists) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    const auto files = snapshot();
    {
        testing::ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.active()) GTEST_SKIP() << "the folder cannot be made read-only here";
        EXPECT_THROW(store.RememberAndSaveReplacement(kDf1, kDf2, 1040, 2005), Error);
        EXPECT_THROW(store.SaveList(0), Error);
    }
    EXPECT_EQ(snapshot(), files);
    EXPECT_EQ(store.SavedReplacements(kDf1).size(), 2u);
    EXPECT_EQ(filesInFolder(), 6u);
}

TEST_F(ListFolder, OkSWhenTheFileHasGoneBadIsAnErrorAndKeepsTheSavedList) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    dir.write("DF1Replace.vok", replaceListBytes({}, 0));
    EXPECT_THROW(store.RememberAndSaveReplacement(kDf1, kDf2, 1040, 2005), Error);
    EXPECT_EQ(bytesOf("DF1Replace.vok"), replaceListBytes({}, 0));
    EXPECT_EQ(store.SavedReplacements(kDf1).size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Loading is all or nothing.

struct LoadFault {
    const char* name;
    void (*spoil)(const testing::TempDir&, const std::string& file);
    const char* detail;
};

class FailedLoad : public ListFolder, public ::testing::WithParamInterface<std::tuple<int, LoadFault>> {};

TEST_P(FailedLoad, NamesTheFileAndKeepsWhatTheStoreHeld) {
    const auto [which, fault] = GetParam();
    ListStore store(dir.path());
    store.InitilizeItemLists();
    store.RememberReplacement(kDf1, kDf3, 1040, 2050);
    const auto entries = store.Entries(kDf2);
    const auto saved = store.SavedReplacements(kDf1);

    const std::string file(listFileName(which));
    fault.spoil(dir, file);
    for (bool keepRun : {false, true}) {
        try {
            keepRun ? store.reload() : store.InitilizeItemLists();
            FAIL() << "loaded";
        } catch (const Error& error) {
            EXPECT_EQ(error.path(), displayPath(dir / file));
            EXPECT_NE(std::string(error.what()).find(fault.detail), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(store.loaded());
    EXPECT_EQ(store.Entries(kDf2), entries);
    EXPECT_EQ(store.SavedReplacements(kDf1), saved);
    EXPECT_EQ(store.ItemDescription(kDf1, 7), "Seven");
    EXPECT_EQ(store.LookupReplacement(kDf1, kDf3, 1040), 2050);

    ListStore fresh(dir.path());
    EXPECT_THROW(fresh.InitilizeItemLists(), Error);
    EXPECT_FALSE(fresh.loaded());
    EXPECT_TRUE(fresh.Entries(kDf1).empty());
}

const LoadFault kLoadFaults[] = {
    {"Missing", [](const testing::TempDir& d, const std::string& f) { std::filesystem::remove(d / f); },
     "cannot be opened"},
    {"CountZero", [](const testing::TempDir& d, const std::string& f) { d.write(f, std::string(4, '\0')); },
     "count is 0"},
    {"CutShort",
     [](const testing::TempDir& d, const std::string& f) {
         const std::string bytes = slurp(d / f);
         d.write(f, bytes.substr(0, bytes.size() - 1));
     },
     "ends before"},
    {"Folder",
     [](const testing::TempDir& d, const std::string& f) {
         std::filesystem::remove(d / f);
         std::filesystem::create_directory(d / f);
     },
     "folder"},
};

INSTANTIATE_TEST_SUITE_P(EveryFile, FailedLoad,
                         ::testing::Combine(::testing::Range(1, kListCount + 1), ::testing::ValuesIn(kLoadFaults)),
                         [](const auto& info) {
                             return std::string(listFileName(std::get<0>(info.param))).substr(0, 7) +
                                    std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// SaveList.

TEST_F(ListFolder, SaveListWritesTheChosenListAndNothingElse) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    store.editEntries(kDf3).push_back({2051, "Tank \x80"});
    store.editSavedReplacements(kDf3).push_back({1, 2051, 2031});
    auto files = snapshot();

    for (int ignored : {-1, 7, 100}) {
        store.SaveList(ignored);
        EXPECT_EQ(snapshot(), files);
    }
    EXPECT_THROW(store.editEntries(4), std::out_of_range);
    EXPECT_THROW(store.editSavedReplacements(0), std::out_of_range);

    store.SaveList(3);
    files[2] = itemListBytes({{2050, "Truck"}, {2051, "Tank \x80"}});
    EXPECT_EQ(snapshot(), files);

    store.SaveList(6);
    files[5] = replaceListBytes({{0, 0, 0}, {1, 2051, 2031}});
    EXPECT_EQ(snapshot(), files);

    store.reload();
    EXPECT_TRUE(store.ItemExists(kDf3, 2051));
    EXPECT_EQ(store.LookupReplacement(kDf3, kDf1, 2051), 2031);
}

TEST_F(ListFolder, SaveListZeroWritesAllSixAsLoaded) {
    ListStore store(dir.path());
    store.InitilizeItemLists();
    const auto files = snapshot();
    for (int which = 1; which <= kListCount; ++which) std::filesystem::remove(dir / listFileName(which));
    store.SaveList(0);
    EXPECT_EQ(snapshot(), files);
}

TEST(StarterLists, SurviveTheTextFormByteForByte) {
    testing::TempDir dir;
    testing::copyStarterLists(dir.path());
    for (int which = 1; which <= kListCount; ++which) {
        const std::string bytes = slurp(dir / listFileName(which));
        const std::string name(listFileName(which));
        const std::string again =
            isItemList(which)
                ? encodeItemList(itemListFromText(itemListToText(parseItemList(bytes, name), which), name))
                : encodeReplaceList(
                      replaceListFromText(replaceListToText(parseReplaceList(bytes, name), which), name));
        EXPECT_EQ(again, bytes) << name;
    }
}

}  // namespace
}  // namespace vok
