#pragma once
// The ascii mission writer shared by the three versions. A version supplies a Format with
//
//     static constexpr std::string_view titleLine;  // the first comment line
//
// besides what the reader needs. Output lines end with CR LF. In order: the two comment lines,
// two empty lines, the general_information block (its lines in keyword order), the briefing
// block (versions with a briefing), then the area trigger, waypoint, group, event and item
// blocks, each after one empty line. Area triggers, waypoint blocks and groups are generated from
// what the items name.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "mission/core/mis_fields.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mission_binary.h"
#include "mission/core/timestamp.h"

namespace vok {

/// The ascii writer relies on the same invariants as the binary one.
template <class M>
void checkAsciiInvariants(const M& m, std::string_view path) {
    checkBinaryInvariants(m, path);
}

namespace mis {

/// What the items name: groups 1-64, waypoints 1-128, area triggers 1-64 (items of type 6013).
struct References {
    std::array<bool, 65> groups{};
    std::array<bool, 129> waypoints{};
    std::array<bool, 101> areaTriggers{};

    template <class Items>
    explicit References(const Items& items) {
        for (const auto& item : items) {
            if (item.group_id >= 1 && item.group_id <= 64) groups[item.group_id] = true;
            if (item.waypoint_id >= 1 && item.waypoint_id <= 128) waypoints[item.waypoint_id] = true;
            if (item.type_id == kAreaTriggerType && item.wpnumber >= 1 && item.wpnumber <= 64) {
                areaTriggers[item.wpnumber] = true;
            }
        }
    }
};

inline void line(std::string& out, std::string_view text) {
    out += text;
    out += "\r\n";
}

void writeBriefing(std::string& out, std::string_view briefing);
void writeAreaTriggers(std::string& out, const References& refs);
void writeGroups(std::string& out, const References& refs);

}  // namespace mis

namespace mis {

/// The waypoints that hold something or that an item names, numbered from 0, coloured in turn.
template <class Waypoints>
void writeWaypoints(std::string& out, const Waypoints& waypoints, const References& refs) {
    std::int64_t colour = 0;
    for (std::size_t w = 1; w <= waypoints.size(); ++w) {
        const auto& waypoint = waypoints[w - 1];
        if (waypoint.attrib == 0 && !refs.waypoints[w]) continue;
        line(out, "");
        out += "begin waypoint ";
        appendInteger(out, static_cast<std::int64_t>(w - 1));
        out += "\r\n  description \"Waypoint ";
        appendInteger(out, static_cast<std::int64_t>(w - 1));
        out += "\"\r\n  color ";
        appendInteger(out, ++colour % 16);
        out += "\r\n";
        writeFieldLines(out, waypoint);
        line(out, "end waypoint");
    }
}

/// "begin triggers N" (or actions) and the next `count` records' values, one record a line.
template <class Records>
void writeValueList(std::string& out, std::string_view name, const Records& records, std::size_t& next,
                    std::size_t count) {
    if (count == 0) return;
    out += "  begin ";
    out += name;
    out.push_back(' ');
    appendInteger(out, static_cast<std::int64_t>(count));
    out += "\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        out += "    ";
        appendBareValues(out, records[next++]);
        out += "\r\n";
    }
    out += "  end ";
    out += name;
    out += "\r\n";
}

/// Each event with its triggers and actions, which follow one another in the records' order.
template <class Mission>
void writeEvents(std::string& out, const Mission& m) {
    std::size_t nextTrigger = 0;
    std::size_t nextAction = 0;
    for (std::size_t e = 0; e < m.events.size(); ++e) {
        const auto& event = m.events[e];
        line(out, "");
        out += "begin event ";
        appendInteger(out, static_cast<std::int64_t>(e));
        out += "\r\n  name \"Event ";
        appendInteger(out, static_cast<std::int64_t>(e));
        out += "\"\r\n";
        writeFieldLines(out, event);
        writeValueList(out, "triggers", m.triggers, nextTrigger, event.num_triggers);
        writeValueList(out, "actions", m.actions, nextAction, event.num_actions);
        line(out, "end event");
    }
}

template <class Items>
void writeItems(std::string& out, const Items& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        line(out, "");
        out += "begin item ";
        appendInteger(out, static_cast<std::int64_t>(i));
        out += "\r\n";
        writeFieldLines(out, items[i]);
        line(out, "end item");
    }
}

}  // namespace mis

template <class Format>
std::string writeMissionAscii(const typename Format::Mission& m, const Timestamp& createdOn, std::string_view path) {
    checkAsciiInvariants(m, path);
    using mis::line;
    std::string out;
    // Room for items and records with most of their fields set, so the text is rarely moved.
    out.reserve(4096 + m.items.size() * 700 + m.events.size() * 200 + (m.triggers.size() + m.actions.size()) * 100);

    line(out, Format::titleLine);
    line(out, "// This File Was Created On " + createdOnText(createdOn));
    line(out, "");
    line(out, "");
    line(out, "begin general_information");
    writeFieldLinesSorted(out, m.header);
    line(out, "end general_information");
    if constexpr (HasBriefing<typename Format::Mission::HeaderType>) {
        mis::writeBriefing(out, m.header.briefing.text());
    }
    const mis::References refs(m.items);
    mis::writeAreaTriggers(out, refs);
    mis::writeWaypoints(out, m.waypoints, refs);
    mis::writeGroups(out, refs);
    mis::writeEvents(out, m);
    mis::writeItems(out, m.items);
    return out;
}

}  // namespace vok
