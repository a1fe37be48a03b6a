// Binary mission files of all three versions: file -> model -> file gives the same bytes, model ->
// file -> model the same model, on generated missions with every stored field random (negative
// numbers, arbitrary text bytes). Sizes, section offsets and the record layouts.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/mission/versions.h"
#include "tests/support/mission_generator.h"

namespace vok::mission_tests {
namespace {

using testing::GeneratorOptions;
using testing::generateMission;

template <class V>
class MissionBinaryRoundTrip : public ::testing::Test {};
TYPED_TEST_SUITE(MissionBinaryRoundTrip, AllVersions, VersionNames);

TYPED_TEST(MissionBinaryRoundTrip, GeneratedMissionsRoundTripInBothDirections) {
    using V = TypeParam;
    using M = typename V::Mission;
    std::vector<M> missions;
    // 0 to 300 items and 0 to 40 events (up to 6 triggers and 6 actions each), and small ones.
    for (std::uint32_t seed = 1; seed <= 10; ++seed) missions.push_back(generateMission<M>(seed * 7919u + static_cast<std::uint32_t>(versionNumber(V::number))));
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        missions.push_back(generateMission<M>(seed, GeneratorOptions{.maxItems = 1, .maxEvents = 1}));
    }
    std::size_t mostItems = 0;
    for (const M& m : missions) mostItems = std::max(mostItems, m.items.size());
    EXPECT_GT(mostItems, 200u);

    bool sawNegativePosition = false;
    bool sawHighTextByte = false;
    for (std::size_t i = 0; i < missions.size(); ++i) {
        SCOPED_TRACE("mission " + std::to_string(i));
        const M& m = missions[i];
        for (const auto& item : m.items) sawNegativePosition |= item.position[0] < 0;
        for (char c : m.header.name.bytes) sawHighTextByte |= static_cast<unsigned char>(c) >= 0x80;

        const std::string bytes = binaryBytesOf<V>(m);
        EXPECT_EQ(bytes.size(), V::emptyBytes + V::itemBytes * m.items.size() + 24 * m.events.size() +
                                    32 * (m.triggers.size() + m.actions.size()));
        const M read = missionFromBytes<V>(bytes);
        EXPECT_TRUE(read == m) << "the model read back differs from the one written";
        EXPECT_EQ(binaryBytesOf<V>(read), bytes);
        if (i == 0) {  // bytes after the last section are dropped
            const M padded = missionFromBytes<V>(bytes + std::string("trailing junk\0\xff", 15));
            EXPECT_TRUE(padded == m);
        }
    }
    EXPECT_TRUE(sawNegativePosition);
    EXPECT_TRUE(sawHighTextByte);
}

TYPED_TEST(MissionBinaryRoundTrip, EmptyMissionSizeSignatureAndSectionOffsets) {
    using V = TypeParam;
    const std::size_t emptySizes[] = {20376, 20628, 20652};  // DF1, DF2, Land Warrior
    EXPECT_EQ(V::emptyBytes, emptySizes[versionIndex(V::number)]);
    typename V::Mission empty;
    empty.header.signature = V::signature;
    std::string emptyBytes(V::emptyBytes, '\0');
    putInt32(emptyBytes, 0, V::signature);
    EXPECT_EQ(binaryBytesOf<V>(empty), emptyBytes);

    for (std::size_t items : {0u, 3u}) {
        SCOPED_TRACE(std::to_string(items) + " items");
        typename V::Mission m;
        m.header.signature = V::signature;
        m.items.resize(items);
        for (auto& item : m.items) item.type_id = 2500;  // counted in item_count_a
        m.header.item_count_a = static_cast<std::int32_t>(items);
        m.waypoints[0].attrib = 0xAB;
        m.waypoints[0].waypoint_text.set("W");
        m.waypoints[127].attrib = 0xCD;
        m.mission_text.set("T");
        m.events.resize(1);
        m.events[0].num_triggers = m.events[0].num_actions = 1;
        m.triggers.push_back(TriggerRecord{{0x11223344, 0, 0, 0, 0, 0, 0, 0}});
        m.actions.push_back(ActionRecord{{0x55667788, 0, 0, 0, 0, 0, 0, 0}});
        m.header.num_events = m.num_event_records = m.num_trigger_records = m.num_action_records = 1;

        const std::string bytes = binaryBytesOf<V>(m);
        EXPECT_EQ(bytes.substr(0, 4), std::string("BMS") + static_cast<char>(V::versionByte));
        const std::size_t waypoints = V::headerBytes + V::itemBytes * items;
        const std::size_t counts = waypoints + 128 * 136 + 2688;
        EXPECT_EQ(bytes.size(), V::emptyBytes + V::itemBytes * items + 24 + 32 + 32);
        EXPECT_EQ(bytes.substr(waypoints, 2), "\xAB" "W");
        EXPECT_EQ(static_cast<unsigned char>(bytes[waypoints + 127 * 136]), 0xCD);
        EXPECT_EQ(bytes[waypoints + 128 * 136], 'T');
        EXPECT_EQ(bytes.substr(counts, 12), std::string("\1\0\0\0\1\0\0\0\1\0\0\0", 12));
        EXPECT_EQ(bytes[counts + 12 + 21], '\1');  // num_triggers of the event
        EXPECT_EQ(bytes.substr(counts + 12 + 24, 4), "\x44\x33\x22\x11");
        EXPECT_EQ(bytes.substr(counts + 12 + 24 + 32, 4), "\x88\x77\x66\x55");
        if (items > 0) {
            EXPECT_EQ(bytes.substr(V::headerBytes, 4), std::string("\xC4\x09\0\0", 4));
        }
    }
    EXPECT_EQ(df2::MissionHeader::fileSignature, 257117506);
    EXPECT_EQ(df3::MissionHeader::fileSignature, 257117506);
}

// ---------------------------------------------------------------------------------------------
// Record layouts: every byte of a header and an item gets a distinct value, and each field is
// checked against the offset the file format gives it.

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xff);
    return bytes;
}

/// A number field: its value in the model, its offset and its width (1 unsigned, 2 or 4 signed).
struct At {
    std::int64_t value;
    std::size_t offset, width;
};
/// A text field: its bytes in the model and its offset.
struct TextAt {
    std::string_view raw;
    std::size_t offset;
};

void expectLayout(const std::string& b, std::initializer_list<At> numbers, std::initializer_list<TextAt> texts) {
    auto u8 = [&](std::size_t at) { return std::uint32_t{static_cast<std::uint8_t>(b[at])}; };
    for (const At& f : numbers) {
        std::int64_t expected = u8(f.offset);
        if (f.width == 2) expected = static_cast<std::int16_t>(u8(f.offset) | (u8(f.offset + 1) << 8));
        if (f.width == 4) {
            expected = static_cast<std::int32_t>(u8(f.offset) | (u8(f.offset + 1) << 8) | (u8(f.offset + 2) << 16) |
                                                 (u8(f.offset + 3) << 24));
        }
        EXPECT_EQ(f.value, expected) << "field at offset " << f.offset;
    }
    for (const TextAt& t : texts) EXPECT_EQ(t.raw, b.substr(t.offset, t.raw.size())) << "text at " << t.offset;
}

/// A file whose header and single item follow the pattern, with the item counts set to one item.
template <class V>
typename V::Mission patternedMission(std::string& header, std::string& item) {
    header = patternBytes(V::headerBytes);
    for (std::size_t i = 0; i < 16; ++i) header[V::itemCountOffset + i] = '\0';
    header[V::itemCountOffset + 4] = '\1';  // item_count_b = 1
    item = patternBytes(V::itemBytes + 5).substr(5);
    auto m = missionFromBytes<V>(header + item + std::string(V::emptyBytes - V::headerBytes, '\0'));
    EXPECT_EQ(m.header.item_count_b, 1);
    EXPECT_EQ(m.items.size(), 1u);
    return m;
}

TEST(MissionBinaryLayout, Df2HeaderAndItemFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df2Mission m = patternedMission<Df2>(h, it);
    const auto& d = m.header;
    expectLayout(h,
                 {{d.signature, 0, 4}, {d.terrain_color, 116, 4}, {d.attrib, 120, 4}, {d.visible_if, 124, 4},
                  {d.notvisible_if, 128, 4}, {d.arty, 132, 4}, {d.water_level, 136, 4}, {d.fog_level, 140, 4},
                  {d.fog_color, 144, 4}, {d.default_equipment[0], 148, 1}, {d.default_equipment[3], 151, 1},
                  {d.num_events, 168, 4}, {d.weather_type, 172, 4}, {d.subgoals_win[0], 176, 1},
                  {d.subgoals_lose[3], 183, 1}, {d.header_number_a, 216, 4}, {d.header_number_b, 220, 4},
                  {d.header_levels[4], 228, 1}, {d.wind[0], 232, 4}, {d.wind[1], 236, 4}},
                 {{d.name.raw(), 4}, {d.designer.raw(), 36}, {d.terrain.raw(), 68}, {d.cnv_file.raw(), 84},
                  {d.tt_file.raw(), 100}, {d.clouds_file.raw(), 184}, {d.sky_file.raw(), 200},
                  {d.header_code.raw(), 229}, {d.header_text24.raw(), 240}, {d.briefing.raw(), 264}});
    EXPECT_EQ(d.briefing.raw().size(), 256u);

    const ItemRecord& i = m.items.at(0);
    expectLayout(it,
                 {{i.type_id, 0, 4}, {i.name_index, 4, 4}, {i.item_number, 8, 4}, {i.bmsi_attributes, 12, 4},
                  {i.position[2], 24, 4}, {i.wpdistance, 28, 4}, {i.waccuracy, 32, 4}, {i.perception, 36, 4},
                  {i.perfectionist, 40, 4}, {i.edistances[1], 48, 4}, {i.facing[0], 52, 2}, {i.fov, 56, 2},
                  {i.movetimer, 58, 2}, {i.crouchtimer, 60, 2}, {i.shoottimer, 62, 2}, {i.attention, 64, 2},
                  {i.alert_state, 66, 1}, {i.team, 67, 1}, {i.nomorethan, 68, 1}, {i.nolessthan, 69, 1},
                  {i.weapon_type, 70, 1}, {i.sweapon_type, 71, 1}, {i.group_id, 72, 1}, {i.waypoint_id, 73, 1},
                  {i.wpnumber, 74, 1}, {i.obliqueness, 75, 1}, {i.map_symbol, 76, 4}, {i.group_rel, 80, 4},
                  {i.advancetimer, 84, 4}, {i.ttoolindex, 88, 4}, {i.item_tail, 92, 4}},
                 {});
}

TEST(MissionBinaryLayout, LandWarriorHeaderAndItemFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df3Mission m = patternedMission<Df3>(h, it);
    const auto& d = m.header;
    expectLayout(h,
                 {{d.header_value, 116, 4}, {d.fog_color, 144, 4}, {d.loadout_value3[0], 148, 1},
                  {d.loadout_value1[0], 153, 1}, {d.loadout_value2[0], 158, 1}, {d.loadout_value4[0], 163, 1},
                  {d.loadout_value5[4], 172, 1}, {d.num_events, 192, 4}, {d.weather_type, 196, 4},
                  {d.subgoals_win[0], 200, 1}, {d.subgoals_lose[0], 204, 1}, {d.wind[0], 256, 4},
                  {d.wind[1], 260, 4}, {d.teammate[0], 264, 1}, {d.teammate[1], 265, 1}},
                 {{d.header_code.raw(), 173}, {d.header_text16.raw(), 208}, {d.environment_file.raw(), 224},
                  {d.header_text22.raw(), 266}, {d.briefing.raw(), 288}});
    const df3::ItemRecord& i = m.items.at(0);
    expectLayout(it,
                 {{i.ttoolindex, 88, 4}, {i.blink_parent, 92, 1}, {i.blink_parent_b, 93, 1}, {i.blink_group_a, 94, 1},
                  {i.blink_group_b, 95, 1}, {i.grenades, 96, 1}, {i.wpgoal0, 97, 1}, {i.wpgoal3, 100, 1}},
                 {{i.item_text.raw(), 101}});
    EXPECT_EQ(i.item_text.raw().size(), 63u);
}

TEST(MissionBinaryLayout, Df1HeaderFieldsSitAtTheirOffsets) {
    std::string h, it;
    const Df1Mission m = patternedMission<Df1>(h, it);
    const auto& d = m.header;
    expectLayout(h,
                 {{d.terrain_color, 116, 4}, {d.attrib, 120, 4}, {d.default_equipment[0], 124, 1},
                  {d.default_equipment[3], 127, 1}, {d.visible_if, 128, 4}, {d.notvisible_if, 132, 4},
                  {d.arty, 136, 4}, {d.num_events, 168, 4}, {d.weather_type, 172, 4}, {d.subgoals_win[0], 176, 1},
                  {d.subgoals_lose[0], 180, 1}, {d.wind[0], 236, 4}, {d.wind[1], 240, 4}},
                 {{d.name.raw(), 4}, {d.designer.raw(), 44}, {d.terrain.raw(), 84}, {d.cnv_file.raw(), 100},
                  {d.header_text12.raw(), 140}, {d.header_text52.raw(), 184}, {d.header_text24.raw(), 244}});
    EXPECT_EQ(d.name.raw().size(), 40u);
    expectLayout(it, {{m.items.at(0).item_tail, 92, 4}}, {});
}

TEST(MissionBinaryLayout, EventRecordFieldsSitAtTheirOffsets) {
    Df2Mission m;
    m.header.signature = df2::MissionHeader::fileSignature;
    EventRecord& e = m.events.emplace_back();
    e.attrib = 0x01020304;
    e.event_text.set("abcdefghij");
    e.reset_value = 0x0506;
    e.event_word = 0x0708;
    e.delay_value = 0x090A;
    e.event_byte = 0x0B;
    e.event_flag = 0x0C;
    m.header.num_events = m.num_event_records = 1;
    EXPECT_EQ(binaryBytesOf<Df2>(m).substr(Df2::emptyBytes),
              std::string("\x04\x03\x02\x01" "abcdefghij" "\x06\x05\x08\x07\x0A\x09\x0B\0\0\x0C", 24));
}

}  // namespace
}  // namespace vok::mission_tests
