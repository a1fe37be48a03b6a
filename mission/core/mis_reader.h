#pragma once
// The ascii mission reader shared by the three versions. A version supplies a Format:
//
//     struct Format {
//         using Mission = ...;                          // Mission<Header, Item>
//         static constexpr std::string_view readerName; // "OpenDF2MIS", for messages
//         static void afterGeneralInformation(Header&); // what the ascii form does not carry
//     };
//
// and its records' descriptions supply the keywords. A header with a `briefing` field makes the
// reader take "begin briefing" blocks; without one they are skipped like any unknown block.
//
// The reader is tolerant in what it ignores (comments, unknown blocks and keywords, short keyword
// lines) and strict about structure: a line of fewer than two words inside a block, a number that
// does not fit its field, the end of the file inside a block and a line longer than 32767
// characters end the reading with an Error carrying the line number. Lines end at CR LF, CR or LF.

#include <cmath>
#include <string>
#include <string_view>

#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "mission/core/mis_fields.h"
#include "mission/core/text.h"

namespace vok {

template <class Header>
concept HasBriefing = requires(Header h) { h.briefing; };

/// Reads lines and splits them into words, counting lines for fault messages.
class MisLineSource {
public:
    MisLineSource(std::string_view text, std::string_view path) : cursor_(text), context_{path, 0} {}

    /// Takes the next line; false at the end of the file.
    bool next();
    std::size_t wordCount() const { return words_.size(); }
    std::string_view word(std::size_t n) const { return words_.word(n); }
    const WordSplitter& words() const { return words_; }
    const LineContext& context() const { return context_; }

    [[noreturn]] void fault(Fault fault, std::string detail) const { lineFault(context_, fault, std::move(detail)); }

    /// True for the line "end <name>" (any letter case).
    bool isClosing(std::string_view name) const { return keywordIs(word(1), "end") && keywordIs(word(2), name); }

    /// Reads the lines of a block up to and including its closing line "end <name>", handing
    /// each to `onLine` before the closing test. A line of fewer than two words is a fault, and so
    /// is the end of the file.
    template <class OnLine>
    void readBlock(std::string_view name, OnLine&& onLine) {
        for (;;) {
            if (!next()) fault(Fault::EndOfFile, "\"end " + std::string(name) + "\" is missing");
            if (wordCount() < 2) fault(Fault::MissingWord, "a line inside the " + std::string(name) + " block");
            onLine();
            if (isClosing(name)) return;
        }
    }

private:
    LineCursor cursor_;
    LineContext context_;
    WordSplitter words_;
};

template <class Format>
class MisReader {
public:
    using Mission = typename Format::Mission;
    using Header = typename Mission::HeaderType;
    using Item = typename Mission::ItemType;

    MisReader(std::string_view text, std::string_view path) : in_(text, path) {}

    Mission read() {
        while (in_.next()) {
            if (in_.wordCount() < 2 || !keywordIs(in_.word(1), "begin")) continue;
            const std::string_view block = in_.word(2);
            if (keywordIs(block, "general_information")) {
                generalInformation();
            } else if (keywordIs(block, "briefing")) {
                if constexpr (HasBriefing<Header>) briefing();
            } else if (in_.wordCount() < 3) {
                continue;
            } else if (keywordIs(block, "waypoint")) {
                waypoint();
            } else if (keywordIs(block, "event")) {
                event();
            } else if (keywordIs(block, "item")) {
                item();
            }
        }
        auto& h = mission_.header;
        setItemCounts(h, tally_);
        h.num_events = static_cast<std::int32_t>(mission_.events.size());
        mission_.num_event_records = static_cast<std::int32_t>(mission_.events.size());
        mission_.num_trigger_records = static_cast<std::int32_t>(mission_.triggers.size());
        mission_.num_action_records = static_cast<std::int32_t>(mission_.actions.size());
        return std::move(mission_);
    }

private:
    void generalInformation() {
        in_.readBlock("general_information", [this] { applyFieldLine(mission_.header, in_.words(), in_.context()); });
        Format::afterGeneralInformation(mission_.header);
    }

    void briefing() {
        // Only word 1 is tested here, so short lines are harmless; the end of the file is not.
        std::string text;
        for (;;) {
            if (!in_.next()) in_.fault(Fault::EndOfFile, "\"endbriefing\" is missing");
            if (keywordIs(in_.word(1), "endbriefing")) break;
            if (in_.wordCount() >= 2 && keywordIs(in_.word(1), "brief") && text.size() < kBriefingLimit) {
                text += in_.word(2);
            }
        }
        mission_.header.briefing.set(text);
    }

    void waypoint() {
        // The ascii form numbers waypoints from 0; a block outside 0..127 is skipped with its lines.
        const double number = std::nearbyint(MisValue(in_.word(3)) + 1);
        if (!(number >= -32768 && number <= 32767)) {
            in_.fault(Fault::OutOfRange, "waypoint " + std::string(in_.word(3)) + " is outside -32769..32766");
        }
        if (number < 1 || number > static_cast<double>(mission_.waypoints.size())) return;
        auto& record = mission_.waypoints[static_cast<std::size_t>(number) - 1];
        in_.readBlock("waypoint", [&] { applyFieldLine(record, in_.words(), in_.context()); });
    }

    void event() {
        auto& record = mission_.events.emplace_back();
        std::size_t triggers = 0;
        std::size_t actions = 0;
        in_.readBlock("event", [&] {
            if (in_.wordCount() >= 3 && keywordIs(in_.word(1), "begin")) {
                if (keywordIs(in_.word(2), "triggers")) {
                    record.num_triggers = valueList(mission_.triggers, "triggers", triggers);
                } else if (keywordIs(in_.word(2), "actions")) {
                    record.num_actions = valueList(mission_.actions, "actions", actions);
                }
                return;
            }
            applyFieldLine(record, in_.words(), in_.context());
        });
    }

    /// A trigger or action list: every line of enough words up to "end <name>" appends a record.
    /// The event's count is the number of lines taken, whatever its "begin" line announced.
    template <class Records>
    std::uint8_t valueList(Records& records, std::string_view name, std::size_t& taken) {
        using Record = typename Records::value_type;
        in_.readBlock(name, [&] {
            if (in_.wordCount() < bareValueCount<Record>()) return;
            if (taken == 255) in_.fault(Fault::OutOfRange, "an event holds more than 255 " + std::string(name));
            readBareValues(records.emplace_back(), in_.words(), in_.context());
            ++taken;
        });
        return static_cast<std::uint8_t>(taken);
    }

    void item() {
        auto& record = mission_.items.emplace_back();
        record.item_number = static_cast<std::int32_t>(mission_.items.size());
        in_.readBlock("item", [&] { applyFieldLine(record, in_.words(), in_.context()); });
        // Counted once, by its final type_id (an item without one counts as type 0).
        ++tally_[static_cast<std::size_t>(itemCountSlot(record.type_id))];
    }

    static constexpr std::size_t kBriefingLimit = 4096;  // far more than the 256 bytes kept

    MisLineSource in_;
    Mission mission_{};
    ItemTally tally_{};
};

template <class Format>
typename Format::Mission readMissionAscii(std::string_view text, std::string_view path) {
    return MisReader<Format>(text, path).read();
}

}  // namespace vok
