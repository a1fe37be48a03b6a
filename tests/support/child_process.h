#pragma once
// Another program run by a test, its output caught. Arguments and environment are UTF-8 (UTF-16 on Windows).

#include <filesystem>
#include <string>
#include <vector>

namespace vok::testing {

struct ProgramOutput {
    int code = -1;         ///< exit status; -1 when the program did not end by itself or could not start
    std::string out, err;  ///< with plain LF line ends on every system
};

/// Runs `program` with `args` in `workingFolder` (empty: this process's) and `environment` ("NAME=value")
/// added until it ends; one that cannot start gives exit status -1 and the reason as its error output.
ProgramOutput runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment = {},
                         const std::filesystem::path& workingFolder = {});

}  // namespace vok::testing
