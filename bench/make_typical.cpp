// Writes a typical mission of each game version, 300 items and up to 40 events, in both forms, for
// timing `vok convert` against `cp` (bench/e2e.sh):
//     vok_typical_missions FOLDER   ->  FOLDER/df1_typical.bms, df1_typical.mis, ... df3_typical.mis
// A typical mission holds what its ascii form carries (the binary-only fields as the ascii reader
// sets them), like a mission made with the game's editor. FOLDER/df2_random.bms has every field
// random, so that saving it in the ascii form loses something in every record.
#include <filesystem>
#include <iostream>

#include "bench/bench_missions.h"
#include "mission/mission_file.h"

namespace {

const vok::Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

template <class M>
void writeBoth(const std::filesystem::path& folder, const char* stem) {
    const M random = vok::bench::missionOfItems<M>(300, 40);
    const std::filesystem::path ascii = folder / (std::string(stem) + ".mis");
    vok::saveMission(ascii, random, vok::MissionForm::Ascii, kCreatedOn);
    const vok::AnyMission typical =
        vok::openMission(ascii, vok::versionOf(vok::AnyMission(random)), vok::MissionForm::Ascii);
    vok::saveMission(ascii, typical, vok::MissionForm::Ascii, kCreatedOn);
    vok::saveMission(folder / (std::string(stem) + ".bms"), typical, vok::MissionForm::Binary, kCreatedOn);
    if constexpr (std::is_same_v<M, vok::Df2Mission>) {
        vok::saveMission(folder / "df2_random.bms", random, vok::MissionForm::Binary, kCreatedOn);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vok_typical_missions FOLDER\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        writeBoth<vok::Df1Mission>(folder, "df1_typical");
        writeBoth<vok::Df2Mission>(folder, "df2_typical");
        writeBoth<vok::Df3Mission>(folder, "df3_typical");
    } catch (const std::exception& error) {
        std::cerr << "vok_typical_missions: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
