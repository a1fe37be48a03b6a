#include "workflow/choosers.h"

namespace vok::workflow {

void PresetChooser::preset(std::int16_t objectId, DfType from, DfType to, ReplacementAnswer answer, bool beforeLists) {
    answers_[Key{objectId, from, to}] = answer;
    if (beforeLists) beforeLists_[Key{objectId, from, to}] = answer;
}

std::optional<ReplacementAnswer> PresetChooser::decided(std::int16_t objectId, DfType from, DfType to) {
    if (const auto found = beforeLists_.find(Key{objectId, from, to}); found != beforeLists_.end())
        return found->second;
    return std::nullopt;
}

bool PresetChooser::answers(std::int16_t objectId, DfType from, DfType to) const {
    return answers_.contains(Key{objectId, from, to});
}

ReplacementAnswer PresetChooser::choose(std::int16_t objectId, DfType from, DfType to) {
    if (const auto found = answers_.find(Key{objectId, from, to}); found != answers_.end()) return found->second;
    return fallback_ != nullptr ? fallback_->choose(objectId, from, to) : ReplacementAnswer::skip();
}

void PresetChooser::replacementNotSaved(const Error& error) {
    if (fallback_ != nullptr) fallback_->replacementNotSaved(error);
}

void PresetChooser::conversionFinished() {
    if (fallback_ != nullptr) fallback_->conversionFinished();
}

}  // namespace vok::workflow
