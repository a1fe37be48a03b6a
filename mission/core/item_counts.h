#pragma once
// The four item counts of a mission header. Each item is counted in exactly one of them by its
// type_id: a 2000-2999 and 4000-4999, b below 2000 and 3000-3999, c 6000 and above, d 5000-5999.

#include <array>
#include <cstdint>
#include <string_view>

namespace vok {

/// Items of this type name an area trigger (1 to 64) in their wpnumber.
inline constexpr std::int32_t kAreaTriggerType = 6013;

/// The category of an item type by its thousand-block, as `vok info` and the page count them:
/// "Decorations" (0 to 999 and the 1000s) .. "Effects" (7000s); "Other" for the rest.
constexpr std::string_view itemCategoryName(std::int32_t typeId) {
    constexpr std::string_view kNames[] = {"Other",   "Decorations", "Vehicles", "Buildings",
                                           "Objects", "People",      "Markers",  "Effects"};
    const std::int32_t block = typeId / 1000;
    return typeId >= 0 && block <= 7 ? kNames[block] : kNames[0];
}

/// 0 for item_count_a, 1 for b, 2 for c, 3 for d.
constexpr int itemCountSlot(std::int64_t typeId) {
    if ((typeId >= 2000 && typeId <= 2999) || (typeId >= 4000 && typeId <= 4999)) return 0;
    if (typeId < 2000 || (typeId >= 3000 && typeId <= 3999)) return 1;
    if (typeId >= 6000) return 2;
    return 3;
}

/// The sum of the four counts, without overflow.
template <class Header>
constexpr std::int64_t itemCountSum(const Header& h) {
    return std::int64_t{h.item_count_a} + h.item_count_b + h.item_count_c + h.item_count_d;
}

/// Tally of items by count slot.
using ItemTally = std::array<std::int32_t, 4>;

template <class Header>
void setItemCounts(Header& h, const ItemTally& tally) {
    h.item_count_a = tally[0];
    h.item_count_b = tally[1];
    h.item_count_c = tally[2];
    h.item_count_d = tally[3];
}

/// Sets the four counts from the items' type_ids.
template <class Header, class Items>
void recountItems(Header& h, const Items& items) {
    ItemTally tally{};
    for (const auto& item : items) ++tally[itemCountSlot(item.type_id)];
    setItemCounts(h, tally);
}

}  // namespace vok
