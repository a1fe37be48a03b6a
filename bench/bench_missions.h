#pragma once
// Generated missions for the benchmarks and the end-to-end timing. Every field is random as in the
// round-trip tests, but text fields hold letters only: a random byte may be a quote, a blank or a
// line end, and the ascii form of such a mission would not read back.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "mission/core/fields.h"
#include "tests/support/mission_generator.h"

namespace vok::bench {

/// Turns every byte of every text field that is not NUL into a lower-case letter.
struct Printable : StoredFieldsOnly {
    template <class T>
    void field(std::string_view, std::size_t, T& value, const Ascii& = {}) {
        fix(value);
    }
    template <class T>
    void fix(T&) {}
    template <std::size_t N>
    void fix(FixedText<N>& text) {
        for (char& c : text.bytes) {
            if (c != '\0') c = static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
        }
    }
    template <class R>
    void record(R& r) {
        describe(*this, r);
    }
};

/// The signature of the version, and for Land Warrior its environment file, so that the version
/// tests recognise the binary file.
inline void makeRecognisable(df1::MissionHeader& h) { h.signature = df1::MissionHeader::fileSignature; }
inline void makeRecognisable(df2::MissionHeader& h) {
    h.signature = df2::MissionHeader::fileSignature;
    h.header_levels.fill(128);  // where a Land Warrior header has its environment file
}
inline void makeRecognisable(df3::MissionHeader& h) {
    h.signature = df3::MissionHeader::fileSignature;
    h.environment_file.set(df3::kDefaultEnvironment);
}

template <class M>
void makePrintable(M& m) {
    makeRecognisable(m.header);
    Printable printable;
    printable.record(m.header);
    for (auto& item : m.items) printable.record(item);
    for (auto& waypoint : m.waypoints) printable.record(waypoint);
    printable.fix(m.mission_text);
    for (auto& event : m.events) printable.record(event);
}

/// A mission of at least `minItems` items and `minEvents` events (at most twice as many).
template <class M>
M largeMission(std::size_t minItems, std::size_t minEvents) {
    const testing::GeneratorOptions options{.maxItems = 2 * minItems, .maxEvents = 2 * minEvents, .maxPerEvent = 6};
    for (std::uint32_t seed = 1; seed < 10000; ++seed) {
        M m = testing::generateMission<M>(seed, options);
        if (m.items.size() >= minItems && m.events.size() >= minEvents) {
            makePrintable(m);
            return m;
        }
    }
    throw std::logic_error("no seed gives a mission that large");
}

/// A mission of exactly `items` items and up to `maxEvents` events.
template <class M>
M missionOfItems(std::size_t items, std::size_t maxEvents) {
    const testing::GeneratorOptions options{.maxItems = items, .maxEvents = maxEvents, .maxPerEvent = 6};
    for (std::uint32_t seed = 1; seed < 100000; ++seed) {
        M m = testing::generateMission<M>(seed, options);
        if (m.items.size() == items) {
            makePrintable(m);
            return m;
        }
    }
    throw std::logic_error("no seed gives that many items");
}

}  // namespace vok::bench
