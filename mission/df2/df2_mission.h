#pragma once
// Delta Force 2 missions in both forms.

#include <filesystem>
#include <string_view>

#include "mission/core/file_io.h"
#include "mission/core/records.h"
#include "mission/core/timestamp.h"
#include "mission/core/version.h"
#include "mission/df2/df2_header.h"

namespace vok {

using Df2Mission = Mission<df2::MissionHeader, ItemRecord>;

namespace df2 {
struct Format {
    using Mission = Df2Mission;
    static constexpr DfType version = DfType::Df2;
    static constexpr std::string_view readerName = versionInfo(version).readerName;
    static constexpr std::string_view titleLine = versionInfo(version).titleLine;
    /// The ascii reader's values for what the ascii form does not carry, and the signature.
    static void afterGeneralInformation(MissionHeader& h);
};
}  // namespace df2

/// Reads a DF2 binary mission. Throws Error naming the file when it cannot be read or is faulty.
Df2Mission OpenDF2BMS(const std::filesystem::path& path);
/// Writes a DF2 binary mission atomically; an earlier file is replaced whole or left untouched.
void SaveDF2BMS(const std::filesystem::path& path, const Df2Mission& mission,
                FileSystem& fileSystem = realFileSystem());
/// Reads a DF2 ascii mission. Throws Error with the line number of the fault.
Df2Mission OpenDF2MIS(const std::filesystem::path& path);
/// Writes a DF2 ascii mission atomically, dated `createdOn`.
void SaveDF2MIS(const std::filesystem::path& path, const Df2Mission& mission, const Timestamp& createdOn,
                FileSystem& fileSystem = realFileSystem());

}  // namespace vok
