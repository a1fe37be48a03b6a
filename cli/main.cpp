#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli/cli.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

int runVok(std::vector<std::string> args, const std::string& argv0) {
    vok::cli::Environment environment;
    environment.programFolder = vok::cli::programFolder(argv0.c_str());
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        std::int64_t seconds = 0;
        const auto result = std::from_chars(epoch, epoch + std::strlen(epoch), seconds);
        if (result.ec == std::errc() && *result.ptr == '\0') environment.sourceDateEpoch = seconds;
    }
    return vok::cli::run(args, std::cout, std::cerr, environment);
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
