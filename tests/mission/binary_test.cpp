// Binary mission files of the three versions: generated missions round trip, a damaged file is refused
// with its fault and offset, the examples are written back byte for byte, and the writers refuse a
// broken model before they create a file; each version's named file operations do the same.

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "mission/core/mission_binary.h"
#include "mission/core/version_detect.h"
#include "tests/mission/versions.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"

namespace vok::mission_tests {
namespace {

using testing::generateMission;

/// A valid mission holding every section: items, and two events with triggers and actions.
template <class M>
M smallMission() {
    for (std::uint32_t seed = 1;; ++seed) {
        M m = generateMission<M>(seed, {.maxItems = 3, .maxEvents = 2, .maxPerEvent = 2});
        if (m.items.size() > 1 && m.events.size() == 2 && m.triggers.size() > 2 && m.actions.size() > 2) return m;
    }
}
constexpr auto kBinary = MissionForm::Binary;
constexpr auto kAscii = MissionForm::Ascii;

/// Each version's file operations under the names of the original interface.
template <class M>
struct Named;
template <>
struct Named<Df1Mission> {
    static constexpr auto openBms = OpenDF1BMS, openMis = OpenDF1MIS;
    static constexpr auto saveBms = SaveDF1BMS;
    static constexpr auto saveMis = SaveDF1MIS;
};
template <>
struct Named<Df2Mission> {
    static constexpr auto openBms = OpenDF2BMS, openMis = OpenDF2MIS;
    static constexpr auto saveBms = SaveDF2BMS;
    static constexpr auto saveMis = SaveDF2MIS;
};
template <>
struct Named<Df3Mission> {
    static constexpr auto openBms = OpenDF3BMS, openMis = OpenDF3MIS;
    static constexpr auto saveBms = SaveDF3BMS;
    static constexpr auto saveMis = SaveDF3MIS;
};

template <class M>
class MissionBinary : public ::testing::Test {};
TYPED_TEST_SUITE(MissionBinary, AllVersions, VersionNames);

TYPED_TEST(MissionBinary, GeneratedMissionsRoundTripAndBytesAfterTheLastSectionAreDropped) {
    using M = TypeParam;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        // Every stored field random (negative numbers, any text bytes), up to 300 items and 40 events.
        const M m = generateMission<M>(seed * 7919u, seed > 8 ? testing::GeneratorOptions{.maxItems = 2, .maxEvents = 2}
                                                              : testing::GeneratorOptions{});
        const std::string bytes = fileOf(m, kBinary);
        EXPECT_EQ(bytes.size(), kEmptyBytes<M> + kItemBytes<M> * m.items.size() + 24 * m.events.size() +
                                    32 * (m.triggers.size() + m.actions.size()));
        EXPECT_TRUE(missionOf<M>(bytes, kBinary) == m);
        EXPECT_TRUE(seed != 1 || missionOf<M>(bytes + std::string("junk\0\xff", 6), kBinary) == m);
    }
}

TYPED_TEST(MissionBinary, DamagedFilesAreRefusedWithTheirFaultAndOffset) {
    using M = TypeParam;
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::size_t items = kItemCountsAt<M>;
    const std::size_t header = kHeaderBytes<M>;
    const std::size_t empty = kEmptyBytes<M>;
    const std::size_t records = empty - 12;  // the event, trigger and action counts
    struct Row {
        const char* name;
        std::vector<std::pair<std::size_t, std::int32_t>> values;  ///< put into a file of zeros
        std::size_t size;
        Fault fault;
        std::size_t offset;
    };
    // clang-format off
    const Row rows[] = {
        {"negative item_count_a", {{items, -1}}, empty, Fault::CorruptCounts, header},
        {"negative item_count_d", {{items + 12, -1}}, empty, Fault::CorruptCounts, header},
        {"item counts adding up past 32 bits", {{items, 1 << 30}, {items + 8, 1 << 30}}, empty, Fault::CorruptCounts,
         header},
        {"item counts adding up to the 32-bit maximum", {{items, 1 << 30}, {items + 8, (1 << 30) - 1}}, empty,
         Fault::TooShort, header},
        {"a huge item count, the header alone", {{items + 4, kMax}}, header, Fault::TooShort, header},
        {"negative event count", {{records, -1}}, empty + 24, Fault::CorruptCounts, empty},
        {"negative trigger count", {{records + 4, -5}}, empty + 24, Fault::CorruptCounts, empty},
        {"negative action count", {{records + 8, INT32_MIN}}, empty + 24, Fault::CorruptCounts, empty},
        {"a huge action count", {{records + 8, kMax}}, empty + 24, Fault::TooShort, empty},
        {"a trigger beyond the end", {{records, 1}, {records + 4, 1}}, empty + 24, Fault::TooShort, empty + 24}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes(row.size, '\0');
        for (const auto& [at, value] : row.values) {  // little-endian
            for (int i = 0; i < 4; ++i)
                bytes.at(at + i) = static_cast<char>(static_cast<std::uint32_t>(value) >> 8 * i);
        }
        testing::TempDir dir;
        const fs::path path = dir.write("bad.bms", bytes);
        const Error error = errorOf([&] { openMission(path, kVersion<M>, kBinary); });
        EXPECT_EQ(error.fault(), row.fault) << error.what();
        EXPECT_EQ(error.path(), displayPath(path));
        EXPECT_EQ(error.offset(), static_cast<std::int64_t>(row.offset)) << error.what();
    }

    // A file cut at any length is too short, whatever section the cut falls in.
    const M m = smallMission<M>();
    const std::string bytes = fileOf(m, kBinary);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const Error error = errorOf([&] { (void)readMissionBinary<M>(std::string_view(bytes).substr(0, n), "m"); });
        if (error.fault() != Fault::TooShort || error.offset() > static_cast<std::int64_t>(n)) {
            ADD_FAILURE() << "cut at " << n << ": " << error.what();
        }
    }
}

TYPED_TEST(MissionBinary, ExamplesAreWrittenBackByteForByteAndBothFormsHoldTheSameMission) {
    using M = TypeParam;
    const char* const stems[] = {"df1_harbour", "df2_night_raid", "df3_mountain_pass"};
    const fs::path stem = fs::path(VOK_EXAMPLES_DIR) / stems[versionIndex(kVersion<M>)];
    const std::string binary = testing::slurp(fs::path(stem).replace_extension(".bms"));
    const std::string ascii = testing::slurp(fs::path(stem).replace_extension(".mis"));
    const M fromBinary = missionOf<M>(binary, kBinary);
    EXPECT_FALSE(fromBinary.items.empty() || fromBinary.events.empty());
    EXPECT_TRUE(fileOf(fromBinary, kBinary) == binary);
    EXPECT_EQ(fileOf(missionOf<M>(ascii, kAscii), kAscii), ascii);
    EXPECT_TRUE(missionOf<M>(ascii, kAscii) == fromBinary);
    EXPECT_EQ(BmsVersionOfBytes(binary), kVersion<M>);
    // The same through the version's named operations (OpenDF2BMS, SaveDF2MIS ...).
    testing::TempDir dir;
    Named<M>::saveBms(dir / "n.bms", fromBinary, realFileSystem());
    Named<M>::saveMis(dir / "n.mis", fromBinary, kFixedTime, realFileSystem());
    EXPECT_TRUE(testing::slurp(dir / "n.bms") == binary && Named<M>::openBms(dir / "n.bms") == fromBinary);
    EXPECT_TRUE(testing::slurp(dir / "n.mis") == fileOf(fromBinary, kAscii) &&
                Named<M>::openMis(dir / "n.mis") == fromBinary);
}

TYPED_TEST(MissionBinary, WritersRefuseABrokenModelBeforeCreatingAFile) {
    using M = TypeParam;
    const M valid = smallMission<M>();
    const std::pair<const char*, std::function<void(M&)>> breakages[] = {
        {"an item more than the counts name", [](M& m) { m.items.emplace_back(); }},
        {"an item count too high", [](M& m) { ++m.header.item_count_c; }},
        {"a negative item count with the right sum",
         [](M& m) { m.header.item_count_b += m.header.item_count_a + 1, m.header.item_count_a = -1; }},
        {"num_events not the number of events", [](M& m) { ++m.header.num_events; }},
        {"an event record missing", [](M& m) { m.events.pop_back(); }},
        {"the events name a trigger fewer", [](M& m) { --m.events[0].num_triggers; }},
        {"the events name an action more", [](M& m) { ++m.events[1].num_actions; }},
        {"a trigger record more, counted", [](M& m) { m.triggers.emplace_back(), ++m.num_trigger_records; }},
        {"num_action_records above the actions held", [](M& m) { ++m.num_action_records; }},
        {"negative record counts", [](M& m) { m.num_event_records = -1; }},
        {"no signature (binary form only)", [](M& m) { m.header.signature = 0; }},
    };
    for (MissionForm form : {kBinary, kAscii}) {
        for (const auto& [name, breakage] : breakages) {
            SCOPED_TRACE(std::string(name) + (form == kBinary ? ", binary" : ", ascii"));
            M broken = valid;
            breakage(broken);
            testing::TempDir dir;
            testing::FailingFileSystem counting;  // fails nothing, counts the files created
            auto save = [&] { saveMission(dir / "m", AnyMission(broken), form, kFixedTime, counting); };
            if (broken.header.signature == 0 && form == kAscii) {
                EXPECT_NO_THROW(save());
                continue;
            }
            EXPECT_EQ(errorOf(save).fault(), broken.header.signature == 0 ? Fault::NoSignature : Fault::InvalidModel);
            EXPECT_EQ(counting.created, 0u);
            EXPECT_TRUE(fs::is_empty(dir.path()));
        }
    }
}

TEST(MissionFiles, FormByExtensionInAnyLetterCase) {
    EXPECT_TRUE(formOfPath("C:/Missions/M01.BmS") == kBinary && formOfPath("m01.MIS") == kAscii);
    EXPECT_TRUE(formOfPath("dir.mis/m01.txt") == std::nullopt && formOfPath("m01.bms.bak") == std::nullopt);
}

}  // namespace
}  // namespace vok::mission_tests
