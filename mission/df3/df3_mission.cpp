#include "mission/df3/df3_mission.h"

#include "mission/core/mission_files.h"

namespace vok {

void df3::Format::afterGeneralInformation(MissionHeader& h) {
    h.environment_file.set(kDefaultEnvironment);
    h.signature = MissionHeader::fileSignature;
}

using Df3Files = MissionFiles<df3::Format>;

Df3Mission OpenDF3BMS(const std::filesystem::path& path) { return Df3Files::openBinary(path); }

void SaveDF3BMS(const std::filesystem::path& path, const Df3Mission& mission, FileSystem& fileSystem) {
    Df3Files::saveBinary(path, mission, fileSystem);
}

Df3Mission OpenDF3MIS(const std::filesystem::path& path) { return Df3Files::openAscii(path); }

void SaveDF3MIS(const std::filesystem::path& path, const Df3Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem) {
    Df3Files::saveAscii(path, mission, createdOn, fileSystem);
}

}  // namespace vok
