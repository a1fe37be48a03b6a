#pragma once
// Another program started by a test, its standard output and error caught in files. Arguments and
// environment are UTF-8; on Windows they reach the program as UTF-16, so any name gets through.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vok::testing {

struct ProgramOutput {
    int code = -1;  ///< exit status; -1 when the program did not end by itself
    std::string out, err;
};

class ChildProcess {
  public:
    /// Starts `program` with `args` in `workingFolder` (empty: this process's), with `environment`
    /// ("NAME=value") added to this process's environment. A program that cannot be started gives
    /// exit status -1 and the reason as its error output.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& environment = {},
                 const std::filesystem::path& workingFolder = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Waits until the program ends. Windows programs write CR LF to standard output and error (text
    /// mode); the result holds plain LF line ends on every system.
    ProgramOutput wait();

  private:
    TempDir capture_;
    std::string startError_;
    std::intptr_t handle_ = -1;  ///< the process id (POSIX) or handle (Windows); -1 once waited for
};

inline ProgramOutput runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                                const std::vector<std::string>& environment = {},
                                const std::filesystem::path& workingFolder = {}) {
    return ChildProcess(program, args, environment, workingFolder).wait();
}

}  // namespace vok::testing
