// A save keeps what its target was: a symbolic link stays a link and the file it names is
// replaced, the owner and the permission bits stay, a file its owner may not write is refused (by
// the bits, so root gets the same answer), so is what is no regular file (a FIFO, a device), a
// name of any length the file system allows is saved, and the temporary files of saves killed long
// ago are cleared away.
// A save killed at any step leaves the earlier file or the whole new one, never a mixture.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "mission/core/error.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FailingFileSystem;
using FailAt = FailingFileSystem::FailAt;

const std::string kOld("old\0bytes\r\n", 11);
const std::string kNew = "the new file";

/// Every file of a folder a save could change: its bytes (or "-> target" for a link) and bits.
std::map<std::string, std::pair<std::string, fs::perms>> stateOf(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, fs::perms>> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) state[name] = {"-> " + fs::read_symlink(entry.path()).string(), fs::perms::none};
        if (!entry.is_symlink() && entry.is_regular_file())
            state[name] = {testing::slurp(entry.path()), entry.status().permissions()};
    }
    return state;
}

fs::path writeFile(const fs::path& path, std::string_view bytes, fs::perms perms, std::chrono::seconds age = 0s) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    fs::permissions(path, perms);
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    return path;
}

TEST(SaveTarget, ASaveKeepsWhatItsTargetWas) {
    constexpr auto kPrivate = fs::perms::owner_read | fs::perms::owner_write;
    constexpr auto kShared = kPrivate | fs::perms::group_read | fs::perms::others_read;
    constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto newFilePerms = static_cast<fs::perms>(0666 & ~mask);
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path&)> arrange;  ///< prepares the folder; the path saved to
        const char* file;  ///< the file the save replaces or creates, within the folder; null: refused
        std::set<std::string> cleared = {};  ///< files the save removes
        FailAt failAt = FailAt::Nothing;
        const char* refusal = "read-only";  ///< in the message of a refused save
    };
    const auto link = [&](const fs::path& d, fs::perms perms) {
        if (perms != fs::perms::none) writeFile(d / "real" / "m.bms", kOld, perms);
        fs::create_directories(d / "real");
        fs::create_symlink(perms == kShared ? fs::path("real") / "m.bms" : d / "real" / "m.bms", d / "m.bms");
        return d / "m.bms";
    };
    const auto file = [](fs::perms perms) {
        return [perms](const fs::path& d) { return writeFile(d / "m.bms", kOld, perms); };
    };
    const auto fifo = [](const fs::path& d) {
        EXPECT_EQ(::mkfifo((d / "m.bms").c_str(), 0644), 0);
        return d / "m.bms";
    };
    const auto stale = [](const fs::path& d, const char* of, const char* suffix) {
        return fs::path(sideFilePrefix(d / of, SideFile::Temporary)).string() + suffix;
    };
    const bool root = ::geteuid() == 0;
    // Root gives a file to "nobody"; the save must give the new one back.
    const auto othersFile = [&](const fs::path& d) {
        const fs::path path = file(kShared)(d);
        EXPECT_TRUE(!root || ::chown(path.c_str(), 65534, 65534) == 0);
        return path;
    };
    constexpr const char* kNotRegular = "not a regular file";
    static const std::string kLongName = std::string(251, 'n') + ".bms";
    // clang-format off
    const Case cases[] = {
        {"a symbolic link", [&](const fs::path& d) { return link(d, kShared); }, "real/m.bms"},
        {"a link to a file not there yet", [&](const fs::path& d) { return link(d, fs::perms::none); }, "real/m.bms"},
        {"mode 0600", file(kPrivate), "m.bms"},
        {"a new file", [](const fs::path& d) { return d / "m.bms"; }, "m.bms"},
        {"read-only", file(kReadOnly), nullptr},
        {"a link to a read-only file", [&](const fs::path& d) { return link(d, kReadOnly); }, nullptr},
        {"stale temporaries", [&](const fs::path& d) {
             writeFile(d / stale(d, "m.bms", "0000abcd"), "killed", kShared, 70s);
             writeFile(d / stale(d, "m.bms", "1111abcd"), "still being written", kShared, 50s);
             writeFile(d / stale(d, "x.bms", "2222abcd"), "another file's", kShared, 2min);
             writeFile(d / stale(d, "m.bms", "old"), "not a name a save gives", kShared, 2min);
             return file(kShared)(d);
         }, "m.bms", {stale({}, "m.bms", "0000abcd")}},
        // A name as long as the file system allows: the temporary's name is short whatever it is.
        {"a name of 255 bytes", [](const fs::path& d) { return d / (std::string(251, 'n') + ".bms"); },
         kLongName.c_str()},
        {"a FIFO", fifo, nullptr, {}, FailAt::Nothing, kNotRegular},
        {"a link to a FIFO", [&](const fs::path& d) {
             fifo(d);
             fs::create_symlink(d / "m.bms", d / "link.bms");
             return d / "link.bms";
         }, nullptr, {}, FailAt::Nothing, kNotRegular},
        {"a device (made where only root may)", [&](const fs::path& d) {
             EXPECT_TRUE(!root || ::mknod((d / "m.bms").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0);
             return root ? d / "m.bms" : fifo(d);
         }, nullptr, {}, FailAt::Nothing, kNotRegular},
        {"another user's file", othersFile, "m.bms"},
        {"another user's file, given back where that is not allowed", othersFile, nullptr, {}, FailAt::Owner,
         "belongs to another user"},
        // The new file is in place and whole either way: the save stands.
        {"a folder that cannot be flushed", file(kShared), "m.bms", {}, FailAt::SyncFolder},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        const fs::path target = c.arrange(dir.path());
        const auto before = stateOf(dir.path());
        FailingFileSystem files;
        files.failAt = c.failAt;
        files.error = c.failAt == FailAt::Owner ? EPERM : ENOSPC;
        const auto owner = c.file != nullptr ? platform::ownerOf(dir / c.file) : std::nullopt;
        try {
            writeFileAtomically(target, kNew, files);
            EXPECT_NE(c.file, nullptr) << "saved";
        } catch (const Error& error) {
            EXPECT_EQ(c.file, nullptr) << error.what();
            EXPECT_EQ(error.fault(), Fault::CannotWrite);
            EXPECT_EQ(error.path(), displayPath(target));
            EXPECT_NE(error.detail().find(c.refusal), std::string::npos) << error.detail();
        }
        EXPECT_TRUE(!owner || platform::ownerOf(dir / c.file) == owner) << "the owner stays";
        // Exactly the one file has the new bytes and its earlier bits; nothing else changed, and
        // no temporary file is left.
        auto expected = before;
        if (c.file != nullptr) {
            const auto earlier = before.find(c.file);
            expected[c.file] = {kNew, earlier != before.end() ? earlier->second.second : newFilePerms};
        }
        for (const auto& name : c.cleared) expected.erase(name);
        EXPECT_EQ(stateOf(dir.path()), expected);
        EXPECT_EQ(files.created, c.file != nullptr || c.failAt == FailAt::Owner ? 1u : 0u);
    }
}

// Killed (SIGKILL, so nothing of the program runs after it) at each step of the save, the target
// is the earlier file until the new one has taken its place.
TEST(SaveTarget, ASaveKilledAtAnyStepLeavesTheEarlierFileOrTheWholeNewOne) {
    const std::string large(100000, 'n');
    // clang-format off
    const std::pair<FailAt, std::size_t> steps[] = {
        {FailAt::Create, 0}, {FailAt::Permissions, 0}, {FailAt::Write, 0}, {FailAt::Write, 65536},
        {FailAt::Write, large.size() - 1}, {FailAt::Flush, 0}, {FailAt::Sync, 0}, {FailAt::Close, 0},
        {FailAt::Rename, 0}, {FailAt::SyncFolder, 0}};
    // clang-format on
    testing::TempDir dir;
    const fs::path target = writeFile(dir / "m.bms", kOld, fs::perms::owner_read | fs::perms::owner_write);
    for (const auto& [at, bytes] : steps) {
        const pid_t child = fork();
        if (child == 0) {
            FailingFileSystem files;
            files.failAt = at;
            files.bytesBeforeFailure = bytes;
            files.atFailure = [] { ::kill(::getpid(), SIGKILL); };
            try {
                writeFileAtomically(target, large, files);
            } catch (...) {
            }
            _exit(3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the save was not killed: " << status;
        EXPECT_TRUE(testing::slurp(target) == (at == FailAt::SyncFolder ? large : kOld)) << static_cast<int>(at);
        // A later save succeeds whatever the kill left (a temporary file, until it is stale).
        writeFileAtomically(target, kOld);
        EXPECT_EQ(testing::slurp(target), kOld);
    }
}

}  // namespace
}  // namespace vok
