#pragma once
// A replacement chooser that answers from a script and records what it was asked.

#include <deque>
#include <stdexcept>
#include <vector>

#include "conversion/chooser.h"

namespace vok::testing {

class ScriptedChooser : public ReplacementChooser {
public:
    struct Question {
        std::int16_t objectId;
        DfType from;
        DfType to;
        bool operator==(const Question&) const = default;
    };

    /// Answers in order; when the script runs out, every further question is answered with `fallback`.
    explicit ScriptedChooser(std::deque<ReplacementAnswer> script = {},
                             ReplacementAnswer fallback = ReplacementAnswer::skip())
        : script_(std::move(script)), fallback_(fallback) {}

    ReplacementAnswer choose(std::int16_t objectId, DfType from, DfType to) override {
        asked.push_back({objectId, from, to});
        if (script_.empty()) return fallback_;
        const ReplacementAnswer answer = script_.front();
        script_.pop_front();
        return answer;
    }
    void replacementNotSaved(const Error& error) override { notSaved.push_back(error.what()); }
    void conversionFinished() override { ++finished; }

    std::vector<std::int16_t> askedIds() const {
        std::vector<std::int16_t> ids;
        for (const auto& question : asked) ids.push_back(question.objectId);
        return ids;
    }

    std::vector<Question> asked;
    std::vector<std::string> notSaved;
    int finished = 0;

private:
    std::deque<ReplacementAnswer> script_;
    ReplacementAnswer fallback_;
};

}  // namespace vok::testing
