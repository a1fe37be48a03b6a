// vok check FILE [--from V] [--json] [--strict]
#include <nlohmann/json.hpp>

#include "cli/command_line.h"
#include "cli/help.h"
#include "conversion/mission_check.h"

namespace vok::cli {

int checkCommand(Context& context, const std::filesystem::path& file, std::optional<DfType> from, bool json,
                 bool strict) {
    const MissionForm form = requireForm(file);
    workflow::MissionSession session = context.session();
    openMission(context, session, file, form, from);
    const DfType version = session.version();
    // What the ascii reader passed over comes first, in the order of the file's lines.
    std::vector<Finding> findings;
    for (const PassedOver& line : session.passedOver())
        findings.push_back({FindingKind::Ignored, "line", line.line, line.what});
    const AnyMission& mission = session.mission();
    for (Finding& finding : checkMission(mission, &context.lists())) findings.push_back(std::move(finding));

    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const Finding& f : findings) {
            list.push_back({{"kind", findingKindText(f.kind)},
                            {"record", f.record},
                            {"number", f.number},
                            {"message", utf8(f.message)}});
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
            context.out << ": " << utf8(f.message) << " [" << findingKindText(f.kind) << "]\n";
        }
    }
    return strict && !findings.empty() ? kFailed : kSuccess;
}

void addCheckCommand(CLI::App& app, Context& context, Commands& commands) {
    struct Line {
        std::string file, from;
        bool json = false, strict = false;
    };
    auto line = std::make_shared<Line>();
    auto* command = app.add_subcommand(
        "check", "List what is wrong with a mission, and what saving it in the ascii form would not carry");
    command->add_option("file", line->file, "A .bms or .mis file")->required();
    command->add_option("--from", line->from, "Version of the file (default: recognised)")->check(versionValidator());
    command->add_flag("--json", line->json,
                      "Print a JSON array: one object per finding (kind, record, number, message)");
    command->add_flag("--strict", line->strict, "Exit with 1 when anything was found");
    command->footer(
        std::string(kCheckHelp) +
        "Examples:\n  vok check m01.bms\n  vok check m01.bms --json --strict\n  vok check m01.mis --from df3 --lists "
        "~/lists");
    commands.emplace_back(command, [&context, line] {
        return checkCommand(context, pathFromUtf8(line->file), versionOption(line->from), line->json, line->strict);
    });
}

}  // namespace vok::cli
