// What an ascii save cannot carry: each kind of loss named once, with its count and cause, on the
// project's example missions; nothing for missions that came through the ascii form; nothing
// analysed for a model the writer refuses.
#include "conversion/ascii_losses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "tests/support/mission_generator.h"

namespace vok {

void PrintTo(const ReportLine& line, std::ostream* out) {
    *out << reportKindLabel(line.kind) << ": " << line.text;
}

namespace {

/// The examples were written from what reading their ascii files gave: nothing to lose.
AnyMission example(DfType version) {
    const char* stems[] = {"df1_harbour", "df2_night_raid", "df3_mountain_pass"};
    return openMission(std::filesystem::path(VOK_EXAMPLES_DIR) / (std::string(stems[versionIndex(version)]) + ".bms"),
                       version, MissionForm::Binary);
}

// One change to an example per row, and the one line that names it.
struct LossCase {
    const char* name;
    std::vector<DfType> versions;
    std::function<void(AnyMission&)> change;
    std::string line;
};

template <class F>
std::function<void(AnyMission&)> onEach(F f) {
    return [f](AnyMission& mission) { std::visit(f, mission); };
}
/// A change to the example of one version only.
template <class M>
std::function<void(AnyMission&)> on(void (*f)(M&)) {
    return [f](AnyMission& mission) { f(std::get<M>(mission)); };
}

const std::vector<DfType> kAll = {DfType::Df1, DfType::Df2, DfType::Df3};

const LossCase kLossCases[] = {
    {"nothing changed", kAll, [](AnyMission&) {}, ""},
    {"waypoint texts", kAll, onEach([](auto& m) {
         for (int w : {3, 40, 128}) m.waypoints[w - 1].waypoint_text.set("path");
     }),
     "waypoint_text of 3 waypoints (the ascii form has no line for it)"},
    {"mission text", kAll, onEach([](auto& m) { m.mission_text.set("notes"); }),
     "mission_text holds 5 characters (the ascii form has no place for it)"},
    {"reset values", kAll, onEach([](auto& m) {
         m.events[0].reset_value = 75;
         m.events[1].reset_value = -20;
     }),
     "reset_value of 2 events (not a multiple of 50: the ascii form writes it divided by 50 and drops "
     "the remainder)"},
    {"item texts",
     {DfType::Df3},
     on<Df3Mission>([](Df3Mission& m) { m.items[4].item_text.set("guard"); }),
     "item_text of 1 item (the ascii form has no line for it)"},
    {"item numbers out of order", kAll, onEach([](auto& m) {
         m.items[1].item_number = 70;
         m.items[2].item_number = 71;
     }),
     "item_number of 2 items (the ascii form numbers the items itself, from 1)"},
    {"terrain with a blank", kAll, onEach([](auto& m) { m.header.terrain.set("my hills"); }),
     "terrain \"my hills\" (an unquoted text holding a blank: only its first word is read back; it comes "
     "back as \"my\")"},
    {"quoted name with a double quote", kAll, onEach([](auto& m) { m.header.name.set("say \"hi\""); }),
     "name \"say \"hi\"\" (a quoted text holding a double quote: the ascii form cannot hold one inside "
     "its quotes; it comes back as \"say hi\")"},
    {"unquoted terrain with a double quote", kAll, onEach([](auto& m) { m.header.terrain.set("a\"b"); }),
     "terrain \"a\"b\" (a text holding a double quote, which the reader drops; it comes back as \"ab\")"},
    {"briefing with a double quote",
     {DfType::Df3},
     on<Df3Mission>([](Df3Mission& m) { m.header.briefing.set("Take the \"hill\""); }),
     "briefing \"Take the \"hill\"\" (a quoted text holding a double quote: the ascii form cannot hold "
     "one inside its quotes; it comes back as \"Take the hill\")"},
    // A line end would end the designer's line and read "arty 9" as a setting of its own.
    {"designer with a line end", kAll, onEach([](auto& m) { m.header.designer.set("Vok\r\n  arty 9"); }),
     "designer \"Vok\\r\\n  arty 9\" (a text holding a line end: the ascii file breaks the line there, "
     "and the rest is read as a line of its own)"},
    {"NUL inside a text", kAll, onEach([](auto& m) { m.header.terrain.set(std::string("ab\0cd", 5)); }),
     "terrain \"ab\\0cd\" (it holds NUL characters inside the text, which the ascii form drops; it comes "
     "back as \"abcd\")"},
    {"environment file",
     {DfType::Df3},
     on<Df3Mission>([](Df3Mission& m) { m.header.environment_file.set("night.env"); }),
     "environment_file \"night.env\" (the ascii form has no line for it; it comes back as \"day1.env\")"},
    {"DF1 cnv_file",
     {DfType::Df1},
     onEach([](auto& m) { m.header.cnv_file.set("harbour.cnv"); }),
     "cnv_file \"harbour.cnv\" (the ascii form writes it, but its reader does not take it back)"},
    {"DF1 header text",
     {DfType::Df1},
     on<Df1Mission>([](Df1Mission& m) { m.header.header_text52.set("notes\x01"); }),
     "header_text52 \"notes\\x01\" (the ascii form has no line for it)"},
    // The line names the counts, which differ per example.
    {"item counts that do not follow the types", kAll, onEach([](auto& m) {
         ++m.header.item_count_d;
         --m.header.item_count_b;
     }),
     "the item counts of the header, "},
};

TEST(AsciiLosses, EachKindOfLossIsNamedOnceWithItsCountAndCause) {
    for (const LossCase& c : kLossCases) {
        for (DfType version : c.versions) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::string(versionName(version)));
            AnyMission mission = example(version);
            c.change(mission);
            const auto lines = asciiSaveLosses(mission);
            if (c.line.empty()) {
                EXPECT_EQ(lines, std::vector<ReportLine>{});
            } else {
                ASSERT_EQ(lines.size(), 1u);
                EXPECT_EQ(lines[0].kind, ReportLine::Kind::Lost);
                EXPECT_TRUE(lines[0].text.starts_with(c.line)) << lines[0].text;
            }
        }
    }
}

TEST(AsciiLosses, SeveralLossesAreListedHeaderFirstThenRecordsEachWithItsNumbers) {
    AnyMission mission = example(DfType::Df2);
    auto& m = std::get<Df2Mission>(mission);
    m.header.designer.set("two\nlines");
    m.header.terrain.set("red sand");
    m.waypoints[9].waypoint_text.set("x");
    m.waypoints[3].waypoint_text.set("y");
    m.items[5].item_tail = 1;
    m.events[1].delay_value = 49;
    const AsciiLossAnalysis analysis = analyseAsciiSave(mission);
    EXPECT_FALSE(analysis.refused);
    std::vector<std::tuple<std::string, std::string, std::vector<std::int64_t>>> where;
    for (const auto& loss : analysis.losses) where.emplace_back(loss.record, loss.field, loss.numbers);
    EXPECT_EQ(where, (decltype(where){{"header", "designer", {}},
                                      {"header", "terrain", {}},
                                      {"item", "item_tail", {6}},
                                      {"waypoint", "waypoint_text", {4, 10}},
                                      {"event", "delay_value", {2}}}));
}

TEST(AsciiLosses, AModelTheWriterRefusesIsNotAnalysed) {
    AnyMission mission = example(DfType::Df3);
    std::get<Df3Mission>(mission).events[0].num_triggers += 1;  // the events name one trigger too many
    const AsciiLossAnalysis analysis = analyseAsciiSave(mission);
    ASSERT_TRUE(analysis.refused);
    EXPECT_NE(analysis.refused->find("the events name 4 triggers but the mission holds 3"), std::string::npos)
        << *analysis.refused;
    EXPECT_TRUE(analysis.losses.empty());
    EXPECT_TRUE(asciiSaveLosses(mission).empty());
}

// ---------------------------------------------------------------------------------------------
// Generated missions (their items numbered from 1, which the ascii form gives back): whatever
// they hold, a save reports something exactly when the ascii form changes the mission, and once a
// mission has come through the ascii form (and a binary file written from it) nothing is reported.

/// Replaces the line ends in a record's texts.
struct NoLineEnds : StoredFieldsOnly {
    template <class T>
    void field(std::string_view, std::size_t, T& value, const Ascii& = {}) {
        if constexpr (requires { value.bytes; }) {
            std::replace(value.bytes.begin(), value.bytes.end(), '\r', 'x');
            std::replace(value.bytes.begin(), value.bytes.end(), '\n', 'x');
        }
    }
};

template <class M>
class GeneratedLosses : public ::testing::Test {};
using MissionTypes = ::testing::Types<Df1Mission, Df2Mission, Df3Mission>;
TYPED_TEST_SUITE(GeneratedLosses, MissionTypes);

TYPED_TEST(GeneratedLosses, ReportedExactlyWhenTheAsciiFormChangesTheMission) {
    using M = TypeParam;
    using Format = FormatOfT<M>;
    int throughAscii = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        M m = testing::generateMission<M>(seed, {.maxItems = 20, .maxEvents = 6, .maxPerEvent = 3});
        for (std::size_t i = 0; i < m.items.size(); ++i) m.items[i].item_number = static_cast<std::int32_t>(i + 1);
        if (seed % 2 == 0) {  // half of them without line ends in their texts, so that they read back
            NoLineEnds noLineEnds;
            describe(noLineEnds, m.header);
        }
        const auto lines = asciiSaveLosses(AnyMission(m));
        // Read back from the file as saved (dated, as vok saves it), the analysis finds the same.
        const std::string saved = writeMissionAscii<Format>(m, utcFromEpochSeconds(1700000000 + seed), "saved.mis");
        EXPECT_EQ(asciiSaveLosses(AnyMission(m), saved), lines);
        M back;
        try {
            back = readMissionAscii<Format>(saved, "");
        } catch (const Error&) {
            EXPECT_FALSE(lines.empty()) << "a mission whose ascii file does not read back loses something";
            continue;
        }
        ++throughAscii;
        EXPECT_EQ(lines.empty(), back == m);
        EXPECT_EQ(asciiSaveLosses(AnyMission(back)), std::vector<ReportLine>{});
        const M binary = readMissionBinary<M>(writeMissionBinary(back, ""), "");
        EXPECT_EQ(asciiSaveLosses(AnyMission(binary)), std::vector<ReportLine>{});
        // Numbered from 0, as a conversion numbers them: still nothing.
        for (std::size_t i = 0; i < back.items.size(); ++i) back.items[i].item_number = static_cast<std::int32_t>(i);
        EXPECT_EQ(asciiSaveLosses(AnyMission(back)), std::vector<ReportLine>{});
    }
    EXPECT_GE(throughAscii, 20);
}

}  // namespace
}  // namespace vok
