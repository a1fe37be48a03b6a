#pragma once
// vok's command line as Windows hands it over. cmd.exe and PowerShell leave "*" and "?" to the
// program, and pass quotes on differently (cmd keeps them for the program to see, PowerShell takes
// them away), so vok expands every pattern itself, quoted or not: a Windows file name cannot hold
// "*" or "?", so such an argument is always meant as a pattern. Names Windows cannot give a file
// are refused here with words a Windows user knows, before any work starts.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vok::cli {

/// What is wrong with `path` as a Windows name, as the end of a message that starts with the path:
/// a part that is a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any
/// extension), or a part ending in a dot or a blank. Empty when nothing is.
std::string windowsNameProblem(std::string_view path);

/// True when `text` matches the pattern `pattern` ("*": any run of characters, "?": any one),
/// letter case ignored as Windows ignores it (ASCII letters and the UTF-8 text taken as it is).
bool wildcardMatches(std::string_view pattern, std::string_view text);

/// Prepares `args` (UTF-8, without the program name) on Windows: "/?" becomes --help, patterns are
/// replaced by the names they match (sorted), and arguments holding a double quote (the trap of
/// "C:\dir\") or a name Windows cannot have are refused. Returns the exit status when the command
/// line is refused, after writing the message to `err`.
std::optional<int> prepareWindowsArguments(std::vector<std::string>& args, std::ostream& err);

}  // namespace vok::cli
