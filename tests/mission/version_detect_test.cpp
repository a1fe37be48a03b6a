// Recognising the game version of a mission file: the binary test reads the version byte and the
// environment file name, the ascii test weighs the item types against the item lists.

#include <gtest/gtest.h>

#include "mission/core/version_detect.h"
#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

// ---------------------------------------------------------------------------------------------
// Binary files.

std::string headerBytes(std::uint8_t versionByte, std::size_t envOffset = 0, std::string_view env = {},
                        std::size_t size = 544) {
    std::string bytes(size, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[2] = 'S';
    if (size > 3) bytes[3] = static_cast<char>(versionByte);
    for (std::size_t i = 0; i < env.size() && envOffset + i < size; ++i) bytes[envOffset + i] = env[i];
    return bytes;
}

TEST(MissionBmsVersionOf, VersionByteAndEnvironmentName) {
    struct Case {
        const char* name;
        std::string bytes;
        DfType version;
    };
    std::string noiseDf1(300, '\xAB');
    noiseDf1[3] = 13;
    const Case cases[] = {
        {"byte 13 whatever else", noiseDf1, DfType::Df1},
        {"byte 13, no BMS letters", std::string("xyz\x0D", 4), DfType::Df1},
        {"byte 15 and DAY1.ENV", headerBytes(15, 224, "DAY1.ENV"), DfType::Df3},
        {"byte 15 and day1.en", headerBytes(15, 224, "day1.en"), DfType::Df2},
        {"byte 15, .env ending at 253", headerBytes(15, 250, ".env"), DfType::Df3},
        {"byte 15, .env running past 255", headerBytes(15, 253, ".env"), DfType::Df2},
        {"byte 15, .env before 224", headerBytes(15, 220, ".env"), DfType::Df2},
        {"byte 15, .ENV in the middle", headerBytes(15, 230, "rain.ENV.old"), DfType::Df3},
        {"byte 15, file ends at 240", headerBytes(15, 224, "x.env", 240), DfType::Df3},
        {"byte 15, file of 4 bytes", headerBytes(15, 0, {}, 4), DfType::Df2},
        {"three bytes", std::string("BMS"), DfType::NotRecognised},
        {"empty", std::string(), DfType::NotRecognised},
        {"byte 14", headerBytes(14), DfType::NotRecognised},
        {"byte 143 (15 + 128)", headerBytes(143), DfType::NotRecognised},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BmsVersionOfBytes(c.bytes), c.version);
        testing::TempDir dir;
        EXPECT_EQ(BmsVersionOf(dir.write("m.bms", c.bytes)), c.version);
    }
}

// ---------------------------------------------------------------------------------------------
// Ascii files.

/// Item lists small enough to read: identifiers 1xx exist only in DF1, 2xx only in DF2, 3xx only
/// in DF3, 23x in DF2 and DF3, 123 in all three; 500 only in DF1 and 501 only in DF3.
class FakeCatalog : public ItemCatalog {
public:
    bool ItemExists(DfType version, std::int16_t id) const override {
        ++asked;
        if (id == 123) return true;
        if (id >= 230 && id < 240) return version == DfType::Df2 || version == DfType::Df3;
        if (id >= 100 && id < 400) return id / 100 == versionNumber(version);
        if (id == 500) return version == DfType::Df1;
        if (id == 501) return version == DfType::Df3;
        return false;
    }
    mutable int asked = 0;
};

std::string repeated(std::string_view line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line;
    return text;
}

std::string typeLines(int id, int count, std::string_view indent = "  ") {
    return repeated(std::string(indent) + "type_id " + std::to_string(id) + "\r\n", count);
}

TEST(MissionMisVersionOf, TheFirstVersionToLeadByTenWins) {
    FakeCatalog catalog;
    struct Case {
        const char* name;
        std::string text;
        DfType version;
    };
    const Case cases[] = {
        {"ten DF3-only identifiers", typeLines(301, 10), DfType::Df3},
        {"nine DF3-only identifiers", typeLines(301, 9), DfType::NotRecognised},
        {"identifiers in DF2 and DF3 never lead", typeLines(231, 50), DfType::NotRecognised},
        {"identifiers in all versions never lead", typeLines(123, 50), DfType::NotRecognised},
        {"3 DF2 then 12 DF1 is a lead of 9", typeLines(201, 3) + typeLines(101, 12), DfType::NotRecognised},
        {"3 DF2 then 13 DF1", typeLines(201, 3) + typeLines(101, 13), DfType::Df1},
        {"ten DF2-only identifiers", typeLines(250, 10), DfType::Df2},
        // The lead is tested after each line, so ten DF1 lines decide before the DF2 lines come.
        {"ten DF1 then thirty DF2", typeLines(101, 10) + typeLines(201, 30), DfType::Df1},
        {"no type_id line", "begin item 0\r\n  team 1\r\nend item\r\n", DfType::NotRecognised},
        {"unknown identifiers", typeLines(999, 40), DfType::NotRecognised},
        {"any indentation, any case, other lines around",
         "// header\r\n" + typeLines(301, 4, "") + "noise type_id 301\r\n" + typeLines(301, 3, "      ") +
             "TYPE_ID 301\r\n  Type_Id 301 extra\r\n  type_id 301\r\n",
         DfType::Df3},
        {"a tab is part of the first word", typeLines(301, 9) + "\ttype_id 301\r\n", DfType::NotRecognised},
        {"the keyword must be the first word", "  xtype_id 301\r\n" + typeLines(301, 9), DfType::NotRecognised},
        {"values rounded half to even", repeated("type_id 500.5\r\n", 10), DfType::Df1},      // 500, not 501
        {"a tie rounding up to the even neighbour", repeated("type_id 499.5\r\n", 10), DfType::Df1},  // 500
        {"outside 16 bits counts for none", typeLines(65837, 20) + typeLines(-65235, 20), DfType::NotRecognised},
        {"lines ending in LF alone", repeated("type_id 301\n", 10), DfType::Df3},
        {"lines ending in CR alone, the last unended", "    " + repeated("type_id 201\r", 9) + "type_id 201", DfType::Df2},
        // The comment line the ascii writers put first names the version, whatever the items.
        {"the writers' first line",
         "// Vok Tamber's RIRorORE Converter for Delta Force 2\r\n" + typeLines(301, 20), DfType::Df2},
        {"any letter case, trailing blanks",
         "//CONVERTER FOR DELTA FORCE LAND WARRIOR \t \n" + typeLines(101, 20), DfType::Df3},
        {"the last line of the file", "// Converter for Delta Force 1", DfType::Df1},
        {"only as the first line", "\r\n// Converter for Delta Force 1\r\n", DfType::NotRecognised},
        {"only as a comment", "# Converter for Delta Force 1\r\n" + typeLines(201, 10), DfType::Df2},
        {"only at the end of the line", "// Converter for Delta Force 1 (edited)\r\n", DfType::NotRecognised},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MisVersionOfText(c.text, catalog), c.version);
        testing::TempDir dir;
        EXPECT_EQ(MisVersionOf(dir.write("m.mis", c.text), catalog), c.version);
    }
}

TEST(MissionMisVersionOf, ReadingStopsAtTheDecidingLine) {
    FakeCatalog catalog;
    EXPECT_EQ(MisVersionOfText(typeLines(301, 10) + typeLines(101, 100), catalog), DfType::Df3);
    EXPECT_EQ(catalog.asked, 10 * 3) << "lines after the tenth were weighed";
}

TEST(MissionVersionOf, AFileThatCannotBeOpenedIsAnErrorNotUnknown) {
    FakeCatalog catalog;
    testing::TempDir dir;
    const Error bms = errorOf([&] { BmsVersionOf(dir / "missing.bms"); });
    EXPECT_EQ(bms.fault(), Fault::CannotOpen);
    EXPECT_EQ(bms.path(), displayPath(dir / "missing.bms"));
    EXPECT_EQ(errorOf([&] { BmsVersionOf(dir.path()); }).fault(), Fault::CannotOpen);
    const Error mis = errorOf([&] { MisVersionOf(dir / "missing.mis", catalog); });
    EXPECT_EQ(mis.fault(), Fault::CannotOpen);
    EXPECT_EQ(mis.path(), displayPath(dir / "missing.mis"));
}

}  // namespace
}  // namespace vok::mission_tests
