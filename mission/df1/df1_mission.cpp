#include "mission/df1/df1_mission.h"

#include "mission/core/mission_files.h"

namespace vok {

void df1::Format::afterGeneralInformation(MissionHeader& h) {
    h.terrain_color = 0;
    h.signature = MissionHeader::fileSignature;
}

using Df1Files = MissionFiles<df1::Format>;

Df1Mission OpenDF1BMS(const std::filesystem::path& path) { return Df1Files::openBinary(path); }

void SaveDF1BMS(const std::filesystem::path& path, const Df1Mission& mission, FileSystem& fileSystem) {
    Df1Files::saveBinary(path, mission, fileSystem);
}

Df1Mission OpenDF1MIS(const std::filesystem::path& path) { return Df1Files::openAscii(path); }

void SaveDF1MIS(const std::filesystem::path& path, const Df1Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem) {
    Df1Files::saveAscii(path, mission, createdOn, fileSystem);
}

}  // namespace vok
