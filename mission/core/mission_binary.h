#pragma once
// The binary mission file: header, items, 128 waypoints, the mission text, three counts, then the
// events, triggers and actions. The same section order serves every version; the header and
// item types differ.
//
// The reader validates each count before it allocates: a negative count, counts whose sum
// overflows, or counts that need more bytes than the file holds are rejected at once. Bytes after
// the last section are ignored. The writer refuses a model that breaks its invariants (counts that
// do not describe its records, num_events or the events' trigger and action counts out of step, a
// signature other than its version's), before anything is written.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "mission/core/binary_io.h"
#include "mission/core/error.h"
#include "mission/core/item_counts.h"

namespace vok {

// The record types of a mission's sections.
template <class M>
using WaypointOf = typename decltype(std::declval<M&>().waypoints)::value_type;
template <class M>
using EventOf = typename decltype(std::declval<M&>().events)::value_type;
template <class M>
using TriggerOf = typename decltype(std::declval<M&>().triggers)::value_type;
template <class M>
using ActionOf = typename decltype(std::declval<M&>().actions)::value_type;

/// Bytes of a binary mission file with the given numbers of records.
template <class M>
constexpr std::size_t missionSizeOf(std::size_t items, std::size_t events, std::size_t triggers, std::size_t actions) {
    constexpr std::size_t waypoints = std::tuple_size_v<decltype(std::declval<M&>().waypoints)>;
    constexpr std::size_t missionText = std::remove_cvref_t<decltype(std::declval<M&>().mission_text)>::width;
    return recordSize<typename M::HeaderType>() + items * recordSize<typename M::ItemType>() +
           waypoints * recordSize<WaypointOf<M>>() + missionText + 3 * 4 + events * recordSize<EventOf<M>>() +
           triggers * recordSize<TriggerOf<M>>() + actions * recordSize<ActionOf<M>>();
}

namespace detail {
template <class Record, class Vector>
void readRecords(BinaryIn& in, Vector& records, std::int64_t count, std::string_view what) {
    // The count has been checked against the bytes that remain, so this cannot over-allocate.
    in.need(static_cast<std::size_t>(count) * recordSize<Record>(), what);
    // Each record is decoded into a local, where the compiler sees every field overwritten and
    // drops the zeroing of a fresh record, then appended.
    records.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) records.push_back(decodedRecord<Record>(in));
}

[[noreturn]] inline void corruptCount(BinaryIn& in, std::string_view what, std::int64_t value) {
    in.fail(Fault::CorruptCounts, std::string(what) + " is " + std::to_string(value));
}

inline void checkCountFits(BinaryIn& in, std::int64_t count, std::size_t recordBytes, std::string_view what) {
    if (count < 0) corruptCount(in, what, count);
    if (static_cast<std::uint64_t>(count) > in.remaining() / recordBytes) {
        in.fail(Fault::TooShort, std::string(what) + " of " + std::to_string(count) + " needs " +
                                     std::to_string(static_cast<std::uint64_t>(count) * recordBytes) +
                                     " bytes, the file holds " + std::to_string(in.remaining()) + " more");
    }
}
}  // namespace detail

template <class M>
M readMissionBinary(std::string_view bytes, std::string_view path) {
    using Item = typename M::ItemType;
    M mission;
    BinaryIn in(bytes, path);
    readRecord(in, mission.header);

    const auto& h = mission.header;
    for (std::int32_t count : {h.item_count_a, h.item_count_b, h.item_count_c, h.item_count_d}) {
        if (count < 0) detail::corruptCount(in, "an item count", count);
    }
    const std::int64_t items = itemCountSum(h);
    if (items > std::numeric_limits<std::int32_t>::max()) detail::corruptCount(in, "the sum of the item counts", items);
    detail::checkCountFits(in, items, recordSize<Item>(), "an item count");
    detail::readRecords<Item>(in, mission.items, items, "the items");

    for (auto& waypoint : mission.waypoints) readRecord(in, waypoint);
    in.get(mission.mission_text);
    in.get(mission.num_event_records);
    in.get(mission.num_trigger_records);
    in.get(mission.num_action_records);

    using Event = EventOf<M>;
    using Trigger = TriggerOf<M>;
    using Action = ActionOf<M>;
    detail::checkCountFits(in, mission.num_event_records, recordSize<Event>(), "the event count");
    detail::readRecords<Event>(in, mission.events, mission.num_event_records, "the events");
    detail::checkCountFits(in, mission.num_trigger_records, recordSize<Trigger>(), "the trigger count");
    detail::readRecords<Trigger>(in, mission.triggers, mission.num_trigger_records, "the triggers");
    detail::checkCountFits(in, mission.num_action_records, recordSize<Action>(), "the action count");
    detail::readRecords<Action>(in, mission.actions, mission.num_action_records, "the actions");
    return mission;
}

/// Where the events' counts disagree with the records: num_events against the event records, and
/// the events' trigger and action counts against the trigger and action records. One sentence
/// each; empty when they agree.
template <class M>
std::vector<std::string> eventCountBreaches(const M& m) {
    std::vector<std::string> breaches;
    if (m.header.num_events != m.num_event_records) {
        breaches.push_back("num_events is " + std::to_string(m.header.num_events) + " but the mission holds " +
                           std::to_string(m.num_event_records) +
                           (m.num_event_records == 1 ? " event record" : " event records"));
    }
    std::int64_t triggers = 0;
    std::int64_t actions = 0;
    for (const auto& event : m.events) {
        triggers += event.num_triggers;
        actions += event.num_actions;
    }
    if (triggers != m.num_trigger_records) {
        breaches.push_back("the events name " + std::to_string(triggers) + " triggers but the mission holds " +
                           std::to_string(m.num_trigger_records));
    }
    if (actions != m.num_action_records) {
        breaches.push_back("the events name " + std::to_string(actions) + " actions but the mission holds " +
                           std::to_string(m.num_action_records));
    }
    return breaches;
}

/// Checks the model's invariants, which every writer relies on: the item counts add up to the
/// items held, num_events and the three record counts match the records held, and the events'
/// trigger and action counts add up to the trigger and action records.
template <class M>
void checkBinaryInvariants(const M& m, std::string_view path) {
    auto refuse = [path](std::string detail) {
        throw Error(Fault::InvalidModel, std::string(path), std::move(detail));
    };
    const auto& h = m.header;
    if (h.item_count_a < 0 || h.item_count_b < 0 || h.item_count_c < 0 || h.item_count_d < 0) {
        refuse("an item count is negative");
    }
    if (itemCountSum(h) != static_cast<std::int64_t>(m.items.size())) {
        refuse("the item counts add up to " + std::to_string(itemCountSum(h)) + " but the mission holds " +
               std::to_string(m.items.size()) + " items");
    }
    auto checkCount = [&](std::int32_t count, std::size_t held, const char* what) {
        if (count < 0 || static_cast<std::size_t>(count) != held) {
            refuse(std::string("the ") + what + " count is " + std::to_string(count) + " but the mission holds " +
                   std::to_string(held));
        }
    };
    checkCount(m.num_event_records, m.events.size(), "event");
    checkCount(m.num_trigger_records, m.triggers.size(), "trigger");
    checkCount(m.num_action_records, m.actions.size(), "action");
    for (std::string& breach : eventCountBreaches(m)) refuse(std::move(breach));
}

/// Writes the binary file of a mission. A model without its version's signature (one read from an
/// ascii file without a general_information block) is refused rather than written with another.
template <class M>
std::string writeMissionBinary(const M& m, std::string_view path) {
    constexpr std::int32_t signature = M::HeaderType::fileSignature;
    if (m.header.signature != signature) {
        throw Error(
            Fault::NoSignature, std::string(path),
            "signature " + std::to_string(m.header.signature) + " where the version's files have " +
                std::to_string(signature) +
                (m.header.signature == 0 ? "; an ascii file without a general_information block gives none" : ""));
    }
    checkBinaryInvariants(m, path);
    // The file's size is known, so it is made once and every section encoded in place.
    std::string bytes(missionSizeOf<M>(m.items.size(), m.events.size(), m.triggers.size(), m.actions.size()), '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    p = encodeRecord(p, m.header);
    for (const auto& item : m.items) p = encodeRecord(p, item);
    for (const auto& waypoint : m.waypoints) p = encodeRecord(p, waypoint);
    p = RecordEncoder::encode(p, m.mission_text);
    p = RecordEncoder::encode(p, m.num_event_records);
    p = RecordEncoder::encode(p, m.num_trigger_records);
    p = RecordEncoder::encode(p, m.num_action_records);
    for (const auto& event : m.events) p = encodeRecord(p, event);
    for (const auto& trigger : m.triggers) p = encodeRecord(p, trigger);
    for (const auto& action : m.actions) p = encodeRecord(p, action);
    return bytes;
}

}  // namespace vok
