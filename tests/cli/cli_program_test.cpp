// The built vok program: real exit statuses, its own folder as the list folder, SOURCE_DATE_EPOCH.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "lists/list_files.h"
#include "tests/cli/cli_fixture.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::kExamples;
using testing::slurp;

class Program : public ::testing::Test {
protected:
    struct Result {
        int code;
        std::string out, err;
    };

    /// Runs the program through the shell; `environment` is put before the command ("NAME=value").
    Result run(const std::vector<std::string>& args, const std::string& environment = "") const {
        std::string command = environment + " '" + std::string(VOK_PROGRAM_DIR) + "/vok'";
        for (const auto& arg : args) command += " '" + arg + "'";
        command += " >'" + (dir / "stdout").string() + "' 2>'" + (dir / "stderr").string() + "'";
        const int status = std::system(command.c_str());
        Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
        std::filesystem::remove(dir / "stdout");
        std::filesystem::remove(dir / "stderr");
        return result;
    }

    std::string path(std::string_view name) const { return (dir / name).string(); }

    testing::TempDir dir;
};

TEST_F(Program, ExitStatusesAreZeroOneAndTwo) {
    const std::string df2 = examplePath(kExamples[1], MissionForm::Binary).string();
    const auto unknown = dir.write("unknown.bms", std::string("BMS\x0E", 4));
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const Case cases[] = {
        {{"detect", df2}, 0},
        {{"--version"}, 0},
        {{"detect", unknown.string()}, 1},  // prints "unknown"
        {{"detect", path("missing.mis")}, 1},
        {{"convert", df2, path("out.bms"), "--to", "df1"}, 1},  // missing types, --replace fail
        {{"convert", df2, path("out.txt")}, 2},
        {{"convert", df2, path("out.bms"), "--to", "df9"}, 2},
        {{}, 2},
    };
    for (const auto& c : cases) {
        const auto result = run(c.args);
        EXPECT_EQ(result.code, c.code) << (c.args.empty() ? "" : c.args[0]) << "\n" << result.err;
        if (c.code != 0) {
            EXPECT_FALSE(result.err.empty() && result.out != "unknown\n");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bms"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST_F(Program, ListsDefaultToTheProgramsFolder) {
    // An ascii mission is recognised with the lists beside the program.
    const auto detect = run({"detect", examplePath(kExamples[2], MissionForm::Ascii).string()});
    EXPECT_EQ(detect.code, 0) << detect.err;
    EXPECT_EQ(detect.out, "df3\n");
    const auto show = run({"lists", "show", "df1"});
    EXPECT_EQ(show.code, 0);
    std::string expected;
    for (const auto& entry : parseItemList(slurp(std::filesystem::path(VOK_PROGRAM_DIR) / "DF1Items.vok"), "x")) {
        expected += std::to_string(entry.ItemId) + "\t" + entry.Description + "\n";
    }
    EXPECT_EQ(show.out, expected);
}

TEST_F(Program, SourceDateEpochMakesAsciiOutputReproducible) {
    const std::string in = examplePath(kExamples[0], MissionForm::Binary).string();
    for (const char* name : {"a.mis", "b.mis"}) {
        const auto result = run({"convert", in, path(name), "--to", "df2", "--replace", "skip"}, "SOURCE_DATE_EPOCH=86400");
        ASSERT_EQ(result.code, 0) << result.err;
    }
    EXPECT_EQ(slurp(dir / "a.mis"), slurp(dir / "b.mis"));
    EXPECT_NE(slurp(dir / "a.mis").find("Created On Friday, January 2 1970 at 12:00:00 AM\r\n"), std::string::npos);
    // Without a usable number the local time is used; the output is written all the same.
    const auto result = run({"convert", in, path("c.mis")}, "SOURCE_DATE_EPOCH=soon");
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(slurp(dir / "c.mis").find("January 2 1970"), std::string::npos);
}

}  // namespace
}  // namespace vok
