#include "conversion/ascii_losses.h"

#include <map>

#include "mission/core/binary_io.h"
#include "mission/core/mis_fields.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"

namespace vok {

namespace {

template <class M>
struct FormatFor;
template <>
struct FormatFor<Df1Mission> {
    using type = df1::Format;
};
template <>
struct FormatFor<Df2Mission> {
    using type = df2::Format;
};
template <>
struct FormatFor<Df3Mission> {
    using type = df3::Format;
};

template <class T>
constexpr bool isText = false;
template <std::size_t N>
constexpr bool isText<FixedText<N>> = true;

/// A text with its line ends made visible, for a one-line message.
std::string visible(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

/// One stored field of a record: its name, how the ascii form treats it, its bytes and its value
/// as shown to the user.
struct FieldValue {
    std::string_view name;
    Ascii ascii;
    std::string bytes;
    std::string shown;
    bool text = false;
};

struct FieldCollector : StoredFieldsOnly {
    std::vector<FieldValue> fields;
    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& ascii = {}) {
        FieldValue f{name, ascii, {}, {}, isText<T>};
        BinaryOut out(f.bytes);
        out.put(value);
        mis::appendValue(f.shown, value, Ascii{});
        if constexpr (isText<T>) f.shown = "\"" + visible(f.shown) + "\"";
        fields.push_back(std::move(f));
    }
};

template <class R>
std::vector<FieldValue> fieldsOf(const R& record) {
    FieldCollector collector;
    describe(collector, record);
    return std::move(collector.fields);
}

/// Why a text or number does not come back, when the cause is one of the known ones.
std::string causeOf(const FieldValue& f) {
    if (f.text) {
        // The value with its NULs, as the field holds it.
        const std::string& raw = f.bytes;
        const std::size_t end = raw.find_last_not_of('\0');
        const std::string_view held = end == std::string::npos ? std::string_view() : std::string_view(raw).substr(0, end + 1);
        if (held.find_first_of("\r\n") != std::string_view::npos) return "it holds a line end";
        if (f.ascii.mode == Ascii::Mode::ReadWrite && f.ascii.quoted && held.find('"') != std::string_view::npos) {
            return "it holds a double quote";
        }
        if (f.ascii.mode == Ascii::Mode::ReadWrite && !f.ascii.quoted && held.find(' ') != std::string_view::npos) {
            return "it holds a blank and only its first word is read back";
        }
        if (f.ascii.mode == Ascii::Mode::ReadWrite && held.find('\0') != std::string_view::npos) {
            return "it holds NUL characters inside the text";
        }
    }
    if (f.ascii.mode == Ascii::Mode::WriteOnly) return "the ascii form writes it but does not read it back";
    if (f.ascii.mode == Ascii::Mode::None) return "the ascii form has no line for it";
    if (f.ascii.scale.truncate) return "it is not a multiple of " + std::to_string(f.ascii.scale.factor);
    return {};
}

void compareHeader(const std::vector<FieldValue>& before, const std::vector<FieldValue>& after,
                   std::vector<ReportLine>& lines) {
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const FieldValue& f = before[i];
        if (f.bytes == after[i].bytes) continue;
        std::string text(f.name);
        text += " " + f.shown + " comes back as " + after[i].shown;
        const std::string cause = causeOf(f);
        if (!cause.empty()) text += " (" + cause + ")";
        lines.push_back({ReportLine::Kind::Lost, std::move(text)});
    }
}

template <class R>
void compareRecords(const std::vector<R>& before, const std::vector<R>& after, std::string_view one,
                    std::string_view many, std::vector<ReportLine>& lines) {
    if (before.size() != after.size()) {
        lines.push_back({ReportLine::Kind::Lost, "the ascii form gives " + std::to_string(after.size()) + " " +
                                                     std::string(many) + " instead of " + std::to_string(before.size())});
        return;
    }
    // Field name -> records that differ in it, in field order.
    std::vector<std::pair<FieldValue, std::size_t>> differing;
    for (std::size_t r = 0; r < before.size(); ++r) {
        if (before[r] == after[r]) continue;
        const auto a = fieldsOf(before[r]);
        const auto b = fieldsOf(after[r]);
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].bytes == b[i].bytes) continue;
            auto it = std::find_if(differing.begin(), differing.end(),
                                   [&](const auto& d) { return d.first.name == a[i].name; });
            if (it == differing.end()) {
                differing.push_back({a[i], 1});
            } else {
                ++it->second;
            }
        }
    }
    for (const auto& [field, count] : differing) {
        std::string text = std::string(field.name) + " of " + std::to_string(count) + " " +
                           std::string(count == 1 ? one : many);
        std::string cause = field.name == "item_number" ? "the ascii form numbers items from 1" : causeOf(field);
        if (!cause.empty()) text += " (" + cause + ")";
        lines.push_back({ReportLine::Kind::Lost, std::move(text)});
    }
}

template <class M>
std::vector<ReportLine> lossesOf(const M& m) {
    using Format = typename FormatFor<M>::type;
    std::vector<ReportLine> lines;
    std::string text;
    try {
        text = writeMissionAscii<Format>(m, Timestamp{}, "");
    } catch (const Error&) {
        return lines;  // a model the writer refuses: the save itself reports it
    }
    M back;
    try {
        back = readMissionAscii<Format>(text, "");
    } catch (const Error& error) {
        lines.push_back({ReportLine::Kind::Lost, "the ascii file would not read back (" + error.describe() + " at line " +
                                                     std::to_string(error.line()) + ")"});
        for (const FieldValue& f : fieldsOf(m.header)) {
            const std::string cause = causeOf(f);
            if (f.text && cause == "it holds a line end") lines.push_back({ReportLine::Kind::Lost, std::string(f.name) + " " + f.shown + " holds a line end"});
        }
        return lines;
    }
    compareHeader(fieldsOf(m.header), fieldsOf(back.header), lines);
    compareRecords(m.items, back.items, "item", "items", lines);
    compareRecords(std::vector(m.waypoints.begin(), m.waypoints.end()),
                   std::vector(back.waypoints.begin(), back.waypoints.end()), "waypoint", "waypoints", lines);
    if (m.mission_text != back.mission_text) {
        lines.push_back({ReportLine::Kind::Lost, "mission_text holds " + std::to_string(m.mission_text.text().size()) +
                                                     " characters (the ascii form has no place for it)"});
    }
    compareRecords(m.events, back.events, "event", "events", lines);
    compareRecords(m.triggers, back.triggers, "trigger", "triggers", lines);
    compareRecords(m.actions, back.actions, "action", "actions", lines);
    return lines;
}

}  // namespace

std::vector<ReportLine> asciiSaveLosses(const AnyMission& mission) {
    return std::visit([](const auto& m) { return lossesOf(m); }, mission);
}

}  // namespace vok
