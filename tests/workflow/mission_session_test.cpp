// The mission session: open (recognise, ask, read once, "holds no mission", what the reader passed
// over), convert (chooser, terrain, Cancel), save (to a file, to bytes) and the one report, in both
// message styles. The converter window and vok only show what these steps answer.
#include "workflow/mission_session.h"

#include <gtest/gtest.h>

#include "tests/support/failing_file_system.h"
#include "tests/support/scripted_chooser.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_missions.h"
#include "workflow/choosers.h"

namespace vok::workflow {
namespace {

using testing::missionWithTypes;
using testing::ScriptedChooser;
using testing::typesOf;
using enum DfType;

const Timestamp kWhen{2024, 3, 5, 2, 14, 7, 9};

class MissionSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeTestLists(listFolder.path());
        lists.InitilizeItemLists();
    }

    template <class M>
    std::filesystem::path write(const M& mission, std::string_view name) const {
        saveMission(data / name, mission, *formOfPath(data / name), kWhen);
        return data / name;
    }

    StepResult open(const std::filesystem::path& path, std::optional<DfType> given = std::nullopt) {
        return session.open(path, *formOfPath(path), ask, given);
    }

    /// The answer to the version question; counts the questions.
    VersionQuestion ask = [this]() -> std::optional<DfType> {
        ++asked;
        return answer;
    };
    std::optional<DfType> answer;
    int asked = 0;
    int listAccesses = 0;

    testing::TempDir listFolder, data;
    ListStore lists{listFolder.path()};
    ListAccess access = [this]() -> ListStore& { return ++listAccesses, lists; };
    MissionSession session{access, Style::Window};
};

// Each version in either form is read and recognised (binary by its header, ascii by its title
// line); bytes open as a file does, under the name given.
TEST_F(MissionSessionTest, OpensEveryVersionInEitherFormAndRecognisesIt) {
    EXPECT_EQ(session.version(), None);
    const AnyMission missions[] = {missionWithTypes<Df1Mission>({3001}), missionWithTypes<Df2Mission>({1200}),
                                   missionWithTypes<Df3Mission>({2050})};
    for (const AnyMission& mission : missions) {
        for (const char* name : {"m.bms", "m.mis"}) {
            SCOPED_TRACE(std::string(versionKey(versionOf(mission))) + name);
            const auto path = data / name;
            saveMission(path, mission, *formOfPath(path), kWhen);
            ASSERT_TRUE(open(path).done());
            EXPECT_TRUE(session.holdsMission() && session.version() == versionOf(mission));
            EXPECT_EQ(session.mission(), openMission(path, versionOf(mission), *formOfPath(path)));
            EXPECT_EQ(std::tuple(session.name(), session.form()), std::tuple(displayPath(path), *formOfPath(path)));
            ASSERT_TRUE(session.openBytes(testing::slurp(path), "x", *formOfPath(path), ask).done());
            EXPECT_EQ(std::tuple(session.name(), session.version()), std::tuple("x", versionOf(mission)));
        }
    }
    EXPECT_EQ(asked, 0);
}

// An unrecognised version is asked once; a given-up question leaves nothing held, an answer reads
// the file as that version; a version given beforehand is not recognised at all. The lists are
// needed for an ascii file's version only.
TEST_F(MissionSessionTest, AnUnrecognisedVersionIsAskedAndAGivenVersionIsTakenAsItIs) {
    std::string bytes = missionBytes(missionWithTypes<Df1Mission>({3001, 2031}), MissionForm::Binary, kWhen, "");
    bytes[3] = 99;  // a version byte no game writes
    const auto path = data.write("u.bms", bytes);
    ASSERT_TRUE(open(write(missionWithTypes<Df2Mission>({1200}), "held.bms")).done());
    EXPECT_EQ(std::tuple(open(path).outcome, asked), std::tuple(StepResult::Outcome::GivenUp, 1));
    EXPECT_TRUE(session.version() == NotRecognised && !session.holdsMission() && session.missionFor(Df2) == nullptr);
    answer = Df1;
    ASSERT_TRUE(open(path).done());
    EXPECT_EQ(std::tuple(session.version(), typesOf(session.mission()), asked),
              std::tuple(Df1, std::vector{3001, 2031}, 2));
    ASSERT_TRUE(open(write(missionWithTypes<Df2Mission>({1200}), "given.mis"), Df3).done());
    EXPECT_EQ(std::tuple(session.version(), asked, listAccesses), std::tuple(Df3, 2, 0));
    ASSERT_TRUE(open(data / "given.mis").done());
    EXPECT_TRUE(session.version() == Df2 && listAccesses > 0);
}

// A file that cannot be read, a faulty one and one that holds no mission are told (no question
// asked), and the session holds what it held before.
TEST_F(MissionSessionTest, AFileThatCannotBeReadIsToldAndLeavesTheSessionAsItWas) {
    const auto held = write(missionWithTypes<Df1Mission>({3001}), "a01.bms");
    const std::string text = testing::slurp(write(missionWithTypes<Df2Mission>(std::vector<int>(12, 1200)), "x.mis"));
    const std::string cut = text.substr(0, text.rfind("type_id") + 12);
    const std::tuple<std::filesystem::path, std::string, std::string> cases[] = {
        // the file, the start of the window's message, of vok's
        {data.write("bad.mis", cut), "Warning!: Error in OpenDF2MIS\r\nEnd of file inside a block",
         "vok: " + displayPath(data / "bad.mis") + ":\nWarning!: Error in OpenDF2MIS\nEnd of file inside a block"},
        {data.write("short.bms", testing::slurp(held).substr(0, 300)),
         displayPath(data / "short.bms") + "\r\nThe file is too short",
         "vok: " + displayPath(data / "short.bms") + ": The file is too short"},
        {data / "vanished.bms", displayPath(data / "vanished.bms") + "\r\nThe file cannot be opened",
         "vok: " + displayPath(data / "vanished.bms") + ": The file cannot be opened"},
        {data.write("titled.mis", "// Converter for Delta Force 2\r\n\r\n"),
         displayPath(data / "titled.mis") + "\r\nThe file holds no mission: neither",
         "vok: " + displayPath(data / "titled.mis") + ": The file holds no mission: neither"},
        {data.write("untitled.mis", "begin event 0\r\n  attrib 1\r\nend event\r\n"),
         displayPath(data / "untitled.mis") + "\r\nThe file holds no mission", ""},
    };
    MissionSession terminal(access, Style::Terminal);
    ASSERT_TRUE(open(held).done() && terminal.open(held, MissionForm::Binary, ask).done());
    for (const auto& [path, windowText, terminalText] : cases) {
        SCOPED_TRACE(path.filename().string());
        const StepResult result = open(path);
        EXPECT_TRUE(result.failed() && result.message.starts_with(windowText)) << result.message;
        const StepResult given = terminal.open(path, *formOfPath(path), ask, Df2);
        EXPECT_TRUE(given.failed() && given.message.starts_with(terminalText) && given.message.ends_with("\n"))
            << given.message;
        EXPECT_EQ(std::tuple(session.version(), session.mission(), session.name(), terminal.version(), asked),
                  std::tuple(Df1, openMission(held, Df1, MissionForm::Binary), displayPath(held), Df1, 0));
    }
}

// What the ascii reader passed over stays with the mission, as report lines too; the next open
// replaces it.
TEST_F(MissionSessionTest, WhatTheAsciiReaderPassedOverIsKept) {
    const auto odd = data.write("odd.mis",
                                "// Converter for Delta Force 2\r\nbegin general_information\r\n"
                                "  colour 3\r\nend general_information\r\n");
    ASSERT_TRUE(open(odd).done());
    EXPECT_EQ(session.passedOver(),
              std::vector<PassedOver>({{3, "unknown keyword \"colour\" in the general_information block"}}));
    ASSERT_EQ(session.passedOverLines().size(), 1u);
    EXPECT_EQ(reportLineText(session.passedOverLines()[0]),
              "Ignored: line 3: unknown keyword \"colour\" in the general_information block");
    EXPECT_EQ(openReportHeading("odd.mis", session.version()),
              "odd.mis: Opened As DF2 Ascii File; The Reader Passed Over:");
    ASSERT_TRUE(open(write(missionWithTypes<Df2Mission>({1200}), "clean.mis")).done());
    EXPECT_TRUE(session.passedOver().empty());
}

// A conversion asks the chooser about each type the target lacks (the types a campaign lists
// beforehand), then the terrain; "Cancel Save" and an unanswered terrain question change nothing.
TEST_F(MissionSessionTest, ConvertAsksTheChooserAndTheTerrainAndCancelChangesNothing) {
    ASSERT_TRUE(open(write(missionWithTypes<Df1Mission>({2031, 600, 2031, 3001}), "a01.bms")).done());
    EXPECT_EQ(session.missingTypes(Df3), std::vector<MissingType>({{2031, "Jeep", 2}, {600, "Crate", 1}}));
    EXPECT_TRUE(session.missingTypes(Df1).empty());
    std::vector<std::string> offered;
    std::optional<std::string> terrain = "TerrainFarTooLong";
    const TerrainQuestion askTerrain = [&](const std::string& suggested) {
        offered.push_back(suggested);
        return terrain;
    };
    ScriptedChooser chooser(
        {ReplacementAnswer::replace(2010, ReplacementAnswer::Remember::ForRun), ReplacementAnswer::remove()});
    ASSERT_TRUE(session.convert(Df3, chooser, askTerrain).done());
    EXPECT_EQ(chooser.askedIds(), std::vector<std::int16_t>({2031, 600}));
    EXPECT_EQ(typesOf(*session.missionFor(Df3)), std::vector({2010, 0, 2010, 3001}));
    EXPECT_EQ(std::get<Df3Mission>(*session.missionFor(Df3)).header.terrain.text(), "TerrainFarTooLon");
    EXPECT_EQ(offered, std::vector<std::string>({"DF1harbour"}));

    const AnyMission before = *session.missionFor(Df3);
    ScriptedChooser cancels({ReplacementAnswer::cancelSave()});
    EXPECT_TRUE(session.convert(Df2, cancels, askTerrain).givenUp());
    terrain.reset();
    EXPECT_TRUE(session.convert(Df3, chooser, askTerrain).givenUp());
    EXPECT_TRUE(session.missionFor(Df2) == nullptr && *session.missionFor(Df3) == before);
    EXPECT_TRUE(session.convert(Df1, chooser, askTerrain).done()) << "nothing to convert, nothing asked";
    EXPECT_EQ(offered.size(), 2u);
}

// A conversion stopped by anything but the user is told; the chooser hears that it ended.
TEST_F(MissionSessionTest, AConversionThatFailsIsToldAndEndsTheChooser) {
    struct Failing : ScriptedChooser {
        ReplacementAnswer choose(std::int16_t, DfType, DfType) override { throw std::runtime_error("no memory"); }
    } chooser;
    ASSERT_TRUE(open(write(missionWithTypes<Df1Mission>({2031}), "a01.bms")).done());
    const StepResult result = session.convert(Df3, chooser, [](const std::string& s) { return s; });
    EXPECT_EQ(std::tuple(result.message, chooser.finished),
              std::tuple("The Mission Could Not Be Converted!\r\nno memory", 1));
    EXPECT_EQ(session.missionFor(Df3), nullptr);
}

// A save writes safely what the version needs; its report holds the conversion's lines, then
// what the ascii form does not carry, read from the bytes written. A failed save is told and
// leaves the file and the last report as they were.
TEST_F(MissionSessionTest, SaveWritesSafelyAndReportsTheConversionAndWhatTheAsciiFormLoses) {
    auto lossy = missionWithTypes<Df1Mission>({1040, 3001});  // DF1 1040 has a saved replacement
    lossy.waypoints[2].waypoint_text.set("route");
    ASSERT_TRUE(open(write(lossy, "a01.bms")).done());
    ScriptedChooser chooser;
    ASSERT_TRUE(session.convert(Df2, chooser, [](const std::string& s) { return s; }).done());
    const std::string lost = "Not carried: waypoint_text of 1 waypoint (the ascii form has no line for it)";
    const std::string replaced = "Replaced: 1040 \"Barrel\" by 2005 \"Truck\" (1 item)";
    const std::tuple<DfType, MissionForm, bool, std::vector<std::string>> saves[] = {
        {Df2, MissionForm::Ascii, true, {replaced, lost}},
        {Df2, MissionForm::Binary, true, {replaced}},
        {Df1, MissionForm::Ascii, true, {lost}},
        {Df1, MissionForm::Ascii, false, {}},
        {Df1, MissionForm::Binary, true, {}},
    };
    for (const auto& [target, form, losses, expected] : saves) {
        const auto path = data / (form == MissionForm::Ascii ? "out.mis" : "out.bms");
        ASSERT_TRUE(session.save(path, {target, form, kWhen, losses}).done());
        EXPECT_EQ(testing::slurp(path), missionBytes(*session.missionFor(target), form, kWhen, ""));
        const SaveReport& report = session.saveReport();
        std::vector<std::string> lines;
        for (const ReportLine& line : report.lines) {
            if (line.kind != ReportLine::Kind::Set) lines.push_back(reportLineText(line));
        }
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(std::tuple(report.name, report.from, report.to, report.converted(), report.losesSomething()),
                  std::tuple(displayPath(path), Df1, target, target != Df1, !expected.empty()));
        std::string bytes;
        ASSERT_TRUE(session.saveToBytes(bytes, "page.mis", {target, form, kWhen, losses}).done());
        EXPECT_EQ(std::tuple(bytes, session.saveReport().name), std::tuple(testing::slurp(path), "page.mis"));
    }

    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Rename;
    const std::string before = testing::slurp(data / "out.bms");
    const StepResult result = session.save(data / "out.bms", {Df2, MissionForm::Binary, kWhen}, failing);
    EXPECT_TRUE(result.failed() &&
                result.message.starts_with(displayPath(data / "out.bms") + "\r\nThe file cannot be written"))
        << result.message;
    EXPECT_EQ(std::tuple(testing::slurp(data / "out.bms"), session.saveReport().name), std::tuple(before, "page.mis"));
}

// vok's --terrain without a conversion; a save the writer refuses (a model without its signature).
TEST_F(MissionSessionTest, TerrainWithoutAConversionAndASaveTheWriterRefuses) {
    ASSERT_TRUE(open(write(missionWithTypes<Df1Mission>({3001}), "a01.mis")).done());
    session.setTerrain(Df1, "red sand");
    EXPECT_EQ(std::get<Df1Mission>(*session.missionFor(Df1)).header.terrain.text(), "red sand");
    // Without a general_information block: no signature.
    const std::string items = "begin item 1\r\n  type_id 3001\r\nend item\r\n";
    ASSERT_TRUE(session.openBytes(items, "x.mis", MissionForm::Ascii, ask, Df1).done());
    const StepResult refused = session.save(data / "x.bms", {Df1, MissionForm::Binary, kWhen});
    EXPECT_TRUE(refused.failed() && refused.message.find("signature") != std::string::npos) << refused.message;
}

// The choosers without a window: one answer for all, answers decided beforehand with a fallback.
TEST(Choosers, AFixedAnswerAndPresetAnswersWithAFallback) {
    FixedChooser remove(ReplacementAnswer::remove());
    EXPECT_EQ(remove.choose(2031, Df1, Df3).kind, ReplacementAnswer::Kind::Remove);
    ScriptedChooser fallback({ReplacementAnswer::replace(5)});
    PresetChooser preset(&fallback);
    preset.preset(2031, Df1, Df3, ReplacementAnswer::replace(2010));
    EXPECT_TRUE(preset.answers(2031, Df1, Df3) && !preset.answers(2031, Df1, Df2));
    EXPECT_EQ(preset.choose(2031, Df1, Df3).replacementId, 2010);
    EXPECT_EQ(preset.choose(2031, Df1, Df2).replacementId, 5);
    preset.conversionFinished();
    preset.replacementNotSaved(Error(Fault::CannotWrite, "x", ""));
    EXPECT_EQ(std::tuple(fallback.askedIds(), fallback.finished, fallback.notSaved.size()),
              std::tuple(std::vector<std::int16_t>{2031}, 1, 1u));
    EXPECT_EQ(PresetChooser().choose(1, Df1, Df2).kind, ReplacementAnswer::Kind::Skip);
}

}  // namespace
}  // namespace vok::workflow
