// vok.exe meets what only Windows does: wildcards that the shell leaves to the program, and a file
// that another program holds open (Windows will not replace it).
#include <gtest/gtest.h>
#include <windows.h>

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

// "\u00e9t\u00e9.bms" and "\u00c9t\u00e9.mis" would both be written to one file: Windows compares
// names in any letter case, accented letters too.
TEST(WindowsProgram, TwoInputsWhoseOutputsDifferInLetterCaseOnlyAreRefused) {
    testing::TempDir dir;
    const fs::path example = fs::path(VOK_EXAMPLES_DIR) / "df2_night_raid.bms";
    const fs::path a = dir / L"\u00e9t\u00e9.bms", b = dir / L"\u00c9t\u00e9.mis";
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
    for (const char* name : {"held.mis", "held.bms"}) {
        SCOPED_TRACE(name);
        const fs::path target = dir.write(name, "the old file");
        // Opened as most programs open a file they read: others may read and write it, not delete it.
        const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const auto refused = runProgram(VOK_PROGRAM, {"convert", in, target.string()});
        CloseHandle(held);
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
