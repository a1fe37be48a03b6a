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
// characters end the reading with an Error carrying the line number, and so does a file that holds
// no mission at all (neither a general_information block nor an item). Lines end at CR LF, CR or
// LF. Asked to, it notes what it passed over: lines outside any block, unknown blocks and
// keywords, keyword lines short of values, words that are not numbers. What the ascii writers
// write and the reader does not take (area trigger and group blocks, waypoint descriptions and
// colours, event names, num_items) is passed over silently.

#include <cmath>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mission/core/error.h"
#include "mission/core/int16_range.h"
#include "mission/core/item_counts.h"
#include "mission/core/mis_fields.h"
#include "mission/core/text.h"
#include "mission/core/version.h"

namespace vok {

template <class Header>
concept HasBriefing = requires(Header h) {
    h.briefing;
};

/// Reads lines and splits them into words, counting lines for fault messages.
class MisLineSource {
public:
    MisLineSource(std::string_view text, std::string_view path, std::vector<PassedOver>* passedOver = nullptr)
        : cursor_(text), context_{path, 0, passedOver} {}

    /// Takes the next line; false at the end of the file.
    bool next();
    /// The line as it stands.
    std::string_view line() const { return line_; }
    std::size_t wordCount() const { return words_.size(); }
    std::string_view word(std::size_t n) const { return words_.word(n); }
    const WordSplitter& words() const { return words_; }
    const LineContext& context() const { return context_; }

    [[noreturn]] void fault(Fault fault, std::string detail) const { lineFault(context_, fault, std::move(detail)); }

    /// Whether what the reader passes over is noted at all.
    bool noting() const { return context_.passedOver != nullptr; }
    void passOver(std::string what) const { notePassedOver(context_, std::move(what)); }

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
    std::string_view line_;
};

/// What a block's keywords are measured against when noting what the reader passed over.
struct BlockKeywords {
    std::string_view block;                     ///< "item", for messages
    std::span<const std::string_view> written;  ///< written by the ascii writers, not read
};

template <class Format>
class MisReader {
public:
    using Mission = typename Format::Mission;
    using Header = typename Mission::HeaderType;
    using Item = typename Mission::ItemType;

    MisReader(std::string_view text, std::string_view path, std::vector<PassedOver>* passedOver)
        : in_(text, path, passedOver) {}

    Mission read() {
        while (in_.next()) {
            if (in_.wordCount() < 2 || !keywordIs(in_.word(1), "begin")) {
                if (in_.noting()) outsideBlocks();
                continue;
            }
            const std::string_view block = in_.word(2);
            if (keywordIs(block, "general_information")) {
                generalInformation();
            } else if (keywordIs(block, "briefing")) {
                if constexpr (HasBriefing<Header>) {
                    briefing();
                } else {
                    const std::string version(versionName(Format::version));
                    passOverBlock("a briefing block (" + version + " has none)", "endbriefing");
                }
            } else if (keywordIs(block, "waypoint") || keywordIs(block, "event") || keywordIs(block, "item")) {
                if (in_.wordCount() < 3) {
                    const std::string what = "\"begin " + std::string(block) + "\" without its number";
                    passOverBlock(what + ", with its block", "end");
                } else if (keywordIs(block, "waypoint")) {
                    waypoint();
                } else if (keywordIs(block, "event")) {
                    event();
                } else {
                    item();
                }
            } else if (keywordIs(block, "areatrig") || keywordIs(block, "group")) {
                passOverBlock({}, "end");  // written by the ascii writers from what the items name
            } else {
                const std::string name(block.substr(0, 40));
                passOverBlock("unknown block \"" + name + "\" and its lines", "end");
            }
        }
        if (!generalInformationRead_ && mission_.items.empty()) {
            in_.fault(Fault::NoMission, "neither a general_information block nor an item");
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
    // ---- What the reader passes over (only looked at when it is noted).

    /// A "begin" line whose block is not read: its lines pass through the top level, where they
    /// are not noted one by one up to the line whose first word is `closing` (and, for "end", whose
    /// second word names the block). Its "begin" lines of known blocks are read as ever.
    void passOverBlock(std::string what, std::string_view closing) {
        if (!in_.noting()) return;
        if (!what.empty()) in_.passOver(std::move(what));
        skippedBlock_.clear();
        for (char c : in_.word(2).substr(0, 40)) skippedBlock_.push_back(lowerAscii(c));
        skippedClosing_ = closing;
        skipping_ = true;
    }

    void outsideBlocks() {
        const std::string_view first = in_.word(1);
        if (skipping_) {
            if (keywordIs(first, skippedClosing_) &&
                (skippedClosing_ != "end" || keywordIs(in_.word(2), skippedBlock_))) {
                skipping_ = false;
            }
            return;
        }
        if (first.empty() || first.starts_with("//")) return;  // empty lines and comments
        std::string_view line = in_.line();
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        std::string what = "a line outside any block: \"" + std::string(line.substr(0, 60));
        what += line.size() > 60 ? "...\"" : "\"";
        in_.passOver(std::move(what));
    }

    /// A line of a block that `applyFieldLine` did not take: an unknown keyword, or too few values.
    template <class R>
    void notTaken(const BlockKeywords& keywords) {
        if (!in_.noting() || in_.isClosing(keywords.block)) return;
        const std::string_view word = in_.word(1);
        const KeywordTable& table = keywordTableOf<R>();
        const KeywordRow* row = table.find(word);
        if (row != nullptr) {
            const auto needed = static_cast<std::size_t>(row->wordsNeeded - 1);
            in_.passOver(std::string(row->keyword) + " needs " + std::to_string(needed) +
                         (needed == 1 ? " value" : " values") + ", the line holds " +
                         std::to_string(in_.wordCount() - 1));
            return;
        }
        if (table.writtenNotRead(word)) return;
        for (std::string_view written : keywords.written) {
            if (keywordIs(word, written)) return;
        }
        in_.passOver("unknown keyword \"" + std::string(word.substr(0, 40)) + "\" in the " +
                     std::string(keywords.block) + " block");
    }

    template <class R>
    void fieldLine(R& record, const BlockKeywords& keywords) {
        if (!applyFieldLine(record, in_.words(), in_.context())) notTaken<R>(keywords);
    }

    // ---- The blocks.

    void generalInformation() {
        static constexpr std::string_view kWritten[] = {"num_items"};
        skipping_ = false;
        in_.readBlock("general_information", [this] { fieldLine(mission_.header, {"general_information", kWritten}); });
        Format::afterGeneralInformation(mission_.header);
        generalInformationRead_ = true;
    }

    void briefing() {
        // Only word 1 is tested here, so short lines are harmless; the end of the file is not.
        skipping_ = false;
        std::string text;
        for (;;) {
            if (!in_.next()) in_.fault(Fault::EndOfFile, "\"endbriefing\" is missing");
            if (keywordIs(in_.word(1), "endbriefing")) break;
            if (in_.wordCount() >= 2 && keywordIs(in_.word(1), "brief")) {
                if (text.size() < kBriefingLimit) text += in_.word(2);
            } else if (in_.noting() && !in_.word(1).empty()) {
                const std::string_view word = in_.word(1);
                in_.passOver(keywordIs(word, "brief")
                                 ? std::string("brief needs 1 value, the line holds 0")
                                 : "unknown keyword \"" + std::string(word.substr(0, 40)) + "\" in the briefing block");
            }
        }
        mission_.header.briefing.set(text);
    }

    void waypoint() {
        // The ascii form numbers waypoints from 0; a block outside 0..127 is skipped with its lines.
        static constexpr std::string_view kWritten[] = {"description", "color"};
        const double number = std::nearbyint(MisValue(in_.word(3)) + 1);
        if (!fitsInt16(number)) {
            in_.fault(Fault::OutOfRange, "waypoint " + std::string(in_.word(3)) + " is outside -32769..32766");
        }
        if (number < 1 || number > static_cast<double>(mission_.waypoints.size())) {
            passOverBlock("waypoint " + std::string(in_.word(3).substr(0, 40)) + " is outside 0 to " +
                              std::to_string(mission_.waypoints.size() - 1) + ", with its block",
                          "end");
            return;
        }
        if (in_.noting() && !isWholeNumber(in_.word(3))) {
            in_.passOver("waypoint \"" + std::string(in_.word(3).substr(0, 40)) + "\" is not a number, read as " +
                         std::to_string(static_cast<int>(number) - 1));
        }
        skipping_ = false;
        auto& record = mission_.waypoints[static_cast<std::size_t>(number) - 1];
        in_.readBlock("waypoint", [&] { fieldLine(record, {"waypoint", kWritten}); });
    }

    void event() {
        static constexpr std::string_view kWritten[] = {"name"};
        skipping_ = false;
        auto& record = mission_.events.emplace_back();
        std::size_t triggers = 0;
        std::size_t actions = 0;
        in_.readBlock("event", [&] {
            if (in_.wordCount() >= 3 && keywordIs(in_.word(1), "begin")) {
                if (keywordIs(in_.word(2), "triggers")) {
                    record.num_triggers = valueList(mission_.triggers, "triggers", triggers);
                } else if (keywordIs(in_.word(2), "actions")) {
                    record.num_actions = valueList(mission_.actions, "actions", actions);
                } else if (in_.noting()) {
                    in_.passOver("unknown list \"" + std::string(in_.word(2).substr(0, 40)) + "\" in the event block");
                }
                return;
            }
            fieldLine(record, {"event", kWritten});
        });
    }

    /// A trigger or action list: every line of enough words up to "end <name>" appends a record.
    /// The event's count is the number of lines taken, whatever its "begin" line announced.
    template <class Records>
    std::uint8_t valueList(Records& records, std::string_view name, std::size_t& taken) {
        using Record = typename Records::value_type;
        in_.readBlock(name, [&] {
            if (in_.wordCount() < bareValueCount<Record>()) {
                if (in_.noting() && !in_.isClosing(name)) {
                    in_.passOver("a line of " + std::to_string(in_.wordCount()) + " values in the " +
                                 std::string(name) + " (" + std::to_string(bareValueCount<Record>()) + " needed)");
                }
                return;
            }
            if (taken == 255) in_.fault(Fault::OutOfRange, "an event holds more than 255 " + std::string(name));
            readBareValues(records.emplace_back(), in_.words(), in_.context());
            ++taken;
        });
        return static_cast<std::uint8_t>(taken);
    }

    void item() {
        skipping_ = false;
        auto& record = mission_.items.emplace_back();
        record.item_number = static_cast<std::int32_t>(mission_.items.size());
        in_.readBlock("item", [&] { fieldLine(record, {"item", {}}); });
        // Counted once, by its final type_id (an item without one counts as type 0).
        ++tally_[static_cast<std::size_t>(itemCountSlot(record.type_id))];
    }

    static constexpr std::size_t kBriefingLimit = 4096;  // far more than the 256 bytes kept

    MisLineSource in_;
    Mission mission_{};
    ItemTally tally_{};
    bool generalInformationRead_ = false;
    // A block passed over whose lines are not noted one by one (only while noting).
    bool skipping_ = false;
    std::string skippedBlock_;
    std::string_view skippedClosing_;
};

/// Reads an ascii mission; with `passedOver` given, notes there what it read past.
template <class Format>
typename Format::Mission readMissionAscii(std::string_view text, std::string_view path,
                                          std::vector<PassedOver>* passedOver = nullptr) {
    return MisReader<Format>(text, path, passedOver).read();
}

}  // namespace vok
