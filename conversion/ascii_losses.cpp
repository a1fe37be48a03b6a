#include "conversion/ascii_losses.h"

#include <algorithm>
#include <cstdio>

#include "mission/core/binary_io.h"
#include "mission/core/mis_fields.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"

namespace vok {

namespace {

template <class T>
constexpr bool isText = false;
template <std::size_t N>
constexpr bool isText<FixedText<N>> = true;

/// The briefing is stored in the header but written as a block of its own, in double quotes.
constexpr std::string_view kBriefing = "briefing";

/// Longest text shown in a message; the briefing alone may hold 256 characters.
constexpr std::size_t kShownLength = 40;

/// The bytes of a text field up to its last character that is not NUL.
template <std::size_t N>
std::string_view heldText(const FixedText<N>& text) {
    const std::string_view raw = text.raw();
    const std::size_t end = raw.find_last_not_of('\0');
    return end == std::string_view::npos ? std::string_view() : raw.substr(0, end + 1);
}

/// A text for a one-line message, in double quotes: line ends, NULs and other control characters
/// made visible, a long text cut.
std::string shownText(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == kShownLength) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == 0) {
            out += "\\0";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out += "\"";
    return out;
}

bool holdsLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

/// One stored field of a record: its name, how the ascii form treats it, its bytes (to compare),
/// the text a text field holds, and its value as shown to the user.
struct FieldValue {
    std::string_view name;
    Ascii ascii;
    std::string bytes;
    std::string held;
    std::string shown;
    bool text = false;
    bool empty = true;  ///< all bytes 0
};

struct FieldCollector : StoredFieldsOnly {
    std::vector<FieldValue> fields;
    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& ascii = {}) {
        FieldValue f{name, ascii, {}, {}, {}, isText<T>, true};
        BinaryOut out(f.bytes);
        out.put(value);
        f.empty = std::all_of(f.bytes.begin(), f.bytes.end(), [](char c) { return c == '\0'; });
        if constexpr (isText<T>) {
            f.held = std::string(heldText(value));
            f.shown = shownText(f.held);
        } else {
            mis::appendValue(f.shown, value, Ascii{});
        }
        fields.push_back(std::move(f));
    }
};

template <class R>
std::vector<FieldValue> fieldsOf(const R& record) {
    FieldCollector collector;
    describe(collector, record);
    return std::move(collector.fields);
}

/// Empties every header text that the ascii form writes and that holds a line end: such a text
/// breaks its line, and what follows the break is read as a line of its own. Each is a loss.
struct LineEndRemover : StoredFieldsOnly {
    std::vector<AsciiLoss>& losses;
    std::vector<std::string_view>& names;
    template <class T>
    void field(std::string_view name, std::size_t, T& value, const Ascii& ascii = {}) {
        if constexpr (isText<T>) {
            const bool written = ascii.mode != Ascii::Mode::None || name == kBriefing;
            if (!written || !holdsLineEnd(heldText(value))) return;
            losses.push_back({"header",
                              std::string(name),
                              {},
                              std::string(name) + " " + shownText(heldText(value)) +
                                  " (a text holding a line end: the ascii file breaks the line there, and the rest "
                                  "is read as a line of its own)"});
            names.push_back(name);
            value.set("");
        }
    }
};

/// Why a header text written to the ascii form does not come back as it is, when the cause is
/// one of the known ones.
std::string textCause(const FieldValue& f, bool quoted) {
    const std::string_view held = f.held;
    if (held.find('\0') != std::string_view::npos) {
        return "it holds NUL characters inside the text, which the ascii form drops";
    }
    if (held.find('"') != std::string_view::npos) {
        return quoted ? "a quoted text holding a double quote: the ascii form cannot hold one inside its quotes"
                      : "a text holding a double quote, which the reader drops";
    }
    if (!quoted && held.find(' ') != std::string_view::npos) {
        return "an unquoted text holding a blank: only its first word is read back";
    }
    return {};
}

std::string headerLossText(const FieldValue& before, const FieldValue& after) {
    std::string text = std::string(before.name) + " " + before.shown + " (";
    const bool briefing = before.name == kBriefing;
    if (before.ascii.mode == Ascii::Mode::None && !briefing) {
        text += "the ascii form has no line for it";
        if (!after.empty) text += "; it comes back as " + after.shown;
    } else if (before.ascii.mode == Ascii::Mode::WriteOnly) {
        text += "the ascii form writes it, but its reader does not take it back";
        if (!after.empty) text += "; it comes back as " + after.shown;
    } else {
        const std::string cause = before.text ? textCause(before, briefing || before.ascii.quoted) : std::string();
        if (!cause.empty()) text += cause + "; ";
        text += after.empty ? std::string("it comes back empty") : "it comes back as " + after.shown;
    }
    return text + ")";
}

void compareHeader(const std::vector<FieldValue>& before, const std::vector<FieldValue>& after,
                   const std::vector<std::string_view>& reported, std::vector<AsciiLoss>& losses) {
    std::string countsBefore, countsAfter;
    bool countsDiffer = false;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const FieldValue& f = before[i];
        if (f.name.starts_with("item_count_")) {
            // The ascii form has one num_items line; its reader counts the items by their types.
            countsBefore += (countsBefore.empty() ? "" : " ") + f.shown;
            countsAfter += (countsAfter.empty() ? "" : " ") + after[i].shown;
            countsDiffer = countsDiffer || f.bytes != after[i].bytes;
            continue;
        }
        if (f.bytes == after[i].bytes) continue;
        if (std::find(reported.begin(), reported.end(), f.name) != reported.end()) continue;
        losses.push_back({"header", std::string(f.name), {}, headerLossText(f, after[i])});
    }
    if (countsDiffer) {
        losses.push_back({"header",
                          "item_counts",
                          {},
                          "the item counts of the header, " + countsBefore + ", come back as " + countsAfter +
                              " (the ascii form counts the items by their types)"});
    }
}

std::string recordCause(const FieldValue& f) {
    if (f.name == "item_number") return "the ascii form numbers the items itself, from 1";
    if (f.ascii.mode == Ascii::Mode::None) return "the ascii form has no line for it";
    if (f.ascii.mode == Ascii::Mode::WriteOnly) return "the ascii form writes it, but its reader does not take it back";
    if (f.ascii.scale.truncate) {
        const std::string factor = std::to_string(f.ascii.scale.factor);
        return "not a multiple of " + factor + ": the ascii form writes it divided by " + factor +
               " and drops the remainder";
    }
    return "it comes back changed";
}

template <class R>
void compareRecords(const std::vector<R>& before, const std::vector<R>& after, std::string_view record,
                    std::string_view many, bool itemNumbersCount, std::vector<AsciiLoss>& losses) {
    if (before.size() != after.size()) {
        losses.push_back({std::string(record),
                          {},
                          {},
                          "the ascii form gives " + std::to_string(after.size()) + " " + std::string(many) +
                              " instead of " + std::to_string(before.size())});
        return;
    }
    // One entry per field that differs, in field order of first appearance, with its records.
    std::vector<std::pair<FieldValue, std::vector<std::int64_t>>> differing;
    for (std::size_t r = 0; r < before.size(); ++r) {
        if (before[r] == after[r]) continue;
        const auto a = fieldsOf(before[r]);
        const auto b = fieldsOf(after[r]);
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].bytes == b[i].bytes) continue;
            if (itemNumbersCount && a[i].name == "item_number") continue;
            auto it = std::find_if(differing.begin(), differing.end(),
                                   [&](const auto& d) { return d.first.name == a[i].name; });
            if (it == differing.end()) {
                differing.push_back({a[i], {static_cast<std::int64_t>(r + 1)}});
            } else {
                it->second.push_back(static_cast<std::int64_t>(r + 1));
            }
        }
    }
    for (auto& [field, numbers] : differing) {
        const std::size_t count = numbers.size();
        std::string text = std::string(field.name) + " of " + std::to_string(count) + " " +
                           (count == 1 ? std::string(record) : std::string(many)) + " (" + recordCause(field) + ")";
        losses.push_back({std::string(record), std::string(field.name), std::move(numbers), std::move(text)});
    }
}

/// True when the items are numbered 0, 1, 2 ... or 1, 2, 3 ... in order: such numbers only count
/// the items, and the ascii reader numbers them again.
template <class Items>
bool numberedInOrder(const Items& items) {
    auto from = [&items](std::int64_t first) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].item_number != first + static_cast<std::int64_t>(i)) return false;
        }
        return true;
    };
    return from(0) || from(1);
}

template <class M>
AsciiLossAnalysis analyse(const M& m, std::optional<std::string_view> savedText) {
    using Format = FormatOfT<M>;
    AsciiLossAnalysis result;
    try {
        checkAsciiInvariants(m, "");
    } catch (const Error& error) {
        result.refused = error.detail().empty() ? error.describe() : error.detail();
        return result;
    }

    M written = m;
    std::vector<std::string_view> lineEnds;
    LineEndRemover remover{{}, result.losses, lineEnds};
    describe(remover, written.header);

    M back;
    try {
        // The saved file serves when no header text had to lose a line end first.
        back = savedText && lineEnds.empty()
                   ? readMissionAscii<Format>(*savedText, "")
                   : readMissionAscii<Format>(writeMissionAscii<Format>(written, Timestamp{}, ""), "");
    } catch (const Error& error) {
        result.losses.push_back({"mission",
                                 {},
                                 {},
                                 "the ascii file would not read back (" + error.describe() + " at line " +
                                     std::to_string(error.line()) + ")"});
        return result;
    }
    compareHeader(fieldsOf(m.header), fieldsOf(back.header), lineEnds, result.losses);
    if (m.mission_text != back.mission_text) {
        result.losses.push_back({"mission",
                                 "mission_text",
                                 {},
                                 "mission_text holds " + std::to_string(m.mission_text.text().size()) +
                                     " characters (the ascii form has no place for it)"});
    }
    compareRecords(m.items, back.items, "item", "items", numberedInOrder(m.items), result.losses);
    compareRecords(std::vector(m.waypoints.begin(), m.waypoints.end()),
                   std::vector(back.waypoints.begin(), back.waypoints.end()), "waypoint", "waypoints", false,
                   result.losses);
    compareRecords(m.events, back.events, "event", "events", false, result.losses);
    compareRecords(m.triggers, back.triggers, "trigger", "triggers", false, result.losses);
    compareRecords(m.actions, back.actions, "action", "actions", false, result.losses);
    return result;
}

}  // namespace

AsciiLossAnalysis analyseAsciiSave(const AnyMission& mission, std::optional<std::string_view> savedText) {
    return std::visit([savedText](const auto& m) { return analyse(m, savedText); }, mission);
}

std::vector<ReportLine> asciiSaveLosses(const AnyMission& mission, std::optional<std::string_view> savedText) {
    std::vector<ReportLine> lines;
    for (AsciiLoss& loss : analyseAsciiSave(mission, savedText).losses) {
        lines.push_back({ReportLine::Kind::Lost, std::move(loss.message)});
    }
    return lines;
}

}  // namespace vok
