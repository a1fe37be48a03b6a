#include "lists/list_lock.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <utility>

#include "mission/core/error.h"
#include "mission/core/file_io.h"
#include "mission/core/platform.h"

namespace vok {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::mt19937_64& randomSource() {
    static thread_local std::mt19937_64 source = [] {
        std::random_device device;
        const auto now = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
        return std::mt19937_64(seed);
    }();
    return source;
}

std::string newToken(const std::string& owner) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(randomSource()()));
    // The owner's name is the first word: keep it one printable word.
    std::string name;
    for (const char c : owner.substr(0, 64)) name += (c > ' ' && c < 127) ? c : '_';
    if (name.empty()) name = "vok";
    return name + " " + digits + "\n";
}

/// The lock file's text, or nullopt when it cannot be read (gone already, for instance).
std::optional<std::string> contentOf(const fs::path& path) {
    try {
        return readFile(path);  // leaves the holder free to remove the file meanwhile, on Windows too
    } catch (const Error&) {
        return std::nullopt;
    }
}

/// Who holds the lock, as its file says ("Vok_Tally"); empty when it does not say.
std::string holderOf(const fs::path& path) {
    const auto text = contentOf(path);
    if (!text) return {};
    std::string name;
    for (const char c : *text) {
        if (c <= ' ' || c >= 127 || name.size() >= 64) break;
        name += c;
    }
    return name;
}

struct LockFileState {
    fs::file_time_type modified;
    std::string content;
    bool operator==(const LockFileState&) const = default;
};

std::optional<LockFileState> stateOf(const fs::path& path) {
    std::error_code ec;
    const auto modified = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    auto content = contentOf(path);
    if (!content) return std::nullopt;
    return LockFileState{modified, std::move(*content)};
}

bool olderThan(const LockFileState& state, std::chrono::milliseconds age) {
    // A time in the future (another machine's clock on a shared folder) does not count as old.
    return fs::file_time_type::clock::now() - state.modified > age;
}

/// Removes a lock file left behind by a killed program. The file is looked at twice, and removed
/// only when it is still the same old file: a waiter that took it over a moment earlier has
/// made a new one, which must stay. True when the old file was removed.
bool takeOverStale(const fs::path& path, const LockFileState& seen, std::chrono::milliseconds staleAfter) {
    const auto again = stateOf(path);
    if (!again || !(*again == seen) || !olderThan(*again, staleAfter)) return false;
    std::error_code ec;
    return fs::remove(path, ec);
}

}  // namespace

fs::path ListFolderLock::pathIn(const fs::path& folder) { return folder / std::string(kListLockFileName); }

ListFolderLock::ListFolderLock(fs::path folder, ListLockOptions options)
    : path_(pathIn(folder)), fileSystem_(options.fileSystem != nullptr ? options.fileSystem : &realFileSystem()) {
    const std::string token = newToken(options.owner);
    const auto deadline = Clock::now() + options.wait;
    std::uniform_int_distribution<long long> jitter(0, options.retry.count());
    for (;;) {
        errno = 0;
        // Created exclusively: whoever creates the file holds the lock.
        if (std::FILE* file = platform::createNewFile(path_)) {
            const bool written = std::fwrite(token.data(), 1, token.size(), file) == token.size();
            const bool closed = std::fclose(file) == 0;
            if (!written || !closed) {
                const int error = errno != 0 ? errno : EIO;
                std::error_code ec;
                fs::remove(path_, ec);
                throw Error(Fault::CannotWrite, displayPath(path_), systemErrorText(error));
            }
            token_ = token;
            held_ = true;
            return;
        }
        const int error = errno != 0 ? errno : EIO;
        std::error_code ec;
        const bool exists = fs::exists(path_, ec);
        // Windows refuses a file that is being deleted with "permission denied": that is a
        // lock on its way out, not a folder that cannot be written.
        if (error != EEXIST && !(exists && isNotWritableError(error))) {
            std::string detail = systemErrorText(error);
            if (isNotWritableError(error)) detail += "; " + unwritableListFolderAdvice(folder);
            throw Error(Fault::CannotWrite, displayPath(path_), detail);
        }

        if (const auto state = stateOf(path_); state && olderThan(*state, options.staleAfter)) {
            if (takeOverStale(path_, *state, options.staleAfter)) {
                continue;  // try again at once; another waiter may still be quicker
            }
        }
        if (Clock::now() >= deadline) {
            const std::string holder = holderOf(path_);
            throw Error(Fault::Locked, displayPath(folder),
                        (holder.empty() ? std::string("another program") : holder) + " holds " +
                            std::string(kListLockFileName) + " (waited " + std::to_string(options.wait.count()) +
                            " ms); try again in a moment");
        }
        std::this_thread::sleep_for(options.retry + std::chrono::milliseconds(jitter(randomSource())));
    }
}

ListFolderLock::ListFolderLock(ListFolderLock&& other) noexcept
    : path_(std::move(other.path_)),
      token_(std::move(other.token_)),
      fileSystem_(other.fileSystem_),
      held_(std::exchange(other.held_, false)) {}

ListFolderLock::~ListFolderLock() { release(); }

int ListFolderLock::removeOwnFile() const {
    // Remove only our own file: after a stall beyond the stale age another program may have taken
    // the lock over, and its file must stay.
    const auto content = contentOf(path_);
    return content && *content == token_ ? fileSystem_->remove(path_) : 0;
}

void ListFolderLock::release() noexcept {
    if (!held_) return;
    held_ = false;
    try {
        (void)removeOwnFile();
    } catch (...) {
        // Releasing must not throw; a file left behind goes stale and is taken over.
    }
}

void ListFolderLock::unlock() {
    if (!held_) return;
    held_ = false;
    if (const int error = removeOwnFile(); error != 0) {
        throw Error(Fault::CannotWrite, displayPath(path_),
                    "the lock could not be removed (" + systemErrorText(error) +
                        "); the other programs take it over once it is stale");
    }
}

bool isNotWritableError(int errnoValue) { return errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS; }

std::string unwritableListFolderAdvice(const fs::path& folder) {
    return "the folder " + displayPath(folder) +
           " cannot be written here (the programs are installed for all users). To work on the lists, copy "
           "the "
           "six .vok files of that folder together with the programs into a folder of your own (or unpack "
           "the "
           "portable archive there) and start the programs from there, or use vok --lists DIR with a copy of "
           "the "
           "lists";
}

}  // namespace vok
