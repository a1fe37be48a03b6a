// Missions of any version through one interface: the form named by a file's extension, and the
// open and save operations that dispatch on version and form.

#include <gtest/gtest.h>

#include "tests/mission/versions.h"
#include "tests/support/mission_generator.h"

namespace vok::mission_tests {
namespace {

TEST(MissionAnyVersion, FormOfPathByExtensionInAnyLetterCase) {
    EXPECT_EQ(formOfPath("m01.bms"), MissionForm::Binary);
    EXPECT_EQ(formOfPath("C:/Missions/M01.BmS"), MissionForm::Binary);
    EXPECT_EQ(formOfPath("m01.MIS"), MissionForm::Ascii);
    EXPECT_EQ(formOfPath("dir.mis/m01.txt"), std::nullopt);
    EXPECT_EQ(formOfPath("bms"), std::nullopt);
    EXPECT_EQ(formOfPath("m01.bms.bak"), std::nullopt);
}

template <class V>
class MissionAnyVersionFiles : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAnyVersionFiles, AllVersions, VersionNames);

TYPED_TEST(MissionAnyVersionFiles, SaveAndOpenDispatchOnVersionAndForm) {
    using V = TypeParam;
    const auto m = testing::generateMission<typename V::Mission>(21, {.maxItems = 5, .maxEvents = 3});
    testing::TempDir dir;
    saveMission(dir / "m.bms", AnyMission(m), MissionForm::Binary, kFixedTime);
    saveMission(dir / "m.mis", AnyMission(m), MissionForm::Ascii, kFixedTime);
    EXPECT_TRUE(testing::slurp(dir / "m.bms") == binaryBytesOf<V>(m));
    EXPECT_EQ(testing::slurp(dir / "m.mis"), asciiTextOf<V>(m));

    const AnyMission binary = openMission(dir / "m.bms", V::number, MissionForm::Binary);
    ASSERT_EQ(versionOf(binary), V::number);
    EXPECT_TRUE(std::get<typename V::Mission>(binary) == m);
    const AnyMission ascii = openMission(dir / "m.mis", V::number, MissionForm::Ascii);
    EXPECT_TRUE(std::get<typename V::Mission>(ascii) == missionFromText<V>(asciiTextOf<V>(m)));
}

}  // namespace
}  // namespace vok::mission_tests
