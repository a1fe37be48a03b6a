// Faulty binary mission files: the reader checks every count against the bytes the file holds
// before it allocates, and names the file, the fault and the offset.

#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "mission/core/mission_binary.h"
#include "tests/mission/versions.h"

namespace vok::mission_tests {
namespace {

template <class V>
class MissionBinaryFaults : public ::testing::Test {};
TYPED_TEST_SUITE(MissionBinaryFaults, AllVersions, VersionNames);

/// Offset of the three record counts in a file with `items` items.
template <class V>
std::size_t recordCountsOffset(std::size_t items) {
    return V::headerBytes + V::itemBytes * items + 128 * 136 + 2688;
}

template <class V>
Error readError(std::string_view bytes) {
    testing::TempDir dir;
    const auto path = dir.write("bad.bms", bytes);
    Error error = errorOf([&] { V::openBinary(path); });
    EXPECT_EQ(error.path(), displayPath(path));
    EXPECT_NE(std::string(error.what()).find("bad.bms"), std::string::npos) << error.what();
    return error;
}

TYPED_TEST(MissionBinaryFaults, FileCutShortAtAnyPointIsTooShort) {
    using V = TypeParam;
    using M = typename V::Mission;
    // Items and events with triggers and actions, so every section is present.
    const M m = smallMission<M>();
    const std::string bytes = writeMissionBinary(m, "m.bms");

    for (std::size_t n = 0; n < bytes.size(); ++n) {  // every length short of the whole
        SCOPED_TRACE("cut at " + std::to_string(n));
        try {
            readMissionBinary<M>(std::string_view(bytes).substr(0, n), "m.bms");
            ADD_FAILURE() << "a cut file was read";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), Fault::TooShort);
            EXPECT_EQ(error.path(), "m.bms");
            EXPECT_GE(error.offset(), 0);
            EXPECT_LE(error.offset(), static_cast<std::int64_t>(n));
        }
    }
    EXPECT_TRUE(readMissionBinary<M>(bytes, "m.bms") == m);
}

TYPED_TEST(MissionBinaryFaults, ItemCountsAreCheckedBeforeAnythingIsAllocated) {
    using V = TypeParam;
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Row {
        const char* name;
        std::array<std::int32_t, 4> counts;
        std::size_t size;  ///< file size
        Fault fault;
    };
    // A 2147483647 count would reserve hundreds of gigabytes: the reader must see first that the
    // file cannot hold it. Three items' worth of bytes with four announced: the fixed sections
    // after the items make up for the missing one in size, so the shortage shows at the counts.
    const Row rows[] = {
        {"negative a", {-1, 0, 0, 0}, V::emptyBytes, Fault::CorruptCounts},
        {"negative d", {0, 0, 0, -1}, V::emptyBytes, Fault::CorruptCounts},
        {"all four at the maximum", {kMax, kMax, kMax, kMax}, V::emptyBytes, Fault::CorruptCounts},
        {"two of 2^30 overflow", {1 << 30, 0, 1 << 30, 0}, V::emptyBytes, Fault::CorruptCounts},
        {"huge, header only", {0, 0, 0, kMax}, V::headerBytes, Fault::TooShort},
        {"huge, ten items held", {0, 0, 0, kMax}, V::emptyBytes + 10 * V::itemBytes, Fault::TooShort},
        {"one more than the file holds", {4, 0, 0, 0}, V::emptyBytes + 3 * V::itemBytes, Fault::TooShort},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes(row.size, '\0');
        for (std::size_t i = 0; i < 4; ++i) putInt32(bytes, V::itemCountOffset + 4 * i, row.counts[i]);
        const Error error = readError<V>(bytes);
        EXPECT_EQ(error.fault(), row.fault) << error.what();
        if (row.counts[3] == kMax && row.fault == Fault::TooShort) {
            EXPECT_EQ(error.offset(), static_cast<std::int64_t>(V::headerBytes));
        }
    }
}

TYPED_TEST(MissionBinaryFaults, RecordCountsAreCheckedBeforeTheRecordsAreRead) {
    using V = TypeParam;
    struct Row {
        const char* name;
        std::int32_t events, triggers, actions;
        Fault fault;
    };
    const Row rows[] = {
        {"negative events", -1, 0, 0, Fault::CorruptCounts},
        {"negative triggers", 0, -5, 0, Fault::CorruptCounts},
        {"negative actions", 0, 0, std::numeric_limits<std::int32_t>::min(), Fault::CorruptCounts},
        {"huge events", std::numeric_limits<std::int32_t>::max(), 0, 0, Fault::TooShort},
        {"huge triggers", 0, std::numeric_limits<std::int32_t>::max(), 0, Fault::TooShort},
        {"huge actions", 0, 0, std::numeric_limits<std::int32_t>::max(), Fault::TooShort},
        {"one event too many", 2, 0, 0, Fault::TooShort},
        {"triggers beyond the end", 1, 1, 0, Fault::TooShort},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes(V::emptyBytes + 24, '\0');  // room for exactly one event
        const std::size_t counts = recordCountsOffset<V>(0);
        putInt32(bytes, counts, row.events);
        putInt32(bytes, counts + 4, row.triggers);
        putInt32(bytes, counts + 8, row.actions);
        const Error error = readError<V>(bytes);
        EXPECT_EQ(error.fault(), row.fault) << error.what();
        EXPECT_GE(error.offset(), static_cast<std::int64_t>(counts + 12));
    }
}

TYPED_TEST(MissionBinaryFaults, MissingFilesAndFoldersCannotBeOpened) {
    using V = TypeParam;
    testing::TempDir dir;
    const Error missing = errorOf([&] { V::openBinary(dir / "nothing.bms"); });
    EXPECT_EQ(missing.fault(), Fault::CannotOpen);
    EXPECT_EQ(missing.path(), displayPath(dir / "nothing.bms"));
    EXPECT_EQ(errorOf([&] { V::openBinary(dir.path()); }).fault(), Fault::CannotOpen);
    // The message names the file and the fault.
    const auto path = dir.write("short.bms", std::string(100, '\0'));
    const std::string message = fileErrorMessage(errorOf([&] { V::openBinary(path); }));
    EXPECT_NE(message.find(displayPath(path)), std::string::npos) << message;
    EXPECT_NE(message.find("too short"), std::string::npos) << message;
}

}  // namespace
}  // namespace vok::mission_tests
