// The built vok program: real exit statuses, its own folder as the list folder, SOURCE_DATE_EPOCH,
// paths as users spell them on the command line.
#include <gtest/gtest.h>

#include <algorithm>

#include "lists/list_files.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/child_process.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::kExamples;
using testing::slurp;
namespace fs = std::filesystem;

std::string utf8(std::u8string_view text) { return {text.begin(), text.end()}; }

class Program : public ::testing::Test {
protected:
    /// Runs the program; `environment` holds "NAME=value" settings for it.
    testing::ProgramOutput run(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment = {}) const {
        return testing::runProgram(VOK_PROGRAM, args, environment);
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
        const auto result =
            run({"convert", in, path(name), "--to", "df2", "--replace", "skip"}, {"SOURCE_DATE_EPOCH=86400"});
        ASSERT_EQ(result.code, 0) << result.err;
    }
    EXPECT_EQ(slurp(dir / "a.mis"), slurp(dir / "b.mis"));
    EXPECT_NE(slurp(dir / "a.mis").find("Created On Friday, January 2 1970 at 12:00:00 AM\r\n"), std::string::npos);
    // Without a usable number the local time is used; the output is written all the same.
    const auto result = run({"convert", in, path("c.mis")}, {"SOURCE_DATE_EPOCH=soon"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(slurp(dir / "c.mis").find("January 2 1970"), std::string::npos);
}

// Each row converts a mission spelt one way into an output spelt another, from the working folder
// `dir`; the output must be where the row says, the same bytes whatever the spelling.
TEST_F(Program, PathsAreTakenAsUsersSpellThem) {
    fs::create_directory(dir / "sub");
    fs::copy_file(examplePath(kExamples[1], MissionForm::Binary), dir / "in.bms");
    fs::copy_file(examplePath(kExamples[1], MissionForm::Binary), dir.path() / u8"Mission ü 東京.bms");
    const std::string root = dir.path().string();
    struct Case {
        std::string in, out;
        fs::path written;
    };
    std::vector<Case> cases = {
        {"in.bms", "first.mis", dir / "first.mis"},
        {root + "/in.bms", "sub/out.mis", dir / "sub" / "out.mis"},
        {"./sub/../in.bms", root + "/sub/../sub/out.mis", dir / "sub" / "out.mis"},
        {utf8(u8"Mission ü 東京.bms"), utf8(u8"sub/Ausgabe ü 東京.mis"),
         dir.path() / "sub" / u8"Ausgabe ü 東京.mis"},
    };
#if defined(_WIN32)
    // Drive letters, backslashes and forward slashes, a path from the root of the current drive, and
    // names in any letter case (the file system does not tell them apart).
    std::string forward = root;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    cases.insert(cases.end(), {
        {root + "\\in.bms", root + "\\sub\\out.mis", dir / "sub" / "out.mis"},
        {forward + "/in.bms", forward + "/sub\\out.mis", dir / "sub" / "out.mis"},
        {root.substr(2) + "\\in.bms", ".\\sub\\out.mis", dir / "sub" / "out.mis"},
        {"IN.BMS", "SUB\\Out.MIS", dir / "sub" / "out.mis"},
        {utf8(u8"MISSION Ü 東京.BMS"), utf8(u8"sub\\ausgabe ü 東京.mis"),
         dir.path() / "sub" / u8"Ausgabe ü 東京.mis"},
    });
#endif
    std::string expected;
    for (const auto& c : cases) {
        const auto result =
            testing::runProgram(VOK_PROGRAM, {"convert", c.in, c.out}, {"SOURCE_DATE_EPOCH=0"}, dir.path());
        EXPECT_EQ(result.code, 0) << c.in << " -> " << c.out << "\n" << result.err;
        ASSERT_TRUE(fs::exists(c.written)) << c.in << " -> " << c.out;
        if (expected.empty()) expected = slurp(c.written);
        EXPECT_EQ(slurp(c.written), expected) << c.in << " -> " << c.out;
    }
    // The two inputs, first.mis, sub and the two outputs in it: a name in another letter case
    // replaced the file of that name, and no temporary file stayed.
    const auto entries =
        std::distance(fs::recursive_directory_iterator(dir.path()), fs::recursive_directory_iterator());
    EXPECT_EQ(entries, 6);

    // A list folder with such a name, and messages that name such files in UTF-8.
    const fs::path lists = dir.path() / u8"Listen ü 東京";
    fs::create_directory(lists);
    testing::copyStarterLists(lists);
    const auto show = run({"--lists", utf8(lists.u8string()), "lists", "show", "df1"});
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_NE(show.out, "");
    const auto missing = run({"detect", utf8((dir.path() / u8"Fehlt ü 東京.bms").u8string())});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find(utf8(u8"Fehlt ü 東京.bms")), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vok
