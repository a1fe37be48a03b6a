#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli/cli.h"
#include "cli/console.h"
#include "cli/windows_arguments.h"
#include "mission/core/platform.h"
#include "mission/core/timestamp.h"

namespace {

/// The status once standard output and error are flushed: output that could not be written (a
/// full disk, a closed pipe) fails the command, said on standard error where that still works.
int afterFlush(int status) {
    std::cout.flush();
    const bool outFailed = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (outFailed) std::cerr << "vok: standard output could not be written" << std::endl;
    const bool errFailed = !std::cerr || std::fflush(stderr) != 0 || std::ferror(stderr) != 0;
    return (outFailed || errFailed) && status == vok::cli::kSuccess ? vok::cli::kFailed : status;
}

int runVok(std::vector<std::string> args, const std::string& argv0) {
    vok::cli::Environment environment;
    environment.programFolder = vok::cli::programFolder(argv0.c_str());
    environment.errIsTerminal = vok::platform::standardErrorIsTerminal();
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        // A number that is no instant of years 1970 to 9999 is a mistake, not a date to write.
        std::int64_t seconds = 0;
        const auto result = std::from_chars(epoch, epoch + std::strlen(epoch), seconds);
        const bool number = result.ptr != epoch && *result.ptr == '\0';
        if (number && (result.ec != std::errc() || seconds < 0 || seconds > vok::kLatestEpochSeconds)) {
            std::cerr << "vok: SOURCE_DATE_EPOCH=" << epoch << " is outside 0 to " << vok::kLatestEpochSeconds
                      << " (the end of year 9999)\nRun with --help for more information.\n";
            return afterFlush(vok::cli::kUsageError);
        }
        if (number) environment.sourceDateEpoch = seconds;
    }
    return afterFlush(vok::cli::run(args, std::cout, std::cerr, environment));
}

}  // namespace

#if defined(__MINGW32__)
// Windows shells hand "*.bms" over as it is, and vok expands it (windows_arguments.h), the same
// way whether cmd.exe kept quotes around it or PowerShell took them away; the C runtime's own
// expansion, which passes over quoted patterns, stays off.
extern "C" {
int _dowildcard = 0;
}
#endif

#if defined(_WIN32)
// Windows hands a program its command line in UTF-16; the narrow argv holds only what the ANSI code
// page can spell. vok works in UTF-8 throughout (its paths are made with pathFromUtf8); a console
// gets its text in UTF-16 (console.h), redirected output stays UTF-8.
int wmain(int argc, wchar_t** argv) {
    const vok::cli::ConsoleOutput console;
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(vok::cli::utf8FromWide(argv[i]));
    const std::string argv0 = args.empty() ? std::string() : args.front();
    if (!args.empty()) args.erase(args.begin());
    if (const auto refused = vok::cli::prepareWindowsArguments(args, std::cerr)) return *refused;
    return runVok(std::move(args), argv0);
}
#else
int main(int argc, char** argv) {
    return runVok(std::vector<std::string>(argv + 1, argv + argc), argc > 0 ? argv[0] : "");
}
#endif
