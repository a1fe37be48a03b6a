// vok detect FILE, vok info FILE [--from V] [--json]
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/command_line.h"
#include "cli/help.h"
#include "mission/core/item_counts.h"
#include "mission/core/mission_binary.h"
#include "mission/core/version_detect.h"

namespace vok::cli {

int detectCommand(Context& context, const std::filesystem::path& file) {
    const MissionForm form = requireForm(file);
    DfType version = DfType::NotRecognised;
    try {
        const std::string bytes = context.inputBytes(file);
        version = form == MissionForm::Binary ? BmsVersionOfBytes(bytes) : MisVersionOfText(bytes, context.lists());
    } catch (const Error& error) {
        context.fail(error);
    }
    context.out << (version == DfType::NotRecognised ? "unknown" : versionKey(version)) << "\n";
    return version == DfType::NotRecognised ? kFailed : kSuccess;
}

namespace {

struct Summary {
    DfType version = DfType::None;
    MissionForm form = MissionForm::Binary;
    std::string name, designer, terrain, briefing;
    std::size_t items = 0;
    std::map<std::string, std::size_t> categories;
    std::size_t events = 0, triggers = 0, actions = 0;
    std::set<int> waypoints, groups, areaTriggers;
    std::string countFault;  ///< how the counts fail to match the records; empty when they do
};

Summary summarise(const AnyMission& mission, MissionForm form) {
    Summary s;
    s.version = versionOf(mission);
    s.form = form;
    std::visit(
        [&s](const auto& m) {
            s.name = m.header.name.text();
            s.designer = m.header.designer.text();
            s.terrain = m.header.terrain.text();
            if constexpr (requires { m.header.briefing; }) s.briefing = m.header.briefing.text();
            s.items = m.items.size();
            for (const auto& item : m.items) {
                ++s.categories[std::string(itemCategoryName(item.type_id))];
                if (item.waypoint_id >= 1 && item.waypoint_id <= 128) s.waypoints.insert(item.waypoint_id);
                if (item.group_id >= 1 && item.group_id <= 64) s.groups.insert(item.group_id);
                if (item.type_id == kAreaTriggerType && item.wpnumber >= 1 && item.wpnumber <= 64) {
                    s.areaTriggers.insert(item.wpnumber);
                }
            }
            try {
                checkBinaryInvariants(m, "");
            } catch (const Error& error) {
                s.countFault = error.detail();
            }
            s.events = m.events.size();
            s.triggers = m.triggers.size();
            s.actions = m.actions.size();
        },
        mission);
    return s;
}

std::string joined(const std::set<int>& numbers) {
    std::string text;
    for (int n : numbers) {
        if (!text.empty()) text += ' ';
        text += std::to_string(n);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

int infoCommand(Context& context, const std::filesystem::path& file, std::optional<DfType> from, bool json) {
    const MissionForm form = requireForm(file);
    workflow::MissionSession session = context.session();
    openMission(context, session, file, form, from);
    const Summary s = summarise(session.mission(), form);
    const char* formName = form == MissionForm::Binary ? "binary" : "ascii";
    if (json) {
        nlohmann::json j;
        j["file"] = displayPath(file);
        j["version"] = versionKey(s.version);
        j["form"] = formName;
        j["name"] = utf8(s.name);
        j["designer"] = utf8(s.designer);
        j["terrain"] = utf8(s.terrain);
        j["briefing"] = utf8(s.briefing);
        j["items"] = s.items;
        j["categories"] = s.categories;
        j["events"] = s.events;
        j["triggers"] = s.triggers;
        j["actions"] = s.actions;
        j["waypoints"] = s.waypoints;
        j["groups"] = s.groups;
        j["area_triggers"] = s.areaTriggers;
        if (!s.countFault.empty()) j["counts_do_not_add_up"] = s.countFault;
        context.out << j.dump(2) << "\n";
        return kSuccess;
    }
    auto& out = context.out;
    out << "File:          " << displayPath(file) << "\n";
    out << "Version:       " << versionName(s.version) << " (" << versionKey(s.version) << "), " << formName << "\n";
    out << "Name:          " << utf8(s.name) << "\n";
    out << "Designer:      " << utf8(s.designer) << "\n";
    out << "Terrain:       " << utf8(s.terrain) << "\n";
    out << "Briefing:      " << (s.briefing.empty() ? "none" : utf8(s.briefing)) << "\n";
    out << "Items:         " << s.items << "\n";
    for (const auto& [category, count] : s.categories) out << "  " << category << ": " << count << "\n";
    out << "Events:        " << s.events << " (" << s.triggers << " triggers, " << s.actions << " actions)\n";
    out << "Waypoints:     " << joined(s.waypoints) << "\n";
    out << "Groups:        " << joined(s.groups) << "\n";
    out << "Area triggers: " << joined(s.areaTriggers) << "\n";
    if (!s.countFault.empty()) out << "Counts:        do not add up: " << s.countFault << "\n";
    return kSuccess;
}

void addDetectCommand(CLI::App& app, Context& context, Commands& commands) {
    auto file = std::make_shared<std::string>();
    auto* command = app.add_subcommand("detect", "Print the game version of a mission file: df1, df2, df3 or unknown");
    command->add_option("file", *file, "A .bms or .mis file")->required();
    command->footer(std::string(kDetectHelp) + "Example:\n  vok detect m01.bms");
    commands.emplace_back(command, [&context, file] { return detectCommand(context, pathFromUtf8(*file)); });
}

void addInfoCommand(CLI::App& app, Context& context, Commands& commands) {
    struct Line {
        std::string file, from;
        bool json = false;
    };
    auto line = std::make_shared<Line>();
    auto* command = app.add_subcommand("info", "Summarise a mission");
    command->add_option("file", line->file, "A .bms or .mis file")->required();
    command->add_option("--from", line->from, "Version of the file (default: recognised)")->check(versionValidator());
    command->add_flag("--json", line->json, "Print one JSON object");
    command->footer("Examples:\n  vok info m01.bms\n  vok info m01.mis --from df2 --json");
    commands.emplace_back(command, [&context, line] {
        return infoCommand(context, pathFromUtf8(line->file), versionOption(line->from), line->json);
    });
}

}  // namespace vok::cli
