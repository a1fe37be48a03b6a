// vok meets paths it cannot use: a read-only folder, a missing folder, a folder where a file
// should be, a file it may not read, a file that is not there. Each gives its own message naming
// the path and the reason, exit status 1 (the work failed), never 2 (a usage error), and no
// output file.
//
// Permission bits do not stop root. When the tests run as root, vok runs as the user "nobody"
// (uid 65534) in a folder given to that user; where that is not possible, the cases that need
// permissions are skipped and say so.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

struct Outcome {
    int status = -1;  ///< exit status; 125 when the user could not be changed
    std::string err;
};

Outcome runVok(const std::vector<std::string>& args, bool asNobody) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDERR_FILENO);
        if (!freopen("/dev/null", "w", stdout)) _exit(124);
        if (asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(125);
        const std::string program = std::string(VOK_PROGRAM_DIR) + "/vok";
        std::vector<char*> argv{const_cast<char*>("vok")};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(126);
    }
    close(pipeFds[1]);
    Outcome outcome;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) outcome.err.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

class VokFileErrors : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = geteuid() == 0;
        input_ = dir_ / "in.bms";
        fs::copy_file(fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms", input_);
        if (root_) {
            // Hand the folder to "nobody", so that permission bits apply to vok.
            giveToNobody(dir_.path());
            giveToNobody(input_);
        }
    }

    static void giveToNobody(const fs::path& path) { EXPECT_EQ(chown(path.c_str(), kNobody, kNobody), 0) << path; }

    fs::path folder(const char* name, fs::perms perms) {
        const fs::path path = dir_ / name;
        fs::create_directory(path);
        if (root_) giveToNobody(path);
        fs::permissions(path, perms);
        return path;
    }

    /// Whether root can run vok as "nobody" here.
    bool canBecomeNobody() {
        if (!nobodyTried_) {
            nobodyTried_ = true;
            nobodyWorks_ = runVok({"detect", input_.string()}, true).status != 125;
        }
        return nobodyWorks_;
    }

    /// Runs vok as this user, or under root as "nobody". A case that needs permission bits, run
    /// by root that cannot become "nobody", is not run (status 125).
    Outcome run(const std::vector<std::string>& args, bool needsPermissions) {
        if (!root_) return runVok(args, false);
        if (canBecomeNobody()) return runVok(args, true);
        if (needsPermissions) return {125, {}};
        return runVok(args, false);
    }

    void expectFailure(const Outcome& outcome, const fs::path& named, const std::string& reason,
                       const std::string& context) {
        EXPECT_EQ(outcome.status, 1) << context << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(named.string()), std::string::npos) << context << ": the message does not name "
                                                                       << named << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find(reason), std::string::npos) << context << ": the message does not say \"" << reason
                                                               << "\"\n" << outcome.err;
    }

    testing::TempDir dir_;
    fs::path input_;
    bool root_ = false;
    bool nobodyTried_ = false;
    bool nobodyWorks_ = false;
};

TEST_F(VokFileErrors, EachUnusablePathGivesItsOwnMessageAndExitOne) {
    const fs::path readOnly = folder("read-only", fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path folderIn = folder("folder.bms", fs::perms::owner_all);
    const fs::path folderOut = folder("folder.mis", fs::perms::owner_all);
    const fs::path writable = folder("out", fs::perms::owner_all);
    const fs::path unreadable = dir_ / "unreadable.bms";
    fs::copy_file(input_, unreadable);
    if (root_) giveToNobody(unreadable);
    fs::permissions(unreadable, fs::perms::none);

    struct Case {
        std::string name;
        std::vector<std::string> args;
        fs::path named;
        std::string reason;
        bool needsPermissions;
        fs::path mustNotExist;
    };
    const std::string in = input_.string();
    const std::vector<Case> cases = {
        {"output in a read-only folder", {"convert", in, (readOnly / "out.mis").string()}, readOnly / "out.mis",
         "Permission denied", true, readOnly / "out.mis"},
        {"output in a missing folder", {"convert", in, (dir_ / "missing" / "out.mis").string()},
         dir_ / "missing" / "out.mis", "No such file or directory", false, dir_ / "missing"},
        {"output path is a folder", {"convert", in, folderOut.string()}, folderOut, "it is a folder, not a file", false, {}},
        {"input path is a folder", {"convert", folderIn.string(), (writable / "a.mis").string(), "--from", "df2"},
         folderIn, "it is a folder, not a file", false, writable / "a.mis"},
        {"input without read permission", {"convert", unreadable.string(), (writable / "b.mis").string(), "--from", "df2"},
         unreadable, "Permission denied", true, writable / "b.mis"},
        {"input without read permission, version recognised", {"convert", unreadable.string(), (writable / "c.mis").string()},
         unreadable, "Permission denied", true, writable / "c.mis"},
        {"input that is not there", {"convert", (dir_ / "absent.bms").string(), (writable / "d.mis").string()},
         dir_ / "absent.bms", "No such file or directory", false, writable / "d.mis"},
        {"info of a file without read permission", {"info", unreadable.string()}, unreadable, "Permission denied", true, {}},
        {"detect of a file without read permission", {"detect", unreadable.string()}, unreadable, "Permission denied", true, {}},
        {"info of a folder", {"info", folderIn.string()}, folderIn, "it is a folder, not a file", false, {}},
        {"detect of a folder", {"detect", folderIn.string()}, folderIn, "it is a folder, not a file", false, {}},
    };

    std::size_t skippedCases = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = run(c.args, c.needsPermissions);
        if (outcome.status == 125) {
            ++skippedCases;
            continue;
        }
        expectFailure(outcome, c.named, c.reason, c.name);
        if (!c.mustNotExist.empty()) {
            EXPECT_FALSE(fs::exists(c.mustNotExist)) << c.name << ": an output was created";
        }
    }
    // Only the temporary folders, the input and nothing else: no stray temporary file either.
    for (const fs::path& folderPath : {readOnly, writable}) {
        fs::permissions(folderPath, fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(folderPath)) << folderPath;
    }
    // The same command succeeds where nothing stands in its way, as the same user.
    const Outcome fine = run({"convert", in, (writable / "fine.mis").string()}, false);
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_TRUE(fs::exists(writable / "fine.mis"));
    if (skippedCases > 0) {
        GTEST_SKIP() << "running as root without a way to become \"nobody\": permission bits do not stop root, so the "
                     << skippedCases << " cases that need them were not run";
    }
}

}  // namespace
}  // namespace vok
