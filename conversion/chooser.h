#pragma once
// How a conversion asks for the replacement of an item type that the target version lacks and
// that no replacement list covers. The converter window answers with its dialog, the command-line
// tool with a policy, tests with a script. The core never asks anything itself.

#include <cstdint>
#include <exception>
#include <optional>

#include "mission/core/error.h"
#include "mission/core/version.h"

namespace vok {

struct ReplacementAnswer {
    enum class Kind {
        Replace,     ///< use `replacementId` ("OK", "OK-A", "OK-S")
        Skip,        ///< keep the type the target does not know ("Skip")
        Remove,      ///< set the type to 0; the item stays ("Remove")
        CancelSave,  ///< stop: the save writes nothing ("Cancel Save")
    };
    enum class Remember {
        No,       ///< this item only ("OK")
        ForRun,   ///< every later item of this type bound for this version, this run ("OK-A")
        AndSave,  ///< the same, and appended to the source version's replacement list ("OK-S")
    };

    Kind kind = Kind::Skip;
    std::int16_t replacementId = 0;
    Remember remember = Remember::No;

    bool operator==(const ReplacementAnswer&) const = default;

    static ReplacementAnswer replace(std::int16_t id, Remember remember = Remember::No) {
        return {Kind::Replace, id, remember};
    }
    static ReplacementAnswer skip() { return {Kind::Skip, 0, Remember::No}; }
    static ReplacementAnswer remove() { return {Kind::Remove, 0, Remember::No}; }
    static ReplacementAnswer cancelSave() { return {Kind::CancelSave, 0, Remember::No}; }
};

/// Thrown by a conversion whose chooser answered "Cancel Save": the conversion has stopped, the
/// answers given with "OK-A" during it are forgotten, those saved with "OK-S" stay saved.
class SaveCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "the save was cancelled"; }
};

class ReplacementChooser {
public:
    virtual ~ReplacementChooser() = default;

    /// Asked once per item that needs it, in item order. A chooser that never cancels (the
    /// command line's policy) never answers CancelSave.
    virtual ReplacementAnswer choose(std::int16_t objectId, DfType sourceVersion, DfType targetVersion) = 0;

    /// An answer decided before the conversion that comes before the replacement lists (a file of
    /// answers given to vok); asked for each item whose type the target lacks, before the lists.
    virtual std::optional<ReplacementAnswer> decided(std::int16_t /*objectId*/, DfType /*sourceVersion*/,
                                                     DfType /*targetVersion*/) {
        return std::nullopt;
    }

    /// A replacement chosen with "OK-S" could not be written to its list file; it is still
    /// remembered for the run. The conversion goes on.
    virtual void replacementNotSaved(const Error&) {}

    /// The conversion has ended; a dialog can be discarded.
    virtual void conversionFinished() {}
};

}  // namespace vok
