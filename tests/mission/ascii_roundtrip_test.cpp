// Ascii mission files of all three versions: a model written by the writer reads back into the
// same model, apart from what the ascii form does not carry, and the model read back writes the
// same text again. What the ascii form leaves out is listed once, in asciiProjection() below.

#include <gtest/gtest.h>

#include <random>

#include "tests/mission/versions.h"
#include "tests/support/mission_generator.h"

namespace vok::mission_tests {
namespace {

template <class V>
class MissionAsciiRoundTrip : public ::testing::Test {};
TYPED_TEST_SUITE(MissionAsciiRoundTrip, AllVersions, VersionNames);

// ---------------------------------------------------------------------------------------------
// Texts the ascii form can carry. A quoted value cannot hold a double quote; an unquoted one
// cannot hold a blank either (the reader takes its first word); no value can hold a line end.
// NULs may stand anywhere: the writer drops them.

template <std::size_t N>
void makeCarriable(FixedText<N>& text, bool quoted) {
    std::string allowed = "\t";
    for (int c = 0x20; c <= 0xFF; ++c) {
        if (c == '"' || c == 0x7F || (c == ' ' && !quoted)) continue;
        allowed.push_back(static_cast<char>(c));
    }
    for (char& c : text.bytes) {
        if (c != '\0') c = allowed[static_cast<unsigned char>(c) % allowed.size()];
    }
}

void makeCarriable(df1::MissionHeader& h) {
    makeCarriable(h.name, true);
    makeCarriable(h.designer, true);
    makeCarriable(h.terrain, false);
    makeCarriable(h.cnv_file, false);
}

template <class Header>
void makeCarriableDf2Or3(Header& h) {
    makeCarriable(h.name, true);
    makeCarriable(h.designer, true);
    makeCarriable(h.terrain, false);
    makeCarriable(h.cnv_file, false);
    makeCarriable(h.tt_file, false);
    makeCarriable(h.briefing, true);
}
void makeCarriable(df2::MissionHeader& h) { makeCarriableDf2Or3(h); }
void makeCarriable(df3::MissionHeader& h) { makeCarriableDf2Or3(h); }

// ---------------------------------------------------------------------------------------------
// What reading the ascii form gives back for a model written to it: the fields the ascii form
// does not carry get the values the reader sets, texts lose their NULs, and the event timings
// lose what the division by 50 drops.

/// A text as the reader stores it: the written text (NULs removed), NUL-padded.
template <std::size_t N>
void asWritten(FixedText<N>& text) {
    text.set(text.text());
}

void projectHeader(df1::MissionHeader& h) {
    h.signature = df1::kSignature;  // set by the reader
    h.cnv_file = {};                // written, not read
    h.terrain_color = 0;            // written, not read
    h.header_text12 = {};
    h.header_text52 = {};
    h.header_text24 = {};
    asWritten(h.name);
    asWritten(h.designer);
    asWritten(h.terrain);
}

void projectHeader(df2::MissionHeader& h) {
    h.signature = df2::kSignature;  // set by the reader
    h.terrain_color = 0;            // written, not read
    h.clouds_file.set("clouds05.pcx");
    h.sky_file.set("skygrd04.tga");
    h.header_number_a = 1236;
    h.header_number_b = 65536;
    h.header_levels = {128, 128, 128, 128, 128};
    h.header_code = {};
    h.header_text24 = {};
    asWritten(h.name);
    asWritten(h.designer);
    asWritten(h.terrain);
    asWritten(h.cnv_file);
    asWritten(h.tt_file);
    asWritten(h.briefing);
}

void projectHeader(df3::MissionHeader& h) {
    h.signature = df3::kSignature;  // set by the reader
    h.header_value = 0;
    h.header_code = {};
    h.header_text16 = {};
    h.environment_file.set("day1.env");
    h.header_text22 = {};
    asWritten(h.name);
    asWritten(h.designer);
    asWritten(h.terrain);
    asWritten(h.cnv_file);
    asWritten(h.tt_file);
    asWritten(h.briefing);
}

void projectItemTail(ItemRecord& item) { item.item_tail = 0; }
void projectItemTail(df3::ItemRecord& item) { item.item_text = {}; }

template <class M>
M asciiProjection(M m) {
    projectHeader(m.header);
    for (std::size_t i = 0; i < m.items.size(); ++i) {
        m.items[i].item_number = static_cast<std::int32_t>(i + 1);  // the reader numbers the items
        projectItemTail(m.items[i]);
    }
    for (auto& waypoint : m.waypoints) waypoint.waypoint_text = {};
    m.mission_text = {};
    for (auto& event : m.events) {
        event.event_text = {};
        event.event_word = 0;
        event.event_byte = 0;
        event.event_flag = 0;
        // Written divided by 50 (truncated), read times 50.
        event.reset_value = static_cast<std::int16_t>(event.reset_value / 50 * 50);
        event.delay_value = static_cast<std::int16_t>(event.delay_value / 50 * 50);
    }
    return m;
}

/// Lines a writer puts out that the reader of the same version does not take back: fields it
/// writes but does not read, and event timings below 50 in magnitude, written as 0 and so read
/// back as 0, which is not written.
bool lineIsNotReadBack(DfType version, std::string_view line) {
    if (line.starts_with("  terrain_color ")) return true;
    if (line == "  reset_value 0" || line == "  delay_value 0") return true;
    return version == kDf1 && line.starts_with("  cnv_file ");
}

template <class M>
std::vector<M> carriableMissions(DfType version) {
    std::vector<M> missions;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        missions.push_back(testing::generateMission<M>(seed * 104729u + static_cast<std::uint32_t>(version)));
    }
    missions.push_back(testing::generateMission<M>(3, testing::GeneratorOptions{.maxItems = 0, .maxEvents = 0}));
    // An item with no type_id line (type 0) and one of every category.
    M mixed = testing::generateMission<M>(4, testing::GeneratorOptions{.maxItems = 0, .maxEvents = 3});
    for (std::int32_t type : {0, 1500, 2500, 3500, 4500, 5500, 6013, 9000, -7}) mixed.items.emplace_back().type_id = type;
    recountItems(mixed.header, mixed.items);
    missions.push_back(mixed);
    for (M& m : missions) makeCarriable(m.header);
    return missions;
}

TYPED_TEST(MissionAsciiRoundTrip, WrittenModelReadsBackApartFromWhatTheFormDoesNotCarry) {
    using V = TypeParam;
    using M = typename V::Mission;
    const auto missions = carriableMissions<M>(V::number);
    for (std::size_t i = 0; i < missions.size(); ++i) {
        SCOPED_TRACE("mission " + std::to_string(i));
        const M& m = missions[i];
        const std::string text = asciiTextOf<V>(m);
        const M read = missionFromText<V>(text);
        const M expected = asciiProjection(m);
        EXPECT_TRUE(read.header == expected.header) << "header";
        EXPECT_TRUE(read.items == expected.items) << "items";
        EXPECT_TRUE(read.waypoints == expected.waypoints) << "waypoints";
        EXPECT_TRUE(read.events == expected.events) << "events";
        EXPECT_TRUE(read.triggers == expected.triggers) << "triggers";
        EXPECT_TRUE(read.actions == expected.actions) << "actions";
        EXPECT_TRUE(read == expected);

        // Written again, the text is the same but for the lines the reader does not take back.
        std::string kept;
        for (const std::string& line : linesOf(text)) {
            if (!lineIsNotReadBack(V::number, line)) kept += line + "\r\n";
        }
        EXPECT_EQ(asciiTextOf<V>(read), kept);

        // The model read keeps the invariants, so it saves as a binary file that reads back.
        EXPECT_TRUE(missionFromBytes<V>(binaryBytesOf<V>(read)) == read);
    }
}

TYPED_TEST(MissionAsciiRoundTrip, ProjectedModelIsAFixedPoint) {
    // What the ascii form carries survives any number of trips unchanged.
    using V = TypeParam;
    using M = typename V::Mission;
    const M once = asciiProjection(carriableMissions<M>(V::number).front());
    const M twice = missionFromText<V>(asciiTextOf<V>(once));
    EXPECT_TRUE(twice == once);
    EXPECT_EQ(asciiTextOf<V>(twice), asciiTextOf<V>(once));
}

TYPED_TEST(MissionAsciiRoundTrip, EventTimingsSurviveBinaryToAsciiToBinary) {
    using V = TypeParam;
    typename V::Mission m;
    for (std::int16_t value : {150, 50, -50, 32750, -32750, 100, 0}) {
        auto& event = m.events.emplace_back();
        event.reset_value = value;
        event.delay_value = static_cast<std::int16_t>(-value);
    }
    m.header.num_events = m.num_event_records = static_cast<std::int32_t>(m.events.size());
    const auto read = missionFromText<V>(asciiTextOf<V>(m));
    ASSERT_EQ(read.events.size(), m.events.size());
    for (std::size_t i = 0; i < m.events.size(); ++i) {
        EXPECT_EQ(read.events[i].reset_value, m.events[i].reset_value);
        EXPECT_EQ(read.events[i].delay_value, m.events[i].delay_value);
    }
}

TEST(MissionAsciiRoundTripLoadout, LandWarriorLoadoutSlotsSurviveBinaryToAsciiToBinary) {
    Df3Mission m;
    m.header.loadout_value1 = {1, 2, 3, 4, 5};
    m.header.loadout_value2 = {6, 7, 8, 9, 10};
    m.header.loadout_value3 = {11, 12, 13, 14, 15};
    m.header.loadout_value4 = {16, 17, 18, 19, 20};
    m.header.loadout_value5 = {21, 22, 23, 24, 255};
    const Df3Mission read = missionFromText<Df3>(asciiTextOf<Df3>(m));
    EXPECT_EQ(read.header.loadout_value1, m.header.loadout_value1);
    EXPECT_EQ(read.header.loadout_value2, m.header.loadout_value2);
    EXPECT_EQ(read.header.loadout_value3, m.header.loadout_value3);
    EXPECT_EQ(read.header.loadout_value4, m.header.loadout_value4);
    EXPECT_EQ(read.header.loadout_value5, m.header.loadout_value5);
}

}  // namespace
}  // namespace vok::mission_tests
