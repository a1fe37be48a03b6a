#pragma once
// Delta Force Land Warrior missions in both forms.

#include <filesystem>
#include <string_view>

#include "mission/core/file_io.h"
#include "mission/core/records.h"
#include "mission/core/timestamp.h"
#include "mission/core/version.h"
#include "mission/df3/df3_header.h"

namespace vok {

using Df3Mission = Mission<df3::MissionHeader, df3::ItemRecord>;

namespace df3 {
struct Format {
    using Mission = Df3Mission;
    static constexpr DfType version = DfType::Df3;
    static constexpr std::string_view readerName = versionInfo(version).readerName;
    static constexpr std::string_view titleLine = versionInfo(version).titleLine;
    static void afterGeneralInformation(MissionHeader& h);
};
}  // namespace df3

Df3Mission OpenDF3BMS(const std::filesystem::path& path);
void SaveDF3BMS(const std::filesystem::path& path, const Df3Mission& mission,
                FileSystem& fileSystem = realFileSystem());
Df3Mission OpenDF3MIS(const std::filesystem::path& path);
void SaveDF3MIS(const std::filesystem::path& path, const Df3Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem = realFileSystem());

}  // namespace vok
