#pragma once
// Small missions and lists for the flow tests (the workflow session, the converter's windows).

#include <sstream>
#include <string>
#include <vector>

#include "lists/list_files.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"

namespace vok::testing {

/// An item list written as "600 Crate, 1040 Barrel".
inline std::string itemList(const std::string& entries) {
    std::vector<ItemListEntry> list;
    std::istringstream in(entries);
    for (std::string id, text; in >> id && std::getline(in, text, ',');) {
        list.push_back({static_cast<std::int16_t>(std::stoi(id)), text.substr(1)});
    }
    return encodeItemList(list);
}

/// Six small lists in `folder`. DF2 holds types at both edges of every thousand-block; DF3's
/// vehicles sort differently by case.
inline void writeTestLists(const std::filesystem::path& folder) {
    std::string edges;
    for (int edge = 1000; edge <= 8000; edge += 1000) {
        edges += std::to_string(edge - 1) + " Last, " + std::to_string(edge) + " First, ";
    }
    const std::string files[] = {
        itemList("600 Crate, 1040 Barrel, 1100 Buoy, 2031 Jeep, 3001 Hut, 5001 Soldier"),
        itemList(edges + "1200 Palm, 2005 Truck, 3001 Hut, 5001 Soldier"),
        itemList("2001 Truck, 2010 humvee, 7 Rock, 540 sandbag, 1001 Tree, 1300 Cactus, 2050 APC, 2051 bike, "
                 "3001 Hut, 5001 Soldier, 8001 Flag"),
        encodeReplaceList({{2, 1040, 2005}}),
        encodeReplaceList({{1, 1200, 1040}}),
        encodeReplaceList({{1, 1300, 1040}}),
    };
    for (int which = 1; which <= kListCount; ++which) {
        writeFileAtomically(folder / listFileName(which), files[which - 1]);
    }
}

/// A mission of the given item types, with the version's signature, so its version is recognised.
template <class M>
M missionWithTypes(const std::vector<int>& types) {
    M mission;
    mission.header.signature = M::HeaderType::fileSignature;
    if constexpr (std::is_same_v<M, Df3Mission>) mission.header.environment_file.set("day1.env");
    mission.header.terrain.set("harbour");
    for (const int type : types) {
        auto& item = mission.items.emplace_back();
        item.type_id = type;
        item.item_number = static_cast<std::int32_t>(mission.items.size());  // as the ascii form numbers them
    }
    recountItems(mission.header, mission.items);
    return mission;
}

inline std::vector<int> typesOf(const AnyMission& mission) {
    std::vector<int> types;
    std::visit(
        [&types](const auto& m) {
            for (const auto& item : m.items) types.push_back(item.type_id);
        },
        mission);
    return types;
}

}  // namespace vok::testing
