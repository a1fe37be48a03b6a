#include "workflow/choosers.h"

namespace vok::workflow {

void PresetChooser::preset(std::int16_t objectId, DfType from, DfType to, ReplacementAnswer answer) {
    answers_[Key{objectId, from, to}] = answer;
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
