#pragma once
// Whole-file reads and atomic writes. Every file the programs write goes through a FileSystem, the
// seam that tests replace to make a write fail at any point.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vok {

/// A path as text for messages (UTF-8 on every platform).
std::string displayPath(const std::filesystem::path& path);

/// Reads a whole file in one go (or its first `limit` bytes). Throws Error(CannotOpen) naming the
/// file and the reason.
std::string readFile(const std::filesystem::path& path, std::size_t limit = static_cast<std::size_t>(-1));

class FileSystem {
public:
    virtual ~FileSystem() = default;

    class OutFile {
    public:
        virtual ~OutFile() = default;
        /// Each returns 0 on success or an errno value.
        virtual int write(std::string_view bytes) = 0;
        virtual int flush() = 0;
        /// Flushes the written bytes through to the disk (after flush).
        virtual int sync() = 0;
        virtual int close() = 0;
    };

    /// Creates a file that must not exist yet; null with `error` set when it cannot.
    virtual std::unique_ptr<OutFile> createNew(const std::filesystem::path& path, int& error) = 0;
    /// Gives a file the permission bits `perms`; 0 or an errno value.
    virtual int setPermissions(const std::filesystem::path& path, std::filesystem::perms perms) = 0;
    /// Moves `from` over `to`, replacing it; 0 or an errno value (EBUSY: Windows will not replace a
    /// file that another program holds open).
    virtual int replace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    /// Flushes a folder's entries (a rename in it) to the disk; 0 or an errno value.
    virtual int syncFolder(const std::filesystem::path& folder) = 0;
    virtual void remove(const std::filesystem::path& path) noexcept = 0;
};

/// The machine's own file system.
FileSystem& realFileSystem();

/// A save's temporary file ".NAME.tmp-xxxxxxxx" beside its target that is older than this was left
/// by a save that was killed; the next save of that target removes it.
inline constexpr std::chrono::seconds kStaleTemporaryAge{60};

/// Writes `bytes` to a new file beside `target`, flushes it to the disk and closes it, then renames
/// it over `target` and flushes the folder, so that a crash at any moment leaves the earlier file
/// or the new one, whole. What the target was is kept: a symbolic link stays a link (the file it
/// names is replaced), and the new file gets the earlier file's permission bits (a new file those
/// of any new file). A target whose owner may not write it (by its permission bits, whoever runs
/// the program) is refused before anything is written. Stale temporary files of the target are
/// removed. On any failure the temporary file is removed, an earlier file at `target` is left
/// untouched, and Error(CannotWrite) names `target` and the reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileSystem& fileSystem = realFileSystem());

struct FileWrite {
    std::filesystem::path target;
    std::string bytes;
};

/// Writes several files as one: each as writeFileAtomically would, but all new files (and a copy
/// of each earlier file) are written beside their targets first, and only then renamed into place
/// one after the other. When a rename fails, the files already replaced get their earlier content
/// back, so on any failure every target is as it was, and Error(CannotWrite) names the file that
/// failed. Should putting one back fail as well, its earlier content stays beside it as
/// ".NAME.old-xxxxxxxx" and the message says so.
void writeFilesAtomically(const std::vector<FileWrite>& files, FileSystem& fileSystem = realFileSystem());

}  // namespace vok
