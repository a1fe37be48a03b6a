#include "lists/list_store.h"

#include <stdexcept>

#include "mission/core/error.h"

namespace vok {

namespace {
const std::vector<ItemListEntry> kNoEntries;
const std::vector<ReplaceEntry> kNoReplacements;
}  // namespace

ListStore::ListStore(std::filesystem::path folder, FileSystem& fileSystem)
    : folder_(std::move(folder)), fileSystem_(fileSystem) {}

std::filesystem::path ListStore::pathOf(int which) const { return folder_ / std::string(listFileName(which)); }

ListStore::VersionLists* ListStore::listsOf(DfType version) {
    return isVersion(version) ? &lists_[static_cast<std::size_t>(version - 1)] : nullptr;
}

const ListStore::VersionLists* ListStore::listsOf(DfType version) const {
    return isVersion(version) ? &lists_[static_cast<std::size_t>(version - 1)] : nullptr;
}

void ListStore::InitilizeItemLists() { load(false); }

void ListStore::reload() { load(true); }

void ListStore::load(bool keepRunReplacements) {
    std::array<VersionLists, 3> fresh;
    for (DfType v = kDf1; v <= kDf3; ++v) {
        const auto path = pathOf(itemListOf(v));
        auto& lists = fresh[static_cast<std::size_t>(v - 1)];
        lists.entries = parseItemList(readFile(path), displayPath(path));
        buildDescriptions(lists);
    }
    for (DfType v = kDf1; v <= kDf3; ++v) {
        const auto path = pathOf(replaceListOf(v));
        auto& lists = fresh[static_cast<std::size_t>(v - 1)];
        lists.saved = parseReplaceList(readFile(path), displayPath(path));
    }
    // Only now that all six files have been read may the store change: a failed load keeps it whole.
    if (keepRunReplacements) {
        for (std::size_t i = 0; i < fresh.size(); ++i) fresh[i].run = std::move(lists_[i].run);
    }
    lists_ = std::move(fresh);
    loaded_ = true;
}

void ListStore::buildDescriptions(VersionLists& lists) {
    lists.descriptions.assign(2, std::string());  // index 1 always exists
    for (const auto& entry : lists.entries) {
        const auto id = static_cast<std::size_t>(entry.ItemId);
        if (id >= lists.descriptions.size()) lists.descriptions.resize(id + 1);
        lists.descriptions[id] = entry.Description;  // a later duplicate wins
    }
}

const std::vector<ItemListEntry>& ListStore::Entries(DfType version) const {
    const auto* lists = listsOf(version);
    return lists != nullptr ? lists->entries : kNoEntries;
}

std::string ListStore::ItemDescription(DfType version, std::int16_t itemId) const {
    const auto* lists = listsOf(version);
    if (lists == nullptr || itemId < 1 || static_cast<std::size_t>(itemId) >= lists->descriptions.size()) return {};
    return lists->descriptions[static_cast<std::size_t>(itemId)];
}

bool ListStore::ItemExists(DfType version, std::int16_t itemId) const {
    const auto* lists = listsOf(version);
    return lists != nullptr && itemId >= 1 && static_cast<std::size_t>(itemId) < lists->descriptions.size() &&
           !lists->descriptions[static_cast<std::size_t>(itemId)].empty();
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
            if (entry.NewDfType == newVersion && entry.ObjectId == objectId) return entry.ReplacementId;
        }
    }
    return -1;
}

void ListStore::RememberReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                    std::int16_t replacementId) {
    if (auto* lists = listsOf(orgVersion)) lists->run.push_back({newVersion, objectId, replacementId});
}

void ListStore::RememberAndSaveReplacement(DfType orgVersion, DfType newVersion, std::int16_t objectId,
                                           std::int16_t replacementId) {
    auto* lists = listsOf(orgVersion);
    if (lists == nullptr) return;
    const ReplaceEntry entry{newVersion, objectId, replacementId};
    lists->run.push_back(entry);
    // Start from the file as it is now, so that entries another program (the list editor) saved
    // since this store was loaded are kept.
    const auto path = pathOf(replaceListOf(orgVersion));
    const std::string old = readFile(path);
    std::vector<ReplaceEntry> onDisk = parseReplaceList(old, displayPath(path));
    onDisk.push_back(entry);
    writeFileAtomically(path, overlayListBytes(old, encodeReplaceList(onDisk)), fileSystem_);
    lists->saved = std::move(onDisk);
}

std::vector<ItemListEntry>& ListStore::editEntries(DfType version) { return editable(version).entries; }

std::vector<ReplaceEntry>& ListStore::editSavedReplacements(DfType version) { return editable(version).saved; }

ListStore::VersionLists& ListStore::editable(DfType version) {
    auto* lists = listsOf(version);
    if (lists == nullptr) throw std::out_of_range("no game version " + std::to_string(version));
    return *lists;
}

void ListStore::SaveList(int which) {
    if (which == 0) {
        for (int list = 1; list <= kListCount; ++list) SaveList(list);
        return;
    }
    if (isItemList(which)) {
        writeListFile(pathOf(which), encodeItemList(lists_[static_cast<std::size_t>(which - 1)].entries), fileSystem_);
    } else if (isReplaceList(which)) {
        writeListFile(pathOf(which), encodeReplaceList(lists_[static_cast<std::size_t>(which - 4)].saved), fileSystem_);
    }
}

}  // namespace vok
