// The example missions committed in data/examples: reading each file and writing it again gives
// the committed bytes, and the ascii and binary forms of a mission hold the same model.

#include <gtest/gtest.h>

#include "mission/core/version_detect.h"
#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

template <class V>
class MissionCommittedExamples : public ::testing::Test {
protected:
    static fs::path example(std::string_view extension) {
        const char* name = V::number == kDf1 ? "df1_harbour" : V::number == kDf2 ? "df2_night_raid" : "df3_mountain_pass";
        return fs::path(VOK_EXAMPLES_DIR) / (std::string(name) + std::string(extension));
    }
};
TYPED_TEST_SUITE(MissionCommittedExamples, AllVersions, VersionNames);

TYPED_TEST(MissionCommittedExamples, BinaryFileIsWrittenBackByteForByte) {
    using V = TypeParam;
    const auto path = this->example(".bms");
    const std::string committed = testing::slurp(path);
    const auto m = V::openBinary(path);
    EXPECT_FALSE(m.items.empty());
    EXPECT_FALSE(m.events.empty());
    EXPECT_TRUE(binaryBytesOf<V>(m) == committed) << "the binary example does not round-trip";
    EXPECT_EQ(BmsVersionOf(path), V::number);
}

TYPED_TEST(MissionCommittedExamples, AsciiFileIsWrittenBackByteForByte) {
    using V = TypeParam;
    const auto path = this->example(".mis");
    const std::string committed = testing::slurp(path);
    EXPECT_EQ(asciiTextOf<V>(V::openAscii(path)), committed);
}

TYPED_TEST(MissionCommittedExamples, BothFormsHoldTheSameMission) {
    using V = TypeParam;
    const auto fromAscii = V::openAscii(this->example(".mis"));
    const auto fromBinary = V::openBinary(this->example(".bms"));
    EXPECT_TRUE(fromAscii == fromBinary);
    EXPECT_EQ(asciiTextOf<V>(fromBinary), testing::slurp(this->example(".mis")));
}

}  // namespace
}  // namespace vok::mission_tests
