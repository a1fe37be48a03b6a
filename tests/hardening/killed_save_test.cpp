// A save killed at a random moment (SIGKILL, so nothing of the program runs after it) leaves the
// target either the earlier file or the complete new one, never a mixture, and what it leaves
// behind does not trip a later save.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/mission_file.h"
#include "tests/support/mission_generator.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

const Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

/// A mission large enough that its save takes a while (over a megabyte in the ascii form).
Df2Mission largeMission(std::uint32_t seed) {
    for (;; ++seed) {
        Df2Mission m = testing::generateMission<Df2Mission>(seed, {.maxItems = 4000, .maxEvents = 200, .maxPerEvent = 6});
        if (m.items.size() >= 2000) return m;
    }
}

std::size_t temporaryFilesIn(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) count += entry.path().filename().string().starts_with(".");
    return count;
}

void killedSaves(MissionForm form, const char* file) {
    const AnyMission a = largeMission(1);
    const AnyMission b = largeMission(5000);
    testing::TempDir dir;
    const fs::path target = dir / file;
    const fs::path bytesA = dir / "a.expected";
    const fs::path bytesB = dir / "b.expected";
    saveMission(bytesA, a, form, kCreatedOn);
    saveMission(bytesB, b, form, kCreatedOn);
    const std::string expectedA = testing::slurp(bytesA);
    const std::string expectedB = testing::slurp(bytesB);
    ASSERT_NE(expectedA, expectedB);
    saveMission(target, a, form, kCreatedOn);

    // How long one save takes here, so that the kills spread over whole saves.
    const auto start = std::chrono::steady_clock::now();
    saveMission(target, b, form, kCreatedOn);
    saveMission(target, a, form, kCreatedOn);
    const auto perSave = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() / 2, 200);

    std::mt19937 random(42);
    int oldFiles = 0;
    int newFiles = 0;
    std::size_t strays = 0;
    constexpr int kKills = 80;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = fork();
        ASSERT_NE(child, -1) << "fork failed";
        if (child == 0) {
            // Save a and b in turn until killed; the file starts as a, so each save changes it.
            try {
                for (int i = 1;; ++i) saveMission(target, i % 2 == 1 ? b : a, form, kCreatedOn);
            } catch (...) {
            }
            _exit(3);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<std::uint32_t>(3 * perSave)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saving child ended by itself (status " << status << ")";

        const std::string now = testing::slurp(target);
        ASSERT_TRUE(now == expectedA || now == expectedB)
            << "after kill " << kill << " the file is neither the old nor the new mission (" << now.size() << " bytes)";
        (now == expectedA ? oldFiles : newFiles) += 1;
        strays = temporaryFilesIn(dir.path());

        // A later save succeeds whatever the kill left, and leaves exactly its mission. Start the
        // next round from a again.
        saveMission(target, a, form, kCreatedOn);
        ASSERT_TRUE(testing::slurp(target) == expectedA) << "the save after kill " << kill << " did not take";
    }
    // The temporary files of killed saves stay until a save of the same file clears those older
    // than a minute (a save_target_test case); here they are younger. Every save picks a fresh
    // name, so they are never in the way.
    EXPECT_LE(strays, static_cast<std::size_t>(kKills));
    std::cout << "[          ] " << kKills << " kills: the file held mission a " << oldFiles << " times, b "
              << newFiles << " times, never anything else; " << strays << " temporary files of killed saves remained\n";
}

TEST(KilledSave, BinarySaveKilledAnywhereLeavesTheOldOrTheNewFile) { killedSaves(MissionForm::Binary, "big.bms"); }
TEST(KilledSave, AsciiSaveKilledAnywhereLeavesTheOldOrTheNewFile) { killedSaves(MissionForm::Ascii, "big.mis"); }

}  // namespace
}  // namespace vok
