#pragma once
// Runs vok in-process in a fresh folder that holds a copy of the starter lists.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "mission/mission_file.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

struct VokRun {
    int code = -1;
    std::string out;
    std::string err;
};

/// The examples shipped with the project, one per version and form.
struct Example {
    DfType version;
    const char* stem;
};
inline constexpr Example kExamples[] = {{DfType::Df1, "df1_harbour"}, {DfType::Df2, "df2_night_raid"}, {DfType::Df3, "df3_mountain_pass"}};

inline std::filesystem::path examplePath(const Example& example, MissionForm form) {
    return std::filesystem::path(VOK_EXAMPLES_DIR) / (std::string(example.stem) + (form == MissionForm::Binary ? ".bms" : ".mis"));
}

inline const char* extensionOf(MissionForm form) { return form == MissionForm::Binary ? ".bms" : ".mis"; }

/// 14 November 2023 22:13:20 UTC.
inline constexpr std::int64_t kEpoch = 1700000000;

class VokTest : public ::testing::Test {
protected:
    VokTest() {
        copyStarterLists(dir.path());
        environment.programFolder = dir.path();
        environment.sourceDateEpoch = kEpoch;
    }

    VokRun vok(std::vector<std::string> args) const {
        std::ostringstream out, err;
        VokRun run;
        run.code = cli::run(args, out, err, environment);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    std::string path(std::string_view name) const { return (dir / name).string(); }
    bool exists(std::string_view name) const { return std::filesystem::exists(dir / name); }

    TempDir dir;
    cli::Environment environment;
};

}  // namespace vok::testing
