// vok lists show | export | import | learn
#include <algorithm>
#include <map>

#include "cli/command_line.h"
#include "lists/learned_uses.h"
#include "lists/list_text.h"
#include "mission/core/file_io.h"
#include "mission/core/version_detect.h"

namespace vok::cli {

int listsShowCommand(Context& context, std::optional<DfType> version, bool replacements) {
    ListStore& lists = context.lists();
    for (const DfType v : kAllVersions) {
        if (version && *version != v) continue;
        const int which = replacements ? replaceListOf(v) : itemListOf(v);
        if (!version) context.out << "# " << listFileName(which) << "\n";
        if (replacements) {
            for (const auto& entry : lists.SavedReplacements(v)) {
                if (entry.ObjectId == 0) continue;  // the placeholder that keeps a list loadable
                context.out << versionLabel(v) << " " << entry.ObjectId << " -> "
                            << (isVersion(dfTypeOf(entry.NewDfType)) ? versionLabel(dfTypeOf(entry.NewDfType)) : "DF?")
                            << " " << entry.ReplacementId << "\n";
            }
        } else {
            // An identifier that stands more than once is marked on each of its lines by a third
            // column "duplicate"; the programs use the last one's description.
            std::map<std::int16_t, int> count;
            for (const auto& entry : lists.Entries(v)) ++count[entry.ItemId];
            for (const auto& entry : lists.Entries(v)) {
                context.out << entry.ItemId << "\t" << utf8(entry.Description)
                            << (count[entry.ItemId] > 1 ? "\tduplicate\n" : "\n");
            }
        }
    }
    return kSuccess;
}

int listsExportCommand(Context& context, const std::filesystem::path& folder) {
    try {
        exportListTexts(context.lists(), folder);
    } catch (const Error& error) {
        context.fail(error);
    }
    return kSuccess;
}

int listsImportCommand(Context& context, const std::filesystem::path& folder) {
    context.recoverLists();
    try {
        for (const auto& path : importListTexts(folder, context.listsFolder))
            context.out << "wrote " << displayPath(path) << "\n";
    } catch (const Error& error) {
        context.fail(error);
    }
    return kSuccess;
}

namespace {
/// What learn gathers from the missions: the types used (in order of first use), those outside
/// 1..9999, and which mission used which type how often.
struct Learning {
    std::vector<std::int32_t> used;
    std::vector<std::int32_t> outside;
    std::vector<LearnedUse> learned;
};

void learnFrom(Context& context, DfType version, const std::filesystem::path& file, Learning& learning) {
    auto& used = learning.used;
    auto& outside = learning.outside;
    auto& learned = learning.learned;
    // A binary file of another version, or an ascii file whose title line names another
    // version, is refused; an ascii file without one is learnt from as it is.
    const MissionForm form = requireForm(file);
    // Read once: the version test and the reading share the bytes, so that a FIFO serves.
    const std::string bytes = context.inputBytes(file);
    const DfType actual = form == MissionForm::Binary ? BmsVersionOfBytes(bytes) : MisTitleVersionOfText(bytes);
    if (actual != version && actual != DfType::NotRecognised) {
        context.fail(displayPath(file) + ": is a " + std::string(versionName(actual)) + " mission, not " +
                     std::string(versionName(version)));
    }
    workflow::MissionSession session = context.session();
    requireOpened(context, session.openBytes(bytes, displayPath(file), form, {}, version), file);
    const AnyMission& mission = session.mission();
    std::map<std::int16_t, int> uses;  // this mission's items of each type
    std::visit(
        [&](const auto& m) {
            for (const auto& item : m.items) {
                const std::int32_t id = item.type_id;
                auto& into = id < 1 || id > 9999 ? outside : used;
                if (std::find(into.begin(), into.end(), id) == into.end()) into.push_back(id);
                if (id >= 1 && id <= 9999) ++uses[static_cast<std::int16_t>(id)];
            }
        },
        mission);
    for (const auto& [id, count] : uses) learned.push_back({version, id, count, displayPath(file)});
}
}  // namespace

int listsLearnCommand(Context& context, DfType version, const std::vector<std::filesystem::path>& missions) {
    ListStore& lists = context.lists();
    Learning learning;
    const auto& used = learning.used;
    const auto& outside = learning.outside;
    const auto& learned = learning.learned;
    int status = kSuccess;
    for (const auto& file : missions) {
        try {
            learnFrom(context, version, file, learning);
        } catch (const Failed&) {
            status = kFailed;
        }
    }
    for (std::int32_t id : outside) {
        context.err << "vok: item type " << id << " is outside 1..9999 and was not added\n";
    }

    try {
        if (!learned.empty()) writeLearnedUses(context.listsFolder, version, learned);
    } catch (const Error& error) {
        std::string text = workflow::fileFailureText(error, workflow::Style::Terminal);
        text.pop_back();  // its line end
        context.err << text << " (the list editor cannot show where types were used)\n";
    }

    // Added to the list as it is on disk, under the folder lock: what other programs change
    // meanwhile, in this list or another, is kept and never a reason to give up.
    const int which = itemListOf(version);
    std::vector<std::int16_t> wanted, added;
    for (const std::int32_t id : used) {
        if (!lists.ItemExists(version, static_cast<std::int16_t>(id))) wanted.push_back(static_cast<std::int16_t>(id));
    }
    try {
        if (!wanted.empty()) added = lists.addItemTypes(version, wanted);
    } catch (const Error& error) {
        context.fail(error);
    }
    if (added.empty()) context.out << "nothing to add: " << listFileName(which) << " knows every item type\n";
    for (const std::int16_t id : added) context.out << "added " << id << "\t" << placeholderDescription(id) << "\n";
    return status;
}

void addListsCommands(CLI::App& app, Context& context, Commands& commands) {
    struct Line {
        std::string showVersion, exportFolder, importFolder, learnVersion;
        bool showReplacements = false;
        std::vector<std::string> learnMissions;
    };
    auto line = std::make_shared<Line>();
    auto* lists = app.add_subcommand("lists", "Work on the six item and replacement lists");
    lists->require_subcommand(1);
    auto* show = lists->add_subcommand("show", "Print the entries of the item lists (or replacement lists)");
    show->add_option("version", line->showVersion, "df1, df2 or df3 (default: all three)")->check(versionValidator());
    show->add_flag("--replacements", line->showReplacements, "Print the replacement lists instead");
    auto* exportLists = lists->add_subcommand("export", "Write the six lists as UTF-8 text files into a folder");
    exportLists->add_option("folder", line->exportFolder, "Target folder")->required();
    auto* importLists = lists->add_subcommand("import", "Read the six lists from the text files of a folder");
    importLists->add_option("folder", line->importFolder, "Folder written by export")->required();
    auto* learn = lists->add_subcommand(
        "learn",
        "Add every item type that the missions use and the version's list lacks, with a placeholder description");
    learn->add_option("version", line->learnVersion, "df1, df2 or df3")->required()->check(versionValidator());
    learn->add_option("missions", line->learnMissions, "Mission files of that version")->required();
    lists->footer(
        "Examples:\n"
        "  vok lists show df2\n"
        "  vok lists export lists-text/ && vok lists import lists-text/\n"
        "  vok lists learn df3 ~/games/dflw/missions/*.bms");

    commands.emplace_back(show, [&context, line] {
        return listsShowCommand(context, versionOption(line->showVersion), line->showReplacements);
    });
    commands.emplace_back(exportLists,
                          [&context, line] { return listsExportCommand(context, pathFromUtf8(line->exportFolder)); });
    commands.emplace_back(importLists,
                          [&context, line] { return listsImportCommand(context, pathFromUtf8(line->importFolder)); });
    commands.emplace_back(learn, [&context, line] {
        std::vector<std::filesystem::path> missions;
        for (const auto& file : line->learnMissions) missions.push_back(pathFromUtf8(file));
        return listsLearnCommand(context, *versionOption(line->learnVersion), missions);
    });
}

}  // namespace vok::cli
