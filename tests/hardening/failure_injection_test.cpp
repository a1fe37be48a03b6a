// A save that fails at any point leaves every earlier file as it was and no temporary file beside
// it, and reports an Error naming the file; the list store in memory stays as it was too, and an
// import of all six lists fails as a whole.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <map>

#include "lists/list_store.h"
#include "lists/list_text.h"
#include "mission/core/error.h"
#include "mission/mission_file.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"
#include "tests/support/temp_dir.h"
#include "workflow/messages.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using testing::FailingFileSystem;
using FailAt = FailingFileSystem::FailAt;

std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = testing::slurp(entry.path());
    return files;
}

/// A save that `files` makes fail.
struct Save {
    std::string name;
    fs::path target;    ///< the file its message names
    std::size_t bytes;  ///< written to the first new file
    std::function<void()> run;
    std::function<std::string()> held = [] { return std::string(); };  ///< what the program holds
};

/// Fails `save` after every byte (every `stride`th in the middle of a large file) and at every other
/// step, then lets it succeed.
void expectEveryFailureLeavesAll(const Save& save, FailingFileSystem& files, std::size_t stride) {
    SCOPED_TRACE(save.name);
    const auto before = filesIn(save.target.parent_path());
    const std::string held = save.held();
    const auto failsLeavingAll = [&](const std::string& context, const char* reason) {
        try {
            save.run();
            ADD_FAILURE() << context << ": saved";
            return false;
        } catch (const Error& error) {
            if (error.fault() != Fault::CannotWrite || error.path() != displayPath(save.target) ||
                error.detail().rfind(reason, 0) != 0 ||
                workflow::fileFailureText(error, workflow::Style::Window).find(save.target.filename().string()) ==
                    std::string::npos) {
                ADD_FAILURE() << context << ": " << error.what();
                return false;
            }
        }
        // Reported once: a file changed or left at one point would repeat at the next thousands.
        const char* fault = filesIn(save.target.parent_path()) != before
                                ? "a file changed, or a temporary file was left"
                            : save.held() != held ? "what the program holds changed"
                                                  : nullptr;
        if (fault) ADD_FAILURE() << context << ": " << fault;
        return fault == nullptr;
    };
    files.failAt = FailAt::Write;
    for (std::size_t n = 0; n < save.bytes; n += (n < 256 || n + 256 >= save.bytes) ? 1 : stride) {
        files.bytesBeforeFailure = n;
        const auto context =
            "a short write after " + std::to_string(n) + " of " + std::to_string(save.bytes) + " bytes";
        if (!failsLeavingAll(context, "")) return;
    }
    EXPECT_EQ(files.removed, files.created) << "every temporary file is removed";
    // clang-format off
    const std::tuple<const char*, FailAt, int, const char*> failures[] = {
        {"create", FailAt::Create, EACCES, "Permission denied"}, {"permissions", FailAt::Permissions, EPERM, "Operation not permitted"},
        {"flush", FailAt::Flush, EIO, "Input/output error"}, {"flush to the disk", FailAt::Sync, EIO, "Input/output error"},
        {"close", FailAt::Close, ENOSPC, "No space left on device"}, {"rename", FailAt::Rename, EXDEV, "Invalid cross-device link"}};
    // clang-format on
    for (const auto& [name, at, error, reason] : failures) {
        files.failAt = at;
        files.error = error;
        failsLeavingAll(name, reason);
    }
    // The failures left nothing a later save trips on.
    files.failAt = FailAt::Nothing;
    save.run();
    const auto after = filesIn(save.target.parent_path());
    EXPECT_NE(after, before);
    EXPECT_EQ(after.size(), before.size());
}

TEST(FailureInjection, AMissionSaveFailingAnywhereLeavesTheEarlierFile) {
    const testing::GeneratorOptions small{.maxItems = 12, .maxEvents = 4, .maxPerEvent = 3};
    const AnyMission missions[] = {testing::generateMission<Df1Mission>(1, small),
                                   testing::generateMission<Df2Mission>(2, small),
                                   testing::generateMission<Df3Mission>(3, small)};
    const Timestamp createdOn{2024, 5, 17, 5, 14, 3, 9};
    for (const AnyMission& mission : missions) {
        for (MissionForm form : {MissionForm::Binary, MissionForm::Ascii}) {
            testing::TempDir dir;
            const fs::path target = dir.write(form == MissionForm::Binary ? "m.bms" : "m.mis",
                                              std::string("an earlier mission\0\r\n", 21) + std::string(3000, '\x7f'));
            saveMission(dir / "size", mission, form, createdOn);
            const std::size_t size = fs::file_size(dir / "size");
            ASSERT_GT(size, 1000u);
            FailingFileSystem files;
            const auto save = [&] { saveMission(target, mission, form, createdOn, files); };
            // Every byte of the first, the first and last 256 and every 13th of the others.
            expectEveryFailureLeavesAll(
                {"DF" + std::to_string(mission.index() + 1) + " " + target.extension().string(), target, size, save},
                files, &mission == missions && form == MissionForm::Binary ? 1 : 13);
        }
    }
}

TEST(FailureInjection, AListChangeFailingAnywhereLeavesTheFilesAndTheStore) {
    for (int which = 1; which <= kListCount; ++which) {
        testing::TempDir dir;
        testing::copyStarterLists(dir.path());
        FailingFileSystem files;
        ListStore store(dir.path(), files), grown(dir.path());
        store.InitilizeItemLists();
        grown.InitilizeItemLists();
        // A change that makes the list longer than its file, so that every byte of the save is new.
        const DfType v = versionOfList(which);
        const auto grow = [&](ListStore& lists) {
            for (std::int16_t id = 9000; id < 9040; ++id) {
                if (isItemList(which)) lists.editEntries(v).push_back({id, placeholderDescription(id)});
                if (isReplaceList(which)) lists.editSavedReplacements(v).push_back({2, id, id});
            }
        };
        grow(grown);
        const std::size_t size = isItemList(which) ? encodeItemList(grown.Entries(v)).size()
                                                   : encodeReplaceList(grown.SavedReplacements(v)).size();
        const auto held = [&] {
            std::string all = store.ItemDescription(v, 9000) + (store.changedOnDisk() ? "changed on disk" : "");
            for (DfType x : kAllVersions)
                all += encodeItemList(store.Entries(x)) + encodeReplaceList(store.SavedReplacements(x)) +
                       encodeReplaceList(store.RunReplacements(x));
            return all;
        };
        const auto change = [&] { store.changeAndSaveList(which, [&] { grow(store); }); };
        expectEveryFailureLeavesAll({std::string(listFileName(which)), store.pathOf(which), size, change, held}, files,
                                    1);
    }
}

TEST(FailureInjection, ListsImportFailingAnywhereLeavesAllSixFiles) {
    testing::TempDir dir;
    const fs::path lists = dir / "lists", text = dir / "text";
    const auto freshLists = [&] {
        fs::remove_all(lists);
        fs::create_directories(lists);
        testing::copyStarterLists(lists);
    };
    freshLists();
    fs::create_directory(text);
    ListStore store(lists);
    store.InitilizeItemLists();
    for (int which = 1; which <= kListCount; ++which) {  // texts with one entry more than each list
        const DfType v = versionOfList(which);
        auto items = store.Entries(v);
        auto replacements = store.SavedReplacements(v);
        items.push_back({9999, "Imported"});
        replacements.push_back({2, 9999, 7});
        std::ofstream(text / textFileName(which), std::ios::binary)
            << (isItemList(which) ? itemListToText(items, which) : replaceListToText(replacements, which));
    }
    const auto before = filesIn(lists);

    // The fourth of six renames fails: the three replaced are put back. Should those fail too, each
    // one's earlier bytes stay beside it, named.
    for (const bool putBack : {true, false}) {
        freshLists();
        FailingFileSystem files;
        files.failAt = FailAt::Rename;
        files.renamesBeforeFailure = 3;
        files.renamesToFail = putBack ? 1 : 100;
        std::string message;
        try {
            importListTexts(text, lists, files);
        } catch (const Error& error) {
            message = error.path() + ": " + error.detail();
        }
        EXPECT_EQ(message.rfind(displayPath(store.pathOf(4)) + ": ", 0), 0u) << message;
        std::size_t kept = 0;
        for (const auto& [name, bytes] : filesIn(lists)) {
            if (name.find(".old-") != std::string::npos) {  // ".DF1Items.vok.old-1234abcd"
                ++kept;
                EXPECT_NE(message.find(name), std::string::npos) << name << " is not named";
                EXPECT_EQ(bytes, before.at(name.substr(1, name.find(".old-") - 1)));
            } else if (putBack || name.find("Replace") != std::string::npos) {
                EXPECT_EQ(bytes, before.at(name)) << name;
            }
        }
        EXPECT_EQ(kept, putBack ? 0u : 3u);
    }
    // Any other failure at the first file written: the copy of the earlier DF1Items.vok.
    freshLists();
    FailingFileSystem files;
    const auto import = [&] { importListTexts(text, lists, files); };
    expectEveryFailureLeavesAll({"import", store.pathOf(1), fs::file_size(store.pathOf(1)), import}, files, 1);
}

}  // namespace
}  // namespace vok
