// A save keeps what its target was: a symbolic link stays a link and the file it names is
// replaced, the permission bits stay, a file its owner may not write is refused (by the bits, so
// root gets the same answer), and the temporary files of saves killed long ago are cleared away.

#include <gtest/gtest.h>

#include <sys/stat.h>

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
using testing::FailingFileSystem;
using FailAt = FailingFileSystem::FailAt;

const std::string kOld("old\0bytes\r\n", 11);
const std::string kNew = "the new file";

struct Entry {
    std::string content;  ///< the bytes, or "-> target" for a link
    fs::perms perms = fs::perms::none;
    bool operator==(const Entry&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Entry& entry) {
        return out << '"' << entry.content << "\" " << std::oct << static_cast<unsigned>(entry.perms) << std::dec;
    }
};

/// Everything of a folder a save could change: names, bytes, link targets, permission bits.
std::map<std::string, Entry> stateOf(const fs::path& folder) {
    std::map<std::string, Entry> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            state[name] = {"-> " + fs::read_symlink(entry.path()).string()};
        } else if (entry.is_regular_file()) {
            state[name] = {testing::slurp(entry.path()), entry.status().permissions()};
        }
    }
    return state;
}

fs::path writeFile(const fs::path& path, std::string_view bytes, fs::perms perms,
                   std::chrono::seconds age = std::chrono::seconds(0)) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    fs::permissions(path, perms);
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    return path;
}

fs::perms newFilePerms() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<fs::perms>(0666 & ~mask);
}

TEST(SaveTarget, ASaveKeepsWhatItsTargetWas) {
    using namespace std::chrono_literals;
    constexpr auto kPrivate = fs::perms::owner_read | fs::perms::owner_write;
    constexpr auto kShared = kPrivate | fs::perms::group_read | fs::perms::others_read;
    constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read;
    struct Case {
        const char* name;
        /// Prepares the folder and answers the path the save is given.
        std::function<fs::path(const fs::path&)> arrange;
        const char* file;  ///< the file the save replaces or creates, within the folder; null: refused
        std::set<std::string> cleared = {};  ///< files the save removes
        FailAt failAt = FailAt::Nothing;
    };
    const Case cases[] = {
        {"a symbolic link", [](const fs::path& d) {
             writeFile(d / "real" / "m.bms", kOld, kShared);
             fs::create_symlink(fs::path("real") / "m.bms", d / "m.bms");
             return d / "m.bms";
         }, "real/m.bms"},
        {"a link to a file not there yet", [](const fs::path& d) {
             fs::create_directory(d / "real");
             fs::create_symlink(d / "real" / "m.bms", d / "m.bms");
             return d / "m.bms";
         }, "real/m.bms"},
        {"mode 0600", [](const fs::path& d) { return writeFile(d / "m.bms", kOld, kPrivate); }, "m.bms"},
        {"a new file", [](const fs::path& d) { return d / "m.bms"; }, "m.bms"},
        {"read-only", [](const fs::path& d) { return writeFile(d / "m.bms", kOld, kReadOnly); }, nullptr},
        {"a link to a read-only file", [](const fs::path& d) {
             writeFile(d / "real" / "m.bms", kOld, kReadOnly);
             fs::create_symlink(d / "real" / "m.bms", d / "m.bms");
             return d / "m.bms";
         }, nullptr},
        {"stale temporaries", [](const fs::path& d) {
             writeFile(d / ".m.bms.tmp-0000abcd", "killed", kShared, 2min);
             writeFile(d / ".m.bms.tmp-1111abcd", "still being written", kShared, 10s);
             writeFile(d / ".x.bms.tmp-2222abcd", "another file's", kShared, 2min);
             writeFile(d / ".m.bms.tmp-old", "not a name a save gives", kShared, 2min);
             return writeFile(d / "m.bms", kOld, kShared);
         }, "m.bms", {".m.bms.tmp-0000abcd"}},
        // The new file is in place and whole either way: the save stands.
        {"a folder that cannot be flushed", [](const fs::path& d) { return writeFile(d / "m.bms", kOld, kShared); },
         "m.bms", {}, FailAt::SyncFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        const fs::path target = c.arrange(dir.path());
        const auto before = stateOf(dir.path());
        FailingFileSystem files;
        files.failAt = c.failAt;
        try {
            writeFileAtomically(target, kNew, files);
            EXPECT_NE(c.file, nullptr) << "saved";
        } catch (const Error& error) {
            EXPECT_EQ(c.file, nullptr) << error.what();
            EXPECT_EQ(error.fault(), Fault::CannotWrite);
            EXPECT_EQ(error.path(), displayPath(target));
            EXPECT_NE(error.detail().find("read-only"), std::string::npos) << error.detail();
        }
        // Exactly the one file has the new bytes and its earlier bits; nothing else changed, and
        // no temporary file is left.
        auto expected = before;
        if (c.file != nullptr) {
            const auto earlier = before.find(c.file);
            expected[c.file] = {kNew, earlier != before.end() ? earlier->second.perms : newFilePerms()};
        }
        for (const auto& name : c.cleared) expected.erase(name);
        EXPECT_EQ(stateOf(dir.path()), expected);
        EXPECT_EQ(files.created, c.file != nullptr ? 1u : 0u);
    }
}

}  // namespace
}  // namespace vok
