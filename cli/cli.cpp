#include "cli/cli.h"

#include "cli/command_line.h"
#include "cli/help.h"
#include "mission/core/text.h"
#include "program_version.h"

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

std::optional<DfType> versionOption(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const auto version = parseVersionKey(text);
    if (!version) throw UsageError("\"" + text + "\" is not a game version; use df1, df2 or df3");
    return version;
}

CLI::Validator versionValidator() { return CLI::IsMember({"df1", "df2", "df3"}, CLI::ignore_case); }

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& environment) {
    Context context(out, err, environment);
    CLI::App app{
        "vok: Delta Force mission files without a window: convert, recognise, summarise, check, and the item "
        "lists",
        "vok"};
    app.set_version_flag("--version", "vok " + std::string(kProgramVersion));
    // Options are spelt the same everywhere: on Windows too "/x" is a path (a folder at the root of
    // the drive), never an option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.fallthrough();
    std::string listsFolder;
    app.add_option("--lists", listsFolder, "Folder of the six list files (default: the folder that holds vok)");
    app.add_flag("-q,--quiet", context.quiet, "Do not report what a conversion or an ascii save could not carry");
    Commands commands;
    addConvertCommand(app, context, commands);
    addDetectCommand(app, context, commands);
    addInfoCommand(app, context, commands);
    addCheckCommand(app, context, commands);
    addListsCommands(app, context, commands);

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
        for (const auto& [command, runCommand] : commands) {
            if (command->parsed()) return runCommand();
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
