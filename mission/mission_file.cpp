#include "mission/mission_file.h"

#include <stdexcept>

#include "mission/core/mis_reader.h"
#include "mission/core/text.h"

namespace vok {

std::optional<MissionForm> formOfPath(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (keywordIs(extension, ".bms")) return MissionForm::Binary;
    if (keywordIs(extension, ".mis")) return MissionForm::Ascii;
    return std::nullopt;
}

DfType versionOf(const AnyMission& mission) { return static_cast<DfType>(mission.index() + 1); }

std::string_view asciiReaderName(DfType version) {
    switch (version) {
        case kDf1: return df1::Format::readerName;
        case kDf2: return df2::Format::readerName;
        case kDf3: return df3::Format::readerName;
        default: return "OpenMIS";
    }
}

AnyMission emptyMission(DfType version) {
    switch (version) {
        case kDf1: return Df1Mission{};
        case kDf2: return Df2Mission{};
        case kDf3: return Df3Mission{};
        default: throw std::invalid_argument("no game version " + std::to_string(version));
    }
}

namespace {
template <class Format>
typename Format::Mission openAscii(const std::filesystem::path& path, std::vector<PassedOver>* passedOver) {
    const std::string text = readFile(path);
    return readMissionAscii<Format>(text, displayPath(path), passedOver);
}
}  // namespace

void requireAsciiMission(const std::filesystem::path& path) {
    // The DF1 reader takes the lines of briefing blocks at the top level: where it finds no block
    // of a mission, the other versions' readers find none either.
    try {
        (void)openAscii<df1::Format>(path, nullptr);
    } catch (const Error& error) {
        if (error.fault() == Fault::NoMission) throw;
    }
}

AnyMission openMission(const std::filesystem::path& path, DfType version, MissionForm form,
                       std::vector<PassedOver>* passedOver) {
    const bool binary = form == MissionForm::Binary;
    switch (version) {
        case kDf1: return binary ? OpenDF1BMS(path) : openAscii<df1::Format>(path, passedOver);
        case kDf2: return binary ? OpenDF2BMS(path) : openAscii<df2::Format>(path, passedOver);
        case kDf3: return binary ? OpenDF3BMS(path) : openAscii<df3::Format>(path, passedOver);
        default: throw std::invalid_argument("no game version " + std::to_string(version));
    }
}

void saveMission(const std::filesystem::path& path, const AnyMission& mission, MissionForm form,
                 const Timestamp& createdOn, FileSystem& fileSystem) {
    const bool binary = form == MissionForm::Binary;
    std::visit(
        [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, Df1Mission>) {
                binary ? SaveDF1BMS(path, m, fileSystem) : SaveDF1MIS(path, m, createdOn, fileSystem);
            } else if constexpr (std::is_same_v<M, Df2Mission>) {
                binary ? SaveDF2BMS(path, m, fileSystem) : SaveDF2MIS(path, m, createdOn, fileSystem);
            } else {
                binary ? SaveDF3BMS(path, m, fileSystem) : SaveDF3MIS(path, m, createdOn, fileSystem);
            }
        },
        mission);
}

}  // namespace vok
