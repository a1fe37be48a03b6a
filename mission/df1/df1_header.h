#pragma once
// Delta Force 1 mission header (268 bytes). The records after the header are those of DF2.

#include <array>
#include <cstdint>

#include "mission/core/fields.h"
#include "mission/core/records.h"
#include "mission/core/version.h"
#include "mission/df2/df2_header.h"

namespace vok::df1 {

struct MissionHeader {
    /// The signature a binary file of this version starts with.
    static constexpr std::int32_t fileSignature = versionInfo(DfType::Df1).signature;

    std::int32_t signature = 0;
    FixedText<40> name{};
    FixedText<40> designer{};
    FixedText<16> terrain{};
    FixedText<16> cnv_file{};
    std::int32_t terrain_color = 0;
    std::int32_t attrib = 0;
    std::array<std::uint8_t, 4> default_equipment{};
    std::int32_t visible_if = 0;
    std::int32_t notvisible_if = 0;
    std::int32_t arty = 0;
    FixedText<12> header_text12{};
    std::int32_t item_count_a = 0;
    std::int32_t item_count_b = 0;
    std::int32_t item_count_c = 0;
    std::int32_t item_count_d = 0;
    std::int32_t num_events = 0;
    std::int32_t weather_type = 0;
    std::array<std::uint8_t, 4> subgoals_win{};
    std::array<std::uint8_t, 4> subgoals_lose{};
    FixedText<52> header_text52{};
    std::array<std::int32_t, 2> wind{};
    FixedText<24> header_text24{};

    bool operator==(const MissionHeader&) const = default;
};

// clang-format off
template <class V, RecordOf<MissionHeader> R>
constexpr void describe(V& v, R& h) {
    v.field("signature",          0, h.signature,         kBinaryOnly);
    v.field("name",               4, h.name,              kQuoted);
    v.field("designer",          44, h.designer,          kQuoted);
    v.field("terrain",           84, h.terrain);
    v.field("cnv_file",         100, h.cnv_file,          kWrittenNotRead);
    v.field("terrain_color",    116, h.terrain_color,     kWrittenNotRead);
    v.field("attrib",           120, h.attrib);
    v.field("default_equipment",124, h.default_equipment, {.order = df2::kEquipmentOrder});
    v.field("visible_if",       128, h.visible_if);
    v.field("notvisible_if",    132, h.notvisible_if);
    v.field("arty",             136, h.arty);
    v.field("header_text12",    140, h.header_text12,     kBinaryOnly);
    v.field("item_count_a",     152, h.item_count_a,      kBinaryOnly);
    v.field("item_count_b",     156, h.item_count_b,      kBinaryOnly);
    v.field("item_count_c",     160, h.item_count_c,      kBinaryOnly);
    v.field("item_count_d",     164, h.item_count_d,      kBinaryOnly);
    v.sumLine("num_items", h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d);
    v.field("num_events",       168, h.num_events);
    v.field("weather_type",     172, h.weather_type);
    v.field("subgoals_win",     176, h.subgoals_win);
    v.field("subgoals_lose",    180, h.subgoals_lose);
    v.field("header_text52",    184, h.header_text52,     kBinaryOnly);
    v.field("wind",             236, h.wind);
    v.field("header_text24",    244, h.header_text24,     kBinaryOnly);
}
// clang-format on

static_assert(recordSize<MissionHeader>() == 268);

}  // namespace vok::df1
