#pragma once
// Land Warrior mission header (544 bytes) and item record (164 bytes).

#include <array>
#include <cstdint>

#include "mission/core/fields.h"
#include "mission/core/records.h"
#include "mission/core/version.h"

namespace vok::df3 {

using LoadoutTable = std::array<std::uint8_t, 5>;  ///< one value per loadout slot 1..5

struct MissionHeader {
    /// The signature a binary file of this version starts with.
    static constexpr std::int32_t fileSignature = versionInfo(DfType::Df3).signature;

    std::int32_t signature = 0;
    FixedText<32> name{};
    FixedText<32> designer{};
    FixedText<16> terrain{};
    FixedText<16> cnv_file{};
    FixedText<16> tt_file{};
    std::int32_t header_value = 0;
    std::int32_t attrib = 0;
    std::int32_t visible_if = 0;
    std::int32_t notvisible_if = 0;
    std::int32_t arty = 0;
    std::int32_t water_level = 0;
    std::int32_t fog_level = 0;
    std::int32_t fog_color = 0;
    LoadoutTable loadout_value3{};
    LoadoutTable loadout_value1{};
    LoadoutTable loadout_value2{};
    LoadoutTable loadout_value4{};
    LoadoutTable loadout_value5{};
    FixedText<3> header_code{};
    std::int32_t item_count_a = 0;
    std::int32_t item_count_b = 0;
    std::int32_t item_count_c = 0;
    std::int32_t item_count_d = 0;
    std::int32_t num_events = 0;
    std::int32_t weather_type = 0;
    std::array<std::uint8_t, 4> subgoals_win{};
    std::array<std::uint8_t, 4> subgoals_lose{};
    FixedText<16> header_text16{};
    FixedText<32> environment_file{};
    std::array<std::int32_t, 2> wind{};
    std::array<std::uint8_t, 2> teammate{};
    FixedText<22> header_text22{};
    FixedText<256> briefing{};

    bool operator==(const MissionHeader&) const = default;
};

// clang-format off
template <class V, RecordOf<MissionHeader> R>
constexpr void describe(V& v, R& h) {
    v.field("signature",          0, h.signature,         kBinaryOnly);
    v.field("name",               4, h.name,              kQuoted);
    v.field("designer",          36, h.designer,          kQuoted);
    v.field("terrain",           68, h.terrain);
    v.field("cnv_file",          84, h.cnv_file);
    v.field("tt_file",          100, h.tt_file);
    v.field("header_value",     116, h.header_value,      kBinaryOnly);
    v.field("attrib",           120, h.attrib);
    v.field("visible_if",       124, h.visible_if);
    v.field("notvisible_if",    128, h.notvisible_if);
    v.field("arty",             132, h.arty);
    v.field("water_level",      136, h.water_level);
    v.field("fog_level",        140, h.fog_level);
    v.field("fog_color",        144, h.fog_color);
    // Stored table by table; the ascii form has one line per slot (default_loadout below).
    v.field("loadout_value3",   148, h.loadout_value3,    kBinaryOnly);
    v.field("loadout_value1",   153, h.loadout_value1,    kBinaryOnly);
    v.field("loadout_value2",   158, h.loadout_value2,    kBinaryOnly);
    v.field("loadout_value4",   163, h.loadout_value4,    kBinaryOnly);
    v.field("loadout_value5",   168, h.loadout_value5,    kBinaryOnly);
    v.slotLines("default_loadout", h.loadout_value1, h.loadout_value2, h.loadout_value3, h.loadout_value4,
                h.loadout_value5);
    v.field("header_code",      173, h.header_code,       kBinaryOnly);
    v.field("item_count_a",     176, h.item_count_a,      kBinaryOnly);
    v.field("item_count_b",     180, h.item_count_b,      kBinaryOnly);
    v.field("item_count_c",     184, h.item_count_c,      kBinaryOnly);
    v.field("item_count_d",     188, h.item_count_d,      kBinaryOnly);
    v.sumLine("num_items", h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d);
    v.field("num_events",       192, h.num_events);
    v.field("weather_type",     196, h.weather_type);
    v.field("subgoals_win",     200, h.subgoals_win);
    v.field("subgoals_lose",    204, h.subgoals_lose);
    v.field("header_text16",    208, h.header_text16,     kBinaryOnly);
    v.field("environment_file", 224, h.environment_file,  kBinaryOnly);
    v.field("wind",             256, h.wind);
    v.field("teammate",         264, h.teammate);
    v.field("header_text22",    266, h.header_text22,     kBinaryOnly);
    v.field("briefing",         288, h.briefing,          kBinaryOnly);  // the briefing block
}
// clang-format on

static_assert(recordSize<MissionHeader>() == 544);

/// Land Warrior item record: the common fields, nine more bytes and a 63-byte text.
struct ItemRecord : ItemCommon {
    std::uint8_t blink_parent = 0;
    std::uint8_t blink_parent_b = 0;
    std::uint8_t blink_group_a = 0;
    std::uint8_t blink_group_b = 0;
    std::uint8_t grenades = 0;
    std::uint8_t wpgoal0 = 0;
    std::uint8_t wpgoal1 = 0;
    std::uint8_t wpgoal2 = 0;
    std::uint8_t wpgoal3 = 0;
    FixedText<63> item_text{};

    bool operator==(const ItemRecord&) const = default;
};

// clang-format off
template <class V, RecordOf<ItemRecord> R>
constexpr void describe(V& v, R& r) {
    describeItemCommon(v, r);
    v.field("blink_parent",    92, r.blink_parent);
    v.field("blink_parent_b",  93, r.blink_parent_b);
    v.field("blink_group_a",   94, r.blink_group_a);
    v.field("blink_group_b",   95, r.blink_group_b);
    v.field("grenades",        96, r.grenades);
    v.field("wpgoal0",         97, r.wpgoal0);
    v.field("wpgoal1",         98, r.wpgoal1);
    v.field("wpgoal2",         99, r.wpgoal2);
    v.field("wpgoal3",        100, r.wpgoal3);
    v.field("item_text",      101, r.item_text,     kBinaryOnly);
}
// clang-format on

static_assert(recordSize<ItemRecord>() == 164);

/// The environment file a Land Warrior mission made from an ascii file or another version gets.
inline constexpr std::string_view kDefaultEnvironment = "day1.env";

}  // namespace vok::df3
