// A save that fails at any point (a short write after every possible number of bytes, an error on
// creating, setting the permission bits, flushing, flushing to the disk, closing or renaming) leaves
// the earlier file byte for byte as it was and no temporary file beside it, and reports an Error
// that names the file. For the lists, the store in memory stays as it was too, and an import of all
// six lists fails as a whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <set>

#include "lists/list_store.h"
#include "lists/list_text.h"
#include "mission/core/error.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/mission_file.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using testing::FailingFileSystem;
using FailAt = FailingFileSystem::FailAt;

const Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

/// Runs `save`, which must fail with CannotWrite naming `target`; returns false (after reporting)
/// when it did not.
bool failsNaming(const std::function<void()>& save, const fs::path& target, const std::string& context) {
    try {
        save();
    } catch (const Error& error) {
        EXPECT_EQ(error.fault(), Fault::CannotWrite) << context << ": " << error.what();
        EXPECT_EQ(error.path(), displayPath(target)) << context;
        EXPECT_NE(fileErrorMessage(error).find(target.filename().string()), std::string::npos) << context;
        return error.fault() == Fault::CannotWrite && error.path() == displayPath(target);
    }
    ADD_FAILURE() << context << ": the save did not fail";
    return false;
}

/// The other ways a save can fail, besides a short write.
struct OtherFailure {
    const char* name;
    FailAt at;
    int error;
    const char* reason;  ///< the text the message carries
};
const OtherFailure kOtherFailures[] = {
    {"create", FailAt::Create, EACCES, "Permission denied"},
    {"permissions", FailAt::Permissions, EPERM, "Operation not permitted"},
    {"flush", FailAt::Flush, EIO, "Input/output error"},
    {"flush to the disk", FailAt::Sync, EIO, "Input/output error"},
    {"close", FailAt::Close, ENOSPC, "No space left on device"},
    {"rename", FailAt::Rename, EXDEV, "Invalid cross-device link"},
};

// ---------------------------------------------------------------------------------------------
// Missions: every form of every version, a short write after each number of bytes of the file.

struct MissionSaver {
    const char* name;
    const char* file;
    /// The bytes the save writes, and the save itself.
    std::function<std::string()> bytes;
    std::function<void(const fs::path&, FileSystem&)> save;
};

template <class M>
std::vector<MissionSaver> saversOf(const M& mission) {
    using Format = typename FormatOf<M>::type;
    return {
        {"binary", "m.bms", [mission] { return writeMissionBinary(mission, "m.bms"); },
         [mission](const fs::path& p, FileSystem& f) { saveMission(p, mission, MissionForm::Binary, kCreatedOn, f); }},
        {"ascii", "m.mis", [mission] { return writeMissionAscii<Format>(mission, kCreatedOn, "m.mis"); },
         [mission](const fs::path& p, FileSystem& f) { saveMission(p, mission, MissionForm::Ascii, kCreatedOn, f); }},
    };
}

/// Every point of the file when `stride` is 1; otherwise its first and last 256 bytes and every
/// stride-th byte in between (the same code path, at a fraction of the time under the sanitizers).
template <class M>
void failAtEveryPoint(std::uint32_t seed, std::size_t stride) {
    const M mission = testing::generateMission<M>(seed, {.maxItems = 12, .maxEvents = 4, .maxPerEvent = 3});
    for (const MissionSaver& saver : saversOf(mission)) {
        SCOPED_TRACE(saver.name);
        testing::TempDir dir;
        const std::string earlier = std::string("an earlier mission\0\r\n", 21) + std::string(3000, '\x7f');
        const fs::path target = dir.write(saver.file, earlier);
        const std::size_t size = saver.bytes().size();
        ASSERT_GT(size, 1000u);

        FailingFileSystem files;
        files.failAt = FailAt::Write;
        std::size_t failures = 0;
        for (std::size_t n = 0; n < size; n += (n < 256 || n + 256 >= size) ? 1 : stride) {
            files.bytesBeforeFailure = n;
            const std::string context = "a short write after " + std::to_string(n) + " of " + std::to_string(size) + " bytes";
            if (!failsNaming([&] { saver.save(target, files); }, target, context)) return;
            // Checked on every point, but reported once: a file changed or left behind at one
            // point would repeat at the next thousands.
            if (testing::slurp(target) != earlier) {
                FAIL() << context << ": the earlier file was changed";
            }
            if (filesIn(dir.path()).size() != 1) {
                FAIL() << context << ": a temporary file was left";
            }
            ++failures;
        }
        EXPECT_GE(failures, stride == 1 ? size : 512);
        EXPECT_EQ(files.created, failures);
        EXPECT_EQ(files.removed, failures) << "every temporary file was removed";

        for (const OtherFailure& other : kOtherFailures) {
            FailingFileSystem failing;
            failing.failAt = other.at;
            failing.error = other.error;
            try {
                saver.save(target, failing);
                ADD_FAILURE() << other.name << ": the save did not fail";
            } catch (const Error& error) {
                EXPECT_EQ(error.fault(), Fault::CannotWrite) << other.name;
                EXPECT_EQ(error.path(), displayPath(target)) << other.name;
                EXPECT_EQ(error.detail(), other.reason) << other.name;
            }
            EXPECT_TRUE(testing::slurp(target) == earlier) << other.name << ": the earlier file was changed";
            EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{saver.file}) << other.name;
        }

        // The failures left nothing a later save trips on.
        saver.save(target, realFileSystem());
        EXPECT_TRUE(testing::slurp(target) == saver.bytes());
        EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{saver.file});
    }
}

TEST(FailureInjection, Df2MissionSaveFailingAtEveryByteLeavesTheEarlierFile) { failAtEveryPoint<Df2Mission>(2, 1); }
TEST(FailureInjection, Df1MissionSaveFailingAtManyBytesLeavesTheEarlierFile) { failAtEveryPoint<Df1Mission>(1, 13); }
TEST(FailureInjection, Df3MissionSaveFailingAtManyBytesLeavesTheEarlierFile) { failAtEveryPoint<Df3Mission>(3, 13); }

// ---------------------------------------------------------------------------------------------
// Lists: SaveList of every list, and the converter's "OK-S" append.

struct StoreSnapshot {
    std::array<std::vector<ItemListEntry>, 3> entries;
    std::array<std::vector<ReplaceEntry>, 3> saved;
    std::array<std::vector<ReplaceEntry>, 3> run;

    explicit StoreSnapshot(const ListStore& store) {
        for (const DfType v : kAllVersions) {
            const auto i = versionIndex(v);
            entries[i] = store.Entries(v);
            saved[i] = store.SavedReplacements(v);
            run[i] = store.RunReplacements(v);
        }
    }
    bool operator==(const StoreSnapshot&) const = default;
};

/// The description of every identifier the lists can hold, per version.
std::vector<std::string> descriptionsOf(const ListStore& store) {
    std::vector<std::string> descriptions;
    for (const DfType v : kAllVersions) {
        for (std::int16_t id = 1; id < 10000; ++id) descriptions.push_back(store.ItemDescription(v, id));
    }
    return descriptions;
}

std::array<std::string, kListCount> listBytes(const ListStore& store) {
    std::array<std::string, kListCount> bytes;
    for (int which = 1; which <= kListCount; ++which) bytes[static_cast<std::size_t>(which - 1)] = testing::slurp(store.pathOf(which));
    return bytes;
}

TEST(FailureInjection, SaveListFailingAtEveryByteLeavesTheFileAndTheStore) {
    for (int which = 1; which <= kListCount; ++which) {
        SCOPED_TRACE(std::string(listFileName(which)));
        testing::TempDir dir;
        testing::copyStarterLists(dir.path());
        FailingFileSystem files;
        ListStore store(dir.path(), files);
        store.InitilizeItemLists();
        // An edit that makes the list longer than its file, so every byte of the save is new.
        const DfType version = versionOfList(which);
        if (isItemList(which)) {
            for (std::int16_t id = 9000; id < 9040; ++id) store.editEntries(version).push_back({id, placeholderDescription(id)});
        } else {
            for (std::int16_t id = 1; id < 40; ++id) store.editSavedReplacements(version).push_back({static_cast<std::int16_t>(versionNumber(version)), id, static_cast<std::int16_t>(id + 1)});
        }
        const StoreSnapshot before(store);
        const auto descriptionsBefore = descriptionsOf(store);
        const auto filesBefore = listBytes(store);
        const fs::path target = store.pathOf(which);
        const std::size_t size = isItemList(which) ? encodeItemList(store.Entries(version)).size()
                                                   : encodeReplaceList(store.SavedReplacements(version)).size();
        ASSERT_GT(size, filesBefore[static_cast<std::size_t>(which - 1)].size());

        files.failAt = FailAt::Write;
        for (std::size_t n = 0; n < size; ++n) {
            files.bytesBeforeFailure = n;
            const std::string context = "a short write after " + std::to_string(n) + " of " + std::to_string(size) + " bytes";
            if (!failsNaming([&] { store.SaveList(which); }, target, context)) return;
            if (listBytes(store) != filesBefore) FAIL() << context << ": a list file was changed";
            if (!(StoreSnapshot(store) == before)) FAIL() << context << ": the store in memory changed";
            if (filesIn(dir.path()).size() != kListCount) FAIL() << context << ": a temporary file was left";
        }
        for (const OtherFailure& other : kOtherFailures) {
            files.failAt = other.at;
            files.error = other.error;
            failsNaming([&] { store.SaveList(which); }, target, other.name);
            EXPECT_EQ(listBytes(store), filesBefore) << other.name;
            EXPECT_TRUE(StoreSnapshot(store) == before) << other.name;
            EXPECT_EQ(filesIn(dir.path()).size(), static_cast<std::size_t>(kListCount)) << other.name;
        }
        EXPECT_TRUE(descriptionsOf(store) == descriptionsBefore);

        // A failed save changed nothing a later one trips on, and the store still loads the
        // files as they were.
        ListStore reloaded(dir.path());
        reloaded.InitilizeItemLists();
        files.failAt = FailAt::Nothing;
        store.SaveList(which);
        reloaded.reload();
        EXPECT_EQ(isItemList(which) ? reloaded.Entries(version).size() : reloaded.SavedReplacements(version).size(),
                  isItemList(which) ? before.entries[versionIndex(version)].size()
                                    : before.saved[versionIndex(version)].size());
    }
}

TEST(FailureInjection, RememberAndSaveFailingAtEveryByteKeepsTheSavedListAndTheFile) {
    testing::TempDir dir;
    testing::copyStarterLists(dir.path());
    FailingFileSystem files;
    ListStore store(dir.path(), files);
    store.InitilizeItemLists();
    const auto filesBefore = listBytes(store);
    const fs::path target = store.pathOf(replaceListOf(DfType::Df1));
    const std::vector<ReplaceEntry> savedBefore = store.SavedReplacements(DfType::Df1);
    std::vector<ReplaceEntry> runExpected = store.RunReplacements(DfType::Df1);
    const std::size_t size = filesBefore[static_cast<std::size_t>(replaceListOf(DfType::Df1) - 1)].size() + 6;

    files.failAt = FailAt::Write;
    for (std::size_t n = 0; n < size; ++n) {
        files.bytesBeforeFailure = n;
        const std::string context = "a short write after " + std::to_string(n) + " bytes";
        const auto id = static_cast<std::int16_t>(1000 + n);
        if (!failsNaming([&] { store.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, id, 2005); }, target, context)) return;
        runExpected.push_back({2, id, 2005});
        if (listBytes(store) != filesBefore) FAIL() << context << ": a list file was changed";
        if (store.SavedReplacements(DfType::Df1) != savedBefore) FAIL() << context << ": the saved list changed";
        // The choice still holds for the rest of the run, as "OK-A" would.
        if (store.RunReplacements(DfType::Df1) != runExpected) FAIL() << context << ": the run list is not as expected";
        if (store.LookupReplacement(DfType::Df1, DfType::Df2, id) != 2005) FAIL() << context << ": the choice is not remembered";
    }
    files.failAt = FailAt::Nothing;
    store.RememberAndSaveReplacement(DfType::Df1, DfType::Df2, 999, 2006);
    EXPECT_EQ(store.SavedReplacements(DfType::Df1).size(), savedBefore.size() + 1);
    EXPECT_EQ(filesIn(dir.path()).size(), static_cast<std::size_t>(kListCount));
}

TEST(FailureInjection, ListsImportFailingAtAnyStepLeavesAllSixFiles) {
    testing::TempDir dir;
    const fs::path lists = dir / "lists";
    const fs::path text = dir / "text";
    fs::create_directories(lists);
    fs::create_directories(text);
    testing::copyStarterLists(lists);
    ListStore store(lists);
    store.InitilizeItemLists();
    // Texts that differ from every list: one entry more each.
    for (int which = 1; which <= kListCount; ++which) {
        const DfType v = versionOfList(which);
        auto items = store.Entries(v);
        auto replacements = store.SavedReplacements(v);
        items.push_back({9999, "Imported"});
        replacements.push_back({2, 9999, 7});
        dir.write((fs::path("text") / textFileName(which)).string(),
                  isItemList(which) ? itemListToText(items, which) : replaceListToText(replacements, which));
    }
    const auto before = listBytes(store);
    const auto sixFiles = filesIn(lists);

    const struct {
        const char* name;
        FailAt at;
        std::size_t renamesToFail;  ///< after three renames that succeed
        int failing;                ///< the list the message names
    } steps[] = {
        {"create", FailAt::Create, 0, 1},
        {"write", FailAt::Write, 0, 1},
        {"permissions", FailAt::Permissions, 0, 1},
        {"flush to the disk", FailAt::Sync, 0, 1},
        {"the fourth of six renames", FailAt::Rename, 1, 4},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        FailingFileSystem files;
        files.failAt = step.at;
        files.renamesBeforeFailure = 3;
        files.renamesToFail = step.renamesToFail;
        if (!failsNaming([&] { importListTexts(text, lists, files); }, store.pathOf(step.failing), step.name)) continue;
        EXPECT_EQ(listBytes(store), before);
        EXPECT_EQ(filesIn(lists), sixFiles);
    }

    // Should the first three not go back either, each one's earlier bytes stay beside it, named.
    FailingFileSystem stuck;
    stuck.failAt = FailAt::Rename;
    stuck.renamesBeforeFailure = 3;
    try {
        importListTexts(text, lists, stuck);
        ADD_FAILURE() << "imported";
    } catch (const Error& error) {
        std::multiset<std::string> kept;
        for (const auto& name : filesIn(lists)) {
            if (name.find(".old-") == std::string::npos) continue;
            EXPECT_NE(error.detail().find(name), std::string::npos) << name << " is not named: " << error.detail();
            kept.insert(testing::slurp(lists / name));
        }
        EXPECT_EQ(kept, (std::multiset<std::string>{before[0], before[1], before[2]}));
        const auto now = listBytes(store);
        EXPECT_TRUE(std::equal(now.begin() + 3, now.end(), before.begin() + 3)) << "a list after the failing one changed";
    }
}

}  // namespace
}  // namespace vok
