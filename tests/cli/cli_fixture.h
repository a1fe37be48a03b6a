#pragma once
// Runs vok in-process in a fresh folder that holds a copy of the starter lists.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

/// The examples shipped with the project, one per version, each in both forms.
struct Example {
    DfType version;
    const char* stem;
};
inline constexpr Example kExamples[] = {
    {DfType::Df1, "df1_harbour"}, {DfType::Df2, "df2_night_raid"}, {DfType::Df3, "df3_mountain_pass"}};
inline constexpr MissionForm kForms[] = {MissionForm::Binary, MissionForm::Ascii};

inline const char* extensionOf(MissionForm form) { return form == MissionForm::Binary ? ".bms" : ".mis"; }

inline std::string examplePath(const Example& example, MissionForm form) {
    return (std::filesystem::path(VOK_EXAMPLES_DIR) / (std::string(example.stem) + extensionOf(form))).string();
}

/// An item of a test mission: its type and the group, waypoint and area trigger it names.
struct ItemSpec {
    std::int32_t type, group = 0, waypoint = 0, wpnumber = 0;
};

/// A mission of these items, its header counting them.
template <class M>
M missionWith(std::initializer_list<ItemSpec> items) {
    M m;
    m.header.signature = decltype(m.header)::fileSignature;
    for (const ItemSpec& spec : items) {
        auto& item = m.items.emplace_back();
        item.type_id = spec.type;
        item.group_id = static_cast<decltype(item.group_id)>(spec.group);
        item.waypoint_id = static_cast<decltype(item.waypoint_id)>(spec.waypoint);
        item.wpnumber = static_cast<decltype(item.wpnumber)>(spec.wpnumber);
    }
    recountItems(m.header, m.items);
    return m;
}

/// 14 November 2023 22:13:20 UTC.
inline constexpr std::int64_t kEpoch = 1700000000;

/// Every file below `folder` with its bytes.
inline std::map<std::filesystem::path, std::string> filesIn(const std::filesystem::path& folder) {
    std::map<std::filesystem::path, std::string> all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) all[entry.path()] = slurp(entry.path());
    }
    return all;
}

class VokTest : public ::testing::Test {
protected:
    VokTest() {
        copyStarterLists(dir.path());
        environment.programFolder = dir.path();
        environment.sourceDateEpoch = kEpoch;
    }

    ProgramOutput vok(const std::vector<std::string>& args) const {
        std::ostringstream out, err;
        ProgramOutput run;
        run.code = cli::run(args, out, err, environment);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    std::string path(std::string_view name) const { return (dir / name).string(); }

    TempDir dir;
    cli::Environment environment;
};

}  // namespace vok::testing
