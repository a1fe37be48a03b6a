// vok check FILE [--from V] [--json] [--strict]
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "conversion/mission_check.h"

namespace vok::cli {

int checkCommand(Context& context, const std::filesystem::path& file, std::optional<DfType> from, bool json,
                 bool strict) {
    const MissionForm form = requireForm(file);
    const bool ascii = form == MissionForm::Ascii;
    if (ascii && !from) {
        // A file that holds no mission says so rather than that its version is not recognised.
        try {
            requireAsciiMissionText(context.inputBytes(file), displayPath(file));
        } catch (const Error& error) {
            context.fail(error);
        }
    }
    const DfType version = missionVersion(context, file, form, from);
    std::vector<PassedOver> passedOver;
    AnyMission mission;
    try {
        mission = missionFromBytes(context.inputBytes(file), displayPath(file), version, form, &passedOver);
    } catch (const Error& error) {
        const bool readerFault = ascii && error.fault() != Fault::CannotOpen;
        context.fail(error, readerFault ? std::optional(version) : std::nullopt);
    }
    // What the ascii reader passed over comes first, in the order of the file's lines.
    std::vector<Finding> findings;
    for (PassedOver& line : passedOver) {
        findings.push_back({"ignored", "line", line.line, std::move(line.what)});
    }
    for (Finding& finding : checkMission(mission, &context.lists())) findings.push_back(std::move(finding));

    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const Finding& f : findings) {
            list.push_back(
                {{"kind", f.kind}, {"record", f.record}, {"number", f.number}, {"message", utf8(f.message)}});
        }
        context.out << list.dump(2) << "\n";
    } else {
        context.out << displayPath(file) << ": " << versionName(version) << ", "
                    << (form == MissionForm::Binary ? "binary" : "ascii") << ": ";
        if (findings.empty()) {
            context.out << "nothing found\n";
        } else {
            context.out << findings.size() << (findings.size() == 1 ? " finding" : " findings") << "\n";
        }
        for (const Finding& f : findings) {
            context.out << "  " << f.record;
            if (f.number > 0) context.out << " " << f.number;
            context.out << ": " << utf8(f.message) << " [" << f.kind << "]\n";
        }
    }
    return strict && !findings.empty() ? kFailed : kSuccess;
}

}  // namespace vok::cli
