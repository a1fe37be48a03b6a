#pragma once
// Whole-file reads and atomic writes. Every file the programs write goes through a FileSystem, the
// seam that tests replace to make a write fail at any point.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "mission/core/platform.h"

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
    /// Gives a file to `owner` (when it is not theirs); 0 or an errno value.
    virtual int setOwner(const std::filesystem::path& path, const platform::FileOwner& owner) {
        return platform::setOwner(path, owner);
    }
    /// Moves `from` over `to`, replacing it; 0 or an errno value (EBUSY: Windows will not replace a
    /// file that another program holds open).
    virtual int replace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    /// Flushes a folder's entries (a rename in it) to the disk; 0 or an errno value.
    virtual int syncFolder(const std::filesystem::path& folder) = 0;
    /// Removes a file; 0 (also when it is not there) or an errno value.
    virtual int remove(const std::filesystem::path& path) noexcept = 0;
};

/// The machine's own file system.
FileSystem& realFileSystem();

/// A save's temporary file beside its target that is older than this was left by a save that was
/// killed; the next save of that target removes it.
inline constexpr std::chrono::seconds kStaleTemporaryAge{60};

/// What a save keeps beside its target: the new file before it is renamed into place, and (for
/// writeFilesAtomically) a copy of the earlier file.
enum class SideFile { Temporary, Earlier };

/// The start of the names of the side files of `file`: ".vok-tmp-HHHHHHHHHHHHHHHH-" or
/// ".vok-old-HHHHHHHHHHHHHHHH-", H the hash of the file's name; eight random hexadecimal digits
/// follow. Short and fixed in length, so that a file of any name the file system allows can be saved.
std::filesystem::path::string_type sideFilePrefix(const std::filesystem::path& file, SideFile kind);
/// True for the name of a side file of `file` of that kind.
bool isSideFileOf(const std::filesystem::path& name, const std::filesystem::path& file, SideFile kind);

/// Writes `bytes` to a new file beside `target`, flushes it to the disk and closes it, then renames
/// it over `target` and flushes the folder, so that a crash at any moment leaves the earlier file
/// or the new one, whole. What the target was is kept: a symbolic link stays a link (the file it
/// names is replaced), and the new file gets the earlier file's owner and permission bits (a new
/// file those of any new file). Refused before anything is written: a target that is not a regular
/// file (a folder, a device, a FIFO, a socket), one whose owner may not write it (by its permission
/// bits, whoever runs the program) or that the running user may not write, and one whose owner
/// cannot be kept (a file of another user, saved by one who may not give files away). Stale
/// temporary files of the target are removed. On any failure the temporary file is removed, an
/// earlier file at `target` is left untouched, and Error(CannotWrite) names `target` and the reason.
///
/// The file is replaced, never written in place: other hard links to the earlier file keep the
/// earlier bytes.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileSystem& fileSystem = realFileSystem());

struct FileWrite {
    std::filesystem::path target;
    std::string bytes;
};

/// The files of one target of writeFilesAtomically once all are written beside their targets.
struct StagedFile {
    std::filesystem::path target;                  ///< the file replaced (every link followed)
    std::filesystem::path temporary;               ///< its new content
    std::optional<std::filesystem::path> earlier;  ///< a copy of its earlier content; none for a new file
};

/// Told of the renames of writeFilesAtomically, so that a record of them can outlive a kill.
struct RenameJournal {
    virtual ~RenameJournal() = default;
    /// Called once every file is written beside its target, before the first rename; a throw here
    /// ends the save with every target as it was.
    virtual void begin(const std::vector<StagedFile>& files) = 0;
    /// Called when every target is settled: all new, or all put back as they were. Not called when
    /// a target could not be put back (the record then says what is left to do).
    virtual void end() = 0;
};

/// Writes several files as one: each as writeFileAtomically would, but all new files (and a copy
/// of each earlier file) are written beside their targets first, and only then renamed into place
/// one after the other. When a rename fails, the files already replaced get their earlier content
/// back, so on any failure every target is as it was, and Error(CannotWrite) names the file that
/// failed. Should putting one back fail as well, its earlier content stays beside it in a side file
/// (SideFile::Earlier) and the message says so. A copy that cannot be removed after success is
/// Error(CannotWrite) naming it (the new files are in place).
void writeFilesAtomically(const std::vector<FileWrite>& files, FileSystem& fileSystem = realFileSystem(),
                          RenameJournal* journal = nullptr);

}  // namespace vok
