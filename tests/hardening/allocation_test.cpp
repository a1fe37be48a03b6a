// The ascii reader and writer allocate nothing per line: twice the lines cost at most a few more
// allocations of the growing arrays; the binary reader takes a file in one go. Counted with the
// operator new of bench/allocation_counter.cpp, linked into this program only.

#include <gtest/gtest.h>

#include <algorithm>

#include "bench/allocation_counter.h"
#include "bench/bench_missions.h"
#include "mission/core/file_io.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/mission_file.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

const Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

/// The first `items` items and `events` events (with their triggers and actions) of a large mission.
template <class M>
M cut(const M& large, std::size_t items, std::size_t events) {
    M m = large;
    m.items.resize(items);
    recountItems(m.header, m.items);
    m.events.resize(events);
    std::size_t triggers = 0, actions = 0;
    for (const auto& event : m.events) triggers += event.num_triggers, actions += event.num_actions;
    m.triggers.resize(triggers);
    m.actions.resize(actions);
    m.header.num_events = m.num_event_records = static_cast<std::int32_t>(events);
    m.num_trigger_records = static_cast<std::int32_t>(triggers);
    m.num_action_records = static_cast<std::int32_t>(actions);
    return m;
}

template <class F>
std::size_t allocationsOf(F&& work) {
    const std::size_t before = bench::allocationCount();
    work();
    return bench::allocationCount() - before;
}

template <class Format>
void asciiHotLoopsDoNotAllocate() {
    using M = typename Format::Mission;
    const M large = bench::largeMission<M>(2000, 200);
    const M small = cut(large, 1000, 100);
    const M twice = cut(large, 2000, 200);
    const std::string smallText = writeMissionAscii<Format>(small, kCreatedOn, "m.mis");
    const std::string twiceText = writeMissionAscii<Format>(twice, kCreatedOn, "m.mis");
    const auto moreLines =
        std::count(twiceText.begin(), twiceText.end(), '\n') - std::count(smallText.begin(), smallText.end(), '\n');
    ASSERT_GT(moreLines, 30000);

    // Reading: four arrays that grow by doubling; twice the records is one more step of each. The
    // programs have the reader note what it passes over; the writers' text gives it nothing to note.
    std::vector<PassedOver> passedOver;
    auto read = [&](const std::string& text) { (void)readMissionAscii<Format>(text, "m.mis", &passedOver); };
    read(smallText);  // tables built once per record type
    const std::size_t readSmall = allocationsOf([&] { read(smallText); });
    const std::size_t readTwice = allocationsOf([&] { read(twiceText); });
    EXPECT_TRUE(passedOver.empty());
    EXPECT_LE(readTwice, readSmall + 8) << moreLines << " more lines read";
    EXPECT_LE(readSmall, 100u);

    // Writing: the text is sized for the mission up front.
    const std::size_t writeSmall = allocationsOf([&] { (void)writeMissionAscii<Format>(small, kCreatedOn, "m.mis"); });
    const std::size_t writeTwice = allocationsOf([&] { (void)writeMissionAscii<Format>(twice, kCreatedOn, "m.mis"); });
    EXPECT_LE(writeTwice, writeSmall + 2) << moreLines << " more lines written";
    EXPECT_LE(writeSmall, 40u);
}

TEST(HotLoops, TheAsciiReadersAndWritersAllocateNothingPerLine) {
    asciiHotLoopsDoNotAllocate<df1::Format>();
    asciiHotLoopsDoNotAllocate<df2::Format>();
    asciiHotLoopsDoNotAllocate<df3::Format>();
}

TEST(HotLoops, TheBinaryReaderTakesTheFileInOneGo) {
    const auto large = bench::largeMission<Df2Mission>(4000, 300);
    testing::TempDir dir;
    SaveDF2BMS(dir / "small.bms", cut(large, 400, 30));
    SaveDF2BMS(dir / "large.bms", cut(large, 4000, 300));
    ASSERT_GT(std::filesystem::file_size(dir / "large.bms"), 400000u);
    (void)OpenDF2BMS(dir / "small.bms");
    const std::size_t small = allocationsOf([&] { (void)OpenDF2BMS(dir / "small.bms"); });
    const std::size_t large10 = allocationsOf([&] { (void)OpenDF2BMS(dir / "large.bms"); });
    EXPECT_EQ(large10, small) << "a file ten times larger costs more allocations";
    // The bytes of the file and the four arrays of records; the rest is the path as text.
    EXPECT_LE(small, 16u);
}

}  // namespace
}  // namespace vok
