#pragma once
// Records that every game version shares: the waypoint, event, trigger and action records, the
// 2688-byte mission text, the fields common to all item records, and the mission container. The
// DF1 and DF2 item record is here too; the Land Warrior one adds to the common fields.

#include <array>
#include <concepts>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "mission/core/fields.h"
#include "mission/core/fixed_text.h"

namespace vok {

/// R is T or const T.
template <class R, class T>
concept RecordOf = std::same_as<std::remove_const_t<R>, T>;

/// R is T or derived from it, const or not.
template <class R, class T>
concept RecordWith = std::derived_from<std::remove_const_t<R>, T>;

// ---------------------------------------------------------------------------------------------
// Waypoint (136 bytes). Waypoints are numbered 1 to 128; the ascii form numbers them from 0.
struct WaypointRecord {
    std::uint8_t attrib = 0;
    FixedText<135> waypoint_text{};
    bool operator==(const WaypointRecord&) const = default;
};

// clang-format off
template <class V, RecordOf<WaypointRecord> R>
constexpr void describe(V& v, R& r) {
    v.field("attrib",          0, r.attrib);
    v.field("waypoint_text",   1, r.waypoint_text, kBinaryOnly);
}
// clang-format on

inline constexpr int kWaypointCount = 128;
inline constexpr std::size_t kMissionTextWidth = 2688;

// ---------------------------------------------------------------------------------------------
// Event (24 bytes). Its triggers and actions follow those of the events before it.
struct EventRecord {
    std::int32_t attrib = 0;
    FixedText<10> event_text{};
    std::int16_t reset_value = 0;
    std::int16_t event_word = 0;
    std::int16_t delay_value = 0;
    std::uint8_t event_byte = 0;
    std::uint8_t num_triggers = 0;
    std::uint8_t num_actions = 0;
    std::uint8_t event_flag = 0;
    bool operator==(const EventRecord&) const = default;
};

// clang-format off
template <class V, RecordOf<EventRecord> R>
constexpr void describe(V& v, R& r) {
    v.field("attrib",          0, r.attrib);
    v.field("event_text",      4, r.event_text,   kBinaryOnly);
    v.field("reset_value",    14, r.reset_value,  {.scale = kBy50Truncated});
    v.field("event_word",     16, r.event_word,   kBinaryOnly);
    v.field("delay_value",    18, r.delay_value,  {.scale = kBy50Truncated});
    v.field("event_byte",     20, r.event_byte,   kBinaryOnly);
    v.field("num_triggers",   21, r.num_triggers, kBinaryOnly);  // the count on "begin triggers"
    v.field("num_actions",    22, r.num_actions,  kBinaryOnly);  // the count on "begin actions"
    v.field("event_flag",     23, r.event_flag,   kBinaryOnly);
}
// clang-format on

// ---------------------------------------------------------------------------------------------
// Trigger and action (32 bytes each): eight 32-bit values. An ascii trigger line lists them in
// order; an action line in the order 1, 2, 4, 5, 6, 7, 3, 8.
struct TriggerRecord {
    std::array<std::int32_t, 8> value{};
    bool operator==(const TriggerRecord&) const = default;
};

struct ActionRecord {
    std::array<std::int32_t, 8> value{};
    bool operator==(const ActionRecord&) const = default;
};

inline constexpr std::array<std::uint8_t, 8> kActionValueOrder{0, 1, 3, 4, 5, 6, 2, 7};

// clang-format off
template <class V, RecordOf<TriggerRecord> R>
constexpr void describe(V& v, R& r) {
    v.field("value",           0, r.value);
}
// clang-format on

// clang-format off
template <class V, RecordOf<ActionRecord> R>
constexpr void describe(V& v, R& r) {
    v.field("value",           0, r.value, {.order = kActionValueOrder});
}
// clang-format on

// ---------------------------------------------------------------------------------------------
// The first 92 bytes of every item record, the same in all versions.
struct ItemCommon {
    std::int32_t type_id = 0;
    std::int32_t name_index = 0;
    std::int32_t item_number = 0;
    std::int32_t bmsi_attributes = 0;
    std::array<std::int32_t, 3> position{};
    std::int32_t wpdistance = 0;
    std::int32_t waccuracy = 0;
    std::int32_t perception = 0;
    std::int32_t perfectionist = 0;
    std::array<std::int32_t, 2> edistances{};
    std::array<std::int16_t, 2> facing{};
    std::int16_t fov = 0;
    std::int16_t movetimer = 0;
    std::int16_t crouchtimer = 0;
    std::int16_t shoottimer = 0;
    std::int16_t attention = 0;
    std::uint8_t alert_state = 0;
    std::uint8_t team = 0;
    std::uint8_t nomorethan = 0;
    std::uint8_t nolessthan = 0;
    std::uint8_t weapon_type = 0;
    std::uint8_t sweapon_type = 0;
    std::uint8_t group_id = 0;     ///< 1 to 64 names a group
    std::uint8_t waypoint_id = 0;  ///< 1 to 128 names a waypoint
    std::uint8_t wpnumber = 0;     ///< for type 6013, 1 to 64 names an area trigger
    std::uint8_t obliqueness = 0;
    std::int32_t map_symbol = 0;
    std::int32_t group_rel = 0;
    std::int32_t advancetimer = 0;
    std::int32_t ttoolindex = 0;
    bool operator==(const ItemCommon&) const = default;
};

// clang-format off
template <class V, RecordWith<ItemCommon> R>
constexpr void describeItemCommon(V& v, R& r) {
    v.field("type_id",          0, r.type_id);
    v.field("name_index",       4, r.name_index);
    v.field("item_number",      8, r.item_number,   kBinaryOnly);
    v.field("bmsi_attributes", 12, r.bmsi_attributes);
    v.field("position",        16, r.position,      {.scale = kBy256});
    v.field("wpdistance",      28, r.wpdistance);
    v.field("waccuracy",       32, r.waccuracy,     {.scale = kBy100, .unscaledAlias = "waccuracy2"});
    v.field("perception",      36, r.perception,    {.scale = kBy100, .unscaledAlias = "perception2"});
    v.field("perfectionist",   40, r.perfectionist, {.scale = kBy100, .unscaledAlias = "perfectionist2"});
    v.field("edistances",      44, r.edistances);
    v.field("facing",          52, r.facing);
    v.field("fov",             56, r.fov);
    v.field("movetimer",       58, r.movetimer);
    v.field("crouchtimer",     60, r.crouchtimer);
    v.field("shoottimer",      62, r.shoottimer);
    v.field("attention",       64, r.attention);
    v.field("alert_state",     66, r.alert_state);
    v.field("team",            67, r.team);
    v.field("nomorethan",      68, r.nomorethan);
    v.field("nolessthan",      69, r.nolessthan);
    v.field("weapon_type",     70, r.weapon_type);
    v.field("sweapon_type",    71, r.sweapon_type);
    v.field("group_id",        72, r.group_id);
    v.field("waypoint_id",     73, r.waypoint_id);
    v.field("wpnumber",        74, r.wpnumber);
    v.field("obliqueness",     75, r.obliqueness);
    v.field("map_symbol",      76, r.map_symbol);
    v.field("group_rel",       80, r.group_rel);
    v.field("advancetimer",    84, r.advancetimer);
    v.field("ttoolindex",      88, r.ttoolindex);
}
// clang-format on

/// Item record of Delta Force 1 and Delta Force 2 (96 bytes).
struct ItemRecord : ItemCommon {
    std::int32_t item_tail = 0;
    bool operator==(const ItemRecord&) const = default;
};

// clang-format off
template <class V, RecordOf<ItemRecord> R>
constexpr void describe(V& v, R& r) {
    describeItemCommon(v, r);
    v.field("item_tail",       92, r.item_tail,     kBinaryOnly);
}
// clang-format on

// ---------------------------------------------------------------------------------------------
/// One mission: header, items, the 128 waypoints, the mission text, the three record counts and
/// the events, triggers and actions, in file order.
template <class Header, class Item>
struct Mission {
    using HeaderType = Header;
    using ItemType = Item;

    Header header{};
    std::vector<Item> items;
    std::array<WaypointRecord, kWaypointCount> waypoints{};
    FixedText<kMissionTextWidth> mission_text{};
    std::int32_t num_event_records = 0;
    std::int32_t num_trigger_records = 0;
    std::int32_t num_action_records = 0;
    std::vector<EventRecord> events;
    std::vector<TriggerRecord> triggers;
    std::vector<ActionRecord> actions;

    bool operator==(const Mission&) const = default;
};

static_assert(recordSize<WaypointRecord>() == 136);
static_assert(recordSize<EventRecord>() == 24);
static_assert(recordSize<TriggerRecord>() == 32);
static_assert(recordSize<ActionRecord>() == 32);
static_assert(recordSize<ItemRecord>() == 96);

}  // namespace vok
