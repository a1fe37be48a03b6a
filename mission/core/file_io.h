#pragma once
// Whole-file reads and atomic writes. Every file the programs write goes through a FileSystem, the
// seam that tests replace to make a write fail at any point.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace vok {

/// A path as text for messages (UTF-8 on every platform).
std::string displayPath(const std::filesystem::path& path);

/// std::fopen with the path in the system's own form (UTF-16 on Windows, so that every name opens).
/// Mode "wbx" creates a file that must not exist yet (errno EEXIST when it does) on every system.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

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
        virtual int close() = 0;
    };

    /// Creates a file that must not exist yet; null with `error` set when it cannot.
    virtual std::unique_ptr<OutFile> createNew(const std::filesystem::path& path, int& error) = 0;
    /// Moves `from` over `to`, replacing it; 0 or an errno value (EBUSY: Windows will not replace a
    /// file that another program holds open).
    virtual int replace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual void remove(const std::filesystem::path& path) noexcept = 0;
};

/// The machine's own file system.
FileSystem& realFileSystem();

/// Writes `bytes` to a new file beside `target`, flushes and closes it, then renames it over
/// `target`. On any failure the temporary file is removed, an earlier file at `target` is left
/// untouched, and Error(CannotWrite) names `target` and the reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileSystem& fileSystem = realFileSystem());

}  // namespace vok
