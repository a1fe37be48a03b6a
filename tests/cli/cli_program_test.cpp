// The built vok program: real exit statuses, its own folder as the list folder, SOURCE_DATE_EPOCH,
// paths as users spell them on the command line.
#include <gtest/gtest.h>

#include <algorithm>

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
        return testing::runProgram(VOK_PROGRAM, args, environment, dir.path());
    }

    testing::TempDir dir;
};

// The statuses main() returns, the lists beside the program when --lists is not given, and
// SOURCE_DATE_EPOCH: a number of seconds dates the ascii output in UTC, anything else is passed over.
TEST_F(Program, ExitStatusesListsBesideTheProgramAndSourceDateEpoch) {
    const std::string df1 = examplePath(kExamples[0], MissionForm::Binary);
    struct Case {
        std::vector<std::string> args;
        std::string epoch;
        int code;
        std::string out;  ///< on standard output, or in a.mis
    };
    const Case cases[] = {
        {{"detect", examplePath(kExamples[2], MissionForm::Ascii)}, "", 0, "df3\n"},  // recognised by the lists
        {{"lists", "show", "df1", "--replacements"}, "", 0, "DF1 2031 -> DF2 2005\nDF1 2031 -> DF:LW 2050\n"},
        {{"detect", "missing.mis"}, "", 1, ""},
        {{"convert", df1, "a.txt"}, "", 2, ""},
        {{"convert", df1, "a.mis"}, "0", 0, "Created On Thursday, January 1 1970 at 12:00:00 AM\r\n"},
        {{"convert", df1, "a.mis"}, "1700000000", 0, "Created On Tuesday, November 14 2023 at 10:13:20 PM\r\n"},
        {{"convert", df1, "a.mis"}, "86400s", 0, "Created On "},
        {{"convert", df1, "a.mis"}, "253402300799", 0, "Created On Friday, December 31 9999 at 11:59:59 PM\r\n"},
        // Out of range: a usage error, nothing written.
        {{"convert", df1, "b.mis"}, "-1", 2, "SOURCE_DATE_EPOCH=-1 is outside 0 to 253402300799"},
        {{"convert", df1, "b.mis"}, "253402300800", 2, "SOURCE_DATE_EPOCH=253402300800 is outside"},
        {{"convert", df1, "b.mis"}, "99999999999999999999", 2, "is outside 0 to"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.epoch);
        const auto result = run(c.args, {"SOURCE_DATE_EPOCH=" + c.epoch});
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_EQ(result.err.empty(), c.code == 0) << result.err;
        if (c.epoch.empty()) {
            EXPECT_EQ(result.out, c.out);
            continue;
        }
        if (c.code == 2) {
            EXPECT_NE(result.err.find(c.out), std::string::npos) << result.err;
            EXPECT_FALSE(fs::exists(dir / "b.mis"));
            continue;
        }
        const std::string text = slurp(dir / "a.mis");
        EXPECT_NE(text.find(c.out), std::string::npos) << text.substr(0, 200);
        EXPECT_TRUE(c.epoch != "86400s" || text.find(" 1970 at") == std::string::npos);
    }
}

#if !defined(_WIN32)
// Output that cannot be written (a full disk) fails the command, whichever stream it is.
TEST_F(Program, OutputThatCannotBeWrittenIsAFailure) {
    const std::string df2 = examplePath(kExamples[1], MissionForm::Binary);
    const std::string rows[] = {
        "info " + df2 + " > /dev/full",          "detect " + df2 + " > /dev/full",
        "check " + df2 + " > /dev/full",         "lists show > /dev/full",
        "convert " + df2 + " a.mis > /dev/full", "convert " + df2 + " c.mis --terrain 'Sandy Ridge' 2> /dev/full"};
    for (const std::string& row : rows) {
        const auto result =
            testing::runProgram("/bin/sh", {"-c", std::string(VOK_PROGRAM) + " " + row}, {}, dir.path());
        // A plain conversion prints nothing: only its file is written. The report on standard
        // error of one that gives a terrain cannot be written there.
        const bool printsNothing = row.find("a.mis") != std::string::npos;
        EXPECT_EQ(result.code, printsNothing ? 0 : 1) << row << "\n" << result.err;
        EXPECT_TRUE(row.find("2>") != std::string::npos || printsNothing ||
                    result.err.find("standard output could not be written") != std::string::npos)
            << row << "\n"
            << result.err;
    }
}
#endif

// Each row converts a mission spelt one way into an output spelt another, from the working folder;
// the output must be where the row says, the same bytes whatever the spelling.
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
        {utf8(u8"Mission ü 東京.bms"), utf8(u8"sub/Ausgabe ü 東京.mis"), dir.path() / "sub" / u8"Ausgabe ü 東京.mis"},
    };
#if defined(_WIN32)
    // Drive letters, backslashes and forward slashes, a path from the root of the current drive, and
    // names in any letter case (the file system does not tell them apart).
    std::string forward = root;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    // clang-format off
    cases.insert(cases.end(), {{root + "\\in.bms", root + "\\sub\\out.mis", dir / "sub" / "out.mis"},
        {forward + "/in.bms", forward + "/sub\\out.mis", dir / "sub" / "out.mis"},
        {root.substr(2) + "\\in.bms", ".\\sub\\out.mis", dir / "sub" / "out.mis"},
        {"IN.BMS", "SUB\\Out.MIS", dir / "sub" / "out.mis"},
        {utf8(u8"MISSION Ü 東京.BMS"), utf8(u8"sub\\ausgabe ü 東京.mis"), dir.path() / "sub" / u8"Ausgabe ü 東京.mis"}});
    // clang-format on
#endif
    for (const auto& c : cases) {
        const auto result = run({"convert", c.in, c.out}, {"SOURCE_DATE_EPOCH=0"});
        EXPECT_EQ(result.code, 0) << c.in << " -> " << c.out << "\n" << result.err;
        ASSERT_TRUE(fs::exists(c.written)) << c.in << " -> " << c.out;
        EXPECT_EQ(slurp(c.written), slurp(dir / "first.mis")) << c.in << " -> " << c.out;
    }
    // The two inputs, first.mis, sub and the two outputs in it: a name in another letter case
    // replaced the file of that name, and no temporary file stayed.
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir.path()), fs::recursive_directory_iterator()), 6);

    // A list folder with such a name, and messages that name such files in UTF-8.
    const fs::path lists = dir.path() / u8"Listen ü 東京";
    fs::create_directory(lists);
    testing::copyStarterLists(lists);
    EXPECT_EQ(run({"--lists", utf8(lists.u8string()), "lists", "show", "--replacements"}).code, 0);
    const auto missing = run({"detect", utf8(u8"Fehlt ü 東京.bms")});
    EXPECT_NE(missing.err.find(utf8(u8"Fehlt ü 東京.bms")), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vok
