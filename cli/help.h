#pragma once
// The help as users of either system ask for it: "vok help" and "vok help COMMAND" besides
// --help (and "/?" on Windows: windows_arguments.h), and on Windows examples with Windows paths.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vok::cli {

/// `args` with "help" and "help COMMAND..." at their start turned into --help of vok or of that
/// command; other arguments as they are.
std::vector<std::string> helpArguments(const std::vector<std::string>& args);

/// Gives vok's commands the examples a Windows user types (drive letters, backslashes, cmd.exe).
void useWindowsExamples(CLI::App& app);

}  // namespace vok::cli
