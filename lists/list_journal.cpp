#include "lists/list_journal.h"

#include <charconv>
#include <optional>

#include "lists/list_files.h"
#include "lists/list_lock.h"
#include "mission/core/error.h"

namespace vok {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalTitle = "vok lists journal 1\n";

/// A path as "<bytes> <UTF-8 text>\n", so that any name reads back whole.
void putPath(std::string& out, const std::optional<fs::path>& path) {
    const std::u8string text = path ? path->u8string() : std::u8string();
    out += std::to_string(text.size()) + " ";
    out.append(reinterpret_cast<const char*>(text.data()), text.size());
    out += "\n";
}

std::optional<fs::path> takePath(std::string_view& in, bool& ok) {
    std::size_t length = 0;
    const char* first = in.data();
    const auto [end, error] = std::from_chars(first, first + in.size(), length);
    const auto start = static_cast<std::size_t>(end - first) + 1;
    if (error != std::errc() || start > in.size() || in[start - 1] != ' ' || length >= in.size() - start ||
        in[start + length] != '\n') {
        ok = false;
        return std::nullopt;
    }
    const std::string_view text = in.substr(start, length);
    in.remove_prefix(start + length + 1);
    if (text.empty()) return std::nullopt;
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::vector<StagedFile> parseJournal(std::string_view text, const fs::path& path) {
    std::vector<StagedFile> files;
    bool ok = text.substr(0, kJournalTitle.size()) == kJournalTitle;
    text.remove_prefix(std::min(text.size(), kJournalTitle.size()));
    while (ok && !text.empty()) {
        StagedFile file;
        const auto target = takePath(text, ok);
        const auto temporary = takePath(text, ok);
        file.earlier = takePath(text, ok);
        ok = ok && target && temporary;
        if (!ok) break;
        file.target = *target;
        file.temporary = *temporary;
        files.push_back(std::move(file));
    }
    if (!ok || files.empty()) {
        throw Error(Fault::CannotOpen, displayPath(path),
                    "the record of an interrupted import cannot be read; look at the lists and remove it by hand");
    }
    return files;
}

bool isThere(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

void removeOrFail(const fs::path& path, FileSystem& fileSystem) {
    if (const int error = fileSystem.remove(path); error != 0) {
        throw Error(Fault::CannotWrite, displayPath(path), "it could not be removed: " + systemErrorText(error));
    }
}

void replaceOrFail(const fs::path& from, const fs::path& to, FileSystem& fileSystem) {
    if (const int error = fileSystem.replace(from, to); error != 0) {
        throw Error(Fault::CannotWrite, displayPath(to),
                    "it could not be put in place from " + displayPath(from) + ": " + systemErrorText(error));
    }
}

/// Finishes or undoes the import the journal at `path` records; the sentence that says which.
std::string settleImport(const fs::path& path, FileSystem& fileSystem) {
    const std::vector<StagedFile> files = parseJournal(readFile(path), path);
    // The renames go in order, and each keeps the copy of the earlier file until all are done: a
    // list replaced whose copy (or, for a list that was new, whose file) is gone was being put back.
    bool forward = true;
    for (const StagedFile& file : files) {
        if (!isThere(file.temporary) && !isThere(file.earlier ? *file.earlier : file.target)) forward = false;
    }
    for (const StagedFile& file : files) {
        if (forward) {
            if (isThere(file.temporary)) replaceOrFail(file.temporary, file.target, fileSystem);
        } else if (isThere(file.temporary)) {
            removeOrFail(file.temporary, fileSystem);  // not replaced: the list is as it was
        } else if (file.earlier && isThere(*file.earlier)) {
            replaceOrFail(*file.earlier, file.target, fileSystem);
        } else if (!file.earlier && isThere(file.target)) {
            removeOrFail(file.target, fileSystem);  // a list the import made
        }
    }
    for (const StagedFile& file : files) fileSystem.syncFolder(file.target.parent_path());
    // The lists are settled: from here on the copies are only leftovers.
    removeOrFail(path, fileSystem);
    for (const StagedFile& file : files) {
        if (file.earlier && isThere(*file.earlier)) removeOrFail(*file.earlier, fileSystem);
    }
    return forward ? "An import of the lists was interrupted; it has been finished: the lists are the ones imported"
                   : "An import of the lists was interrupted; it has been undone: the lists are as they were before it";
}

/// True for the temporary files and copies of the six lists and of the journal.
bool isLeftover(const fs::path& name) {
    for (int which = 0; which <= kListCount; ++which) {
        const fs::path file =
            which == 0 ? fs::path(std::string(kListJournalFileName)) : fs::path(std::string(listFileName(which)));
        if (isSideFileOf(name, file, SideFile::Temporary) || isSideFileOf(name, file, SideFile::Earlier)) return true;
    }
    return false;
}

std::vector<fs::path> leftoversIn(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (isLeftover(it->path().filename())) found.push_back(it->path());
    }
    return found;
}

}  // namespace

ListImportJournal::ListImportJournal(fs::path folder, FileSystem& fileSystem)
    : path_(pathIn(folder)), fileSystem_(fileSystem) {}

fs::path ListImportJournal::pathIn(const fs::path& folder) { return folder / std::string(kListJournalFileName); }

void ListImportJournal::begin(const std::vector<StagedFile>& files) {
    std::string text(kJournalTitle);
    for (const StagedFile& file : files) {
        putPath(text, file.target);
        putPath(text, file.temporary);
        putPath(text, file.earlier);
    }
    try {
        writeFileAtomically(path_, text, fileSystem_);
    } catch (const Error& error) {
        // The import fails before any list changed; its message names the first list.
        throw Error(Fault::CannotWrite, displayPath(files.front().target),
                    error.detail() + " (writing " + displayPath(path_) + ", the record of the import)");
    }
}

void ListImportJournal::end() { removeOrFail(path_, fileSystem_); }

std::string recoverListFolderLocked(const fs::path& folder, FileSystem& fileSystem) {
    const fs::path journal = ListImportJournal::pathIn(folder);
    std::string note;
    if (isThere(journal)) note = settleImport(journal, fileSystem);
    // Under the lock nobody else is writing a list: what lies beside them was left by a command
    // that failed or was killed.
    for (const fs::path& leftover : leftoversIn(folder)) removeOrFail(leftover, fileSystem);
    return note;
}

std::string recoverListFolder(const fs::path& folder, FileSystem& fileSystem) {
    if (!isThere(ListImportJournal::pathIn(folder)) && leftoversIn(folder).empty()) return {};
    ListFolderLock lock(folder);
    std::string note = recoverListFolderLocked(folder, fileSystem);
    lock.unlock();
    return note;
}

}  // namespace vok
