// Binary mission files of all three versions: file -> model -> file gives the same bytes, model ->
// file -> model the same model, on generated missions with every stored field random (negative
// numbers, arbitrary text bytes). Sizes, section offsets and the header layouts.

#include <gtest/gtest.h>

#include <random>

#include "tests/mission/versions.h"
#include "tests/support/mission_generator.h"

namespace vok::mission_tests {
namespace {

using testing::GeneratorOptions;
using testing::Randomiser;
using testing::generateMission;

template <class V>
class MissionBinaryRoundTrip : public ::testing::Test {};
TYPED_TEST_SUITE(MissionBinaryRoundTrip, AllVersions, VersionNames);

template <class V>
std::size_t expectedSize(const typename V::Mission& m) {
    return V::emptyBytes + V::itemBytes * m.items.size() + 24 * m.events.size() +
           32 * (m.triggers.size() + m.actions.size());
}

/// A generated mission with exactly `items` items and `events` events (up to 6 triggers and 6
/// actions each), keeping every count consistent.
template <class M>
M missionWithExactly(std::uint32_t seed, std::size_t items, std::size_t events) {
    M m = generateMission<M>(seed, GeneratorOptions{.maxItems = 0, .maxEvents = 0});
    std::mt19937 rng(seed);
    Randomiser random(rng);
    m.items.resize(items);
    for (auto& item : m.items) random.record(item);
    recountItems(m.header, m.items);
    m.events.resize(events);
    for (auto& event : m.events) {
        random.record(event);
        event.num_triggers = static_cast<std::uint8_t>(rng() % 7);
        event.num_actions = static_cast<std::uint8_t>(rng() % 7);
        for (int i = 0; i < event.num_triggers; ++i) random.record(m.triggers.emplace_back());
        for (int i = 0; i < event.num_actions; ++i) random.record(m.actions.emplace_back());
    }
    m.header.num_events = static_cast<std::int32_t>(events);
    m.num_event_records = static_cast<std::int32_t>(events);
    m.num_trigger_records = static_cast<std::int32_t>(m.triggers.size());
    m.num_action_records = static_cast<std::int32_t>(m.actions.size());
    return m;
}

TYPED_TEST(MissionBinaryRoundTrip, GeneratedMissionsRoundTripInBothDirections) {
    using V = TypeParam;
    using M = typename V::Mission;
    std::vector<M> missions;
    for (std::uint32_t seed = 1; seed <= 10; ++seed) missions.push_back(generateMission<M>(seed * 7919u + V::number));
    missions.push_back(generateMission<M>(77, GeneratorOptions{.maxItems = 0, .maxEvents = 0}));
    missions.push_back(missionWithExactly<M>(78, 300, 40));
    missions.push_back(missionWithExactly<M>(79, 1, 1));

    bool sawNegativePosition = false;
    bool sawHighTextByte = false;
    for (std::size_t i = 0; i < missions.size(); ++i) {
        SCOPED_TRACE("mission " + std::to_string(i));
        const M& m = missions[i];
        for (const auto& item : m.items) sawNegativePosition |= item.position[0] < 0;
        for (char c : m.header.name.bytes) sawHighTextByte |= static_cast<unsigned char>(c) >= 0x80;

        const std::string bytes = binaryBytesOf<V>(m);
        EXPECT_EQ(bytes.size(), expectedSize<V>(m));
        const M read = missionFromBytes<V>(bytes);
        EXPECT_TRUE(read == m) << "the model read back differs from the one written";
        EXPECT_EQ(binaryBytesOf<V>(read), bytes);
    }
    EXPECT_TRUE(sawNegativePosition);
    EXPECT_TRUE(sawHighTextByte);
}

TYPED_TEST(MissionBinaryRoundTrip, BytesAfterTheLastSectionAreDropped) {
    using V = TypeParam;
    const auto m = generateMission<typename V::Mission>(4242);
    const std::string bytes = binaryBytesOf<V>(m);
    const auto read = missionFromBytes<V>(bytes + std::string("trailing junk\0\xff", 15));
    EXPECT_TRUE(read == m);
    EXPECT_EQ(binaryBytesOf<V>(read), bytes);
}

TYPED_TEST(MissionBinaryRoundTrip, EmptyMissionHasItsFixedSize) {
    using V = TypeParam;
    typename V::Mission m;
    EXPECT_EQ(V::emptyBytes, V::headerBytes + 128 * 136 + 2688 + 12);
    const std::string bytes = binaryBytesOf<V>(m);
    EXPECT_EQ(bytes.size(), V::emptyBytes);
    EXPECT_EQ(bytes, std::string(V::emptyBytes, '\0'));
}

TYPED_TEST(MissionBinaryRoundTrip, SectionsStartWhereTheCountsPutThem) {
    using V = TypeParam;
    for (std::size_t items : {0u, 1u, 3u}) {
        SCOPED_TRACE(std::to_string(items) + " items");
        typename V::Mission m;
        m.items.resize(items);
        for (auto& item : m.items) item.type_id = 2500;  // counted in item_count_a
        m.header.item_count_a = static_cast<std::int32_t>(items);
        m.waypoints[0].attrib = 0xAB;
        m.waypoints[0].waypoint_text.set("W");
        m.waypoints[127].attrib = 0xCD;
        m.mission_text.set("T");
        m.events.resize(1);
        m.events[0].num_triggers = 1;
        m.triggers.push_back(TriggerRecord{{0x11223344, 0, 0, 0, 0, 0, 0, 0}});
        m.actions.push_back(ActionRecord{{0x55667788, 0, 0, 0, 0, 0, 0, 0}});
        m.events[0].num_actions = 1;
        m.header.num_events = m.num_event_records = 1;
        m.num_trigger_records = m.num_action_records = 1;

        const std::string bytes = binaryBytesOf<V>(m);
        const std::size_t waypoints = V::headerBytes + V::itemBytes * items;
        EXPECT_EQ(bytes.size(), V::emptyBytes + V::itemBytes * items + 24 + 32 + 32);
        EXPECT_EQ(static_cast<unsigned char>(bytes[waypoints]), 0xAB);
        EXPECT_EQ(bytes[waypoints + 1], 'W');
        EXPECT_EQ(static_cast<unsigned char>(bytes[waypoints + 127 * 136]), 0xCD);
        const std::size_t text = waypoints + 128 * 136;
        EXPECT_EQ(bytes[text], 'T');
        const std::size_t counts = text + 2688;
        EXPECT_EQ(bytes.substr(counts, 12), std::string("\1\0\0\0\1\0\0\0\1\0\0\0", 12));
        EXPECT_EQ(bytes[counts + 12 + 21], '\1');  // num_triggers of the event
        EXPECT_EQ(bytes.substr(counts + 12 + 24, 4), "\x44\x33\x22\x11");
        EXPECT_EQ(bytes.substr(counts + 12 + 24 + 32, 4), "\x88\x77\x66\x55");
        if (items > 0) {
            // type_id 2500 is the first field of the first item, right after the header.
            EXPECT_EQ(bytes.substr(V::headerBytes, 4), std::string("\xC4\x09\0\0", 4));
        }
    }
}

TYPED_TEST(MissionBinaryRoundTrip, SignatureIsBmsAndTheVersionByte) {
    using V = TypeParam;
    typename V::Mission m;
    m.header.signature = V::signature;
    const std::string bytes = binaryBytesOf<V>(m);
    EXPECT_EQ(bytes.substr(0, 4), std::string("BMS") + static_cast<char>(V::versionByte));
    EXPECT_EQ(bytes.substr(0, 3), "\x42\x4D\x53");
}

TEST(MissionBinarySignature, Df2AndLandWarriorSignatureBytes) {
    Df2Mission m;
    m.header.signature = 257117506;
    EXPECT_EQ(binaryBytesOf<Df2>(m).substr(0, 4), "\x42\x4D\x53\x0F");
    EXPECT_EQ(df3::kSignature, 257117506);
}

// ---------------------------------------------------------------------------------------------
// Header and item layouts: every byte of a record gets a distinct value, and fields are checked
// against the offsets the file format gives them.

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xff);
    return bytes;
}

std::uint8_t u8At(const std::string& b, std::size_t at) { return static_cast<std::uint8_t>(b[at]); }
std::int16_t i16At(const std::string& b, std::size_t at) {
    return static_cast<std::int16_t>(u8At(b, at) | (u8At(b, at + 1) << 8));
}
std::int32_t i32At(const std::string& b, std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(u8At(b, at)) | (std::uint32_t{u8At(b, at + 1)} << 8) |
                                     (std::uint32_t{u8At(b, at + 2)} << 16) | (std::uint32_t{u8At(b, at + 3)} << 24));
}

/// An empty mission file whose header (and single item) bytes follow the pattern, with the item
/// counts set to one item.
template <class V>
std::string patternedFile(std::string& header, std::string& item) {
    header = patternBytes(V::headerBytes);
    for (std::size_t i = 0; i < 16; ++i) header[V::itemCountOffset + i] = '\0';
    header[V::itemCountOffset + 4] = '\1';  // item_count_b = 1
    item = patternBytes(V::itemBytes + 5).substr(5);
    return header + item + std::string(V::emptyBytes - V::headerBytes, '\0');
}

TEST(MissionBinaryLayout, Df2HeaderAndItemFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df2Mission m = missionFromBytes<Df2>(patternedFile<Df2>(h, it));
    EXPECT_EQ(m.header.signature, i32At(h, 0));
    EXPECT_EQ(m.header.name.raw(), h.substr(4, 32));
    EXPECT_EQ(m.header.designer.raw(), h.substr(36, 32));
    EXPECT_EQ(m.header.terrain.raw(), h.substr(68, 16));
    EXPECT_EQ(m.header.cnv_file.raw(), h.substr(84, 16));
    EXPECT_EQ(m.header.tt_file.raw(), h.substr(100, 16));
    EXPECT_EQ(m.header.terrain_color, i32At(h, 116));
    EXPECT_EQ(m.header.attrib, i32At(h, 120));
    EXPECT_EQ(m.header.visible_if, i32At(h, 124));
    EXPECT_EQ(m.header.notvisible_if, i32At(h, 128));
    EXPECT_EQ(m.header.arty, i32At(h, 132));
    EXPECT_EQ(m.header.water_level, i32At(h, 136));
    EXPECT_EQ(m.header.fog_level, i32At(h, 140));
    EXPECT_EQ(m.header.fog_color, i32At(h, 144));
    EXPECT_EQ(m.header.default_equipment[0], u8At(h, 148));
    EXPECT_EQ(m.header.default_equipment[3], u8At(h, 151));
    EXPECT_EQ(m.header.item_count_b, 1);
    EXPECT_EQ(m.header.num_events, i32At(h, 168));
    EXPECT_EQ(m.header.weather_type, i32At(h, 172));
    EXPECT_EQ(m.header.subgoals_win[0], u8At(h, 176));
    EXPECT_EQ(m.header.subgoals_lose[3], u8At(h, 183));
    EXPECT_EQ(m.header.clouds_file.raw(), h.substr(184, 16));
    EXPECT_EQ(m.header.sky_file.raw(), h.substr(200, 16));
    EXPECT_EQ(m.header.header_number_a, i32At(h, 216));
    EXPECT_EQ(m.header.header_number_b, i32At(h, 220));
    EXPECT_EQ(m.header.header_levels[4], u8At(h, 228));
    EXPECT_EQ(m.header.header_code.raw(), h.substr(229, 3));
    EXPECT_EQ(m.header.wind[0], i32At(h, 232));
    EXPECT_EQ(m.header.wind[1], i32At(h, 236));
    EXPECT_EQ(m.header.header_text24.raw(), h.substr(240, 24));
    EXPECT_EQ(m.header.briefing.raw(), h.substr(264, 256));

    ASSERT_EQ(m.items.size(), 1u);
    const ItemRecord& item = m.items[0];
    EXPECT_EQ(item.type_id, i32At(it, 0));
    EXPECT_EQ(item.name_index, i32At(it, 4));
    EXPECT_EQ(item.item_number, i32At(it, 8));
    EXPECT_EQ(item.bmsi_attributes, i32At(it, 12));
    EXPECT_EQ(item.position[2], i32At(it, 24));
    EXPECT_EQ(item.wpdistance, i32At(it, 28));
    EXPECT_EQ(item.waccuracy, i32At(it, 32));
    EXPECT_EQ(item.perception, i32At(it, 36));
    EXPECT_EQ(item.perfectionist, i32At(it, 40));
    EXPECT_EQ(item.edistances[1], i32At(it, 48));
    EXPECT_EQ(item.facing[0], i16At(it, 52));
    EXPECT_EQ(item.fov, i16At(it, 56));
    EXPECT_EQ(item.movetimer, i16At(it, 58));
    EXPECT_EQ(item.crouchtimer, i16At(it, 60));
    EXPECT_EQ(item.shoottimer, i16At(it, 62));
    EXPECT_EQ(item.attention, i16At(it, 64));
    EXPECT_EQ(item.alert_state, u8At(it, 66));
    EXPECT_EQ(item.team, u8At(it, 67));
    EXPECT_EQ(item.nomorethan, u8At(it, 68));
    EXPECT_EQ(item.nolessthan, u8At(it, 69));
    EXPECT_EQ(item.weapon_type, u8At(it, 70));
    EXPECT_EQ(item.sweapon_type, u8At(it, 71));
    EXPECT_EQ(item.group_id, u8At(it, 72));
    EXPECT_EQ(item.waypoint_id, u8At(it, 73));
    EXPECT_EQ(item.wpnumber, u8At(it, 74));
    EXPECT_EQ(item.obliqueness, u8At(it, 75));
    EXPECT_EQ(item.map_symbol, i32At(it, 76));
    EXPECT_EQ(item.group_rel, i32At(it, 80));
    EXPECT_EQ(item.advancetimer, i32At(it, 84));
    EXPECT_EQ(item.ttoolindex, i32At(it, 88));
    EXPECT_EQ(item.item_tail, i32At(it, 92));
}

TEST(MissionBinaryLayout, LandWarriorHeaderAndItemFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df3Mission m = missionFromBytes<Df3>(patternedFile<Df3>(h, it));
    EXPECT_EQ(m.header.header_value, i32At(h, 116));
    EXPECT_EQ(m.header.fog_color, i32At(h, 144));
    EXPECT_EQ(m.header.loadout_value3[0], u8At(h, 148));
    EXPECT_EQ(m.header.loadout_value1[0], u8At(h, 153));
    EXPECT_EQ(m.header.loadout_value2[0], u8At(h, 158));
    EXPECT_EQ(m.header.loadout_value4[0], u8At(h, 163));
    EXPECT_EQ(m.header.loadout_value5[4], u8At(h, 172));
    EXPECT_EQ(m.header.header_code.raw(), h.substr(173, 3));
    EXPECT_EQ(m.header.item_count_b, 1);
    EXPECT_EQ(m.header.num_events, i32At(h, 192));
    EXPECT_EQ(m.header.weather_type, i32At(h, 196));
    EXPECT_EQ(m.header.subgoals_win[0], u8At(h, 200));
    EXPECT_EQ(m.header.subgoals_lose[0], u8At(h, 204));
    EXPECT_EQ(m.header.header_text16.raw(), h.substr(208, 16));
    EXPECT_EQ(m.header.environment_file.raw(), h.substr(224, 32));
    EXPECT_EQ(m.header.wind[0], i32At(h, 256));
    EXPECT_EQ(m.header.wind[1], i32At(h, 260));
    EXPECT_EQ(m.header.teammate[0], u8At(h, 264));
    EXPECT_EQ(m.header.teammate[1], u8At(h, 265));
    EXPECT_EQ(m.header.header_text22.raw(), h.substr(266, 22));
    EXPECT_EQ(m.header.briefing.raw(), h.substr(288, 256));

    ASSERT_EQ(m.items.size(), 1u);
    const df3::ItemRecord& item = m.items[0];
    EXPECT_EQ(item.ttoolindex, i32At(it, 88));
    EXPECT_EQ(item.blink_parent, u8At(it, 92));
    EXPECT_EQ(item.blink_parent_b, u8At(it, 93));
    EXPECT_EQ(item.blink_group_a, u8At(it, 94));
    EXPECT_EQ(item.blink_group_b, u8At(it, 95));
    EXPECT_EQ(item.grenades, u8At(it, 96));
    EXPECT_EQ(item.wpgoal0, u8At(it, 97));
    EXPECT_EQ(item.wpgoal3, u8At(it, 100));
    EXPECT_EQ(item.item_text.raw(), it.substr(101, 63));
}

TEST(MissionBinaryLayout, Df1HeaderFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df1Mission m = missionFromBytes<Df1>(patternedFile<Df1>(h, it));
    EXPECT_EQ(m.header.name.raw(), h.substr(4, 40));
    EXPECT_EQ(m.header.designer.raw(), h.substr(44, 40));
    EXPECT_EQ(m.header.terrain.raw(), h.substr(84, 16));
    EXPECT_EQ(m.header.cnv_file.raw(), h.substr(100, 16));
    EXPECT_EQ(m.header.terrain_color, i32At(h, 116));
    EXPECT_EQ(m.header.attrib, i32At(h, 120));
    EXPECT_EQ(m.header.default_equipment[0], u8At(h, 124));
    EXPECT_EQ(m.header.default_equipment[3], u8At(h, 127));
    EXPECT_EQ(m.header.visible_if, i32At(h, 128));
    EXPECT_EQ(m.header.notvisible_if, i32At(h, 132));
    EXPECT_EQ(m.header.arty, i32At(h, 136));
    EXPECT_EQ(m.header.header_text12.raw(), h.substr(140, 12));
    EXPECT_EQ(m.header.item_count_b, 1);
    EXPECT_EQ(m.header.num_events, i32At(h, 168));
    EXPECT_EQ(m.header.weather_type, i32At(h, 172));
    EXPECT_EQ(m.header.subgoals_win[0], u8At(h, 176));
    EXPECT_EQ(m.header.subgoals_lose[0], u8At(h, 180));
    EXPECT_EQ(m.header.header_text52.raw(), h.substr(184, 52));
    EXPECT_EQ(m.header.wind[0], i32At(h, 236));
    EXPECT_EQ(m.header.wind[1], i32At(h, 240));
    EXPECT_EQ(m.header.header_text24.raw(), h.substr(244, 24));
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].item_tail, i32At(it, 92));
}

TEST(MissionBinaryLayout, EventRecordFieldsSitAtTheirOffsets) {
    Df2Mission m;
    EventRecord& e = m.events.emplace_back();
    e.attrib = 0x01020304;
    e.event_text.set("abcdefghij");
    e.reset_value = 0x0506;
    e.event_word = 0x0708;
    e.delay_value = 0x090A;
    e.event_byte = 0x0B;
    e.num_triggers = 0;
    e.num_actions = 0;
    e.event_flag = 0x0C;
    m.header.num_events = m.num_event_records = 1;
    const std::string bytes = binaryBytesOf<Df2>(m);
    EXPECT_EQ(bytes.substr(Df2::emptyBytes), std::string("\x04\x03\x02\x01"
                                                         "abcdefghij"
                                                         "\x06\x05\x08\x07\x0A\x09\x0B\0\0\x0C",
                                                         24));
}

}  // namespace
}  // namespace vok::mission_tests
