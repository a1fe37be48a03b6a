#include "mission/df2/df2_mission.h"

#include "mission/core/mission_files.h"

namespace vok {

namespace df2 {

void setFileDefaults(MissionHeader& h) {
    h.clouds_file.set("clouds05.pcx");
    h.sky_file.set("skygrd04.tga");
    h.header_number_a = 1236;
    h.header_number_b = 65536;
    h.header_levels.fill(128);
}

void Format::afterGeneralInformation(MissionHeader& h) {
    setFileDefaults(h);
    h.signature = MissionHeader::fileSignature;
}

}  // namespace df2

using Df2Files = MissionFiles<df2::Format>;

Df2Mission OpenDF2BMS(const std::filesystem::path& path) { return Df2Files::openBinary(path); }

void SaveDF2BMS(const std::filesystem::path& path, const Df2Mission& mission, FileSystem& fileSystem) {
    Df2Files::saveBinary(path, mission, fileSystem);
}

Df2Mission OpenDF2MIS(const std::filesystem::path& path) { return Df2Files::openAscii(path); }

void SaveDF2MIS(const std::filesystem::path& path, const Df2Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem) {
    Df2Files::saveAscii(path, mission, createdOn, fileSystem);
}

}  // namespace vok
