#pragma once
// Replacement choosers that need no window: one answer for every question (vok's --replace skip
// and remove), and answers decided before the conversion (a campaign asks each missing type once
// for all its missions, then converts each mission with the answers; a page or a script passes
// its answers in the same way).

#include <cstdint>
#include <map>
#include <tuple>

#include "conversion/chooser.h"

namespace vok::workflow {

/// Answers every question alike.
class FixedChooser : public ReplacementChooser {
public:
    explicit FixedChooser(ReplacementAnswer answer) : answer_(answer) {}
    ReplacementAnswer choose(std::int16_t, DfType, DfType) override { return answer_; }

private:
    ReplacementAnswer answer_;
};

/// Answers from a table of answers decided beforehand, each for an item type of one version bound
/// for another; a question the table does not answer goes to `fallback` (when there is none, the
/// type is kept, as "Skip"). Whatever the conversion tells the chooser besides goes to the
/// fallback too.
class PresetChooser : public ReplacementChooser {
public:
    explicit PresetChooser(ReplacementChooser* fallback = nullptr) : fallback_(fallback) {}

    /// `beforeLists`: the answer comes before the replacement lists (a file of answers), else it
    /// answers only what the lists do not.
    void preset(std::int16_t objectId, DfType from, DfType to, ReplacementAnswer answer, bool beforeLists = false);
    bool answers(std::int16_t objectId, DfType from, DfType to) const;

    ReplacementAnswer choose(std::int16_t objectId, DfType from, DfType to) override;
    std::optional<ReplacementAnswer> decided(std::int16_t objectId, DfType from, DfType to) override;
    void replacementNotSaved(const Error& error) override;
    void conversionFinished() override;

private:
    using Key = std::tuple<std::int16_t, DfType, DfType>;
    std::map<Key, ReplacementAnswer> answers_;
    std::map<Key, ReplacementAnswer> beforeLists_;
    ReplacementChooser* fallback_;
};

}  // namespace vok::workflow
