// Faulty binary mission files: the reader checks every count against the bytes the file holds
// before it allocates, and names the file, the fault and the offset.

#include <gtest/gtest.h>

#include <limits>

#include "mission/core/mission_binary.h"
#include "tests/mission/versions.h"
#include "tests/support/mission_generator.h"

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
    // Two items, two events with triggers and actions, so every section is present.
    M m = testing::generateMission<M>(5, testing::GeneratorOptions{.maxItems = 0, .maxEvents = 0});
    m.items.resize(2);
    m.items[0].type_id = 2001;
    m.items[1].type_id = 5001;
    recountItems(m.header, m.items);
    m.events.resize(2);
    m.events[0].num_triggers = 2;
    m.events[1].num_actions = 1;
    m.triggers.resize(2);
    m.actions.resize(1);
    m.header.num_events = m.num_event_records = 2;
    m.num_trigger_records = 2;
    m.num_action_records = 1;
    const std::string bytes = writeMissionBinary(m, "m.bms");

    // Every length inside the header and the first item, then each section boundary and its
    // neighbours, down to the last byte.
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n <= V::headerBytes + V::itemBytes + 1; ++n) cuts.push_back(n);
    const std::size_t counts = recordCountsOffset<V>(2);
    for (std::size_t boundary : {V::headerBytes + 2 * V::itemBytes, counts - 2688, counts, counts + 12,
                                 counts + 12 + 48, counts + 12 + 48 + 64, bytes.size()}) {
        for (std::size_t n : {boundary - 1, boundary, boundary + 1}) {
            if (n < bytes.size()) cuts.push_back(n);
        }
    }
    for (std::size_t n : cuts) {
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

TYPED_TEST(MissionBinaryFaults, NegativeItemCountIsCorrupt) {
    using V = TypeParam;
    for (std::size_t which = 0; which < 4; ++which) {
        std::string bytes(V::emptyBytes, '\0');
        putInt32(bytes, V::itemCountOffset + 4 * which, -1);
        const Error error = readError<V>(bytes);
        EXPECT_EQ(error.fault(), Fault::CorruptCounts) << error.what();
    }
}

TYPED_TEST(MissionBinaryFaults, ItemCountsWhoseSumOverflowsAreCorrupt) {
    using V = TypeParam;
    std::string bytes(V::emptyBytes, '\0');
    for (std::size_t which = 0; which < 4; ++which) {
        putInt32(bytes, V::itemCountOffset + 4 * which, std::numeric_limits<std::int32_t>::max());
    }
    EXPECT_EQ(readError<V>(bytes).fault(), Fault::CorruptCounts);

    // Two counts of 2^30 add up to 2^31, one more than the largest 32-bit value.
    std::string pair(V::emptyBytes, '\0');
    putInt32(pair, V::itemCountOffset, 1 << 30);
    putInt32(pair, V::itemCountOffset + 8, 1 << 30);
    EXPECT_EQ(readError<V>(pair).fault(), Fault::CorruptCounts);
}

TYPED_TEST(MissionBinaryFaults, HugeItemCountInASmallFileFailsWithoutAllocating) {
    using V = TypeParam;
    // Reserving 2147483647 records would need hundreds of gigabytes; the reader must see that the
    // file cannot hold them before it reserves anything.
    for (std::size_t size : {V::headerBytes, V::emptyBytes, V::emptyBytes + 10 * V::itemBytes}) {
        std::string bytes(size, '\0');
        putInt32(bytes, V::itemCountOffset + 12, std::numeric_limits<std::int32_t>::max());
        const Error error = readError<V>(bytes);
        EXPECT_EQ(error.fault(), Fault::TooShort) << error.what();
        EXPECT_EQ(error.offset(), static_cast<std::int64_t>(V::headerBytes));
    }
}

TYPED_TEST(MissionBinaryFaults, ItemCountOneMoreThanTheFileHoldsIsTooShort) {
    using V = TypeParam;
    // Three items' worth of bytes after the header, but the counts announce four.
    std::string bytes(V::emptyBytes + 3 * V::itemBytes, '\0');
    putInt32(bytes, V::itemCountOffset, 4);
    // The fixed sections that follow the items make up for the missing item in size, so the
    // shortage shows only at the record counts.
    EXPECT_EQ(readError<V>(bytes).fault(), Fault::TooShort);
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

TYPED_TEST(MissionBinaryFaults, MissingAndUnreadableFilesCannotBeOpened) {
    using V = TypeParam;
    testing::TempDir dir;
    const Error missing = errorOf([&] { V::openBinary(dir / "nothing.bms"); });
    EXPECT_EQ(missing.fault(), Fault::CannotOpen);
    EXPECT_EQ(missing.path(), displayPath(dir / "nothing.bms"));
    const Error folder = errorOf([&] { V::openBinary(dir.path()); });
    EXPECT_EQ(folder.fault(), Fault::CannotOpen);
}

TEST(MissionBinaryFaultMessages, NameTheFileAndTheFault) {
    testing::TempDir dir;
    const auto path = dir.write("short.bms", std::string(100, '\0'));
    const Error error = errorOf([&] { OpenDF2BMS(path); });
    const std::string message = fileErrorMessage(error);
    EXPECT_NE(message.find(displayPath(path)), std::string::npos) << message;
    EXPECT_NE(message.find("too short"), std::string::npos) << message;
}

}  // namespace
}  // namespace vok::mission_tests
