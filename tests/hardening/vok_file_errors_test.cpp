// vok meets paths it cannot use: each gives its own message naming the path and the reason, exit
// status 1 (the work failed), never 2 (a usage error), and no output file. Permission bits do not
// stop root: as root, vok runs as "nobody" (through setpriv) in a folder given to that user, or the
// cases that need permissions are skipped, saying so.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

/// vok's exit status and error output; as "nobody" through setpriv.
testing::ProgramOutput runVok(std::vector<std::string> args, bool asNobody) {
    const std::string vok = std::string(VOK_PROGRAM_DIR) + "/vok";
    if (asNobody) args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", vok});
    return testing::runProgram(asNobody ? "/usr/bin/setpriv" : vok, args);
}

TEST(VokFileErrors, EachUnusablePathGivesItsOwnMessageAndExitOne) {
    testing::TempDir dir;
    const bool root = geteuid() == 0;
    // Under root the folder and its files go to "nobody", so that permission bits apply to vok.
    const auto own = [&](const fs::path& path, fs::perms perms) {
        EXPECT_TRUE(!root || chown(path.c_str(), kNobody, kNobody) == 0) << path;
        fs::permissions(path, perms);
        return path;
    };
    const auto folder = [&](const char* name, fs::perms perms) {
        fs::create_directory(dir / name);
        return own(dir / name, perms);
    };
    own(dir.path(), fs::perms::owner_all);
    const fs::path input = dir / "in.bms", unreadable = dir / "unreadable.bms";
    fs::copy_file(fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms", input);
    fs::copy_file(input, unreadable);
    own(input, fs::perms::owner_read | fs::perms::owner_write);
    own(unreadable, fs::perms::none);
    const fs::path readOnly = folder("read-only", fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path folderIn = folder("folder.bms", fs::perms::owner_all),
                   folderOut = folder("folder.mis", fs::perms::owner_all), out = folder("out", fs::perms::owner_all);
    const bool asNobody = root && runVok({"detect", input.string()}, true).code == 0;
    // Root's files in a folder "nobody" may write (no sticky bit): one "nobody" may not write, one it
    // may write but cannot give back to root.
    const fs::path shared = folder("shared", fs::perms::all), rootsFile = shared / "roots.mis",
                   rootsShared = shared / "shared.mis";
    std::ofstream(rootsFile) << "root's";
    std::ofstream(rootsShared) << "root's";
    fs::permissions(rootsFile,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(rootsShared,
                    fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));

    const std::string in = input.string(), isFolder = "it is a folder, not a file";
    const std::string denied = "Permission denied", missing = "No such file or directory";
    const fs::path absent = dir / "absent.bms", missingFolder = dir / "missing";
    const struct {
        std::vector<std::string> args;
        fs::path named;
        std::string reason;
        bool needsPermissions;
        fs::path notWritten;
    } cases[] = {
        // clang-format off
        {{"convert", in, (readOnly / "o.mis").string()}, readOnly / "o.mis", denied, true, readOnly / "o.mis"},
        {{"convert", in, (missingFolder / "o.mis").string()}, missingFolder / "o.mis", missing, false, missingFolder},
        {{"convert", in, folderOut.string()}, folderOut, isFolder, false, {}},
        {{"convert", folderIn.string(), (out / "a.mis").string(), "--from", "df2"}, folderIn, isFolder, false, out / "a.mis"},
        {{"convert", unreadable.string(), (out / "b.mis").string(), "--from", "df2"}, unreadable, denied, true, out / "b.mis"},
        {{"convert", unreadable.string(), (out / "c.mis").string()}, unreadable, denied, true, out / "c.mis"},
        {{"convert", absent.string(), (out / "d.mis").string()}, absent, missing, false, out / "d.mis"},
        {{"info", unreadable.string()}, unreadable, denied, true, {}},
        {{"detect", unreadable.string()}, unreadable, denied, true, {}},
        {{"info", folderIn.string()}, folderIn, isFolder, false, {}},
        {{"detect", folderIn.string()}, folderIn, isFolder, false, {}},
        {{"convert", in, rootsFile.string()}, rootsFile, "read-only", true, {}},
        {{"convert", in, rootsShared.string()}, rootsShared, "belongs to another user", true, {}},
        // clang-format on
    };
    std::size_t skipped = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.named.string());
        // Root's files need vok run as another user.
        const bool skip = (root && !asNobody && c.needsPermissions) || (!asNobody && c.named.parent_path() == shared);
        skipped += skip;
        if (skip) continue;
        const auto [status, stdOut, err] = runVok(c.args, asNobody);
        EXPECT_EQ(status, 1) << err;
        EXPECT_NE(err.find(c.named.string()), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_TRUE(c.notWritten.empty() || !fs::exists(c.notWritten)) << "an output was created";
    }
    // Root's two files are as they were.
    EXPECT_EQ(testing::slurp(rootsFile) + testing::slurp(rootsShared), "root'sroot's");
    // No stray temporary file either; and the same command succeeds where nothing stands in its way.
    fs::permissions(readOnly, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(readOnly) && fs::is_empty(out));
    EXPECT_EQ(runVok({"convert", in, (out / "fine.mis").string()}, asNobody).code, 0);
    EXPECT_TRUE(fs::exists(out / "fine.mis"));
    if (skipped > 0)
        GTEST_SKIP() << "as root, not as \"nobody\": the " << skipped << " cases that need permissions did not run";
}

}  // namespace
}  // namespace vok
