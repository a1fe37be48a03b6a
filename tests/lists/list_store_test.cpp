// The list store: loading the six files, lookups, remembering replacements and writing lists.
#include "lists/list_store.h"

#include <gtest/gtest.h>

#include <functional>

#include "mission/core/error.h"
#include "tests/lists/list_folder.h"

namespace vok {
namespace {

using testing::itemListBytes;
using testing::replaceListBytes;
using testing::slurp;

class ListStoreTest : public testing::ListFolder {
  protected:
    void SetUp() override {
        ListFolder::SetUp();
        store.InitilizeItemLists();
    }
    ListStore store{dir.path()};
};

TEST_F(ListStoreTest, DescriptionTableIsIndexedByIdentifierAndEntriesKeepFileOrder) {
    ListStore fresh(dir.path());
    EXPECT_FALSE(fresh.loaded());
    EXPECT_TRUE(store.loaded());

    std::vector<std::int16_t> order;
    for (const auto& entry : store.Entries(DfType::Df1)) order.push_back(entry.ItemId);
    EXPECT_EQ(order, (std::vector<std::int16_t>{5, 2, 7, 1040}));

    // Identifiers 5, 2, 7: 1, 3, 4 and 6 have the empty description and do not exist; so do
    // identifiers below 1 or above the largest one.
    const std::pair<std::int16_t, const char*> table[] = {
        {1, ""}, {2, "Two"}, {3, ""},  {4, ""},      {5, "Five"}, {6, ""},    {7, "Seven"},
        {8, ""}, {0, ""},    {-1, ""}, {-32768, ""}, {1041, ""},  {32767, ""}};
    for (const auto& [id, description] : table) {
        EXPECT_EQ(store.ItemDescription(DfType::Df1, id), description) << id;
        EXPECT_EQ(store.ItemExists(DfType::Df1, id), *description != '\0') << id;
    }
    for (DfType version : {DfType{0}, DfType{4}, DfType{-1}}) {
        EXPECT_FALSE(store.ItemExists(version, 5));
        EXPECT_TRUE(store.Entries(version).empty());
        EXPECT_EQ(store.LookupReplacement(version, DfType::Df2, 1041), -1);
    }

    // A duplicate identifier keeps both entries and the later description wins; an entry with an
    // empty description does not make its item exist.
    ASSERT_EQ(store.Entries(DfType::Df2).size(), 4u);
    EXPECT_EQ(store.Entries(DfType::Df2)[0], (ItemListEntry{3001, "First"}));
    EXPECT_EQ(store.ItemDescription(DfType::Df2, 3001), "Second");
    EXPECT_FALSE(store.ItemExists(DfType::Df2, 4000));
}

TEST_F(ListStoreTest, LookupTakesTheSavedListBeforeTheRunListAndTheEarliestEntry) {
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1041), 2005);
    store.RememberReplacement(DfType::Df1, DfType::Df2, 1041, 2999);  // the saved entry still wins
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1041), 2005);
    store.RememberReplacement(DfType::Df1, DfType::Df3, 1041, 2050);
    store.RememberReplacement(DfType::Df1, DfType::Df3, 1041, 2051);  // a later run entry loses
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1041), 2050);

    // The placeholder entries {0, 0, 0} never answer, and an entry holds for its own source only.
    EXPECT_EQ(store.RunReplacements(DfType::Df1).front(), (ReplaceEntry{0, 0, 0}));
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::None, 0), -1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df3, DfType::None, 0), -1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 0), -1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df2, DfType::Df2, 1041), -1);
}

TEST_F(ListStoreTest, OkARemembersForTheRunOnlyAndHoldsForOneTargetVersion) {
    const auto before = snapshot();
    store.RememberReplacement(DfType::Df1, DfType::Df2, 1040, 2005);
    store.RememberReplacement(static_cast<DfType>(4), DfType::Df2, 1040, 1);  // a version that does not exist: nothing
    store.RememberReplacement(DfType::None, DfType::Df2, 1040, 1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1040), 2005);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1040), -1);
    EXPECT_EQ(store.LookupReplacement(static_cast<DfType>(4), DfType::Df2, 1040), -1);
    EXPECT_EQ(snapshot(), before);  // no file touched
    EXPECT_EQ(store.RunReplacements(DfType::Df1).size(), 2u);

    // A new load starts the run again; reload (the list editor's) keeps it.
    store.reload();
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1040), 2005);
    store.InitilizeItemLists();
    EXPECT_EQ(store.RunReplacements(DfType::Df1), (std::vector<ReplaceEntry>{{0, 0, 0}}));
}

TEST_F(ListStoreTest, OkSAppendsToTheSourceVersionsFileAndGrowsItsCount) {
    auto files = snapshot();
    store.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, 1040, 2005);
    files[3] = replaceListBytes({{0, 0, 0}, {2, 1041, 2005}, {2, 1040, 2005}});
    EXPECT_EQ(snapshot(), files);  // and no other file touched

    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 1040), 2005);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1040), -1);
    EXPECT_EQ(store.SavedReplacements(DfType::Df1).back(), (ReplaceEntry{2, 1040, 2005}));
    EXPECT_EQ(store.RunReplacements(DfType::Df1).back(), (ReplaceEntry{2, 1040, 2005}));
    ListStore next(dir.path());
    next.InitilizeItemLists();
    EXPECT_EQ(next.LookupReplacement(DfType::Df1, DfType::Df2, 1040), 2005);
}

TEST_F(ListStoreTest, AfterEachOfItsOwnChangesTheStoreAnswersAsAFreshLoadWould) {
    const auto answers = [](const ListStore& lists) {
        std::vector<std::string> all;
        for (const DfType v : kAllVersions) {
            for (std::int16_t id = 1; id <= 9001; ++id) {
                all.push_back(lists.ItemDescription(v, id) + (lists.ItemExists(v, id) ? "+" : "-"));
            }
            for (std::int16_t id : {2050, 2005, 1041}) {
                for (const DfType to : kAllVersions) all.push_back(std::to_string(lists.LookupReplacement(v, to, id)));
            }
        }
        return all;
    };
    auto& df1 = store.editEntries(DfType::Df1);
    auto& df2 = store.editEntries(DfType::Df2);
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"add", [&] { store.changeAndSaveList(1, [&] { df1.push_back({9001, "New"}); }); }},
        {"edit", [&] { store.changeAndSaveList(1, [&] { df1[2].Description = "Changed"; }); }},
        {"delete", [&] { store.changeAndSaveList(1, [&] { df1.erase(df1.begin()); }); }},
        {"delete the duplicate in use", [&] { store.changeAndSaveList(2, [&] { df2.erase(df2.begin() + 2); }); }},
        {"describe an empty entry", [&] { store.changeAndSaveList(2, [&] { df2.back().Description = "Crate"; }); }},
        {"OK-S", [&] { store.RememberAndSaveReplacement(DfType::Df3, DfType::Df1, 2050, 7); }},
    };
    for (const auto& [name, change] : changes) {
        const auto before = answers(store);
        change();
        ListStore fresh(dir.path());
        fresh.InitilizeItemLists();
        EXPECT_NE(answers(store), before) << name;
        EXPECT_EQ(answers(store), answers(fresh)) << name;
    }
}

TEST_F(ListStoreTest, OkSWhenTheFileHasGoneBadIsAnErrorAndKeepsTheSavedList) {
    dir.write("DF1Replace.vok", replaceListBytes({}, 0));
    EXPECT_THROW(store.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, 1040, 2005), Error);
    EXPECT_EQ(slurp(file(4)), replaceListBytes({}, 0));
    EXPECT_EQ(store.SavedReplacements(DfType::Df1).size(), 2u);
}

TEST_F(ListStoreTest, ALoadFaultInAnyFileNamesItAndKeepsWhatTheStoreHeld) {
    const std::tuple<const char*, void (*)(const std::filesystem::path&), const char*> faults[] = {
        {"missing", [](const std::filesystem::path& f) { std::filesystem::remove(f); }, "cannot be opened"},
        {"count 0", [](const std::filesystem::path& f) { std::ofstream(f) << std::string(4, '\0'); },
         "count is 0"},
        {"cut short",
         [](const std::filesystem::path& f) {
             std::filesystem::resize_file(f, std::filesystem::file_size(f) - 1);
         },
         "ends before"},
        {"a folder",
         [](const std::filesystem::path& f) {
             std::filesystem::remove(f);
             std::filesystem::create_directory(f);
         },
         "folder"},
    };
    for (const auto& [name, spoil, detail] : faults) {
        for (int which = 1; which <= kListCount; ++which) {
            SCOPED_TRACE(std::string(name) + ", " + std::string(listFileName(which)));
            for (int w = 1; w <= kListCount; ++w) std::filesystem::remove_all(file(w));
            SetUp();
            store.RememberReplacement(DfType::Df1, DfType::Df3, 1040, 2050);
            const auto entries = store.Entries(DfType::Df2);
            const auto saved = store.SavedReplacements(DfType::Df1);

            spoil(file(which));
            for (bool keepRun : {false, true}) {
                try {
                    keepRun ? store.reload() : store.InitilizeItemLists();
                    ADD_FAILURE() << "loaded";
                } catch (const Error& error) {
                    EXPECT_EQ(error.path(), displayPath(file(which)));
                    EXPECT_NE(std::string(error.what()).find(detail), std::string::npos) << error.what();
                }
            }
            EXPECT_TRUE(store.loaded());
            EXPECT_EQ(store.Entries(DfType::Df2), entries);
            EXPECT_EQ(store.SavedReplacements(DfType::Df1), saved);
            EXPECT_EQ(store.ItemDescription(DfType::Df1, 7), "Seven");
            EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df3, 1040), 2050);

            ListStore fresh(dir.path());
            EXPECT_THROW(fresh.InitilizeItemLists(), Error);
            EXPECT_FALSE(fresh.loaded());
            EXPECT_TRUE(fresh.Entries(DfType::Df1).empty());
        }
    }
}

TEST_F(ListStoreTest, SaveListWritesTheChosenListAndNothingElse) {
    store.editEntries(DfType::Df3).push_back({2051, "Tank \x80"});
    store.editSavedReplacements(DfType::Df3).push_back({1, 2051, 2031});
    auto files = snapshot();
    for (int ignored : {-1, 7, 100}) store.SaveList(ignored);
    EXPECT_EQ(snapshot(), files);
    EXPECT_THROW(store.editEntries(static_cast<DfType>(4)), std::out_of_range);
    EXPECT_THROW(store.editSavedReplacements(DfType::None), std::out_of_range);

    store.SaveList(3);
    files[2] = itemListBytes({{2050, "Truck"}, {2051, "Tank \x80"}});
    EXPECT_EQ(snapshot(), files);

    // SaveList(0) writes all six as they are held.
    for (int which = 1; which <= kListCount; ++which) std::filesystem::remove(file(which));
    store.SaveList(0);
    files[5] = replaceListBytes({{0, 0, 0}, {1, 2051, 2031}});
    EXPECT_EQ(snapshot(), files);
    store.reload();
    EXPECT_TRUE(store.ItemExists(DfType::Df3, 2051));
    EXPECT_EQ(store.LookupReplacement(DfType::Df3, DfType::Df1, 2051), 2031);
}

}  // namespace
}  // namespace vok
