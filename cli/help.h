#pragma once
// The help as users of either system ask for it: "vok help" and "vok help COMMAND" besides
// --help (and "/?" on Windows: windows_arguments.h), and on Windows examples with Windows paths.

#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace vok::cli {

/// What the help of detect and of check says before its examples, on every system.
inline constexpr std::string_view kDetectHelp =
    "An ascii file whose first line is the comment line the ascii writers write (\"... Converter for\n"
    "Delta Force 1\", \"... 2\", \"... Land Warrior\") is the version it names.\n";
inline constexpr std::string_view kCheckHelp =
    "Findings: item types the version's item list lacks, group_id above 64, waypoint_id above 128, area\n"
    "triggers above 64, items naming waypoints that hold nothing, item and event counts that do not add up,\n"
    "each content the ascii form would not carry (texts, binary-only fields), and for an ascii file\n"
    "what its reader passed over (kind ignored, with the line number).\n"
    "Exit status: 0 when the file reads; 1 when it cannot (and, with --strict, when anything was found).\n";

/// `args` with "help" and "help COMMAND..." at their start turned into --help of vok or of that
/// command; other arguments as they are.
std::vector<std::string> helpArguments(const std::vector<std::string>& args);

/// Gives vok's commands the examples a Windows user types (drive letters, backslashes, cmd.exe).
void useWindowsExamples(CLI::App& app);

}  // namespace vok::cli
