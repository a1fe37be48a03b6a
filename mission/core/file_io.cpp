#include "mission/core/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#include "mission/core/error.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#endif

namespace vok {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) {
    const auto text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

#if defined(_WIN32)
namespace {
/// The errno value the C library gives for a Windows error of opening a file.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return EACCES;
        case ERROR_INVALID_NAME: return EINVAL;
        default: return EIO;
    }
}
}  // namespace
#endif

std::FILE* openFile(const fs::path& path, const char* mode) {
#if defined(_WIN32)
    const std::string_view text(mode);
    if (text.find('x') != std::string_view::npos) {
        // msvcrt, the C library mingw-w64 programs use, does not know "x" and would open an
        // existing file: the exclusive create is made by hand.
        const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0) return nullptr;
        std::FILE* file = _fdopen(fd, "wb");
        if (file == nullptr) _close(fd);
        return file;
    }
    if (text == "rb") {
        // Read so that another program (or another vok) may still replace or remove the file
        // meanwhile, as it may on other systems; the C library's own open would stop it.
        const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            errno = errnoOf(GetLastError());
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            return nullptr;
        }
        std::FILE* file = _fdopen(fd, "rb");
        if (file == nullptr) _close(fd);
        return file;
    }
    return _wfopen(path.c_str(), std::wstring(text.begin(), text.end()).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::string readFile(const fs::path& path, std::size_t limit) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw Error(Fault::CannotOpen, displayPath(path), "it is a folder, not a file");
    }
    errno = 0;
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) {
        const int error = errno;
        throw Error(Fault::CannotOpen, displayPath(path),
                    error != 0 ? systemErrorText(error) : std::string("cannot be opened"));
    }
    // Room for the whole file at once; the loop still reads to the real end.
    std::string bytes;
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(path, sizeError);
    if (!sizeError) bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
    char chunk[1 << 16];
    std::size_t got = 0;
    while (bytes.size() < limit && (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0) {
        bytes.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw Error(Fault::CannotOpen, displayPath(path), "read error: " + systemErrorText(error));
    return bytes;
}

namespace {

class StdOutFile : public FileSystem::OutFile {
public:
    explicit StdOutFile(std::FILE* file) : file_(file) {}
    ~StdOutFile() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    int write(std::string_view bytes) override {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return errno != 0 ? errno : EIO;
        return 0;
    }
    int flush() override {
        errno = 0;
        return std::fflush(file_) == 0 ? 0 : (errno != 0 ? errno : EIO);
    }
    int close() override {
        errno = 0;
        std::FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0 ? 0 : (errno != 0 ? errno : EIO);
    }

private:
    std::FILE* file_;
};

class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<OutFile> createNew(const fs::path& path, int& error) override {
        errno = 0;
        std::FILE* file = openFile(path, "wbx");  // "x": fail if it exists
        if (file == nullptr) {
            error = errno != 0 ? errno : EIO;
            return nullptr;
        }
        return std::make_unique<StdOutFile>(file);
    }
    int replace(const fs::path& from, const fs::path& to) override {
#if defined(_WIN32)
        // A program that has the target open (an indexer, a virus scanner, another vok reading it)
        // makes Windows refuse the replace while it does: tried again for up to a second.
        const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
        DWORD error = 0;
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
            error = GetLastError();
            const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                              error == ERROR_LOCK_VIOLATION;
            if (!held) break;
            Sleep(50);
        }
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return EBUSY;
        if (error == ERROR_ACCESS_DENIED) {
            // Denied for a file that another program holds open, or for one marked read-only.
            const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
            const HANDLE probe = CreateFileW(to.c_str(), DELETE, shareAll, nullptr, OPEN_EXISTING, 0, 0);
            if (probe != INVALID_HANDLE_VALUE) {
                CloseHandle(probe);
                return EACCES;
            }
            return GetLastError() == ERROR_SHARING_VIOLATION ? EBUSY : EACCES;
        }
        return error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ENOENT : EIO;
#else
        std::error_code ec;
        fs::rename(from, to, ec);
        return ec ? ec.value() : 0;
#endif
    }
    void remove(const fs::path& path) noexcept override {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

fs::path temporaryNameFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (counter.fetch_add(1) * 2654435761u));
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(mix()));
    // Made as a path: the target's name may hold any character, on Windows too.
    fs::path name(".");
    name += target.filename();
    name += std::string(".tmp-") + suffix;
    return name;
}

}  // namespace

FileSystem& realFileSystem() {
    static StdFileSystem instance;
    return instance;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes, FileSystem& fileSystem) {
    auto fail = [&target](const std::string& reason) -> void {
        throw Error(Fault::CannotWrite, displayPath(target), reason);
    };
    std::error_code ec;
    if (fs::is_directory(target, ec)) fail("it is a folder, not a file");

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporary;
    std::unique_ptr<FileSystem::OutFile> file;
    int error = 0;
    for (int attempt = 0; attempt < 8 && file == nullptr; ++attempt) {
        temporary = folder / temporaryNameFor(target);
        file = fileSystem.createNew(temporary, error);
        if (file == nullptr && error != EEXIST) break;
    }
    if (file == nullptr) fail(systemErrorText(error));

    int result = file->write(bytes);
    if (result == 0) result = file->flush();
    const int closeResult = file->close();
    if (result == 0) result = closeResult;
    file.reset();
    if (result == 0) result = fileSystem.replace(temporary, target);
    if (result != 0) {
        fileSystem.remove(temporary);
#if defined(_WIN32)
        if (result == EBUSY) fail("it is open in another program; close it there and save again");
#endif
        fail(systemErrorText(result));
    }
}

}  // namespace vok
