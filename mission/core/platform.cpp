#include "mission/core/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdint>
#include <string_view>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vok::platform {

namespace fs = std::filesystem;

#if defined(_WIN32)

namespace {
/// The errno value the C library gives for a Windows error of opening a file.
int errnoOfWindows(DWORD error) {
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

std::FILE* openFile(const fs::path& path, const char* mode) {
    if (std::string_view(mode) == "rb") {
        // Read so that another program (or another vok) may still replace or remove the file
        // meanwhile, as it may on other systems; the C library's own open would stop it.
        const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            errno = errnoOfWindows(GetLastError());
            return nullptr;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            return nullptr;
        }
        std::FILE* file = ::_fdopen(fd, "rb");
        if (file == nullptr) ::_close(fd);
        return file;
    }
    std::wstring wideMode;
    for (const char* c = mode; *c != '\0'; ++c) wideMode.push_back(static_cast<wchar_t>(*c));
    return ::_wfopen(path.c_str(), wideMode.c_str());
}

int replaceFile(const fs::path& from, const fs::path& to) {
    // A program that has the target open (an indexer, a virus scanner, another vok reading it)
    // makes Windows refuse the replace while it does: tried again for up to a second.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    DWORD error = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
        error = GetLastError();
        const bool held =
            error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!held) break;
        Sleep(50);
    }
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return EBUSY;
    if (error == ERROR_ACCESS_DENIED) {
        // Denied for a file that another program holds open, for one marked read-only, or for a
        // folder. A program that let others delete the file (FILE_SHARE_DELETE) does not stop the
        // probe, yet its open handle still stops the replace: that is a file held open as well.
        const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const HANDLE probe = CreateFileW(to.c_str(), DELETE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? EBUSY : EACCES;
        CloseHandle(probe);
        const DWORD attributes = GetFileAttributesW(to.c_str());
        const bool plainFile = attributes != INVALID_FILE_ATTRIBUTES &&
                               (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
        return plainFile ? EBUSY : EACCES;
    }
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ENOENT : EIO;
}

std::FILE* createNewFile(const fs::path& path) {
    const int fd =
        ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::_close(fd);
        ::_wremove(path.c_str());
        errno = error;
    }
    return file;
}

int syncFile(std::FILE* file) {
    // _commit is FlushFileBuffers: the bytes reach the disk, not only the system's cache.
    return ::_commit(::_fileno(file)) == 0 ? 0 : (errno != 0 ? errno : EIO);
}

int syncFolder(const fs::path&) {
    // NTFS journals a rename itself; there is no call that flushes a folder.
    return 0;
}

bool userMayWrite(const fs::path&) { return true; }

std::optional<FileOwner> ownerOf(const fs::path&) { return std::nullopt; }

int setOwner(const fs::path&, const FileOwner&) { return 0; }

#else

std::FILE* openFile(const fs::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

int replaceFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    return ec ? errnoOf(ec) : 0;
}

std::FILE* createNewFile(const fs::path& path) {
    // 0666: the umask decides, as for any new file of the user.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

int syncFile(std::FILE* file) {
    const int fd = ::fileno(file);
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // A file that cannot be synced at all (a pipe, a special file) has nothing to flush.
        return errno == EINVAL || errno == EROFS ? 0 : errno;
    }
    return 0;
}

int syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not read cannot be opened for the flush: nothing to do.
    if (fd < 0) return 0;
    int result = 0;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // Some file systems cannot flush a folder; their renames are as safe as they get.
        result = errno == EINVAL || errno == ENOTSUP || errno == EROFS || errno == EBADF ? 0 : errno;
        break;
    }
    ::close(fd);
    return result;
}

bool userMayWrite(const fs::path& path) {
    // The effective ids decide, as they do for the rename that replaces the file.
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::optional<FileOwner> ownerOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileOwner{static_cast<std::int64_t>(info.st_uid), static_cast<std::int64_t>(info.st_gid)};
}

int setOwner(const fs::path& path, const FileOwner& owner) {
    const auto now = ownerOf(path);
    if (!now) return errno != 0 ? errno : EIO;
    if (*now == owner) return 0;
    // Only what differs is changed: a user may keep a group it is not a member of, but not set it.
    const auto user = static_cast<uid_t>(now->user == owner.user ? -1 : owner.user);
    const auto group = static_cast<gid_t>(now->group == owner.group ? -1 : owner.group);
    return ::chown(path.c_str(), user, group) == 0 ? 0 : errno;
}

#endif

int setPermissions(const fs::path& path, fs::perms perms) {
    std::error_code ec;
    fs::permissions(path, perms & fs::perms::mask, fs::perm_options::replace, ec);
    return ec ? errnoOf(ec) : 0;
}

bool ownerMayWrite(fs::perms perms) { return (perms & fs::perms::owner_write) != fs::perms::none; }

fs::path resolveLinks(const fs::path& path, std::error_code& error) {
    error.clear();
    fs::path current = path;
    // As many links in a row as the systems themselves follow before they call it a loop.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(current, ec);
        if (status.type() != fs::file_type::symlink) return current;
        fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            error = ec;
            return path;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return path;
}

fs::path::string_type pathKey(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    fs::path normal = fs::weakly_canonical(absolute, ec);
    if (ec) normal = absolute.lexically_normal();
    fs::path::string_type text = normal.native();
#if defined(_WIN32)
    // Letter case as Windows compares names, with its own table for every letter ("Été" is "été"),
    // not the C locale's A to Z.
    if (!text.empty()) {
        const int length = static_cast<int>(text.size());
        fs::path::string_type upper(text.size(), L'\0');
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), length, upper.data(), length, nullptr,
                          nullptr, 0) == length) {
            text = std::move(upper);
        }
    }
#endif
    return text;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const bool aExists = fs::exists(a, ec);
    const bool bExists = fs::exists(b, ec);
    if (aExists && bExists) return fs::equivalent(a, b, ec) && !ec;
    if (aExists != bExists) return false;
    return pathKey(a) == pathKey(b);
}

int errnoOf(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    return condition.category() == std::generic_category() && condition.value() != 0 ? condition.value() : EIO;
}

bool standardErrorIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

}  // namespace vok::platform
