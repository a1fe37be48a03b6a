#pragma once
// The four file operations of a version (binary and ascii, read and write), shared by all three.
// Each version names them (OpenDF2BMS, SaveDF2MIS ...) as thin wrappers.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/file_io.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/core/timestamp.h"

namespace vok {

template <class Format>
struct MissionFiles {
    using Mission = typename Format::Mission;

    static Mission openBinary(const std::filesystem::path& path) {
        const std::string bytes = readFile(path);
        return readMissionBinary<Mission>(bytes, displayPath(path));
    }

    static void saveBinary(const std::filesystem::path& path, const Mission& mission, FileSystem& fileSystem) {
        writeFileAtomically(path, writeMissionBinary(mission, displayPath(path)), fileSystem);
    }

    /// `passedOver`, when given, receives what the reader read past (see mis_reader.h).
    static Mission openAscii(const std::filesystem::path& path, std::vector<PassedOver>* passedOver = nullptr) {
        const std::string text = readFile(path);
        return readMissionAscii<Format>(text, displayPath(path), passedOver);
    }

    static void saveAscii(const std::filesystem::path& path, const Mission& mission, const Timestamp& createdOn,
                          FileSystem& fileSystem) {
        writeFileAtomically(path, writeMissionAscii<Format>(mission, createdOn, displayPath(path)), fileSystem);
    }
};

}  // namespace vok
