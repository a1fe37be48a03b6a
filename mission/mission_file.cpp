#include "mission/mission_file.h"

#include <stdexcept>
#include <utility>

#include "mission/core/mission_files.h"
#include "mission/core/text.h"

namespace vok {

std::optional<MissionForm> formOfPath(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (keywordIs(extension, ".bms")) return MissionForm::Binary;
    if (keywordIs(extension, ".mis")) return MissionForm::Ascii;
    return std::nullopt;
}

// AnyMission holds the versions in their order: alternative i is version i + 1.
DfType versionOf(const AnyMission& mission) { return static_cast<DfType>(mission.index() + 1); }

AnyMission emptyMission(DfType version) {
    if (!isVersion(version)) throw std::invalid_argument("no game version " + std::to_string(versionNumber(version)));
    static constexpr auto kMakers = []<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<AnyMission (*)(), sizeof...(I)>{[] { return AnyMission(std::in_place_index<I>); }...};
    }
    (std::make_index_sequence<std::variant_size_v<AnyMission>>{});
    return kMakers[versionIndex(version)]();
}

std::string_view asciiReaderName(DfType version) {
    return isVersion(version) ? versionInfo(version).readerName : "OpenMIS";
}

void requireAsciiMission(std::string_view text, std::string_view name) {
    // The DF1 reader takes the lines of briefing blocks at the top level: where it finds no block
    // of a mission, the other versions' readers find none either.
    try {
        (void)readMissionAscii<df1::Format>(text, name);
    } catch (const Error& error) {
        if (error.fault() == Fault::NoMission) throw;
    }
}

AnyMission readMission(std::string_view bytes, std::string_view name, DfType version, MissionForm form,
                       std::vector<PassedOver>* passedOver) {
    AnyMission mission = emptyMission(version);
    std::visit(
        [&](auto& m) {
            using M = std::decay_t<decltype(m)>;
            m = form == MissionForm::Binary ? readMissionBinary<M>(bytes, name)
                                            : readMissionAscii<FormatOfT<M>>(bytes, name, passedOver);
        },
        mission);
    return mission;
}

AnyMission openMission(const std::filesystem::path& path, DfType version, MissionForm form,
                       std::vector<PassedOver>* passedOver) {
    return readMission(readFile(path), displayPath(path), version, form, passedOver);
}

std::string missionBytes(const AnyMission& mission, MissionForm form, const Timestamp& createdOn,
                         std::string_view name) {
    return std::visit(
        [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            return form == MissionForm::Binary ? writeMissionBinary(m, name)
                                               : writeMissionAscii<FormatOfT<M>>(m, createdOn, name);
        },
        mission);
}

void saveMission(const std::filesystem::path& path, const AnyMission& mission, MissionForm form,
                 const Timestamp& createdOn, FileSystem& fileSystem) {
    writeFileAtomically(path, missionBytes(mission, form, createdOn, displayPath(path)), fileSystem);
}

}  // namespace vok
