#include "lists/list_store.h"

#include <stdexcept>
#include <system_error>

#include "mission/core/error.h"

namespace vok {

namespace {
const std::vector<ItemListEntry> kNoEntries;
const std::vector<ReplaceEntry> kNoReplacements;

std::filesystem::file_time_type modificationTime(const std::filesystem::path& path) {
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    return ec ? std::filesystem::file_time_type::min() : time;
}

ListFileStamp stampFor(std::string_view bytes, std::filesystem::file_time_type modified) {
    return {bytes.size(), modified, listBytesHash(bytes)};
}
}  // namespace

std::uint64_t listBytesHash(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

ListStore::ListStore(std::filesystem::path folder, FileSystem& fileSystem)
    : folder_(std::move(folder)), fileSystem_(fileSystem) {}

std::filesystem::path ListStore::pathOf(int which) const { return folder_ / std::string(listFileName(which)); }

ListStore::VersionLists* ListStore::listsOf(DfType version) {
    return isVersion(version) ? &lists_[versionIndex(version)] : nullptr;
}

const ListStore::VersionLists* ListStore::listsOf(DfType version) const {
    return isVersion(version) ? &lists_[versionIndex(version)] : nullptr;
}

void ListStore::InitilizeItemLists() { load(false); }

void ListStore::reload() { load(true); }

std::vector<ListDamage> ListStore::reloadKeepingDamaged() {
    std::vector<ListDamage> damage;
    load(true, &damage);
    return damage;
}

bool ListStore::isDamaged(int which) const {
    return which >= 1 && which <= kListCount && damaged_[static_cast<std::size_t>(which - 1)];
}

void ListStore::load(bool keepRunReplacements, std::vector<ListDamage>* damage) {
    std::array<VersionLists, 3> fresh;
    std::array<ListFileStamp, kListCount> stamps{};
    std::array<bool, kListCount> damaged{};
    // The time is taken before the bytes: a file replaced in between then shows as changed later,
    // never the other way round.
    const auto loadOne = [&](int which, const auto& parse) {
        const auto path = pathOf(which);
        const auto index = static_cast<std::size_t>(which - 1);
        const auto modified = modificationTime(path);
        try {
            std::string bytes;
            try {
                bytes = readFile(path);
            } catch (const Error&) {
                stamps[index] = ListFileStamp{.unreadable = true};
                throw;
            }
            stamps[index] = stampFor(bytes, modified);
            parse(bytes, displayPath(path));
        } catch (const Error& error) {
            if (damage == nullptr) throw;
            damage->push_back({which, error});
            damaged[index] = true;
        }
    };
    for (const DfType v : kAllVersions) {
        auto& lists = fresh[versionIndex(v)];
        loadOne(itemListOf(v),
                [&](std::string_view bytes, std::string_view path) { lists.entries = parseItemList(bytes, path); });
        buildDescriptions(lists);
    }
    for (const DfType v : kAllVersions) {
        auto& lists = fresh[versionIndex(v)];
        loadOne(replaceListOf(v),
                [&](std::string_view bytes, std::string_view path) { lists.saved = parseReplaceList(bytes, path); });
    }
    // Only now that all six files have been read may the store change: a failed load keeps it whole.
    if (keepRunReplacements) {
        for (std::size_t i = 0; i < fresh.size(); ++i) fresh[i].run = std::move(lists_[i].run);
    }
    lists_ = std::move(fresh);
    stamps_ = stamps;
    damaged_ = damaged;
    loaded_ = true;
}

void ListStore::buildDescriptions(const VersionLists& lists) {
    lists.descriptions.assign(2, std::string());  // index 1 always exists
    for (const auto& entry : lists.entries) {
        if (entry.ItemId < 1) continue;  // no place in the table (the loader refuses them)
        const auto id = static_cast<std::size_t>(entry.ItemId);
        if (id >= lists.descriptions.size()) lists.descriptions.resize(id + 1);
        lists.descriptions[id] = entry.Description;  // a later duplicate wins
    }
    lists.descriptionsStale = false;
}

const std::vector<std::string>& ListStore::descriptionsOf(const VersionLists& lists) {
    if (lists.descriptionsStale) buildDescriptions(lists);
    return lists.descriptions;
}

const std::vector<ItemListEntry>& ListStore::Entries(DfType version) const {
    const auto* lists = listsOf(version);
    return lists != nullptr ? lists->entries : kNoEntries;
}

std::string ListStore::ItemDescription(DfType version, std::int16_t itemId) const {
    const auto* lists = listsOf(version);
    if (lists == nullptr || itemId < 1) return {};
    const auto& descriptions = descriptionsOf(*lists);
    return static_cast<std::size_t>(itemId) < descriptions.size() ? descriptions[static_cast<std::size_t>(itemId)]
                                                                  : std::string();
}

bool ListStore::ItemExists(DfType version, std::int16_t itemId) const {
    const auto* lists = listsOf(version);
    if (lists == nullptr || itemId < 1) return false;
    const auto& descriptions = descriptionsOf(*lists);
    return static_cast<std::size_t>(itemId) < descriptions.size() &&
           !descriptions[static_cast<std::size_t>(itemId)].empty();
}

const std::vector<ReplaceEntry>& ListStore::SavedReplacements(DfType version) const {
    const auto* lists = listsOf(version);
    return lists != nullptr ? lists->saved : kNoReplacements;
}

const std::vector<ReplaceEntry>& ListStore::RunReplacements(DfType version) const {
    const auto* lists = listsOf(version);
    return lists != nullptr ? lists->run : kNoReplacements;
}

std::int16_t ListStore::LookupReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId) const {
    const auto* lists = listsOf(orgVersion);
    // The placeholder entries {0, 0, 0} must never answer: no version is numbered 0.
    if (lists == nullptr || !isVersion(newVersion)) return -1;
    for (const auto* list : {&lists->saved, &lists->run}) {
        for (const auto& entry : *list) {
            if (dfTypeOf(entry.NewDfType) == newVersion && entry.ObjectId == objectId) return entry.ReplacementId;
        }
    }
    return -1;
}

void ListStore::RememberReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                    std::int16_t replacementId) {
    if (auto* lists = listsOf(orgVersion))
        lists->run.push_back({static_cast<std::int16_t>(versionNumber(newVersion)), objectId, replacementId});
}

void ListStore::RememberAndSaveReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                           std::int16_t replacementId) {
    auto* lists = listsOf(orgVersion);
    if (lists == nullptr) return;
    const ReplaceEntry entry{static_cast<std::int16_t>(versionNumber(newVersion)), objectId, replacementId};
    lists->run.push_back(entry);
    // Start from the file as it is now, so that entries another program (the list editor) saved
    // since this store was loaded are kept; the lock keeps anyone from writing in between.
    const int which = replaceListOf(orgVersion);
    const auto lock = lockFolder(which);
    const auto path = pathOf(which);
    std::vector<ReplaceEntry> onDisk = parseReplaceList(readFile(path), displayPath(path));
    // Another program may have saved a replacement for this type meanwhile; it is the one every
    // lookup finds, and a second entry would never be used.
    if (firstReplacementFor(onDisk, entry.NewDfType, entry.ObjectId) == nullptr) {
        onDisk.push_back(entry);
        writeLocked(which, encodeReplaceList(onDisk));
    }
    lists->saved = std::move(onDisk);
}

std::vector<ItemListEntry>& ListStore::editEntries(DfType version) {
    auto& lists = editable(version);
    lists.descriptionsStale = true;  // the caller may change any entry through the reference
    return lists.entries;
}

std::vector<ReplaceEntry>& ListStore::editSavedReplacements(DfType version) { return editable(version).saved; }

ListStore::VersionLists& ListStore::editable(DfType version) {
    auto* lists = listsOf(version);
    if (lists == nullptr) throw std::out_of_range("no game version " + std::to_string(versionNumber(version)));
    return *lists;
}

void ListStore::SaveList(int which) {
    if (which < 0 || which > kListCount) return;
    const auto lock = lockFolder(which);
    saveLocked(which);
}

void ListStore::saveLocked(int which) {
    if (which == 0) {
        for (int list = 1; list <= kListCount; ++list) saveLocked(list);
        return;
    }
    // The store holds nothing of a damaged list: writing it would put an empty list over the file.
    if (isDamaged(which)) {
        throw Error(Fault::BadList, displayPath(pathOf(which)), "it is damaged and must be started again first");
    }
    if (isItemList(which)) {
        writeLocked(which, encodeItemList(lists_[static_cast<std::size_t>(which - 1)].entries));
    } else if (isReplaceList(which)) {
        writeLocked(which, encodeReplaceList(lists_[static_cast<std::size_t>(which - 4)].saved));
    }
}

void ListStore::writeLocked(int which, std::string_view content) {
    const auto path = pathOf(which);
    std::string old;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) old = readFile(path);
    const std::string bytes = overlayListBytes(old, content);
    writeFileAtomically(path, bytes, fileSystem_);
    // Nobody else writes while the lock is held, so this is the file as it now is.
    stamps_[static_cast<std::size_t>(which - 1)] = stampFor(bytes, modificationTime(path));
}

ListChange ListStore::changeAndSaveList(int which, const std::function<void()>& change) {
    if (which < 0 || which > kListCount) throw std::out_of_range("no list " + std::to_string(which));
    const auto lock = lockFolder(which);
    if (changedOnDisk()) return ListChange::ChangedOnDisk;
    const auto lists = lists_;
    const auto stamps = stamps_;
    try {
        change();
        for (auto& lists : lists_) lists.descriptionsStale = true;
        saveLocked(which);
    } catch (...) {
        lists_ = lists;
        stamps_ = stamps;
        throw;
    }
    return ListChange::Saved;
}

std::vector<int> ListStore::changedListsOnDisk() const {
    std::vector<int> changed;
    for (int which = 1; which <= kListCount; ++which) {
        const auto path = pathOf(which);
        bool same = loaded_;
        if (same) {
            const auto modified = modificationTime(path);
            const auto& known = stamps_[static_cast<std::size_t>(which - 1)];
            try {
                same = stampFor(readFile(path), modified) == known;
            } catch (const Error&) {
                same = known.unreadable;  // still missing, as it was at the last load
            }
        }
        if (!same) changed.push_back(which);
    }
    return changed;
}

const ListFileStamp& ListStore::stampOf(int which) const {
    if (which < 1 || which > kListCount) throw std::out_of_range("no list " + std::to_string(which));
    return stamps_[static_cast<std::size_t>(which - 1)];
}

ListFolderLock ListStore::lockFolder(int which) const {
    try {
        return ListFolderLock(folder_, lockOptions_);
    } catch (const Error& error) {
        // The lock file is the first thing written: a folder that refuses it refuses the list.
        if (error.fault() != Fault::CannotWrite) throw;
        const int list = which >= 1 && which <= kListCount ? which : 1;
        throw Error(Fault::CannotWrite, displayPath(pathOf(list)), error.detail());
    }
}

}  // namespace vok
