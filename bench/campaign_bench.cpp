// A campaign of 500 missions of the examples' size (the six examples, copied round) converted to
// Delta Force 2 into a fresh folder, through the campaign the converter window runs (every file's
// progress told, as the window is told) and through vok convert DIR -o OUT, in one run. Prints the
// best of three of each and their ratio. Run: build/release/bench/vok_campaign_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "tests/support/temp_dir.h"
#include "workflow/campaign.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kMissions = 500;

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main() {
    using namespace vok;
    testing::TempDir dir;
    testing::copyStarterLists(dir.path());
    const fs::path in = dir / "in";
    fs::create_directory(in);
    std::vector<fs::path> examples;
    for (const auto& entry : fs::directory_iterator(VOK_EXAMPLES_DIR)) examples.push_back(entry.path());
    std::sort(examples.begin(), examples.end());
    for (int i = 0; i < kMissions; ++i) {
        const fs::path& example = examples[static_cast<std::size_t>(i) % examples.size()];
        fs::copy_file(example, in / ("m" + std::to_string(i) + example.extension().string()));
    }

    double campaignBest = 1e9, vokBest = 1e9;
    for (int round = 0; round < 3; ++round) {
        fs::remove_all(dir / "a");
        fs::remove_all(dir / "b");
        {
            const auto start = Clock::now();
            ListStore lists(dir.path());
            lists.InitilizeItemLists();
            workflow::Campaign campaign([&lists]() -> ListStore& { return lists; }, workflow::Style::Window);
            campaign.plan(workflow::campaignInputs({in}, false), dir / "a", std::nullopt);
            campaign.open();
            (void)campaign.missingTypes(DfType::Df2);
            (void)campaign.makeFolder();
            workflow::Campaign::RunOptions options;
            options.target = DfType::Df2;
            std::size_t told = 0;
            options.progress = [&told](std::size_t, std::size_t, const workflow::CampaignFile&) { ++told; };
            campaign.run(options);
            campaignBest = std::min(campaignBest, seconds(start));
            if (campaign.count(workflow::CampaignFile::Result::Written) != kMissions) {
                std::fprintf(stderr, "the campaign wrote %zu files\n",
                             campaign.count(workflow::CampaignFile::Result::Written));
                return 1;
            }
        }
        {
            std::ostringstream out, err;
            cli::Environment environment;
            environment.programFolder = dir.path();
            const auto start = Clock::now();
            const int status =
                cli::run({"convert", in.string(), "--to", "df2", "--replace", "skip", "-o", (dir / "b").string()}, out,
                         err, environment);
            vokBest = std::min(vokBest, seconds(start));
            if (status != 0) {
                std::fprintf(stderr, "vok failed: %s\n", err.str().c_str());
                return 1;
            }
        }
    }
    std::printf("%d missions to Delta Force 2: campaign %.3f s, vok %.3f s, ratio campaign/vok %.2f\n", kMissions,
                campaignBest, vokBest, campaignBest / vokBest);
    return 0;
}
