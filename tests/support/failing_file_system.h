#pragma once
// A file system that fails on purpose: after a number of bytes written, on flush, on close or on
// the final rename. Everything else goes to the real file system.

#include <cerrno>
#include <memory>

#include "mission/core/file_io.h"

namespace vok::testing {

class FailingFileSystem : public FileSystem {
public:
    enum class FailAt { Nothing, Create, Write, Flush, Close, Rename };

    FailAt failAt = FailAt::Nothing;
    std::size_t bytesBeforeFailure = 0;  ///< with FailAt::Write: a short write after this many bytes
    int error = ENOSPC;

    std::unique_ptr<OutFile> createNew(const std::filesystem::path& path, int& err) override;
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    void remove(const std::filesystem::path& path) noexcept override;

    std::size_t created = 0;  ///< temporary files created
    std::size_t removed = 0;  ///< files removed
};

}  // namespace vok::testing
