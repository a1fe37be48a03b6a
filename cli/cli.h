#pragma once
// The vok command-line tool, as a function the tiny main() calls and tests can call in-process.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vok::cli {

/// Exit statuses of vok.
inline constexpr int kSuccess = 0;
inline constexpr int kFailed = 1;      ///< the work failed
inline constexpr int kUsageError = 2;  ///< the command line is wrong

struct Environment {
    /// Default folder of the six list files: the folder that holds the program.
    std::filesystem::path programFolder;
    /// SOURCE_DATE_EPOCH, when set to a number: the ascii form's "created on" instant in UTC.
    std::optional<std::int64_t> sourceDateEpoch;
    /// Standard error is a terminal: a long batch shows its progress there.
    bool errIsTerminal = false;
};

/// Runs vok with `args` (without the program name). Returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& environment);

/// The folder of the running program (argv[0], in UTF-8, as a fallback).
std::filesystem::path programFolder(const char* argv0);

/// A path given as UTF-8 text (vok's arguments are UTF-8 on every system). Every path vok takes
/// from its command line is made here: a plain std::string would be read in the ANSI code page
/// on Windows, which cannot spell most names.
std::filesystem::path pathFromUtf8(std::string_view text);

#if defined(_WIN32)
/// UTF-16 text (the Windows command line) as UTF-8.
std::string utf8FromWide(std::wstring_view text);
#endif

}  // namespace vok::cli
