#pragma once
// A file system that fails on purpose: after a number of bytes written, on flush, on the flush to
// the disk, on close, on setting the permission bits, on a rename or on flushing the folder.
// Everything else goes to the real file system.

#include <cerrno>
#include <cstddef>
#include <limits>
#include <memory>

#include "mission/core/file_io.h"

namespace vok::testing {

class FailingFileSystem : public FileSystem {
public:
    enum class FailAt { Nothing, Create, Write, Flush, Sync, Close, Permissions, Rename, SyncFolder };

    FailAt failAt = FailAt::Nothing;
    std::size_t bytesBeforeFailure = 0;  ///< with FailAt::Write: a short write after this many bytes
    /// With FailAt::Rename: this many renames succeed first, then the next `renamesToFail` fail
    /// (all of them by default) and any after those succeed again.
    std::size_t renamesBeforeFailure = 0;
    std::size_t renamesToFail = std::numeric_limits<std::size_t>::max();
    int error = ENOSPC;

    std::unique_ptr<OutFile> createNew(const std::filesystem::path& path, int& err) override;
    int setPermissions(const std::filesystem::path& path, std::filesystem::perms perms) override;
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int syncFolder(const std::filesystem::path& folder) override;
    void remove(const std::filesystem::path& path) noexcept override;

    std::size_t created = 0;  ///< temporary files created
    std::size_t removed = 0;  ///< files removed
    std::size_t renames = 0;  ///< renames tried
};

}  // namespace vok::testing
