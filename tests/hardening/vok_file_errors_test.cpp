// vok meets paths it cannot use: a read-only folder, a missing folder, a folder where a file
// should be, a file it may not read, a file that is not there. Each gives its own message naming
// the path and the reason, exit status 1 (the work failed), never 2 (a usage error), and no
// output file.
//
// Permission bits do not stop root. When the tests run as root, vok runs as the user "nobody"
// (uid 65534) in a folder given to that user; where that is not possible, the cases that need
// permissions are skipped and say so.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

/// vok's exit status (125: it could not be run as "nobody") and error output.
std::pair<int, std::string> runVok(const std::vector<std::string>& args, bool asNobody) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {-1, "no pipe"};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDERR_FILENO);
        if (!freopen("/dev/null", "w", stdout)) _exit(124);
        if (asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(125);
        const std::string program = std::string(VOK_PROGRAM_DIR) + "/vok";
        std::vector<char*> argv{const_cast<char*>("vok")};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(126);
    }
    close(pipeFds[1]);
    std::string err;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        err.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
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
    const fs::path folderIn = folder("folder.bms", fs::perms::owner_all);
    const fs::path folderOut = folder("folder.mis", fs::perms::owner_all);
    const fs::path out = folder("out", fs::perms::owner_all);
    const bool asNobody = root && runVok({"detect", input.string()}, true).first != 125;

    const std::string in = input.string(), isFolder = "it is a folder, not a file";
    const std::string denied = "Permission denied", missing = "No such file or directory";
    const struct {
        std::vector<std::string> args;
        fs::path named;
        std::string reason;
        bool needsPermissions;
        fs::path notWritten;
    } cases[] = {
        {{"convert", in, (readOnly / "o.mis").string()},
         readOnly / "o.mis",
         denied,
         true,
         readOnly / "o.mis"},
        {{"convert", in, (dir / "missing" / "o.mis").string()},
         dir / "missing" / "o.mis",
         missing,
         false,
         dir / "missing"},
        {{"convert", in, folderOut.string()}, folderOut, isFolder, false, {}},
        {{"convert", folderIn.string(), (out / "a.mis").string(), "--from", "df2"},
         folderIn,
         isFolder,
         false,
         out / "a.mis"},
        {{"convert", unreadable.string(), (out / "b.mis").string(), "--from", "df2"},
         unreadable,
         denied,
         true,
         out / "b.mis"},
        {{"convert", unreadable.string(), (out / "c.mis").string()}, unreadable, denied, true, out / "c.mis"},
        {{"convert", (dir / "absent.bms").string(), (out / "d.mis").string()},
         dir / "absent.bms",
         missing,
         false,
         out / "d.mis"},
        {{"info", unreadable.string()}, unreadable, denied, true, {}},
        {{"detect", unreadable.string()}, unreadable, denied, true, {}},
        {{"info", folderIn.string()}, folderIn, isFolder, false, {}},
        {{"detect", folderIn.string()}, folderIn, isFolder, false, {}},
    };
    std::size_t skipped = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.named.string());
        if (root && !asNobody && c.needsPermissions) {
            ++skipped;
            continue;
        }
        const auto [status, err] = runVok(c.args, asNobody);
        EXPECT_EQ(status, 1) << err;
        EXPECT_NE(err.find(c.named.string()), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_TRUE(c.notWritten.empty() || !fs::exists(c.notWritten)) << "an output was created";
    }
    // No stray temporary file either; and the same command succeeds where nothing stands in its way.
    fs::permissions(readOnly, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(readOnly) && fs::is_empty(out));
    EXPECT_EQ(runVok({"convert", in, (out / "fine.mis").string()}, asNobody).first, 0);
    EXPECT_TRUE(fs::exists(out / "fine.mis"));
    if (skipped > 0) {
        GTEST_SKIP()
            << "running as root without a way to become \"nobody\": permission bits do not stop root, so the "
            << skipped << " cases that need them were not run";
    }
}

}  // namespace
}  // namespace vok
