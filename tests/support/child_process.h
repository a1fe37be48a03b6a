#pragma once
// Another program run by a test, its standard output and error caught. Arguments and environment
// are UTF-8; on Windows they reach the program as UTF-16, so any name gets through.

#include <filesystem>
#include <string>
#include <vector>

namespace vok::testing {

struct ProgramOutput {
    int code = -1;         ///< exit status; -1 when the program did not end by itself or could not start
    std::string out, err;  ///< with plain LF line ends on every system
};

/// Runs `program` with `args` in `workingFolder` (empty: this process's) until it ends, with
/// `environment` ("NAME=value") added to this process's environment. A program that cannot be
/// started gives exit status -1 and the reason as its error output.
ProgramOutput runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment = {},
                         const std::filesystem::path& workingFolder = {});

}  // namespace vok::testing
