#pragma once
// Delta Force 1 missions in both forms.

#include <filesystem>
#include <string_view>

#include "mission/core/file_io.h"
#include "mission/core/records.h"
#include "mission/core/timestamp.h"
#include "mission/core/version.h"
#include "mission/df1/df1_header.h"

namespace vok {

using Df1Mission = Mission<df1::MissionHeader, ItemRecord>;

namespace df1 {
struct Format {
    using Mission = Df1Mission;
    static constexpr DfType version = DfType::Df1;
    static constexpr std::string_view readerName = versionInfo(version).readerName;
    static constexpr std::string_view titleLine = versionInfo(version).titleLine;
    static void afterGeneralInformation(MissionHeader& h);
};
}  // namespace df1

Df1Mission OpenDF1BMS(const std::filesystem::path& path);
void SaveDF1BMS(const std::filesystem::path& path, const Df1Mission& mission,
                FileSystem& fileSystem = realFileSystem());
Df1Mission OpenDF1MIS(const std::filesystem::path& path);
void SaveDF1MIS(const std::filesystem::path& path, const Df1Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem = realFileSystem());

}  // namespace vok
