#pragma once
// The advisory lock of a list folder. The converter, the list editor and the vok tool may change
// the same list files; each takes this lock for one read-modify-write of a list (read the file as
// it is now, change it, write it back), so two programs can never interleave and lose an update.
//
// The lock is a file beside the lists, ".vok-lists.lock", created exclusively: whoever creates it
// holds the lock, and removes it when done. It exists only while a list is being changed (a few
// milliseconds). A program that cannot create it waits and retries; one that still cannot after
// `wait` gives up with Error(Locked) naming the folder. A program killed while holding the lock
// leaves the file behind: a lock file older than `staleAfter` is taken to be such a leftover and
// is taken over, so a crash never blocks the lists for good.
//
// Standard library only, so it builds unchanged on every platform.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "mission/core/file_io.h"

namespace vok {

inline constexpr std::string_view kListLockFileName = ".vok-lists.lock";

struct ListLockOptions {
    /// How long to wait for a lock that another program holds. The lock is held for one
    /// read-modify-write of a small file, normally a few milliseconds; five seconds rides out a
    /// busy disk without leaving a user waiting on a program that has hung.
    std::chrono::milliseconds wait{5000};
    /// Pause between two attempts (a little is added at random so two waiters do not keep step).
    std::chrono::milliseconds retry{20};
    /// Age (by its modification time) from which a lock file counts as left behind by a program
    /// that was killed. Thirty seconds is thousands of times the longest normal hold, so a live
    /// holder is never robbed even on a machine that stalls for a while, and it is short enough
    /// that a user who meets a leftover lock can simply try again half a minute later.
    std::chrono::milliseconds staleAfter{30000};
    /// Written into the lock file, so that a waiting program can say who holds the lock.
    std::string owner = "vok";
    /// Removes the lock file when it is released (the machine's own file system when null).
    FileSystem* fileSystem = nullptr;
};

class ListFolderLock {
public:
    /// Takes the lock of `folder`. Throws Error(Locked) naming the folder when another program
    /// holds it for longer than `options.wait`, and Error(CannotWrite) naming the lock file when
    /// the lock file cannot be created at all (a folder that cannot be written, for instance).
    explicit ListFolderLock(std::filesystem::path folder, ListLockOptions options = {});
    /// Releases the lock: removes the lock file, unless another program has taken it over as
    /// stale meanwhile (then the file is theirs and stays).
    ~ListFolderLock();

    ListFolderLock(ListFolderLock&& other) noexcept;
    ListFolderLock& operator=(ListFolderLock&&) = delete;
    ListFolderLock(const ListFolderLock&) = delete;
    ListFolderLock& operator=(const ListFolderLock&) = delete;

    /// Releases the lock now (the destructor then does nothing); a lock file that cannot be
    /// removed is left to go stale.
    void release() noexcept;
    /// Releases the lock now, as the end of a change that succeeded: a lock file that cannot be
    /// removed is Error(CannotWrite) naming it (the change itself stands).
    void unlock();

    const std::filesystem::path& path() const { return path_; }

    /// The lock file of a list folder.
    static std::filesystem::path pathIn(const std::filesystem::path& folder);

private:
    std::filesystem::path path_;
    std::string token_;  ///< what this holder wrote into the lock file
    FileSystem* fileSystem_ = nullptr;
    bool held_ = false;

    /// Removes the lock file when it is still this holder's; 0 or an errno value.
    int removeOwnFile() const;
};

/// The advice given when a list folder cannot be written (the programs installed system-wide):
/// where the user can copy the lists to work on them.
std::string unwritableListFolderAdvice(const std::filesystem::path& folder);

/// True for the system error numbers that mean "this folder may not be written here" (permission
/// denied, operation not permitted, read-only file system).
bool isNotWritableError(int errnoValue);

}  // namespace vok
