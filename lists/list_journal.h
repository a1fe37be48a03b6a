#pragma once
// The journal of an import of the six lists, and the clearing up after commands that failed or
// were killed while they changed the lists.
//
// An import replaces six files by six renames. Before the first rename it writes the journal
// ".vok-lists.journal" beside the lists: for each list, the file replaced, its new content
// waiting beside it and the copy of its earlier content. A kill between two renames leaves the
// journal behind; the next program that opens the lists finishes the import (when every list not
// yet replaced still has its new content waiting) or undoes it (when putting the lists back had
// begun), then removes every file of it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/file_io.h"

namespace vok {

inline constexpr std::string_view kListJournalFileName = ".vok-lists.journal";

/// The journal of one import into `folder`, for writeFilesAtomically.
class ListImportJournal : public RenameJournal {
public:
    ListImportJournal(std::filesystem::path folder, FileSystem& fileSystem);
    void begin(const std::vector<StagedFile>& files) override;
    void end() override;

    static std::filesystem::path pathIn(const std::filesystem::path& folder);

private:
    std::filesystem::path path_;
    FileSystem& fileSystem_;
};

/// What the programs call when they open the lists of `folder`: finishes or undoes an import that
/// was interrupted, and removes the temporary files and copies that failed or killed commands left
/// beside the lists. Takes the folder's lock when there is anything to do (a folder with nothing
/// left over is only looked at, so lists that cannot be written still open). Answers one sentence
/// for the user when it finished or undid an import, else nothing. Throws Error naming the file
/// that could not be put in place or removed, or Error(Locked).
std::string recoverListFolder(const std::filesystem::path& folder, FileSystem& fileSystem = realFileSystem());

/// The same, for a caller that holds the folder's lock.
std::string recoverListFolderLocked(const std::filesystem::path& folder, FileSystem& fileSystem);

}  // namespace vok
