#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/help.h"
#include "conversion/convert.h"
#include "mission/core/text.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vok::cli {

std::filesystem::path programFolder(const char* argv0) {
    std::error_code ec;
#if defined(_WIN32)
    // The full path of vok.exe, however long (MAX_PATH is only the usual limit).
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) break;
        if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length)).parent_path();
        if (buffer.size() >= 32768) break;
        buffer.resize(buffer.size() * 2);
    }
#else
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
#endif
    const auto fallback = std::filesystem::absolute(pathFromUtf8(argv0 != nullptr ? argv0 : "."), ec);
    return fallback.parent_path();
}

#if defined(_WIN32)
std::filesystem::path pathFromUtf8(std::string_view text) {
    // Invalid UTF-8 (from a script, never from the Windows command line) becomes U+FFFD.
    std::wstring wide;
    if (!text.empty()) {
        const int size = static_cast<int>(text.size());
        const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        wide.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    }
    return std::filesystem::path(std::move(wide));
}

std::string utf8FromWide(std::wstring_view text) {
    std::string utf8;
    if (!text.empty()) {
        const int size = static_cast<int>(text.size());
        const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
        utf8.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    }
    return utf8;
}
#else
std::filesystem::path pathFromUtf8(std::string_view text) { return std::filesystem::path(std::string(text)); }
#endif

namespace {

#ifndef VOK_VERSION
#define VOK_VERSION "0"
#endif

constexpr const char* kVersionText = "vok " VOK_VERSION;

std::optional<DfType> versionOption(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const auto version = parseVersionKey(text);
    if (!version) throw UsageError("\"" + text + "\" is not a game version; use df1, df2 or df3");
    return version;
}

CLI::Validator versionValidator() { return CLI::IsMember({"df1", "df2", "df3"}, CLI::ignore_case); }

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& environment) {
    Context context(out, err, environment);
    CLI::App app{
        "vok: Delta Force mission files without a window: convert, recognise, summarise, check, and the item "
        "lists",
        "vok"};
    app.set_version_flag("--version", kVersionText);
    // Options are spelt the same everywhere: on Windows too "/x" is a path (a folder at the root of
    // the drive), never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.fallthrough();
    std::string listsFolder;
    app.add_option("--lists", listsFolder, "Folder of the six list files (default: the folder that holds vok)");
    app.add_flag("-q,--quiet", context.quiet, "Do not report what a conversion or an ascii save could not carry");

    // convert
    ConvertOptions convert;
    std::vector<std::string> convertFiles;
    std::string from, to, replace = "fail", form, terrain;
    std::string outputFolder;
    auto* convertApp = app.add_subcommand("convert", "Convert a mission into another form or game version");
    convertApp->add_option("files", convertFiles, "IN OUT, or several inputs with -o DIR")->required();
    convertApp->add_option("--from", from, "Version of IN: df1, df2 or df3 (default: recognised from the file)")
        ->check(versionValidator());
    convertApp->add_option("--to", to, "Version of OUT (default: the version of IN)")->check(versionValidator());
    convertApp
        ->add_option("--replace", replace,
                     "An item type the target lacks and no replacement covers: skip (keep it), remove (type 0) "
                     "or fail (default; lists every such type)")
        ->check(CLI::IsMember({"skip", "remove", "fail"}, CLI::ignore_case));
    auto* terrainOption = convertApp->add_option("--terrain", terrain, "Terrain name of OUT");
    convertApp->add_option("--form", form, "Batch: form of the outputs, bms or mis (default: that of each input)")
        ->check(CLI::IsMember({"bms", "mis"}, CLI::ignore_case));
    convertApp->add_option("-o,--output", outputFolder, "Batch: folder for the outputs");
    convertApp->footer(
        "Examples:\n"
        "  vok convert m01.bms m01.mis                     binary to ascii, same version\n"
        "  vok convert m01.bms m01_lw.bms --to df3         Delta Force 2 to Land Warrior\n"
        "  vok convert *.bms --to df1 --form mis -o out/   many missions at once\n"
        "  vok convert m01.mis m01.bms --from df2 --to df1 --replace remove");

    // detect
    std::string detectFile;
    auto* detectApp =
        app.add_subcommand("detect", "Print the game version of a mission file: df1, df2, df3 or unknown");
    detectApp->add_option("file", detectFile, "A .bms or .mis file")->required();
    detectApp->footer(
        "An ascii file whose first line is the comment line the ascii writers write (\"... Converter for\n"
        "Delta Force 1\", \"... 2\", \"... Land Warrior\") is the version it names.\n"
        "Example:\n  vok detect m01.bms");

    // info
    std::string infoFile, infoFrom;
    bool json = false;
    auto* infoApp = app.add_subcommand("info", "Summarise a mission");
    infoApp->add_option("file", infoFile, "A .bms or .mis file")->required();
    infoApp->add_option("--from", infoFrom, "Version of the file (default: recognised)")->check(versionValidator());
    infoApp->add_flag("--json", json, "Print one JSON object");
    infoApp->footer("Examples:\n  vok info m01.bms\n  vok info m01.mis --from df2 --json");

    // check
    std::string checkFile, checkFrom;
    bool checkJson = false, strict = false;
    auto* checkApp = app.add_subcommand(
        "check", "List what is wrong with a mission, and what saving it in the ascii form would not carry");
    checkApp->add_option("file", checkFile, "A .bms or .mis file")->required();
    checkApp->add_option("--from", checkFrom, "Version of the file (default: recognised)")->check(versionValidator());
    checkApp->add_flag("--json", checkJson,
                       "Print a JSON array: one object per finding (kind, record, number, message)");
    checkApp->add_flag("--strict", strict, "Exit with 1 when anything was found");
    checkApp->footer(
        "Findings: item types the version's item list lacks, group_id above 64, waypoint_id above 128, area\n"
        "triggers above 64, items naming waypoints that hold nothing, item and event counts that do not add up,\n"
        "each content the ascii form would not carry (texts, binary-only fields), and for an ascii file\n"
        "what its reader passed over (kind ignored, with the line number).\n"
        "Exit status: 0 when the file reads; 1 when it cannot (and, with --strict, when anything was found).\n"
        "Examples:\n  vok check m01.bms\n  vok check m01.bms --json --strict\n  vok check m01.mis --from df3 --lists "
        "~/lists");

    // lists
    auto* listsApp = app.add_subcommand("lists", "Work on the six item and replacement lists");
    listsApp->require_subcommand(1);
    std::string showVersion;
    bool showReplacements = false;
    auto* showApp = listsApp->add_subcommand("show", "Print the entries of the item lists (or replacement lists)");
    showApp->add_option("version", showVersion, "df1, df2 or df3 (default: all three)")->check(versionValidator());
    showApp->add_flag("--replacements", showReplacements, "Print the replacement lists instead");
    std::string exportFolder, importFolder;
    auto* exportApp = listsApp->add_subcommand("export", "Write the six lists as UTF-8 text files into a folder");
    exportApp->add_option("folder", exportFolder, "Target folder")->required();
    auto* importApp = listsApp->add_subcommand("import", "Read the six lists from the text files of a folder");
    importApp->add_option("folder", importFolder, "Folder written by export")->required();
    std::string learnVersion;
    std::vector<std::string> learnMissions;
    auto* learnApp = listsApp->add_subcommand(
        "learn",
        "Add every item type that the missions use and the version's list lacks, with a placeholder description");
    learnApp->add_option("version", learnVersion, "df1, df2 or df3")->required()->check(versionValidator());
    learnApp->add_option("missions", learnMissions, "Mission files of that version")->required();
    listsApp->footer(
        "Examples:\n"
        "  vok lists show df2\n"
        "  vok lists export lists-text/ && vok lists import lists-text/\n"
        "  vok lists learn df3 ~/games/dflw/missions/*.bms");

#if defined(_WIN32)
    useWindowsExamples(app);
#endif
    try {
        const auto asked = helpArguments(args);
        std::vector<std::string> reversed(asked.rbegin(), asked.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kSuccess : kUsageError;
    }

    try {
        if (!listsFolder.empty()) context.listsFolder = pathFromUtf8(listsFolder);
        if (convertApp->parsed()) {
            convert.from = versionOption(from);
            convert.to = versionOption(to);
            convert.replace = keywordIs(replace, "skip")     ? ReplacePolicy::Skip
                              : keywordIs(replace, "remove") ? ReplacePolicy::Remove
                                                             : ReplacePolicy::Fail;
            if (terrainOption->count() > 0) {
                std::string message;
                convert.terrain = terrainFromUtf8(terrain, &message);
                if (!convert.terrain) throw UsageError("--terrain: " + message);
            }
            if (!form.empty()) convert.form = keywordIs(form, "bms") ? MissionForm::Binary : MissionForm::Ascii;
            for (const auto& file : convertFiles) convert.inputs.push_back(pathFromUtf8(file));
            convert.outputFolder = pathFromUtf8(outputFolder);
            return convertCommand(context, convert);
        }
        if (detectApp->parsed()) return detectCommand(context, pathFromUtf8(detectFile));
        if (infoApp->parsed()) {
            return infoCommand(context, pathFromUtf8(infoFile), versionOption(infoFrom), json);
        }
        if (checkApp->parsed()) {
            const auto file = pathFromUtf8(checkFile);
            return checkCommand(context, file, versionOption(checkFrom), checkJson, strict);
        }
        if (showApp->parsed()) return listsShowCommand(context, versionOption(showVersion), showReplacements);
        if (exportApp->parsed()) return listsExportCommand(context, pathFromUtf8(exportFolder));
        if (importApp->parsed()) return listsImportCommand(context, pathFromUtf8(importFolder));
        if (learnApp->parsed()) {
            std::vector<std::filesystem::path> missions;
            for (const auto& file : learnMissions) missions.push_back(pathFromUtf8(file));
            return listsLearnCommand(context, *versionOption(learnVersion), missions);
        }
    } catch (const UsageError& e) {
        err << "vok: " << e.what() << "\nRun with --help for more information.\n";
        return kUsageError;
    } catch (const Failed&) {
        return kFailed;
    }
    return kUsageError;
}

}  // namespace vok::cli
