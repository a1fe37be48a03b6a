// The game version of a mission file: a binary file's by its version byte and environment file name,
// an ascii file's by the writers' title line or by the lead of one version's item types over the others.

#include "mission/core/version_detect.h"

#include <gtest/gtest.h>

#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

std::string headerBytes(std::uint8_t versionByte, std::size_t envAt = 0, std::string_view env = {},
                        std::size_t size = 544) {
    std::string bytes = std::string("BMS") + static_cast<char>(versionByte) + std::string(540, '\0');
    bytes.replace(envAt, env.size(), env);
    return bytes.substr(0, size);
}

TEST(MissionVersionOf, BinaryFilesByTheirVersionByteAndEnvironmentName) {
    std::string noise(300, '\xAB');
    noise[3] = 13;
    const std::tuple<const char*, std::string, DfType> cases[] = {
        {"byte 13 whatever else, no letters BMS", noise, DfType::Df1},
        {"byte 15 and DAY1.ENV at 224", headerBytes(15, 224, "DAY1.ENV"), DfType::Df3},
        {"byte 15 and day1.en", headerBytes(15, 224, "day1.en"), DfType::Df2},
        {"byte 15, .env starting at 223", headerBytes(15, 223, ".env"), DfType::Df2},
        {"byte 15, .env ending at 255", headerBytes(15, 252, ".env"), DfType::Df3},
        {"byte 15, .env running past 255", headerBytes(15, 253, ".env"), DfType::Df2},
        {"byte 15, .ENV in the middle", headerBytes(15, 230, "rain.ENV.old"), DfType::Df3},
        {"byte 15, a file ending at 240", headerBytes(15, 224, "x.env", 240), DfType::Df3},
        {"byte 15, a file of 4 bytes", headerBytes(15, 0, {}, 4), DfType::Df2},
        {"three bytes", "BMS", DfType::NotRecognised},
        {"empty", "", DfType::NotRecognised},
        {"byte 14", headerBytes(14), DfType::NotRecognised},
        {"byte 143 (15 + 128)", headerBytes(143), DfType::NotRecognised},
    };
    for (const auto& [name, bytes, version] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(BmsVersionOfBytes(bytes), version);
        testing::TempDir dir;
        EXPECT_EQ(BmsVersionOf(dir.write("m.bms", bytes)), version);
    }
}

/// Item lists small enough to read: identifiers 1xx exist only in DF1, 2xx only in DF2, 3xx only
/// in DF3, 23x in DF2 and DF3, 123 in all three; 500 only in DF1 and 501 only in DF3.
class FakeCatalog : public ItemCatalog {
public:
    bool ItemExists(DfType version, std::int16_t id) const override {
        if (id == 123) return true;
        if (id >= 230 && id < 240) return version != DfType::Df1;
        if (id >= 100 && id < 400) return id / 100 == versionNumber(version);
        return (id == 500 && version == DfType::Df1) || (id == 501 && version == DfType::Df3);
    }
};

std::string typeLines(int id, int count, std::string_view prefix = "  type_id ", std::string_view end = "\r\n") {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(prefix) + std::to_string(id) + std::string(end);
    return text;
}

TEST(MissionVersionOf, AsciiFilesByTheTitleLineOrALeadOfTen) {
    const std::tuple<const char*, std::string, DfType> cases[] = {
        {"ten DF3-only identifiers", typeLines(301, 10), DfType::Df3},
        {"nine DF3-only identifiers", typeLines(301, 9), DfType::NotRecognised},
        {"identifiers of DF2 and DF3 never lead", typeLines(231, 50), DfType::NotRecognised},
        {"identifiers of every version never lead", typeLines(123, 50), DfType::NotRecognised},
        {"3 DF2 then 12 DF1 is a lead of 9", typeLines(201, 3) + typeLines(101, 12), DfType::NotRecognised},
        {"3 DF2 then 13 DF1", typeLines(201, 3) + typeLines(101, 13), DfType::Df1},
        {"ten DF2-only identifiers", typeLines(250, 10), DfType::Df2},
        {"the lead is weighed after each line", typeLines(101, 10) + typeLines(201, 30), DfType::Df1},
        {"unknown identifiers", typeLines(999, 40), DfType::NotRecognised},
        {"any indentation and letter case, other lines around",
         "// header\r\n" + typeLines(301, 4, "type_id ") + "noise type_id 301\r\n" +
             typeLines(301, 3, "      TYPE_ID ") + "  Type_Id 301 extra\r\n  type_id 301\r\n  type_id 301",
         DfType::Df3},
        {"a tab is part of the first word", typeLines(301, 9) + "\ttype_id 301\r\n", DfType::NotRecognised},
        {"values rounded half to even", typeLines(500, 10, "type_id ", ".5\r\n"), DfType::Df1},  // 500, not 501
        {"a tie rounding up to the even neighbour", typeLines(499, 10, "type_id ", ".5\n"), DfType::Df1},  // 500
        {"outside 16 bits counts for none", typeLines(65837, 20) + typeLines(-65235, 20), DfType::NotRecognised},
        {"lines ending in CR alone", typeLines(201, 10, "type_id ", "\r"), DfType::Df2},
        // The comment line the ascii writers put first names the version, whatever the items.
        {"the writers' first line", "// Vok Tamber's RIRorORE Converter for Delta Force 2\r\n" + typeLines(301, 20),
         DfType::Df2},
        {"any letter case, trailing blanks", "//CONVERTER FOR DELTA FORCE LAND WARRIOR \t \n" + typeLines(101, 20),
         DfType::Df3},
        {"the last line of the file, in lower case", "// converter for delta force 1", DfType::Df1},
        {"only as the first line", "\r\n// Converter for Delta Force 1\r\n", DfType::NotRecognised},
        {"only as a comment", "# Converter for Delta Force 1\r\n" + typeLines(201, 10), DfType::Df2},
        {"only at the end of the line", "// Converter for Delta Force 1 (edited)\r\n", DfType::NotRecognised},
    };
    FakeCatalog catalog;
    for (const auto& [name, text, version] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MisVersionOfText(text, catalog), version);
        testing::TempDir dir;
        EXPECT_EQ(MisVersionOf(dir.write("m.mis", text), catalog), version);
    }
    // A file that cannot be opened is an error naming it, not "not recognised".
    testing::TempDir dir;
    EXPECT_EQ(errorOf([&] { MisVersionOf(dir / "missing.mis", catalog); }).path(), displayPath(dir / "missing.mis"));
    EXPECT_EQ(errorOf([&] { BmsVersionOf(dir.path()); }).fault(), Fault::CannotOpen);
}

}  // namespace
}  // namespace vok::mission_tests
