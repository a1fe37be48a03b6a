#pragma once
// The list store: the six list files of one folder, loaded, looked up and written back. Both
// programs use it; the converter consults it while converting, the list editor edits it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lists/list_files.h"
#include "lists/list_lock.h"
#include "mission/core/error.h"
#include "mission/core/file_io.h"
#include "mission/core/version.h"
#include "mission/core/version_detect.h"

namespace vok {

/// What the store knows of a list file as it read or wrote it: its size, its modification time
/// and a hash of its bytes.
struct ListFileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    std::uint64_t hash = 0;
    bool unreadable = false;  ///< the file could not be read at all (missing, for instance)
    bool operator==(const ListFileStamp&) const = default;
};

/// A list file that could not be loaded, and why.
struct ListDamage {
    int which = 0;  ///< 1..6
    Error error;
};

/// The 64-bit FNV-1a hash of a list file's bytes.
std::uint64_t listBytesHash(std::string_view bytes);

/// How a change of the list editor (changeAndSaveList) ended.
enum class ListChange {
    Saved,          ///< applied and written
    ChangedOnDisk,  ///< another program changed a list file since the last load: nothing applied
};

// Every write of a list file happens under the folder's lock (list_lock.h), so that the converter,
// the list editor and the vok tool never interleave their read-modify-writes. Alone on its files a
// program writes exactly the bytes it always did; the lock file exists only while it writes.
class ListStore : public ItemCatalog {
public:
    /// A store for the six files in `folder`; nothing is read until InitilizeItemLists.
    explicit ListStore(std::filesystem::path folder, FileSystem& fileSystem = realFileSystem());

    const std::filesystem::path& folder() const { return folder_; }
    FileSystem& fileSystem() const { return fileSystem_; }
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

    /// Loads the six files like reload, but a file that cannot be read or loaded does not stop
    /// the load: its list is left empty and marked damaged, and the damaged lists are answered
    /// with their faults. A damaged list is never written (SaveList and changeAndSaveList refuse
    /// it with Error(BadList)) until a load finds its file sound again.
    std::vector<ListDamage> reloadKeepingDamaged();
    bool isDamaged(int which) const;

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
    /// as that file is on disk now (under the folder lock); the result becomes the saved list, so
    /// entries another program saved meanwhile are kept and found. When the file cannot be read or
    /// written, or the lock cannot be had (Error Locked), the run entry stays, the saved list and
    /// the file are unchanged, and Error names the file (the folder for a lock).
    void RememberAndSaveReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                    std::int16_t replacementId);

    // The list editor's access: it changes the lists in place inside changeAndSaveList (or, alone
    // on the folder, before SaveList); the lookups answer from the changed entries at once. A
    // version outside 1..3 throws std::out_of_range.
    std::vector<ItemListEntry>& editEntries(DfType version);
    std::vector<ReplaceEntry>& editSavedReplacements(DfType version);

    /// Writes list 1..6 from the store (0: all six in order) under the folder lock. Any other
    /// value does nothing. It writes what the store holds, whatever the file holds now: a program
    /// that may share the folder changes lists with changeAndSaveList instead.
    void SaveList(int which);

    /// The list editor's change of list `which` (0..6), made under the folder lock so that the
    /// check, the change and the write cannot interleave with another program: when any of the
    /// six files changed on disk since the last load, nothing is applied and ChangedOnDisk is
    /// returned (the caller reloads); otherwise `change` is applied to the store and the list is
    /// written (SaveList). When the lock cannot be had or the write fails, Error is thrown and the
    /// store is as it was before `change`.
    ListChange changeAndSaveList(int which, const std::function<void()>& change);

    /// The lists (1..6) whose files differ on disk from what this store last loaded or wrote: in
    /// size, modification time or content. A file that cannot be read counts as changed. All six
    /// before the first load.
    std::vector<int> changedListsOnDisk() const;
    bool changedOnDisk() const { return !changedListsOnDisk().empty(); }
    /// What the store last loaded or wrote of list 1..6.
    const ListFileStamp& stampOf(int which) const;

    /// Takes the folder lock for a read-modify-write of list `which` (1..6): a folder in which the
    /// lock file cannot be created is Error(CannotWrite) naming that list's file, with advice on
    /// where to copy the lists. Writes of the store take it themselves.
    ListFolderLock lockFolder(int which) const;
    void setLockOptions(ListLockOptions options) { lockOptions_ = std::move(options); }
    const ListLockOptions& lockOptions() const { return lockOptions_; }

private:
    struct VersionLists {
        std::vector<ItemListEntry> entries;
        // Indexed by identifier; [0] unused. Built from `entries` when first asked after they
        // were handed out for a change, so that lookups always answer from the entries as they are.
        mutable std::vector<std::string> descriptions;
        mutable bool descriptionsStale = false;
        std::vector<ReplaceEntry> saved;
        std::vector<ReplaceEntry> run{ReplaceEntry{}};  // one placeholder that matches nothing
    };

    /// Loads the six files; without `damage` the first fault is thrown, with it every faulty file
    /// is noted there and its list left empty.
    void load(bool keepRunReplacements, std::vector<ListDamage>* damage = nullptr);
    /// SaveList without taking the lock (the caller holds it).
    void saveLocked(int which);
    /// Writes `content` over list `which` (keeping an old longer tail) and stamps what it wrote.
    void writeLocked(int which, std::string_view content);
    static void buildDescriptions(const VersionLists& lists);
    /// The description table of a version, rebuilt first when its entries may have changed.
    static const std::vector<std::string>& descriptionsOf(const VersionLists& lists);
    VersionLists* listsOf(DfType version);
    VersionLists& editable(DfType version);
    const VersionLists* listsOf(DfType version) const;

    std::filesystem::path folder_;
    FileSystem& fileSystem_;
    std::array<VersionLists, 3> lists_;
    std::array<ListFileStamp, kListCount> stamps_{};
    std::array<bool, kListCount> damaged_{};
    ListLockOptions lockOptions_;
    bool loaded_ = false;
};

}  // namespace vok
