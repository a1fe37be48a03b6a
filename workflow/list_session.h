#pragma once
// The list session: what a face does to the six list files, without any window. It changes the
// lists under the folder's lock and only while no other program changed them since they were
// loaded (else it reloads and the change is to be repeated), takes changes back one after
// another, reloads when another program changed a file, and keeps a damaged file from ending the
// program: the other lists stay usable, and the damaged one can be started again. The list editor
// and the page drive it; `vok lists learn` and the converter's "OK-S" add to a list through the
// store's own read-modify-write under the lock.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lists/list_store.h"

namespace vok::workflow {

/// How a change ended. Failures (the lock not had in time, a write refused) are Error, and then
/// the store and the files are as they were.
enum class ChangeOutcome {
    Saved,     ///< applied, written, and all six lists reloaded
    Reloaded,  ///< another program had changed the lists: reloaded, nothing applied
};

/// Why an entry typed in the edit panel is refused.
enum class EntryProblem {
    None,
    BadId,                 ///< not 1..9999, or already used by another entry of the item list
    SourceOutOfRange,      ///< replacement: the source type is not 1..9999
    ReplacementNotListed,  ///< replacement: the replacement type is not in the target's item list
    AlreadyReplaced,       ///< replacement: the source type has a replacement for that version
    SameVersion,           ///< replacement: a version cannot replace its own items
};

/// How a damaged list is started again.
enum class Restart {
    FromStarter,  ///< "Start it again from the starter list"
    Empty,        ///< "Start it empty": only the placeholder entry that keeps a list loadable
};

/// What Undo did.
struct UndoResult {
    enum class Kind {
        Nothing,           ///< nothing to undo
        Undone,            ///< the list file is back as it was before the change
        ChangedElsewhere,  ///< another program changed the file since: refused, and that file's
                           ///< earlier steps are dropped
        Reloaded,          ///< another program changed a list meanwhile: reloaded, nothing undone
    };
    Kind kind = Kind::Nothing;
    int list = 0;      ///< the list concerned
    int position = 0;  ///< the entry to show once undone (from 1); 0 none
    std::string what;  ///< the change, as the face named it when it was made
};

/// The placeholder entries that keep a list loadable while it holds nothing real: {0, 0, 0} for a
/// replacement list (never shown), identifier 1 without a description for an item list (a type
/// with an empty description does not exist).
std::string emptyListBytes(int which);

/// The path a damaged list file is kept under: "DF1Items.vok.damaged-2026-12-08", with "-2", "-3"
/// ... added when that exists already.
std::filesystem::path damagedCopyPath(const std::filesystem::path& listFile, const std::string& date);

class ListSession {
public:
    /// `starter` gives the bytes of starter list 1..6 (the lists the programs ship with).
    ListSession(ListStore& store, std::function<std::string(int)> starter);

    ListStore& store() { return store_; }
    const ListStore& store() const { return store_; }

    /// Loads the six lists; a file that cannot be loaded is answered here (and in damaged()) and
    /// its list is empty, the others load.
    const std::vector<ListDamage>& open();
    const std::vector<ListDamage>& damaged() const { return damaged_; }
    const ListDamage* damageOf(int which) const;

    /// Reloads when another program changed a list file; answers the lists that had changed
    /// (empty when none had).
    std::vector<int> reloadIfChanged();

    /// The lists that changed on disk at the last change refused with Reloaded.
    const std::vector<int>& changedElsewhere() const { return changedElsewhere_; }

    /// Checks of what the edit panel holds. `editing` is the position (from 1) of the entry being
    /// changed; 0 while adding.
    EntryProblem checkItem(int list, int id, int editing) const;
    EntryProblem checkReplacement(int list, int sourceId, int targetVersion, int replacementId, int editing) const;

    /// The changes: each one under the lock, only on lists unchanged since their load, and one
    /// step of Undo; `what` names it there. A position outside the list throws std::out_of_range.
    ChangeOutcome addItem(int list, ItemListEntry entry, std::string what);
    ChangeOutcome changeItem(int list, int position, ItemListEntry entry, std::string what);
    ChangeOutcome addReplacement(int list, ReplaceEntry entry, std::string what);
    ChangeOutcome changeReplacement(int list, int position, ReplaceEntry entry, std::string what);
    /// Removes an entry by moving the last entry into its place; a list keeps its only entry
    /// (answered false then, nothing done).
    std::optional<ChangeOutcome> removeEntry(int list, int position, std::string what);

    bool canUndo() const { return !undoSteps_.empty(); }
    UndoResult undo();

    /// Starts a damaged list again: its file is first kept as damagedCopyPath(file, date) (when it
    /// can be read at all), then the starter list or the placeholder is written in its place, and
    /// the lists are reloaded. Answers the path the damaged file was kept under (empty when there
    /// was no file), or nullopt when another program changed the file since it was loaded (it may
    /// have mended it): then nothing is written and the lists are reloaded. Error when the copy or
    /// the write fails; the file is then as it was.
    std::optional<std::filesystem::path> restart(int which, Restart how, const std::string& date);

private:
    struct UndoStep {
        int list = 0;
        std::vector<ItemListEntry> items;
        std::vector<ReplaceEntry> replacements;
        ListFileStamp after;  ///< the file as the change (or a later undo) left it
        std::string what;
        int position = 0;
    };

    ChangeOutcome apply(int list, const std::function<void()>& change);
    ChangeOutcome applyUndoable(int list, const std::function<void()>& change, std::string what, int position);

    ListStore& store_;
    std::function<std::string(int)> starter_;
    std::vector<ListDamage> damaged_;
    std::vector<int> changedElsewhere_;
    std::vector<UndoStep> undoSteps_;
};

}  // namespace vok::workflow
