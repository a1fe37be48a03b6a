#pragma once
// Delta Force 2 mission header (520 bytes).

#include <array>
#include <cstdint>

#include "mission/core/fields.h"
#include "mission/core/records.h"
#include "mission/core/version.h"

namespace vok::df2 {

/// The order in which the ascii form lists default_equipment: [2], [3], [4], [1].
inline constexpr std::array<std::uint8_t, 4> kEquipmentOrder{1, 2, 3, 0};

struct MissionHeader {
    /// The signature a binary file of this version starts with.
    static constexpr std::int32_t fileSignature = versionInfo(DfType::Df2).signature;

    std::int32_t signature = 0;
    FixedText<32> name{};
    FixedText<32> designer{};
    FixedText<16> terrain{};
    FixedText<16> cnv_file{};
    FixedText<16> tt_file{};
    std::int32_t terrain_color = 0;
    std::int32_t attrib = 0;
    std::int32_t visible_if = 0;
    std::int32_t notvisible_if = 0;
    std::int32_t arty = 0;
    std::int32_t water_level = 0;
    std::int32_t fog_level = 0;
    std::int32_t fog_color = 0;
    std::array<std::uint8_t, 4> default_equipment{};
    std::int32_t item_count_a = 0;
    std::int32_t item_count_b = 0;
    std::int32_t item_count_c = 0;
    std::int32_t item_count_d = 0;
    std::int32_t num_events = 0;
    std::int32_t weather_type = 0;
    std::array<std::uint8_t, 4> subgoals_win{};
    std::array<std::uint8_t, 4> subgoals_lose{};
    FixedText<16> clouds_file{};
    FixedText<16> sky_file{};
    std::int32_t header_number_a = 0;
    std::int32_t header_number_b = 0;
    std::array<std::uint8_t, 5> header_levels{};
    FixedText<3> header_code{};
    std::array<std::int32_t, 2> wind{};
    FixedText<24> header_text24{};
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
    v.field("terrain_color",    116, h.terrain_color,     kWrittenNotRead);
    v.field("attrib",           120, h.attrib);
    v.field("visible_if",       124, h.visible_if);
    v.field("notvisible_if",    128, h.notvisible_if);
    v.field("arty",             132, h.arty);
    v.field("water_level",      136, h.water_level);
    v.field("fog_level",        140, h.fog_level);
    v.field("fog_color",        144, h.fog_color);
    v.field("default_equipment",148, h.default_equipment, {.order = kEquipmentOrder});
    v.field("item_count_a",     152, h.item_count_a,      kBinaryOnly);
    v.field("item_count_b",     156, h.item_count_b,      kBinaryOnly);
    v.field("item_count_c",     160, h.item_count_c,      kBinaryOnly);
    v.field("item_count_d",     164, h.item_count_d,      kBinaryOnly);
    v.sumLine("num_items", h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d);
    v.field("num_events",       168, h.num_events);
    v.field("weather_type",     172, h.weather_type);
    v.field("subgoals_win",     176, h.subgoals_win);
    v.field("subgoals_lose",    180, h.subgoals_lose);
    v.field("clouds_file",      184, h.clouds_file,       kBinaryOnly);
    v.field("sky_file",         200, h.sky_file,          kBinaryOnly);
    v.field("header_number_a",  216, h.header_number_a,   kBinaryOnly);
    v.field("header_number_b",  220, h.header_number_b,   kBinaryOnly);
    v.field("header_levels",    224, h.header_levels,     kBinaryOnly);
    v.field("header_code",      229, h.header_code,       kBinaryOnly);
    v.field("wind",             232, h.wind);
    v.field("header_text24",    240, h.header_text24,     kBinaryOnly);
    v.field("briefing",         264, h.briefing,          kBinaryOnly);  // the briefing block
}
// clang-format on

static_assert(recordSize<MissionHeader>() == 520);

/// The values that the DF2 ascii form does not carry and that a mission made from one (or
/// converted from another version) gets: the sky files, the two numbers and the five levels.
void setFileDefaults(MissionHeader& h);

}  // namespace vok::df2
