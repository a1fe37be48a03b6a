// Ascii mission files of all three versions: a model written by the writer reads back into the
// same model, apart from what the ascii form does not carry, and the model read back writes the
// same text again. What the ascii form leaves out is listed once, in asciiProjection() below. The
// generated headers and events hold random Land Warrior loadout tables and event timings, so the
// loadout slot numbering and the timings read times 50 are checked here in both directions.

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

template <class Header>
void makeCarriable(Header& h) {
    makeCarriable(h.name, true);
    makeCarriable(h.designer, true);
    makeCarriable(h.terrain, false);
    makeCarriable(h.cnv_file, false);
    if constexpr (requires { h.briefing; }) {
        makeCarriable(h.tt_file, false);
        makeCarriable(h.briefing, true);
    }
}

// ---------------------------------------------------------------------------------------------
// What reading the ascii form gives back for a model written to it: the fields the ascii form
// does not carry get the values the reader sets, texts lose their NULs, and the event timings
// lose what the division by 50 drops.

/// A text as the reader stores it: the written text (NULs removed), NUL-padded.
template <std::size_t N>
void asWritten(FixedText<N>& text) {
    text.set(text.text());
}

void projectVersionFields(df1::MissionHeader& h) {
    h.cnv_file = {};      // written, not read
    h.terrain_color = 0;  // written, not read
    h.header_text12 = {};
    h.header_text52 = {};
    h.header_text24 = {};
}

void projectVersionFields(df2::MissionHeader& h) {
    h.terrain_color = 0;  // written, not read
    h.clouds_file.set("clouds05.pcx");
    h.sky_file.set("skygrd04.tga");
    h.header_number_a = 1236;
    h.header_number_b = 65536;
    h.header_levels = {128, 128, 128, 128, 128};
    h.header_code = {};
    h.header_text24 = {};
}

void projectVersionFields(df3::MissionHeader& h) {
    h.header_value = 0;
    h.header_code = {};
    h.header_text16 = {};
    h.environment_file.set("day1.env");
    h.header_text22 = {};
}

template <class Header>
void projectHeader(Header& h, std::int32_t signature) {
    h.signature = signature;  // set by the reader
    asWritten(h.name);
    asWritten(h.designer);
    asWritten(h.terrain);
    if constexpr (requires { h.briefing; }) {
        asWritten(h.cnv_file);
        asWritten(h.tt_file);
        asWritten(h.briefing);
    }
    projectVersionFields(h);
}

void projectItemTail(ItemRecord& item) { item.item_tail = 0; }
void projectItemTail(df3::ItemRecord& item) { item.item_text = {}; }

template <class V, class M = typename V::Mission>
M asciiProjection(M m) {
    projectHeader(m.header, V::signature);
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
    return version == DfType::Df1 && line.starts_with("  cnv_file ");
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
        const M expected = asciiProjection<V>(m);
        EXPECT_TRUE(read.header == expected.header) << "header";
        EXPECT_TRUE(read == expected) << "header, items, waypoints, events, triggers or actions differ";

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

}  // namespace
}  // namespace vok::mission_tests
