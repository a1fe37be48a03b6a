#include "workflow/list_session.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "mission/core/error.h"
#include "mission/core/file_io.h"

namespace vok::workflow {

namespace {

constexpr std::size_t kUndoDepth = 100;

// Removes entry `position` (from 1) by moving the last entry into its place.
template <class Entries>
void moveLastInto(Entries& entries, int position) {
    entries[static_cast<std::size_t>(position - 1)] = entries.back();
    entries.pop_back();
}

template <class Entries>
void requirePosition(const Entries& entries, int position) {
    if (position < 1 || static_cast<std::size_t>(position) > entries.size()) {
        throw std::out_of_range("no entry " + std::to_string(position));
    }
}

void requireList(int list, bool items) {
    if (items ? !isItemList(list) : !isReplaceList(list))
        throw std::out_of_range("no such list " + std::to_string(list));
}

}  // namespace

std::string emptyListBytes(int which) {
    return isItemList(which) ? encodeItemList({{1, ""}}) : encodeReplaceList({{0, 0, 0}});
}

std::filesystem::path damagedCopyPath(const std::filesystem::path& listFile, const std::string& date) {
    const std::string base = listFile.filename().string() + ".damaged-" + date;
    std::filesystem::path candidate = listFile.parent_path() / base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(candidate, ec); ++n) {
        candidate = listFile.parent_path() / (base + "-" + std::to_string(n));
    }
    return candidate;
}

ListSession::ListSession(ListStore& store, std::function<std::string(int)> starter)
    : store_(store), starter_(std::move(starter)) {}

const std::vector<ListDamage>& ListSession::open() {
    damaged_ = store_.reloadKeepingDamaged();
    return damaged_;
}

const ListDamage* ListSession::damageOf(int which) const {
    for (const auto& damage : damaged_) {
        if (damage.which == which) return &damage;
    }
    return nullptr;
}

std::vector<int> ListSession::reloadIfChanged() {
    std::vector<int> changed = store_.changedListsOnDisk();
    if (!changed.empty()) open();
    return changed;
}

EntryProblem ListSession::checkItem(int list, int id, int editing) const {
    if (!isItemList(list) || id < 1 || id > 9999) return EntryProblem::BadId;
    const auto& entries = store_.Entries(versionOfList(list));
    // An edit may keep its own identifier, also one that a list from elsewhere holds twice.
    if (editing >= 1 && static_cast<std::size_t>(editing) <= entries.size() &&
        entries[static_cast<std::size_t>(editing - 1)].ItemId == id) {
        return EntryProblem::None;
    }
    const bool used = std::any_of(entries.begin(), entries.end(), [id](const auto& e) { return e.ItemId == id; });
    return used ? EntryProblem::BadId : EntryProblem::None;
}

EntryProblem ListSession::checkReplacement(int list, int sourceId, int targetVersion, int replacementId,
                                           int editing) const {
    requireList(list, false);
    const DfType source = versionOfList(list);
    if (sourceId < 1 || sourceId > 9999) return EntryProblem::SourceOutOfRange;
    if (targetVersion == versionNumber(source) || targetVersion < 1 || targetVersion > 3) {
        return EntryProblem::SameVersion;
    }
    if (replacementId < 1 || replacementId > 9999 ||
        !store_.ItemExists(dfTypeOf(static_cast<std::int16_t>(targetVersion)),
                           static_cast<std::int16_t>(replacementId))) {
        return EntryProblem::ReplacementNotListed;
    }
    const auto& entries = store_.SavedReplacements(source);
    const ReplaceEntry* first =
        firstReplacementFor(entries, static_cast<std::int16_t>(targetVersion), static_cast<std::int16_t>(sourceId));
    // The converter uses the first entry for a type and version; a second would never be used.
    if (first != nullptr && first - entries.data() + 1 != editing) return EntryProblem::AlreadyReplaced;
    return EntryProblem::None;
}

ChangeOutcome ListSession::apply(int list, const std::function<void()>& change) {
    changedElsewhere_.clear();
    if (store_.changeAndSaveList(list, change) == ListChange::ChangedOnDisk) {
        changedElsewhere_ = store_.changedListsOnDisk();
        open();
        return ChangeOutcome::Reloaded;
    }
    open();
    return ChangeOutcome::Saved;
}

ChangeOutcome ListSession::applyUndoable(int list, const std::function<void()>& change, std::string what,
                                         int position) {
    UndoStep step{list, {}, {}, {}, std::move(what), position};
    const DfType version = versionOfList(list);
    if (isItemList(list)) {
        step.items = store_.Entries(version);
    } else {
        step.replacements = store_.SavedReplacements(version);
    }
    const ChangeOutcome outcome = apply(list, change);
    if (outcome != ChangeOutcome::Saved) return outcome;
    step.after = store_.stampOf(list);
    if (undoSteps_.size() == kUndoDepth) undoSteps_.erase(undoSteps_.begin());
    undoSteps_.push_back(std::move(step));
    return outcome;
}

ChangeOutcome ListSession::addItem(int list, ItemListEntry entry, std::string what) {
    requireList(list, true);
    return applyUndoable(
        list, [&] { store_.editEntries(versionOfList(list)).push_back(entry); }, std::move(what), 0);
}

ChangeOutcome ListSession::changeItem(int list, int position, ItemListEntry entry, std::string what) {
    requireList(list, true);
    requirePosition(store_.Entries(versionOfList(list)), position);
    return applyUndoable(
        list, [&] { store_.editEntries(versionOfList(list))[static_cast<std::size_t>(position - 1)] = entry; },
        std::move(what), position);
}

ChangeOutcome ListSession::addReplacement(int list, ReplaceEntry entry, std::string what) {
    requireList(list, false);
    return applyUndoable(
        list, [&] { store_.editSavedReplacements(versionOfList(list)).push_back(entry); }, std::move(what), 0);
}

ChangeOutcome ListSession::changeReplacement(int list, int position, ReplaceEntry entry, std::string what) {
    requireList(list, false);
    requirePosition(store_.SavedReplacements(versionOfList(list)), position);
    return applyUndoable(
        list,
        [&] { store_.editSavedReplacements(versionOfList(list))[static_cast<std::size_t>(position - 1)] = entry; },
        std::move(what), position);
}

std::optional<ChangeOutcome> ListSession::removeEntry(int list, int position, std::string what) {
    const DfType version = versionOfList(list);
    const std::size_t size =
        isItemList(list) ? store_.Entries(version).size() : store_.SavedReplacements(version).size();
    if (position < 1 || static_cast<std::size_t>(position) > size) throw std::out_of_range("no such entry");
    // The loader refuses a list without entries, so the last one stays.
    if (size == 1) return std::nullopt;
    return applyUndoable(
        list,
        [&] {
            if (isItemList(list)) {
                moveLastInto(store_.editEntries(version), position);
            } else {
                moveLastInto(store_.editSavedReplacements(version), position);
            }
        },
        std::move(what), position);
}

UndoResult ListSession::undo() {
    if (undoSteps_.empty()) return {};
    const UndoStep step = undoSteps_.back();
    UndoResult result{UndoResult::Kind::Undone, step.list, step.position, step.what};
    // Other files that changed are taken in first, so that the undo itself is not refused for them.
    reloadIfChanged();
    // Only a file as this session's last change of it left it is put back: a change another
    // program made since would be lost.
    if (store_.stampOf(step.list) != step.after) {
        std::erase_if(undoSteps_, [&](const UndoStep& s) { return s.list == step.list; });
        result.kind = UndoResult::Kind::ChangedElsewhere;
        return result;
    }
    const DfType version = versionOfList(step.list);
    const ChangeOutcome outcome = apply(step.list, [&] {
        if (isItemList(step.list)) {
            store_.editEntries(version) = step.items;
        } else {
            store_.editSavedReplacements(version) = step.replacements;
        }
    });
    if (outcome != ChangeOutcome::Saved) {
        result.kind = UndoResult::Kind::Reloaded;
        return result;
    }
    undoSteps_.pop_back();
    // The file is again as this session's previous change of it left it.
    for (auto earlier = undoSteps_.rbegin(); earlier != undoSteps_.rend(); ++earlier) {
        if (earlier->list != step.list) continue;
        earlier->after = store_.stampOf(step.list);
        break;
    }
    return result;
}

std::optional<std::filesystem::path> ListSession::restart(int which, Restart how, const std::string& date) {
    if (which < 1 || which > kListCount) throw std::out_of_range("no list " + std::to_string(which));
    const std::string bytes = how == Restart::FromStarter ? starter_(which) : emptyListBytes(which);
    const auto path = store_.pathOf(which);
    std::filesystem::path kept;
    {
        const auto lock = store_.lockFolder(which);
        // Another program may have mended it meanwhile (vok lists import): that stays.
        const auto changed = store_.changedListsOnDisk();
        if (std::find(changed.begin(), changed.end(), which) != changed.end()) {
            open();
            return std::nullopt;
        }
        std::optional<std::string> old;
        try {
            old = readFile(path);
        } catch (const Error&) {
            // Nothing to keep: the file is missing or cannot be read at all.
        }
        if (old) {
            kept = damagedCopyPath(path, date);
            writeFileAtomically(kept, *old, store_.fileSystem());
        }
        // Written whole, without the damaged file's tail: that is kept in the copy.
        writeFileAtomically(path, bytes, store_.fileSystem());
    }
    open();
    return kept;
}

}  // namespace vok::workflow
