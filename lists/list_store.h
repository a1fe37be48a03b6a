#pragma once
// The list store: the six list files of one folder, loaded, looked up and written back. Both
// programs use it; the converter consults it while converting, the list editor edits it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lists/list_files.h"
#include "mission/core/file_io.h"
#include "mission/core/version.h"
#include "mission/core/version_detect.h"

namespace vok {

class ListStore : public ItemCatalog {
public:
    /// A store for the six files in `folder`; nothing is read until InitilizeItemLists.
    explicit ListStore(std::filesystem::path folder, FileSystem& fileSystem = realFileSystem());

    const std::filesystem::path& folder() const { return folder_; }
    /// Full path of list 1..6.
    std::filesystem::path pathOf(int which) const;

    /// Loads all six files. On any failure (a file missing or unreadable, a count of 0 or less, an
    /// item identifier of 0 or less, a file that ends early) it throws Error naming the file and
    /// the fault, and the store keeps what it held: nothing is loaded partly. The run
    /// replacements start again with their placeholder entry.
    void InitilizeItemLists();

    /// Loads the six files like InitilizeItemLists but keeps the run replacements (the list
    /// editor's reload after a save).
    void reload();

    bool loaded() const { return loaded_; }

    /// The item list's entries in file order; empty for a version outside 1..3.
    const std::vector<ItemListEntry>& Entries(DfType version) const;
    /// The description of an identifier; empty when the version's list does not describe it.
    std::string ItemDescription(DfType version, std::int16_t itemId) const;
    /// An item type exists in a version when its description there is not empty.
    bool ItemExists(DfType version, std::int16_t itemId) const override;

    const std::vector<ReplaceEntry>& SavedReplacements(DfType version) const;
    const std::vector<ReplaceEntry>& RunReplacements(DfType version) const;

    /// The replacement of `objectId` of `orgVersion` in `newVersion`: the saved list first, then
    /// the run list, the earliest entry first; -1 when none is known.
    std::int16_t LookupReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId) const;

    /// Remembers a replacement for the rest of the run.
    void RememberReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId, std::int16_t replacementId);

    /// Remembers a replacement for the run and appends it to the version's replacement list file
    /// as that file is on disk now; the result becomes the saved list. When the file cannot be
    /// read or written the run entry stays, the saved list is unchanged, and Error names the file.
    void RememberAndSaveReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                    std::int16_t replacementId);

    // The list editor's access: it changes the lists in place, then writes one with SaveList. A
    // version outside 1..3 throws std::out_of_range.
    std::vector<ItemListEntry>& editEntries(DfType version);
    std::vector<ReplaceEntry>& editSavedReplacements(DfType version);

    /// Writes list 1..6 from the store (0: all six in order). Any other value does nothing.
    void SaveList(int which);

private:
    struct VersionLists {
        std::vector<ItemListEntry> entries;
        std::vector<std::string> descriptions;  // indexed by identifier; [0] unused
        std::vector<ReplaceEntry> saved;
        std::vector<ReplaceEntry> run{ReplaceEntry{}};  // one placeholder that matches nothing
    };

    void load(bool keepRunReplacements);
    static void buildDescriptions(VersionLists& lists);
    VersionLists* listsOf(DfType version);
    VersionLists& editable(DfType version);
    const VersionLists* listsOf(DfType version) const;

    std::filesystem::path folder_;
    FileSystem& fileSystem_;
    std::array<VersionLists, 3> lists_;
    bool loaded_ = false;
};

}  // namespace vok
