#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
    vok::cli::Environment environment;
    environment.programFolder = vok::cli::programFolder(argv[0]);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        std::int64_t seconds = 0;
        const auto result = std::from_chars(epoch, epoch + std::strlen(epoch), seconds);
        if (result.ec == std::errc() && *result.ptr == '\0') environment.sourceDateEpoch = seconds;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    return vok::cli::run(args, std::cout, std::cerr, environment);
}
