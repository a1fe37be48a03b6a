// vok.exe meets what only Windows does: wildcards that the shell leaves to the program (quoted or
// not), names Windows keeps or cannot spell, the quoting trap of cmd.exe, the help asked the Windows
// way, and a file that another program holds open (Windows will not replace it).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using testing::runProgram;
using testing::slurp;

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WindowsProgram, VokExpandsWildcardsItself) {
    testing::TempDir dir;
    for (const char* stem : {"df1_harbour", "df2_night_raid", "df3_mountain_pass"}) {
        fs::copy_file(fs::path(VOK_EXAMPLES_DIR) / (std::string(stem) + ".bms"), dir / (std::string(stem) + ".bms"));
    }
    fs::create_directory(dir / "out");
    const auto result =
        runProgram(VOK_PROGRAM, {"convert", (dir / "*.bms").string(), "--form", "mis", "-o", (dir / "out").string()});
    EXPECT_EQ(result.code, 0) << result.err;
    for (const char* name : {"df1_harbour.mis", "df2_night_raid.mis", "df3_mountain_pass.mis"}) {
        EXPECT_TRUE(fs::exists(dir / "out" / name)) << name;
    }
    EXPECT_EQ(entriesIn(dir / "out"), 3u);
}

TEST(WindowsProgram, CommandLinesOnlyWindowsHas) {
    testing::TempDir dir;
    const fs::path examples = dir / "my missions";  // a blank: the pattern reaches vok in quotes
    fs::create_directory(examples);
    for (const char* stem : {"df1_harbour", "df2_night_raid", "df3_mountain_pass"}) {
        fs::copy_file(fs::path(VOK_EXAMPLES_DIR) / (std::string(stem) + ".bms"),
                      examples / (std::string(stem) + ".bms"));
    }
    const std::string df2 = (examples / "df2_night_raid.bms").string();
    const auto p = [&](const char* name) { return (dir / name).string(); };
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string printed;                    ///< found on standard output or error
        std::vector<std::string> written = {};  ///< new files below the folder, outside "my missions"
    };
    const Row rows[] = {
        // Names Windows keeps for devices, with any extension and letter case; COM10 is no device.
        {{"detect", p("CON.bms")}, 1, "CON is a name Windows keeps for a device; choose another name"},
        {{"convert", df2, p("nul.txt.mis")}, 1, "nul is a name Windows keeps for a device"},
        {{"convert", df2, p("Lpt9 .mis")}, 1, "Lpt9 is a name Windows keeps for a device"},
        {{"convert", df2, "-o", p("aux\\out")}, 1, "aux is a name Windows keeps for a device"},
        {{"convert", df2, p("COM10.bms")}, 0, "", {"COM10.bms"}},
        // Names Windows would cut short.
        {{"convert", df2, p("m.mis.")}, 1, "\"m.mis.\" ends in a dot, which Windows drops from a name"},
        {{"convert", df2, p("m.mis ")}, 1, "\"m.mis \" ends in a blank"},
        // Patterns: quoted (the folder has a blank) or not, vok expands them; one that matches nothing.
        {{"detect", (examples / "df2_*.bms").string()}, 0, "df2"},
        {{"detect", (examples / "*.bms").string()}, 2, "*.bms matches 3 files, and detect takes one"},
        {{"convert", (examples / "*.BMS").string(), "--form", "mis", "-o", p("out")},
         0,
         "",
         {"out/df1_harbour.mis", "out/df2_night_raid.mis", "out/df3_mountain_pass.mis"}},
        {{"detect", (examples / "*.xyz").string()}, 1, "no file matches " + (examples / "*.xyz").string()},
        // "C:\dir\" on cmd.exe's line: the backslash keeps the quote, and the rest joins the argument.
        {{"convert", df2, "-o", p("out") + "\" --form mis"},
         2,
         "write \"" + p("out") + "\" without the last backslash"},
        // Help, the Windows way and with Windows paths.
        {{"/?"}, 0, "convert, recognise, summarise"},
        {{"convert", "/?"}, 0, "--replace"},
        {{"help", "convert"}, 0, "C:\\Missions\\*.bms --to df1 --form mis --replace remove -o C:\\Missions\\df1"},
        {{"help"}, 0, "In PowerShell a program in the current folder starts as .\\vok"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.back());
        const auto run = runProgram(VOK_PROGRAM, row.args);
        EXPECT_EQ(run.code, row.code) << run.err;
        EXPECT_NE((run.out + run.err).find(row.printed), std::string::npos) << run.out << run.err;
        std::vector<std::string> written;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const auto relative = fs::relative(entry.path(), dir.path());
            if (entry.is_regular_file() && *relative.begin() != "my missions")
                written.push_back(relative.generic_string());
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, row.written);
        for (const auto& file : row.written) fs::remove(dir / file);
    }
}

TEST(WindowsProgram, PathsPastMaxPathAreWrittenAndRead) {
    // Windows 10 and later let vok.exe past MAX_PATH (260), its manifest declaring it ready; Wine
    // lets every program past it, but not every call of the test's own runtime (listing a folder).
    testing::TempDir dir;
    const fs::path deep = dir / std::string(100, 'a') / std::string(100, 'b') / std::string(100, 'c');
    ASSERT_GT(deep.native().size(), 300u);
    const std::string in = (fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms").string();
    const auto batch = runProgram(VOK_PROGRAM, {"convert", in, "--form", "mis", "-o", deep.string()});
    EXPECT_EQ(batch.code, 0) << batch.err;
    const fs::path written = deep / "df2_night_raid.mis";
    const auto detect = runProgram(VOK_PROGRAM, {"detect", written.string()});
    EXPECT_EQ(detect.code, 0) << detect.err;
    EXPECT_EQ(detect.out, "df2\n");
    const auto back = runProgram(VOK_PROGRAM, {"convert", written.string(), (deep / "back.bms").string()});
    EXPECT_EQ(back.code, 0) << back.err;
    EXPECT_EQ(slurp(deep / "back.bms"), slurp(in));
    for (fs::path file : {written, deep / "back.bms"}) fs::remove(file);
    for (fs::path folder = deep; folder != dir.path(); folder = folder.parent_path()) fs::remove(folder);
}

// "\u00e9t\u00e9.bms" and "\u00c9t\u00e9.mis" would both be written to one file: Windows compares
// names in any letter case, accented letters too.
TEST(WindowsProgram, TwoInputsWhoseOutputsDifferInLetterCaseOnlyAreRefused) {
    testing::TempDir dir;
    const fs::path example = fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms";
    const fs::path a = dir.path() / L"\u00e9t\u00e9.bms", b = dir.path() / L"\u00c9t\u00e9.mis";
    fs::copy_file(example, a);
    std::ofstream(b, std::ios::binary) << slurp(fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.mis");
    fs::create_directory(dir / "out");
    const auto utf8 = [](const fs::path& path) {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    };
    const auto result =
        runProgram(VOK_PROGRAM, {"convert", utf8(a), utf8(b), "--form", "mis", "-o", utf8(dir / "out")});
    EXPECT_EQ(result.code, 1) << result.err;
    EXPECT_NE(result.err.find("would both be written to"), std::string::npos) << result.err;
    EXPECT_EQ(entriesIn(dir / "out"), 0u);
}

TEST(WindowsProgram, ATargetHeldOpenElsewhereIsKeptAndTheMessageSaysSo) {
    testing::TempDir dir;
    const std::string in = (fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms").string();
    // Opened as most programs open a file they read (others may read and write it, not delete it),
    // and as some editors and viewers do, letting others delete it too (the replace is refused all the same).
    const std::pair<const char*, DWORD> holders[] = {
        {"held.mis", FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"held.bms", FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"shared.mis", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
    };
    for (const auto& [name, sharing] : holders) {
        SCOPED_TRACE(name);
        const fs::path target = dir.write(name, "the old file");
        const HANDLE held =
            CreateFileW(target.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const auto refused = runProgram(VOK_PROGRAM, {"convert", in, target.string()});
        CloseHandle(held);
        if (refused.code == 0) {
            // Windows 10 and later may replace a file whose holder let it be deleted (the holder
            // keeps the old content); the new file is then in place.
            EXPECT_NE(sharing & FILE_SHARE_DELETE, 0u) << refused.err;
            EXPECT_NE(slurp(target), "the old file");
            fs::remove(target);
            continue;
        }
        EXPECT_EQ(refused.code, 1);
        EXPECT_NE(refused.err.find(target.string() + ": The file cannot be written: it is open in another program"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(slurp(target), "the old file");
        EXPECT_EQ(entriesIn(dir.path()), 1u) << "a temporary file stayed behind";

        // Once the other program lets go, the same command saves over the file.
        const auto saved = runProgram(VOK_PROGRAM, {"convert", in, target.string()});
        EXPECT_EQ(saved.code, 0) << saved.err;
        EXPECT_NE(slurp(target), "the old file");
        fs::remove(target);
    }
}

}  // namespace
}  // namespace vok
