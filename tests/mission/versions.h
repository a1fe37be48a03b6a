#pragma once
// The three game versions as test parameters: their mission types, their four file operations and
// the numbers the tests check (record sizes, empty file sizes, version bytes). Typed tests run one
// body for each of them.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/error.h"
#include "mission/core/file_io.h"
#include "mission/core/item_counts.h"
#include "mission/core/timestamp.h"
#include "mission/mission_file.h"
#include "tests/support/temp_dir.h"

namespace vok::mission_tests {

namespace fs = std::filesystem;

/// The instant every test writes into its ascii files.
inline const Timestamp kFixedTime = utcFromEpochSeconds(1796558400);  // Sunday, December 6 2026, 12:00 UTC

/// One game version: its mission type, its four file operations (the ascii writer with the fixed
/// instant) and the sizes and bytes of its binary form.
template <class M, DfType N, std::size_t HeaderBytes, std::size_t ItemBytes, std::size_t CountOffset,
          std::uint8_t VersionByte, std::int32_t Signature, M (*OpenBms)(const fs::path&),
          void (*SaveBms)(const fs::path&, const M&, FileSystem&), M (*OpenMis)(const fs::path&),
          void (*SaveMis)(const fs::path&, const M&, const Timestamp&, FileSystem&)>
struct Version {
    using Mission = M;
    static constexpr DfType number = N;
    static constexpr std::size_t headerBytes = HeaderBytes;
    static constexpr std::size_t itemBytes = ItemBytes;
    static constexpr std::size_t emptyBytes = HeaderBytes + 128 * 136 + 2688 + 12;
    static constexpr std::size_t itemCountOffset = CountOffset;  ///< item_count_a; b, c, d follow
    static constexpr std::uint8_t versionByte = VersionByte;
    static constexpr std::int32_t signature = Signature;

    static M openBinary(const fs::path& path) { return OpenBms(path); }
    static void saveBinary(const fs::path& path, const M& m, FileSystem& files = realFileSystem()) {
        SaveBms(path, m, files);
    }
    static M openAscii(const fs::path& path) { return OpenMis(path); }
    static void saveAscii(const fs::path& path, const M& m, FileSystem& files = realFileSystem()) {
        SaveMis(path, m, kFixedTime, files);
    }
};

struct Df1 : Version<Df1Mission, DfType::Df1, 268, 96, 152, 13, df1::MissionHeader::fileSignature, OpenDF1BMS, SaveDF1BMS,
                     OpenDF1MIS, SaveDF1MIS> {};
struct Df2 : Version<Df2Mission, DfType::Df2, 520, 96, 152, 15, df2::MissionHeader::fileSignature, OpenDF2BMS, SaveDF2BMS,
                     OpenDF2MIS, SaveDF2MIS> {};
struct Df3 : Version<Df3Mission, DfType::Df3, 544, 164, 176, 15, df3::MissionHeader::fileSignature, OpenDF3BMS, SaveDF3BMS,
                     OpenDF3MIS, SaveDF3MIS> {};

using AllVersions = ::testing::Types<Df1, Df2, Df3>;
using BriefingVersions = ::testing::Types<Df2, Df3>;

struct VersionNames {
    template <class V>
    static std::string GetName(int) {
        return "Df" + std::to_string(versionNumber(V::number));
    }
};

/// A valid mission with its version's signature, items of three categories and two events holding
/// three triggers and three actions between them.
template <class M>
M smallMission() {
    M m;
    m.header.signature = M::HeaderType::fileSignature;
    for (std::int32_t type : {2001, 5001, 6013}) m.items.emplace_back().type_id = type;
    recountItems(m.header, m.items);
    m.events.resize(2);
    m.events[0].num_triggers = 2;
    m.events[0].num_actions = 1;
    m.events[1].num_triggers = 1;
    m.events[1].num_actions = 2;
    m.triggers.resize(3);
    m.actions.resize(3);
    m.header.num_events = m.num_event_records = 2;
    m.num_trigger_records = m.num_action_records = 3;
    return m;
}

// ---------------------------------------------------------------------------------------------
// Round trips through real files in a temporary folder.

template <class V>
std::string binaryBytesOf(const typename V::Mission& m) {
    testing::TempDir dir;
    V::saveBinary(dir / "m.bms", m);
    return testing::slurp(dir / "m.bms");
}

template <class V>
typename V::Mission missionFromBytes(std::string_view bytes) {
    testing::TempDir dir;
    return V::openBinary(dir.write("m.bms", bytes));
}

template <class V>
std::string asciiTextOf(const typename V::Mission& m) {
    testing::TempDir dir;
    V::saveAscii(dir / "m.mis", m);
    return testing::slurp(dir / "m.mis");
}

template <class V>
typename V::Mission missionFromText(std::string_view text) {
    testing::TempDir dir;
    return V::openAscii(dir.write("m.mis", text));
}

/// Runs `read` and returns the Error it throws; fails the test when it throws none.
template <class Read>
Error errorOf(Read&& read) {
    try {
        read();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error was thrown";
    return Error(Fault::BadList, "", "no error");
}

/// The lines of a text whose lines all end with CR LF (the last one included). A line ending
/// any other way fails the test.
inline std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) {
            ADD_FAILURE() << "the text does not end with CR LF";
            break;
        }
        lines.emplace_back(text.substr(0, end));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << "a lone CR or LF inside a line";
        text.remove_prefix(end + 2);
    }
    return lines;
}

/// Lines joined, each ended with CR LF.
inline std::string joinLines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

/// The lines from the one equal to `first` up to and including the next one equal to `last`.
inline std::vector<std::string> blockOf(const std::string& text, std::string_view first, std::string_view last) {
    std::vector<std::string> block;
    bool inside = false;
    for (const std::string& line : linesOf(text)) {
        if (line == first) inside = true;
        if (inside) block.push_back(line);
        if (inside && line == last) break;
    }
    return block;
}

/// The lines that start with `prefix`, in order.
inline std::vector<std::string> linesStartingWith(const std::string& text, std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::string& line : linesOf(text)) {
        if (line.starts_with(prefix)) found.push_back(line);
    }
    return found;
}

/// The "created on" line of every ascii file the tests write.
inline const char* const kCreatedLine = "// This File Was Created On Sunday, December 6 2026 at 12:00:00 PM";

/// Puts a 32-bit little-endian value into a byte string.
inline void putInt32(std::string& bytes, std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((v >> (8 * i)) & 0xff);
}

}  // namespace vok::mission_tests
