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

struct Df1 {
    using Mission = Df1Mission;
    using Format = df1::Format;
    static constexpr DfType number = kDf1;
    static constexpr const char* key = "Df1";
    static constexpr std::size_t headerBytes = 268;
    static constexpr std::size_t itemBytes = 96;
    static constexpr std::size_t emptyBytes = 20376;
    static constexpr std::size_t itemCountOffset = 152;  ///< item_count_a; b, c, d follow
    static constexpr std::uint8_t versionByte = 13;
    static constexpr std::int32_t signature = df1::kSignature;
    static constexpr std::size_t emptyAsciiLines = 6;
    static constexpr bool hasBriefing = false;

    static Mission openBinary(const fs::path& path) { return OpenDF1BMS(path); }
    static void saveBinary(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF1BMS(path, m, files);
    }
    static Mission openAscii(const fs::path& path) { return OpenDF1MIS(path); }
    static void saveAscii(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF1MIS(path, m, kFixedTime, files);
    }
};

struct Df2 {
    using Mission = Df2Mission;
    using Format = df2::Format;
    static constexpr DfType number = kDf2;
    static constexpr const char* key = "Df2";
    static constexpr std::size_t headerBytes = 520;
    static constexpr std::size_t itemBytes = 96;
    static constexpr std::size_t emptyBytes = 20628;
    static constexpr std::size_t itemCountOffset = 152;
    static constexpr std::uint8_t versionByte = 15;
    static constexpr std::int32_t signature = df2::kSignature;
    static constexpr std::size_t emptyAsciiLines = 6;
    static constexpr bool hasBriefing = true;

    static Mission openBinary(const fs::path& path) { return OpenDF2BMS(path); }
    static void saveBinary(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF2BMS(path, m, files);
    }
    static Mission openAscii(const fs::path& path) { return OpenDF2MIS(path); }
    static void saveAscii(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF2MIS(path, m, kFixedTime, files);
    }
};

struct Df3 {
    using Mission = Df3Mission;
    using Format = df3::Format;
    static constexpr DfType number = kDf3;
    static constexpr const char* key = "Df3";
    static constexpr std::size_t headerBytes = 544;
    static constexpr std::size_t itemBytes = 164;
    static constexpr std::size_t emptyBytes = 20652;
    static constexpr std::size_t itemCountOffset = 176;
    static constexpr std::uint8_t versionByte = 15;
    static constexpr std::int32_t signature = df3::kSignature;
    static constexpr std::size_t emptyAsciiLines = 11;
    static constexpr bool hasBriefing = true;

    static Mission openBinary(const fs::path& path) { return OpenDF3BMS(path); }
    static void saveBinary(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF3BMS(path, m, files);
    }
    static Mission openAscii(const fs::path& path) { return OpenDF3MIS(path); }
    static void saveAscii(const fs::path& path, const Mission& m, FileSystem& files = realFileSystem()) {
        SaveDF3MIS(path, m, kFixedTime, files);
    }
};

using AllVersions = ::testing::Types<Df1, Df2, Df3>;
using BriefingVersions = ::testing::Types<Df2, Df3>;

struct VersionNames {
    template <class V>
    static std::string GetName(int) {
        return V::key;
    }
};

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
