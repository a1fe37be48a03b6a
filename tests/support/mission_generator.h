#pragma once
// Random missions for round-trip tests, fuzz seeds and benchmarks: every stored field random (text
// any bytes), the counts keeping the model's invariants (item counts, record counts, events' counts).

#include <cstdint>
#include <random>

#include "mission/core/fields.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"

namespace vok::testing {

struct GeneratorOptions {
    std::size_t maxItems = 300;
    std::size_t maxEvents = 40;
    std::size_t maxPerEvent = 6;  ///< triggers and actions per event
};

/// Fills every stored field of a record with random values.
class Randomiser : public StoredFieldsOnly {
public:
    explicit Randomiser(std::mt19937& rng) : rng_(rng) {}

    template <class T>
    void field(std::string_view, std::size_t, T& value, const Ascii& = {}) {
        fill(value);
    }
    template <class R>
    void record(R& r) {
        describe(*this, r);
    }

    void fill(std::uint8_t& v) { v = static_cast<std::uint8_t>(rng_()); }
    void fill(std::int16_t& v) { v = static_cast<std::int16_t>(rng_()); }
    void fill(std::int32_t& v) {  // mostly small numbers, sometimes the extremes
        const auto kind = rng_() % 4;
        v = kind == 0   ? static_cast<std::int32_t>(rng_())
            : kind == 1 ? 0
                        : static_cast<std::int32_t>(rng_() % 20001) - 10000;
    }
    template <class T, std::size_t N>
    void fill(std::array<T, N>& values) {
        for (T& v : values) fill(v);
    }
    template <std::size_t N>
    void fill(FixedText<N>& text) {
        text.bytes.fill('\0');
        const std::size_t length = rng_() % 3 == 0 ? 0 : rng_() % (N + 1);
        for (std::size_t i = 0; i < length; ++i) text.bytes[i] = static_cast<char>(rng_());
    }

private:
    std::mt19937& rng_;
};

template <class M>
M generateMission(std::uint32_t seed, const GeneratorOptions& options = {}) {
    std::mt19937 rng(seed);
    Randomiser random(rng);
    M m;
    random.record(m.header);
    m.header.signature = M::HeaderType::fileSignature;  // the binary writers take no other
    m.items.resize(options.maxItems == 0 ? 0 : rng() % (options.maxItems + 1));
    for (auto& item : m.items) {
        random.record(item);
        item.type_id = rng() % 8 == 0 ? static_cast<std::int32_t>(rng()) : static_cast<std::int32_t>(rng() % 8000);
    }
    recountItems(m.header, m.items);
    for (auto& waypoint : m.waypoints) random.record(waypoint);
    random.fill(m.mission_text);
    m.events.resize(options.maxEvents == 0 ? 0 : rng() % (options.maxEvents + 1));
    for (auto& event : m.events) {
        random.record(event);
        event.num_triggers = static_cast<std::uint8_t>(rng() % (options.maxPerEvent + 1));
        event.num_actions = static_cast<std::uint8_t>(rng() % (options.maxPerEvent + 1));
        for (int i = 0; i < event.num_triggers; ++i) random.record(m.triggers.emplace_back());
        for (int i = 0; i < event.num_actions; ++i) random.record(m.actions.emplace_back());
    }
    m.header.num_events = m.num_event_records = static_cast<std::int32_t>(m.events.size());
    m.num_trigger_records = static_cast<std::int32_t>(m.triggers.size());
    m.num_action_records = static_cast<std::int32_t>(m.actions.size());
    return m;
}

}  // namespace vok::testing
