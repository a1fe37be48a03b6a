#include "mission/core/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <random>

#include "mission/core/error.h"
#include "mission/core/platform.h"

namespace vok {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) {
    const auto text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::string readFile(const fs::path& path, std::size_t limit) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw Error(Fault::CannotOpen, displayPath(path), "it is a folder, not a file");
    }
    errno = 0;
    std::FILE* file = platform::openFile(path, "rb");
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
    while (bytes.size() < limit &&
           (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0) {
        bytes.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw Error(Fault::CannotOpen, displayPath(path), "read error: " + systemErrorText(error));
    return bytes;
}

namespace {

constexpr std::size_t kSuffixDigits = 8;

/// The 64-bit FNV-1a hash of a file name (in any letter case on Windows, where names are compared so).
std::uint64_t nameHash(const fs::path& file) {
    std::uint64_t hash = 14695981039346656037ull;
    const fs::path name = file.filename();
    for (auto c : name.native()) {
#if defined(_WIN32)
        c = static_cast<wchar_t>(std::towlower(c));
#endif
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool isHex(fs::path::string_type::const_iterator first, fs::path::string_type::const_iterator last) {
    return std::all_of(first, last, [](auto c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

fs::path::string_type sideFilePrefix(const fs::path& file, SideFile kind) {
    char text[48];
    std::snprintf(text, sizeof text, ".vok-%s-%016llx-", kind == SideFile::Temporary ? "tmp" : "old",
                  static_cast<unsigned long long>(nameHash(file)));
    return fs::path(text).native();
}

bool isSideFileOf(const fs::path& name, const fs::path& file, SideFile kind) {
    const fs::path::string_type prefix = sideFilePrefix(file, kind);
    const fs::path::string_type text = name.filename().native();
    return text.size() == prefix.size() + kSuffixDigits && text.compare(0, prefix.size(), prefix) == 0 &&
           isHex(text.begin() + static_cast<std::ptrdiff_t>(prefix.size()), text.end());
}

namespace {

int lastError() { return errno != 0 ? errno : EIO; }

class StdOutFile : public FileSystem::OutFile {
public:
    explicit StdOutFile(std::FILE* file) : file_(file) {}
    ~StdOutFile() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    int write(std::string_view bytes) override {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return lastError();
        return 0;
    }
    int flush() override {
        errno = 0;
        return std::fflush(file_) == 0 ? 0 : lastError();
    }
    int sync() override { return platform::syncFile(file_); }
    int close() override {
        errno = 0;
        std::FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0 ? 0 : lastError();
    }

private:
    std::FILE* file_;
};

class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<OutFile> createNew(const fs::path& path, int& error) override {
        errno = 0;
        std::FILE* file = platform::createNewFile(path);
        if (file == nullptr) {
            error = lastError();
            return nullptr;
        }
        return std::make_unique<StdOutFile>(file);
    }
    int setPermissions(const fs::path& path, fs::perms perms) override { return platform::setPermissions(path, perms); }
    int replace(const fs::path& from, const fs::path& to) override { return platform::replaceFile(from, to); }
    int syncFolder(const fs::path& folder) override { return platform::syncFolder(folder); }
    int remove(const fs::path& path) noexcept override {
        std::error_code ec;
        fs::remove(path, ec);
        return ec ? platform::errnoOf(ec) : 0;
    }
};

fs::path sidePathFor(const fs::path& file, SideFile kind) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (counter.fetch_add(1) * 2654435761u));
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(mix()));
    fs::path name(sideFilePrefix(file, kind));
    name += suffix;
    return (file.has_parent_path() ? file.parent_path() : fs::path(".")) / name;
}

/// What a save needs to know of its target before it writes anything.
struct SaveTarget {
    fs::path named;                            ///< as the caller gave it; messages name this
    fs::path file;                             ///< the file to replace, every link followed
    std::optional<fs::perms> perms;            ///< of the file replaced; none for a new file
    std::optional<platform::FileOwner> owner;  ///< of the file replaced, where owners are kept
};

[[noreturn]] void failToWrite(const fs::path& named, const std::string& reason) {
    throw Error(Fault::CannotWrite, displayPath(named), reason);
}

SaveTarget prepare(const fs::path& named) {
    std::error_code ec;
    SaveTarget target{named, platform::resolveLinks(named, ec), std::nullopt, std::nullopt};
    if (ec) failToWrite(named, systemErrorText(platform::errnoOf(ec)));
    const fs::file_status status = fs::status(target.file, ec);
    if (status.type() == fs::file_type::directory) failToWrite(named, "it is a folder, not a file");
    if (fs::exists(status)) {
        // A device, a FIFO or a socket is never replaced by a file: as root, "out.mis" linked to
        // /dev/null would otherwise put a mission in the system's place.
        if (status.type() != fs::file_type::regular) {
            failToWrite(named, "it is not a regular file (a device, a FIFO or a socket); nothing was written");
        }
        // By the bits as well as by the running user's rights: root may write anything, but a file
        // its owner made read-only is meant to stay as it is; and a user who may not write the file
        // may not replace it by a rename in a folder that lets anyone rename.
        if (!platform::ownerMayWrite(status.permissions()) || !platform::userMayWrite(target.file)) {
            failToWrite(named, "the file is read-only (its owner or you may not write it); nothing was written");
        }
        target.perms = status.permissions();
        target.owner = platform::ownerOf(target.file);
    }
    return target;
}

/// Removes the temporary files of `file` that saves killed more than kStaleTemporaryAge ago left
/// behind. Best effort: whatever cannot be removed stays for the next save.
void removeStaleTemporaries(const fs::path& file, FileSystem& fileSystem) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const auto now = fs::file_time_type::clock::now();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isSideFileOf(it->path(), file, SideFile::Temporary)) continue;
        std::error_code timeError;
        const auto modified = fs::last_write_time(it->path(), timeError);
        if (!timeError && now - modified > kStaleTemporaryAge) fileSystem.remove(it->path());
    }
}

/// Writes `bytes` to a new file beside the target with the target's owner and permission bits,
/// through to the disk; the new file's path. On failure nothing is left and Error names the target.
fs::path writeBeside(const SaveTarget& target, std::string_view bytes, SideFile kind, FileSystem& fileSystem) {
    fs::path path;
    std::unique_ptr<FileSystem::OutFile> file;
    int error = 0;
    for (int attempt = 0; attempt < 8 && file == nullptr; ++attempt) {
        path = sidePathFor(target.file, kind);
        file = fileSystem.createNew(path, error);
        if (file == nullptr && error != EEXIST) break;
    }
    if (file == nullptr) failToWrite(target.named, systemErrorText(error));

    // The owner, then the bits (a change of owner may clear some), so that a private file's bytes
    // are never readable by others on the way.
    int result = target.owner ? fileSystem.setOwner(path, *target.owner) : 0;
    const bool ownerRefused = result == EPERM;
    if (result == 0 && target.perms) result = fileSystem.setPermissions(path, *target.perms);
    if (result == 0) result = file->write(bytes);
    if (result == 0) result = file->flush();
    if (result == 0) result = file->sync();
    const int closeResult = file->close();
    if (result == 0) result = closeResult;
    file.reset();
    if (result != 0) {
        fileSystem.remove(path);
        if (ownerRefused) {
            failToWrite(target.named,
                        "it belongs to another user or group, and you may not give the new file to them; "
                        "nothing was written");
        }
        failToWrite(target.named, systemErrorText(result));
    }
    return path;
}

/// Why a finished file could not take its target's place.
std::string replaceErrorText(int error) {
    return error == EBUSY ? "it is open in another program; close it there and save again" : systemErrorText(error);
}

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

}  // namespace

FileSystem& realFileSystem() {
    static StdFileSystem instance;
    return instance;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes, FileSystem& fileSystem) {
    const SaveTarget save = prepare(target);
    // Before the new file: room the leftovers of killed saves take is given back first.
    removeStaleTemporaries(save.file, fileSystem);
    const fs::path temporary = writeBeside(save, bytes, SideFile::Temporary, fileSystem);
    if (const int result = fileSystem.replace(temporary, save.file); result != 0) {
        fileSystem.remove(temporary);
        failToWrite(target, replaceErrorText(result));
    }
    // The new file is in place and whole. Should the folder not flush, a power cut leaves the
    // earlier file or this one, both whole, so the save stands.
    fileSystem.syncFolder(folderOf(save.file));
}

namespace {
// Removes the new files staged from `from` on, and their copies of the earlier files.
void removeStaged(const std::vector<StagedFile>& written, std::size_t from, FileSystem& fileSystem) {
    for (std::size_t i = from; i < written.size(); ++i) {
        fileSystem.remove(written[i].temporary);
        if (written[i].earlier) fileSystem.remove(*written[i].earlier);
    }
}

// Writes every new file, and a copy of each earlier one, beside its target. On a failure what was
// written is removed and the error passes on.
std::vector<StagedFile> stageAll(const std::vector<FileWrite>& files, const std::vector<SaveTarget>& targets,
                                 FileSystem& fileSystem) {
    std::vector<StagedFile> written;
    try {
        for (std::size_t i = 0; i < files.size(); ++i) {
            StagedFile next{targets[i].file, {}, std::nullopt};
            if (targets[i].perms) {
                std::string earlier;
                try {
                    earlier = readFile(targets[i].file);
                } catch (const Error& error) {
                    failToWrite(targets[i].named, error.detail());
                }
                next.earlier = writeBeside(targets[i], earlier, SideFile::Earlier, fileSystem);
            }
            written.push_back(next);
            written.back().temporary = writeBeside(targets[i], files[i].bytes, SideFile::Temporary, fileSystem);
        }
    } catch (...) {
        removeStaged(written, 0, fileSystem);
        throw;
    }
    return written;
}

// The rename of file `failed` failed: what the renames before it replaced is put back, the last
// first. Answers what could not be put back ("; A could not be put back ..."), empty when all was.
std::string putBack(std::size_t failed, const std::vector<StagedFile>& written, const std::vector<SaveTarget>& targets,
                    FileSystem& fileSystem, RenameJournal* journal) {
    std::string kept;
    for (std::size_t j = failed; j-- > 0;) {
        const int back = written[j].earlier ? fileSystem.replace(*written[j].earlier, targets[j].file)
                                            : fileSystem.remove(targets[j].file);
        if (back != 0) {
            kept += "; " + displayPath(targets[j].named) + " could not be put back (" + systemErrorText(back) + ")";
            if (written[j].earlier) kept += ": its earlier content is in " + displayPath(*written[j].earlier);
        }
    }
    if (kept.empty() && journal != nullptr) {
        try {
            journal->end();
        } catch (const Error& error) {
            // The files are as they were; the record that stays is settled at the next open.
            kept += "; " + error.path() + ": " + error.detail();
        }
    }
    return kept;
}
}  // namespace

void writeFilesAtomically(const std::vector<FileWrite>& files, FileSystem& fileSystem, RenameJournal* journal) {
    std::vector<SaveTarget> targets;
    for (const FileWrite& file : files) targets.push_back(prepare(file.target));
    for (const SaveTarget& target : targets) removeStaleTemporaries(target.file, fileSystem);

    std::vector<StagedFile> written = stageAll(files, targets, fileSystem);
    if (journal != nullptr) {
        try {
            journal->begin(written);
        } catch (...) {
            removeStaged(written, 0, fileSystem);
            throw;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int result = fileSystem.replace(written[i].temporary, targets[i].file);
        if (result == 0) continue;
        const std::string kept = putBack(i, written, targets, fileSystem, journal);
        removeStaged(written, i, fileSystem);
        failToWrite(targets[i].named, replaceErrorText(result) + (kept.empty() ? "; every file is as it was" : kept));
    }
    if (journal != nullptr) journal->end();
    // The copies of the earlier files are no longer needed; one that stays is reported.
    std::string left;
    for (const StagedFile& file : written) {
        if (!file.earlier) continue;
        if (const int result = fileSystem.remove(*file.earlier); result != 0)
            left += (left.empty() ? "" : ", ") + displayPath(*file.earlier) + " (" + systemErrorText(result) + ")";
    }
    for (const SaveTarget& target : targets) fileSystem.syncFolder(folderOf(target.file));
    if (!left.empty())
        failToWrite(files.front().target, "saved, but the copy of the earlier file could not be removed: " + left);
}

}  // namespace vok
