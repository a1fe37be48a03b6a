#include "workflow/mission_session.h"

#include <algorithm>
#include <stdexcept>

#include "conversion/ascii_losses.h"
#include "mission/core/version_detect.h"

namespace vok::workflow {

namespace {

using Outcome = StepResult::Outcome;

const StepResult kGivenUp{Outcome::GivenUp, {}};

}  // namespace

bool SaveReport::losesSomething() const {
    return std::any_of(lines.begin(), lines.end(),
                       [](const ReportLine& line) { return line.kind != ReportLine::Kind::Set; });
}

MissionSession::MissionSession(ListAccess lists, Style style)
    : lists_(std::move(lists)), style_(style), mission_(emptyMission(DfType::Df1)) {}

StepResult MissionSession::failed(std::string message) const { return {Outcome::Failed, std::move(message)}; }

// ----- open -----

StepResult MissionSession::open(const std::filesystem::path& path, MissionForm form, const VersionQuestion& ask,
                                std::optional<DfType> given) {
    // The lists an ascii file's version is recognised by come first: vok tells lists it cannot load
    // before anything else.
    if (form == MissionForm::Ascii && !given) (void)lists_();
    std::string bytes;
    try {
        bytes = readFile(path);
    } catch (const Error& error) {
        return failed(fileFailureText(error, style_));
    }
    return read(bytes, displayPath(path), form, ask, given);
}

StepResult MissionSession::openBytes(std::string_view bytes, std::string name, MissionForm form,
                                     const VersionQuestion& ask, std::optional<DfType> given) {
    return read(bytes, std::move(name), form, ask, given);
}

StepResult MissionSession::recognise(std::string_view bytes, const std::string& name, MissionForm form,
                                     DfType& version) {
    try {
        if (form == MissionForm::Binary) {
            version = BmsVersionOfBytes(bytes);
        } else {
            version = MisVersionOfText(bytes, lists_());
            // A file that holds no mission is told before its version is asked for.
            if (version == DfType::NotRecognised) requireAsciiMission(bytes, name);
        }
    } catch (const Error& error) {
        return failed(fileFailureText(error, style_));
    }
    return {};
}

StepResult MissionSession::read(std::string_view bytes, std::string name, MissionForm form, const VersionQuestion& ask,
                                std::optional<DfType> given) {
    DfType version = DfType::NotRecognised;
    if (given && isVersion(*given)) {
        version = *given;
    } else if (StepResult recognised = recognise(bytes, name, form, version); !recognised.done()) {
        return recognised;
    }
    if (version == DfType::NotRecognised) {
        const std::optional<DfType> answer = ask ? ask() : std::nullopt;
        if (!answer || !isVersion(*answer)) {
            version_ = DfType::NotRecognised;
            converted_.reset();
            return kGivenUp;
        }
        version = *answer;
    }

    std::vector<PassedOver> passedOver;
    try {
        mission_ = readMission(bytes, name, version, form, &passedOver);
    } catch (const Error& error) {
        return failed(readFailureText(error, form, version, style_));
    } catch (const std::exception& error) {
        return failed(unexpectedReadFailureText(name, error, style_));
    }
    version_ = version;
    name_ = std::move(name);
    form_ = form;
    passedOver_ = std::move(passedOver);
    converted_.reset();
    return {};
}

std::vector<ReportLine> MissionSession::passedOverLines() const {
    std::vector<ReportLine> lines;
    for (const PassedOver& line : passedOver_) {
        lines.push_back({ReportLine::Kind::Ignored, "line " + std::to_string(line.line) + ": " + line.what});
    }
    return lines;
}

// ----- convert -----

std::vector<MissingType> MissionSession::missingTypes(DfType target) const {
    if (!holdsMission() || target == version_) return {};
    return findMissingTypes(mission_, target, lists_());
}

StepResult MissionSession::convert(DfType target, ReplacementChooser& chooser, const TerrainQuestion& terrain) {
    if (!holdsMission()) throw std::logic_error("no mission to convert");
    if (target == version_) return {};
    ListStore& lists = lists_();
    ConversionReport report;
    std::optional<AnyMission> converted;
    try {
        converted = convertMission(mission_, target, lists, chooser, &report);
    } catch (const SaveCancelled&) {
        return kGivenUp;  // "Cancel Save": the chooser is done, nothing is written
    } catch (const std::exception& error) {
        chooser.conversionFinished();
        return failed(conversionFailureText(error, style_));
    }
    const std::optional<std::string> answer = terrain(suggestedTerrain(*converted, version_));
    if (!answer) return kGivenUp;
    vok::setTerrain(*converted, *answer);
    converted_ = std::move(converted);
    conversionReport_ = std::move(report);
    return {};
}

StepResult MissionSession::convert(DfType target, ReplacementChooser& chooser,
                                   const std::optional<std::string>& terrain) {
    if (target == version_) {
        if (terrain) setTerrain(target, *terrain);
        return {};
    }
    return convert(target, chooser,
                   [&terrain](const std::string& suggested) { return std::optional(terrain.value_or(suggested)); });
}

void MissionSession::setTerrain(DfType target, std::string_view terrain) {
    if (target == version_) {
        vok::setTerrain(mission_, terrain);
    } else if (converted_ && versionOf(*converted_) == target) {
        vok::setTerrain(*converted_, terrain);
    }
}

const AnyMission* MissionSession::missionFor(DfType target) const {
    if (!holdsMission()) return nullptr;
    if (target == version_) return &mission_;
    return converted_ && versionOf(*converted_) == target ? &*converted_ : nullptr;
}

// ----- save -----

StepResult MissionSession::save(const std::filesystem::path& path, const SaveRequest& request, FileSystem& fileSystem) {
    return write(displayPath(path), request,
                 [&](const std::string& bytes) { writeFileAtomically(path, bytes, fileSystem); });
}

StepResult MissionSession::saveToBytes(std::string& bytes, std::string name, const SaveRequest& request) {
    return write(name, request, [&bytes](const std::string& written) { bytes = written; });
}

StepResult MissionSession::write(const std::string& name, const SaveRequest& request,
                                 const std::function<void(const std::string&)>& put) {
    const AnyMission* mission = missionFor(request.target);
    if (mission == nullptr) throw std::logic_error("nothing to save for " + std::string(versionName(request.target)));
    std::string bytes;
    try {
        bytes = missionBytes(*mission, request.form, request.createdOn, name);
        put(bytes);
    } catch (const Error& error) {
        // Counts that do not match the records came with the mission read: the fault is its file's.
        if (error.fault() == Fault::InvalidModel) {
            return failed(fileFailureText(
                Error(error.fault(), name_, error.detail() + "; nothing was written to " + name), style_));
        }
        return failed(fileFailureText(error, style_));
    }
    SaveReport report{name, version_, request.target, request.form, {}};
    if (report.converted()) report.lines = conversionReport_.lines;
    if (request.form == MissionForm::Ascii && request.reportLosses) {
        // What the file written gives back, read from its bytes.
        for (ReportLine& line : asciiSaveLosses(*mission, bytes)) report.lines.push_back(std::move(line));
    }
    saveReport_ = std::move(report);
    return {};
}

}  // namespace vok::workflow
