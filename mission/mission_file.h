#pragma once
// A mission of any version, and its files in either form, for the programs that handle all three
// versions alike (the command-line tool, batch work, tests).

#include <filesystem>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "mission/core/file_io.h"
#include "mission/core/mis_fields.h"
#include "mission/core/timestamp.h"
#include "mission/core/version.h"
#include "mission/df1/df1_mission.h"
#include "mission/df2/df2_mission.h"
#include "mission/df3/df3_mission.h"

namespace vok {

enum class MissionForm { Binary, Ascii };

/// The form named by a path's extension: .bms binary, .mis ascii, in any letter case.
std::optional<MissionForm> formOfPath(const std::filesystem::path& path);

using AnyMission = std::variant<Df1Mission, Df2Mission, Df3Mission>;

/// The Format (ascii keywords, reader name, title line) of a mission type.
template <class M>
struct FormatOf;
template <>
struct FormatOf<Df1Mission> {
    using type = df1::Format;
};
template <>
struct FormatOf<Df2Mission> {
    using type = df2::Format;
};
template <>
struct FormatOf<Df3Mission> {
    using type = df3::Format;
};
template <class M>
using FormatOfT = typename FormatOf<M>::type;

DfType versionOf(const AnyMission& mission);

/// "OpenDF1MIS" .. "OpenDF3MIS": the name the ascii readers' messages carry.
std::string_view asciiReaderName(DfType version);

/// Reads a mission of a known version and form from a file's bytes; `name` names the file in the
/// errors. For an ascii file, `passedOver` (when given) receives what the reader read past (see
/// mis_reader.h).
AnyMission readMission(std::string_view bytes, std::string_view name, DfType version, MissionForm form,
                       std::vector<PassedOver>* passedOver = nullptr);
/// The same on a file (read once, whole).
AnyMission openMission(const std::filesystem::path& path, DfType version, MissionForm form,
                       std::vector<PassedOver>* passedOver = nullptr);

/// The bytes of a mission's file in a form (an ascii file dated `createdOn`); `name` names the
/// file in the writer's errors (a model whose counts do not describe its records ...).
std::string missionBytes(const AnyMission& mission, MissionForm form, const Timestamp& createdOn,
                         std::string_view name);
/// Writes missionBytes to `path` atomically (writeFileAtomically).
void saveMission(const std::filesystem::path& path, const AnyMission& mission, MissionForm form,
                 const Timestamp& createdOn, FileSystem& fileSystem = realFileSystem());

/// Throws the ascii reader's Error(NoMission) when the text holds no mission for any version's
/// reader (neither a general_information block nor an item), so that this fault can be told before
/// the version is known. Any other fault is left for the reading of the chosen version.
void requireAsciiMission(std::string_view text, std::string_view name);

/// An empty mission of a version: the one way from a version number to its mission and Format
/// types (visit the result). std::invalid_argument for a number that is no version.
AnyMission emptyMission(DfType version);

}  // namespace vok
