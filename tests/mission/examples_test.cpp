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
        const char* name = V::number == DfType::Df1 ? "df1_harbour" : V::number == DfType::Df2 ? "df2_night_raid" : "df3_mountain_pass";
        return fs::path(VOK_EXAMPLES_DIR) / (std::string(name) + std::string(extension));
    }
};
TYPED_TEST_SUITE(MissionCommittedExamples, AllVersions, VersionNames);

TYPED_TEST(MissionCommittedExamples, BothFormsAreWrittenBackByteForByteAndHoldTheSameMission) {
    using V = TypeParam;
    const std::string binary = testing::slurp(this->example(".bms"));
    const std::string ascii = testing::slurp(this->example(".mis"));
    const auto fromBinary = missionFromBytes<V>(binary);
    const auto fromAscii = missionFromText<V>(ascii);
    EXPECT_FALSE(fromBinary.items.empty());
    EXPECT_FALSE(fromBinary.events.empty());
    EXPECT_TRUE(binaryBytesOf<V>(fromBinary) == binary) << "the binary example does not round-trip";
    EXPECT_EQ(asciiTextOf<V>(fromAscii), ascii);
    EXPECT_TRUE(fromAscii == fromBinary);
    EXPECT_EQ(BmsVersionOf(this->example(".bms")), V::number);
}

}  // namespace
}  // namespace vok::mission_tests
