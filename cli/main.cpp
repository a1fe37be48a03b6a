#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli/cli.h"
#include "mission/core/timestamp.h"

#if defined(_WIN32)
#include <windows.h>
#endif

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
// Windows shells hand "*.bms" over as it is: the C runtime expands such patterns before wmain, as
// a POSIX shell would (vok convert *.bms --to df1 --form mis -o out). A quoted pattern is kept.
extern "C" {
int _dowildcard = -1;
}
#endif

#if defined(_WIN32)
// Windows hands a program its command line in UTF-16; the narrow argv holds only what the ANSI code
// page can spell. vok works in UTF-8 throughout (its paths are made with pathFromUtf8) and writes
// UTF-8 to the console while it runs.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(vok::cli::utf8FromWide(argv[i]));
    const std::string argv0 = args.empty() ? std::string() : args.front();
    if (!args.empty()) args.erase(args.begin());
    const UINT consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    const int status = runVok(std::move(args), argv0);
    SetConsoleOutputCP(consoleCodePage);
    return status;
}
#else
int main(int argc, char** argv) {
    return runVok(std::vector<std::string>(argv + 1, argv + argc), argc > 0 ? argv[0] : "");
}
#endif
