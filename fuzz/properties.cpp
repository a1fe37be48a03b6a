#include "fuzz/properties.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "lists/list_files.h"
#include "mission/core/binary_io.h"
#include "mission/core/error.h"
#include "mission/core/mis_fields.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/core/number_format.h"
#include "mission/core/text.h"
#include "mission/core/version_detect.h"
#include "mission/mission_file.h"

namespace vok::fuzz {

namespace {

constexpr std::string_view kPath = "fuzz-input";
const Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

void require(bool holds, const std::string& what) {
    if (!holds) throw PropertyViolation(what);
}

std::string hex(std::string_view bytes, std::size_t limit = 48) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    if (bytes.size() > limit) text += "...";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Naming the first difference between two models, field by field.

struct FieldDump : StoredFieldsOnly {
    std::vector<std::pair<std::string_view, std::string>> fields;
    template <class T>
    void field(std::string_view name, std::size_t, const T& value, const Ascii& = {}) {
        std::string bytes;
        BinaryOut out(bytes);
        out.put(value);
        fields.emplace_back(name, std::move(bytes));
    }
};

template <class R>
std::string recordDifference(const R& a, const R& b) {
    FieldDump da;
    FieldDump db;
    describe(da, a);
    describe(db, b);
    for (std::size_t i = 0; i < da.fields.size(); ++i) {
        if (da.fields[i].second != db.fields[i].second) {
            return std::string(da.fields[i].first) + " " + hex(da.fields[i].second) + " became " +
                   hex(db.fields[i].second);
        }
    }
    return "(no field differs)";
}

template <class Records>
std::string recordsDifference(std::string_view what, const Records& a, const Records& b) {
    if (a.size() != b.size()) {
        return std::string(what) + ": " + std::to_string(a.size()) + " became " + std::to_string(b.size());
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(a[i] == b[i]))
            return std::string(what) + " " + std::to_string(i + 1) + ": " + recordDifference(a[i], b[i]);
    }
    return {};
}

template <class M>
std::string missionDifference(const M& a, const M& b) {
    if (!(a.header == b.header)) return "header: " + recordDifference(a.header, b.header);
    for (const std::string& difference :
         {recordsDifference("items", a.items, b.items), recordsDifference("waypoints", a.waypoints, b.waypoints),
          recordsDifference("events", a.events, b.events), recordsDifference("triggers", a.triggers, b.triggers),
          recordsDifference("actions", a.actions, b.actions)}) {
        if (!difference.empty()) return difference;
    }
    if (!(a.mission_text == b.mission_text)) return "mission_text";
    return "the record counts";
}

// ---------------------------------------------------------------------------------------------
// Missions.

/// The invariants a binary file need not keep: num_events and the events' trigger and action
/// counts against the records.
template <class M>
bool breaksNoInvariant(const M& m) {
    std::int64_t triggers = 0;
    std::int64_t actions = 0;
    for (const auto& event : m.events) {
        triggers += event.num_triggers;
        actions += event.num_actions;
    }
    return m.header.num_events == m.num_event_records && triggers == m.num_trigger_records &&
           actions == m.num_action_records;
}

template <class Format>
void binaryMission(std::string_view bytes) {
    using M = typename Format::Mission;
    M mission;
    try {
        mission = readMissionBinary<M>(bytes, kPath);
    } catch (const Error& error) {
        require(error.fault() == Fault::TooShort || error.fault() == Fault::CorruptCounts,
                std::string("a binary mission is refused with an unexpected fault: ") + error.what());
        return;
    }
    // The reader takes a file whose num_events or event trigger and action counts disagree with
    // its records (vok check reports them), or whose signature is another version's; the writers
    // refuse such a model, naming the fault.
    std::string written;
    try {
        written = writeMissionBinary(mission, kPath);
    } catch (const Error& error) {
        const bool foreignSignature = mission.header.signature != M::HeaderType::fileSignature;
        require(foreignSignature ? error.fault() == Fault::NoSignature
                                 : error.fault() == Fault::InvalidModel && !breaksNoInvariant(mission),
                std::string("the binary writer refuses what the binary reader read: ") + error.what());
        return;
    }
    const std::size_t sections =
        missionSizeOf<M>(mission.items.size(), mission.events.size(), mission.triggers.size(), mission.actions.size());
    require(sections <= bytes.size(), "the reader took more sections than the file holds");
    require(written.size() == sections, "the writer wrote " + std::to_string(written.size()) +
                                            " bytes, the sections hold " + std::to_string(sections));
    if (written != bytes.substr(0, sections)) {
        std::size_t at = 0;
        while (written[at] == bytes[at]) ++at;
        throw PropertyViolation("binary read then write differs at offset " + std::to_string(at));
    }

    // The ascii writer accepts the model or refuses it as invalid (the binary form does not tie
    // num_events or the events' trigger and action counts to the records); what it writes is read
    // or refused with an Error, since text fields may hold quotes and line ends.
    std::string text;
    try {
        text = writeMissionAscii<Format>(mission, kCreatedOn, kPath);
    } catch (const Error& error) {
        require(error.fault() == Fault::InvalidModel, std::string("the ascii writer fails: ") + error.what());
        return;
    }
    try {
        (void)readMissionAscii<Format>(text, kPath);
    } catch (const Error&) {
    }
}

std::size_t lineCount(std::string_view text) {
    LineCursor lines(text);
    std::string_view line;
    while (lines.next(line)) {
    }
    return static_cast<std::size_t>(lines.lineNumber());
}

/// A text the ascii form carries, as it comes back: the writer leaves every NUL out (a word read
/// with NUL bytes in it loses them), and writes a text without quotes as it is, so that a text
/// read from a quoted word with blanks in it comes back as its first word.
struct AsciiTexts : StoredFieldsOnly {
    template <class T>
    void field(std::string_view name, std::size_t, T& value, const Ascii& ascii = {}) {
        if constexpr (requires { value.text(); }) {
            if (name == "briefing" || (ascii.mode == Ascii::Mode::ReadWrite && ascii.quoted)) {
                value.set(value.text());
            } else if (ascii.mode == Ascii::Mode::ReadWrite) {
                value.set(MisLineToken(std::string(name) + " " + value.text(), 2));
            }
        }
    }
};

/// What the ascii form carries of a model read from it. A file without a general_information
/// block leaves the fields the reader sets after that block (the signature among them) zero, and
/// the writer always writes the block. reset_value and delay_value are written as whole numbers
/// of 50ths, so a stored value that is not a multiple of 50 comes back rounded toward zero. NUL
/// bytes inside a text are dropped, and blanks split a text written without quotes.
template <class Format, class M>
M carried(M mission) {
    if (mission.header.signature == 0) Format::afterGeneralInformation(mission.header);
    AsciiTexts texts;
    describe(texts, mission.header);
    for (auto& item : mission.items) describe(texts, item);
    for (auto& event : mission.events) {
        event.reset_value = static_cast<std::int16_t>(event.reset_value / 50 * 50);
        event.delay_value = static_cast<std::int16_t>(event.delay_value / 50 * 50);
    }
    return mission;
}

template <class Format>
void asciiMission(std::string_view text) {
    using M = typename Format::Mission;
    M first;
    try {
        first = readMissionAscii<Format>(text, kPath);
    } catch (const Error& error) {
        // A text without a general_information block and without items holds no mission; the
        // fault names its last line, or none in an empty text.
        const auto line = static_cast<std::size_t>(error.line());
        const bool noMission = error.fault() == Fault::NoMission && line == lineCount(text);
        require(noMission || (error.line() >= 1 && static_cast<std::size_t>(error.line()) <= lineCount(text)),
                std::string("a refused ascii mission names no line of the file: ") + error.what());
        return;
    }
    std::string written;
    M second;
    try {
        written = writeMissionAscii<Format>(first, kCreatedOn, kPath);
        second = readMissionAscii<Format>(written, kPath);
    } catch (const Error& error) {
        throw PropertyViolation(std::string("the ascii form written from a model read from ascii fails: ") +
                                error.what());
    }
    const M expected = carried<Format>(first);
    require(second == expected, "ascii read, write, read changes the model: " + missionDifference(expected, second));
    // From then on nothing changes at all, the text included.
    const std::string again = writeMissionAscii<Format>(second, kCreatedOn, kPath);
    const M third = readMissionAscii<Format>(again, kPath);
    require(third == second, "a second ascii round trip changes the model: " + missionDifference(second, third));
    require(writeMissionAscii<Format>(third, kCreatedOn, kPath) == again,
            "a third ascii write differs from the second");
}

// ---------------------------------------------------------------------------------------------
// Lists.

void lists(std::string_view bytes) {
    try {
        const auto entries = parseItemList(bytes, kPath);
        std::size_t counted = 4;
        for (const auto& entry : entries) counted += 4 + entry.Description.size();
        require(counted <= bytes.size(), "the item list took more bytes than the file holds");
        const std::string saved = encodeItemList(entries);
        require(saved == bytes.substr(0, counted), "an item list of " + std::to_string(entries.size()) +
                                                       " entries saves to other bytes than it was read from");
        require(overlayListBytes(bytes, saved) == bytes, "saving an item list over its own file changes the file");
    } catch (const Error& error) {
        require(error.fault() == Fault::BadList,
                std::string("an item list is refused with an unexpected fault: ") + error.what());
    }
    try {
        const auto entries = parseReplaceList(bytes, kPath);
        const std::size_t counted = 4 + 6 * entries.size();
        require(counted <= bytes.size(), "the replacement list took more bytes than the file holds");
        const std::string saved = encodeReplaceList(entries);
        require(saved == bytes.substr(0, counted), "a replacement list saves to other bytes than it was read from");
        require(overlayListBytes(bytes, saved) == bytes,
                "saving a replacement list over its own file changes the file");
    } catch (const Error& error) {
        require(error.fault() == Fault::BadList,
                std::string("a replacement list is refused with an unexpected fault: ") + error.what());
    }
}

// ---------------------------------------------------------------------------------------------
// Version tests.

bool isAnswer(DfType v) {
    return v == DfType::NotRecognised || v == DfType::Df1 || v == DfType::Df2 || v == DfType::Df3;
}

void bmsVersion(std::string_view bytes) {
    const DfType version = BmsVersionOfBytes(bytes);
    require(isAnswer(version), "BmsVersionOfBytes answers " + std::to_string(versionNumber(version)));
    // Missing bytes count as 0, and bytes after 255 are not looked at.
    std::string head(bytes.substr(0, 256));
    head.resize(256, '\0');
    require(BmsVersionOfBytes(head) == version, "the answer changes when the file is cut or padded to 256 bytes");
    // Only byte 3 and bytes 224..255 are looked at.
    std::string other = head;
    for (std::size_t i = 0; i < 224; ++i) {
        if (i != 3) other[i] = static_cast<char>(other[i] ^ 0x5a);
    }
    require(BmsVersionOfBytes(other) == version, "the answer depends on bytes other than 3 and 224..255");
    const auto versionByte = static_cast<unsigned char>(head[3]);
    require(version == (versionByte == 13   ? DfType::Df1
                        : versionByte == 15 ? version
                                            : DfType::NotRecognised),
            "version byte " + std::to_string(versionByte) + " gives " + std::to_string(versionNumber(version)));
    if (versionByte == 15)
        require(version == DfType::Df2 || version == DfType::Df3,
                "version byte 15 gives " + std::to_string(versionNumber(version)));
}

/// A catalog whose versions overlap: DF1 knows 1..1999, DF2 1500..3999, DF3 3500..5999 and 7000.
class FuzzCatalog : public ItemCatalog {
public:
    bool ItemExists(DfType version, std::int16_t id) const override {
        switch (version) {
            case DfType::Df1: return id >= 1 && id <= 1999;
            case DfType::Df2: return id >= 1500 && id <= 3999;
            case DfType::Df3: return (id >= 3500 && id <= 5999) || id == 7000;
            default: return false;
        }
    }
};

/// The ascii version test done plainly: its own line splitting and the slow word helpers.
DfType recount(std::string_view text, const ItemCatalog& catalog) {
    // This program's own title line names the version.
    std::string first(text.substr(0, text.find_first_of("\r\n")));
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t')) first.pop_back();
    for (char& ch : first) ch = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    if (first.starts_with("//")) {
        if (first.ends_with("converter for delta force 1")) return DfType::Df1;
        if (first.ends_with("converter for delta force 2")) return DfType::Df2;
        if (first.ends_with("converter for delta force land warrior")) return DfType::Df3;
    }
    std::int64_t c[4] = {0, 0, 0, 0};
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size()) pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        // The readers refuse longer lines; the version test passes over them.
        if (line.size() > kMaxMisLineLength || !keywordIs(MisLineToken(line, 1), "type_id")) continue;
        const double id = std::nearbyint(MisValue(MisLineToken(line, 2)));
        if (!(id >= -32768 && id <= 32767)) continue;
        for (const DfType v : kAllVersions)
            c[versionNumber(v)] += catalog.ItemExists(v, static_cast<std::int16_t>(id)) ? 1 : 0;
        if (c[1] - (c[2] + c[3]) >= 10) return DfType::Df1;
        if (c[2] - (c[1] + c[3]) >= 10) return DfType::Df2;
        if (c[3] - (c[1] + c[2]) >= 10) return DfType::Df3;
    }
    return DfType::NotRecognised;
}

std::string withLineFeedsOnly(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

void misVersion(std::string_view text) {
    const FuzzCatalog catalog;
    const DfType version = MisVersionOfText(text, catalog);
    require(isAnswer(version), "MisVersionOfText answers " + std::to_string(versionNumber(version)));
    require(version == recount(text, catalog), "MisVersionOfText answers " + std::to_string(versionNumber(version)) +
                                                   ", a plain count answers " +
                                                   std::to_string(versionNumber(recount(text, catalog))));
    require(MisVersionOfText(withLineFeedsOnly(text), catalog) == version, "the answer depends on the line ends");
    if (version != DfType::NotRecognised) {
        std::string longer(text);
        longer += "\n  type_id 1\n  type_id 2000\n  type_id 4000\n";
        require(MisVersionOfText(longer, catalog) == version, "lines after the decision change the answer");
    }
}

// ---------------------------------------------------------------------------------------------
// Lines, words and numbers.

/// A line without quotes split as plain text: blanks separate, leading blanks give no word, a
/// trailing blank one more empty word.
std::vector<std::string> blankSeparated(std::string_view line) {
    std::vector<std::string> plain;
    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        plain.emplace_back();
        return plain;
    }
    for (;;) {
        const std::size_t blank = line.find(' ', start);
        plain.emplace_back(line.substr(start, blank - start));
        if (blank == std::string_view::npos) break;
        start = line.find_first_not_of(' ', blank);
        if (start == std::string_view::npos) {
            plain.emplace_back();
            break;
        }
    }
    return plain;
}

/// A splitter reused across lines gives what a fresh one gives; the words are the line's
/// characters without quotes and without the blanks outside quotes.
void lineWords(std::string_view line, WordSplitter& reused) {
    const auto split = reused.split(line);
    const std::vector<std::string> fresh = SplitMisLine(line);
    require(!fresh.empty(), "a line gives no word at all");
    require(split.size() == fresh.size(), "a reused splitter gives another number of words");
    std::string joined;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        require(split[i] == fresh[i], "a reused splitter gives another word");
        require(MisLineToken(line, static_cast<int>(i + 1)) == fresh[i], "MisLineToken differs from the split");
        joined += fresh[i];
    }
    require(MisLineToken(line, static_cast<int>(fresh.size() + 1)).empty() && MisLineToken(line, 0).empty(),
            "MisLineToken gives a word where there is none");
    std::string expected;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c != ' ' || quoted) {
            expected += c;
        }
    }
    require(joined == expected, "the words lose or add characters");
    if (line.find('"') == std::string_view::npos) {
        require(blankSeparated(line) == fresh, "the words of a line without quotes are not its blank-separated parts");
    }
}

void words(std::string_view text) {
    // Lines: each is a view into the text, holds no line end, and is followed by CR LF, CR, LF or
    // the end of the text.
    LineCursor lines(text);
    std::string_view line;
    std::size_t pos = 0;
    std::int64_t count = 0;
    WordSplitter reused;
    while (lines.next(line)) {
        ++count;
        require(line.data() == text.data() + pos, "a line does not start where the previous one ended");
        require(line.find_first_of("\r\n") == std::string_view::npos, "a line holds a line end");
        pos += line.size();
        if (pos < text.size()) {
            require(text[pos] == '\r' || text[pos] == '\n', "a line ends before a character that is no line end");
            pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        }
        require(lines.lineNumber() == count, "the line number is not the count of lines taken");
        lineWords(line, reused);
    }
    require(pos == text.size(), "the lines do not cover the text");
}

/// The longest prefix of a word that is a number of the ascii form, with D as E.
std::string numberPrefix(std::string_view word) {
    std::size_t i = 0;
    const std::size_t n = word.size();
    auto digit = [&](std::size_t at) { return at < n && word[at] >= '0' && word[at] <= '9'; };
    if (i < n && (word[i] == '+' || word[i] == '-')) ++i;
    std::size_t digits = 0;
    while (digit(i)) ++i, ++digits;
    if (i < n && word[i] == '.') {
        ++i;
        while (digit(i)) ++i, ++digits;
    }
    if (digits == 0) return {};
    std::string prefix(word.substr(0, i));
    if (i < n && std::string_view("eEdD").find(word[i]) != std::string_view::npos) {
        std::size_t j = i + 1;
        if (j < n && (word[j] == '+' || word[j] == '-')) ++j;
        if (digit(j)) {
            while (digit(j)) ++j;
            prefix = std::string(word.substr(0, j));
            prefix[i] = 'e';
        }
    }
    return prefix;
}

/// A stored value and a scale (the first five bytes): written as the ascii form writes it, read
/// back as the readers read it.
void scaledNumber(std::string_view input) {
    const auto value =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned char>(input[0])) |
                                  (static_cast<std::uint32_t>(static_cast<unsigned char>(input[1])) << 8) |
                                  (static_cast<std::uint32_t>(static_cast<unsigned char>(input[2])) << 16) |
                                  (static_cast<std::uint32_t>(static_cast<unsigned char>(input[3])) << 24));
    static constexpr std::int32_t kFactors[] = {1, 50, 100, 256};
    const std::int32_t factor = kFactors[static_cast<unsigned char>(input[4]) % 4];
    std::string text;
    appendScaled(text, value, factor);
    const std::string_view body = std::string_view(text).substr(text.starts_with('-') ? 1 : 0);
    const std::size_t point = body.find('.');
    require(!body.empty() && body.find_first_not_of("0123456789.") == std::string_view::npos &&
                (body.size() == 1 || body[0] != '0' || point == 1) &&
                (point == std::string_view::npos || (point + 1 < body.size() && body.back() != '0')),
            "appendScaled(" + std::to_string(value) + ", " + std::to_string(factor) + ") gives \"" + text + "\"");
    std::string digits;
    for (char c : body) {
        if (c != '.' && (c != '0' || !digits.empty())) digits += c;
    }
    const std::size_t significant = digits.empty() ? 1 : digits.size();
    require(significant <= 15, "\"" + text + "\" has more than 15 significant digits");
    const LineContext context{kPath, 1};
    std::int32_t back = 0;
    try {
        back = storeNumber<std::int32_t>(text, factor, context, "value");
    } catch (const Error& error) {
        throw PropertyViolation("\"" + text + "\" does not read back: " + error.what());
    }
    require(back == value, "\"" + text + "\" x " + std::to_string(factor) + " reads back as " + std::to_string(back) +
                               ", not " + std::to_string(value));
}

void numbers(std::string_view input) {
    if (input.size() >= 5) {
        scaledNumber(input);
        input.remove_prefix(5);
    }

    const double ours = MisValue(input);
    require(!std::isnan(ours), "MisValue gives NaN");
    // The readers' quick paths for plain numbers store what the general parser gives.
    for (std::int32_t factor : {1, 256}) {
        const double expected = std::nearbyint(ours * factor);
        const bool fits = expected >= std::numeric_limits<std::int32_t>::min() &&
                          expected <= std::numeric_limits<std::int32_t>::max();
        std::int32_t stored = 0;
        try {
            stored = storeNumber<std::int32_t>(input, factor, LineContext{kPath, 1}, "value");
        } catch (const Error&) {
            require(!fits, "\"" + std::string(input) + "\" is refused though it fits");
            continue;
        }
        require(
            fits && stored == static_cast<std::int32_t>(expected),
            "\"" + std::string(input) + "\" x " + std::to_string(factor) + " is stored as " + std::to_string(stored));
    }
    std::string extended(input);
    extended += 'x';
    require(MisValue(extended) == ours, "a letter after the number changes its value");
    const std::string prefix = numberPrefix(input);
    if (prefix.empty()) {
        require(ours == 0.0, "MisValue of a word without a number is not 0");
        return;
    }
    const double reference = std::strtod(prefix.c_str(), nullptr);
    if (std::isinf(reference)) {
        require(ours == reference, "\"" + prefix + "\" overflows in strtod but MisValue gives " + std::to_string(ours));
    } else if (std::fabs(reference) < DBL_MIN) {
        require(ours == 0.0 || ours == reference,
                "\"" + prefix + "\" is tiny but MisValue gives " + std::to_string(ours));
    } else {
        require(ours == reference, "MisValue(\"" + prefix + "\") differs from strtod");
    }
}

}  // namespace

const std::vector<NamedProperty>& allProperties() {
    static const std::vector<NamedProperty> properties = {
        {"df1_bms", binaryMission<df1::Format>},
        {"df2_bms", binaryMission<df2::Format>},
        {"df3_bms", binaryMission<df3::Format>},
        {"df1_mis", asciiMission<df1::Format>},
        {"df2_mis", asciiMission<df2::Format>},
        {"df3_mis", asciiMission<df3::Format>},
        {"lists", lists},
        {"bms_version", bmsVersion},
        {"mis_version", misVersion},
        {"words", words},
        {"numbers", numbers},
    };
    return properties;
}

Property propertyNamed(std::string_view name) {
    for (const auto& property : allProperties()) {
        if (property.name == name) return property.check;
    }
    return nullptr;
}

}  // namespace vok::fuzz
