#pragma once
// The few file calls that differ between Windows and the POSIX systems, in one place: opening a
// file by any name, flushing a file and a folder to the disk, permission bits, symbolic links and
// file identity. Everything else in the core uses the standard library alone.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace vok::platform {

/// Opens a file as std::fopen does (`mode` as there, e.g. "rb"); on Windows through the wide
/// character call, so that a name outside the ANSI code page opens too. Null with errno set when
/// it cannot.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

/// Moves `from` over `to`, replacing it; 0 or an errno value. EBUSY: the target is held open by
/// another program that does not let it be replaced (Windows; tried again for a second first).
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

/// Creates a file for binary writing that must not exist yet, with the permissions a new file
/// gets by default (the umask on POSIX). Null with errno set when it cannot (EEXIST when it exists).
std::FILE* createNewFile(const std::filesystem::path& path);

/// Flushes a file's written bytes through to the disk (after std::fflush); 0 or an errno value.
int syncFile(std::FILE* file);

/// Flushes a folder's entries (a rename made in it) to the disk; 0 or an errno value. Does nothing
/// and answers 0 where the platform or the file system cannot.
int syncFolder(const std::filesystem::path& folder);

/// Gives `path` the permission bits `perms`; 0 or an errno value.
int setPermissions(const std::filesystem::path& path, std::filesystem::perms perms);

/// True when permission bits let the file's owner write it (on Windows: not read-only). This is
/// decided by the bits alone, so that a program run by root answers as it would for the owner.
bool ownerMayWrite(std::filesystem::perms perms);

/// True when the running user may write the file `path` by the system's own rules (the effective
/// user and groups; root may write any file on a file system that is not read-only). On Windows
/// true: the read-only attribute is ownerMayWrite's, and access lists are checked by the rename.
bool userMayWrite(const std::filesystem::path& path);

/// The user and group a file belongs to.
struct FileOwner {
    std::int64_t user = -1;
    std::int64_t group = -1;
    bool operator==(const FileOwner&) const = default;
};

/// The owner of `path` (links followed); none where the platform has no owners to keep (Windows,
/// where a replaced file's owner is the one who saves it) or the file cannot be looked at.
std::optional<FileOwner> ownerOf(const std::filesystem::path& path);

/// Gives `path` to `owner` when it belongs to someone else; 0 or an errno value (EPERM: the
/// running user may not give a file away). Does nothing and answers 0 on Windows.
int setOwner(const std::filesystem::path& path, const FileOwner& owner);

/// The file that `path` names once every symbolic link on the way to it is followed (the path
/// itself when it is no link). The file need not exist: a link to a missing file answers that
/// file. Sets `error` on a link that cannot be read or a loop of links.
std::filesystem::path resolveLinks(const std::filesystem::path& path, std::error_code& error);

/// True when both paths name one file: the same file by identity (hard links, links, "./x" and
/// "x") when both exist, otherwise the same pathKey.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

/// A path made absolute and normal, links of the folders on the way followed, for comparing
/// places that need not exist yet (without regard to letter case on Windows).
std::filesystem::path::string_type pathKey(const std::filesystem::path& path);

/// Standard error is a terminal (a console on Windows), not a file or a pipe.
bool standardErrorIsTerminal();

/// The errno value of a standard library error code (EIO where it has none).
int errnoOf(const std::error_code& error);

}  // namespace vok::platform
