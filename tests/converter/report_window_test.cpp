// The report window after a save (the conversion's report and what the ascii form does not
// carry) and after an open (what the ascii reader passed over), its "Do not show this again"
// setting, and what the converter answers without a window.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <sstream>

#include "converter/converter_app.h"
#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

const QString kSetting = QStringLiteral("Vok_Sorrel/Report/DoNotShow");

class ReportWindow : public ConverterTest {
  protected:
    QDialog* report() const { return window->findChild<QDialog*>(QStringLiteral("frmReport")); }
    bool reportShown() const { return report() != nullptr && report()->isVisible(); }

    QStringList reportLines() const {
        QStringList lines;
        auto* list = find<QListWidget>(*report(), "lstReport");
        for (int i = 0; list != nullptr && i < list->count(); ++i) lines << list->item(i)->text();
        return lines;
    }
    QString reportHeading() const { return find<QLabel>(*report(), "lblReport")->text(); }

    void save(const char* command, std::string_view name) {
        fakes.files.saveAnswers.push_back(qtPath(data / name));
        click(*window, command);
    }

    /// A Delta Force 1 mission whose waypoint 3 holds a text, which the ascii form has no line for.
    void openLossyMission() {
        auto mission = missionWithTypes<Df1Mission>({1040, 3001, 5001}, "harbour");
        mission.waypoints[2].waypoint_text.set("route");
        openThroughDialog(writeBinary(mission, "a01.bms"));
    }

    const QString waypointLine =
        QStringLiteral("Not carried: waypoint_text of 1 waypoint (the ascii form has no line for it)");
};

TEST_F(ReportWindow, AnAsciiSaveThatLosesSomethingShowsTheReportWithoutBlocking) {
    openLossyMission();
    save("cmdSaveFileMIS1", "a01.mis");
    ASSERT_TRUE(reportShown());
    EXPECT_TRUE(std::filesystem::exists(data / "a01.mis")) << "the report comes after the save";
    EXPECT_FALSE(report()->isModal());
    EXPECT_EQ(report()->windowTitle(), "Vok Tamber's Mission Converter");
    EXPECT_EQ(reportHeading(), "a01.mis: Saved As DF1 Ascii File");
    EXPECT_EQ(reportLines(), QStringList{waypointLine});
    EXPECT_FALSE(find<QCheckBox>(*report(), "chkDoNotShow")->isChecked());
    EXPECT_EQ(find<QCheckBox>(*report(), "chkDoNotShow")->text(), "Do not show this again");
    EXPECT_TRUE(window->isEnabled());

    click(*report(), "cmdOk");
    EXPECT_FALSE(reportShown());
    EXPECT_EQ(fakes.settings.values.count(kSetting), 0u) << "OK alone remembers nothing";
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(ReportWindow, ASaveThatLosesNothingShowsNone) {
    // 3001 and 5001 exist in DF2: the conversion only sets defaults, and numbers the items from 0.
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({3001, 5001}, "harbour"), "a01.bms"));
    save("cmdSaveFileMIS1", "same.mis");
    save("cmdSaveFileBMS1", "same.bms");
    save("cmdSaveFileBMS2", "df2.bms");
    save("cmdSaveFileMIS2", "df2.mis");
    EXPECT_EQ(report(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(data / "df2.mis"));

    // A lossy mission saved in the binary form of its own version loses nothing either, and a
    // report of an earlier save still open goes away.
    openLossyMission();
    save("cmdSaveFileBMS1", "lossy.bms");
    EXPECT_EQ(report(), nullptr);
    save("cmdSaveFileMIS1", "lossy.mis");
    EXPECT_TRUE(reportShown());
    save("cmdSaveFileBMS1", "lossy.bms");
    EXPECT_FALSE(reportShown());
}

TEST_F(ReportWindow, AConversionsReportAndTheAsciiLossesShowInOneReport) {
    openLossyMission();  // DF1 1040 has a saved replacement in DF2: 2005
    save("cmdSaveFileMIS2", "a01.mis");
    ASSERT_TRUE(reportShown());
    EXPECT_EQ(reportHeading(), "a01.mis: Converted From DF1 To DF2");
    const QStringList lines = reportLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.front().startsWith("Set: ")) << lines.front().toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Replaced: 1040 \"Barrel\" by 2005 \"Truck\" (1 item)")))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.back(), waypointLine);
    click(*report(), "cmdOk");

    // The binary form of the converted mission carries the waypoint text: only the conversion's lines.
    save("cmdSaveFileBMS2", "a01.bms");
    ASSERT_TRUE(reportShown());
    EXPECT_FALSE(reportLines().contains(waypointLine));
    EXPECT_TRUE(
        reportLines().contains(QStringLiteral("Replaced: 1040 \"Barrel\" by 2005 \"Truck\" (1 item)")));
}

TEST_F(ReportWindow, DoNotShowThisAgainIsRememberedAndStopsLaterReports) {
    openLossyMission();
    save("cmdSaveFileMIS1", "first.mis");
    ASSERT_TRUE(reportShown());
    auto* box = find<QCheckBox>(*report(), "chkDoNotShow");
    for (const char* remembered : {"1", "0", "1"}) {
        click(*report(), "chkDoNotShow");
        EXPECT_EQ(fakes.settings.values[kSetting], remembered);
    }
    click(*report(), "cmdOk");
    save("cmdSaveFileMIS1", "second.mis");
    save("cmdSaveFileMIS2", "third.mis");
    EXPECT_FALSE(reportShown());
    EXPECT_TRUE(std::filesystem::exists(data / "third.mis"));

    // Unchecked again in the settings, the next lossy save reports, with the box cleared.
    fakes.settings.values[kSetting] = QStringLiteral("0");
    save("cmdSaveFileMIS1", "fourth.mis");
    ASSERT_TRUE(reportShown());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(fakes.settings.values[kSetting], "0");
}

// What the ascii reader passed over shows after the open, in the same window under the same setting.
TEST_F(ReportWindow, AnOpenWhoseReaderPassedOverLinesShowsThem) {
    const auto odd = data.write("odd.mis", "// Converter for Delta Force 2\r\nbegin general_information\r\n"
                                           "  colour 3\r\nend general_information\r\n");
    openThroughDialog(odd);
    ASSERT_TRUE(reportShown());
    EXPECT_EQ(reportHeading(), "odd.mis: Opened As DF2 Ascii File; The Reader Passed Over:");
    EXPECT_EQ(reportLines(),
              QStringList{"Ignored: line 3: unknown keyword \"colour\" in the general_information block"});
    EXPECT_TRUE(window->isEnabled());

    openThroughDialog(writeAscii(missionWithTypes<Df2Mission>({3001}, "desert"), "clean.mis"));
    EXPECT_FALSE(reportShown()) << "the report of an earlier file no longer applies";
    fakes.settings.values[kSetting] = QStringLiteral("1");
    openThroughDialog(odd);
    EXPECT_FALSE(reportShown());
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(ReportWindow, ASettingFromAnEarlierRunShowsNothingAndAFailedSaveReportsOnlyItsFault) {
    fakes.settings.values[kSetting] = QStringLiteral("1");
    openLossyMission();
    save("cmdSaveFileMIS1", "a01.mis");
    EXPECT_EQ(report(), nullptr);

    fakes.settings.values.clear();
    fileSystem.failAt = FailingFileSystem::FailAt::Create;
    save("cmdSaveFileMIS1", "b01.mis");
    EXPECT_EQ(report(), nullptr);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(data / "b01.mis")));
}

// ---------------------------------------------------------------------------------------------
// What the converter answers before it makes its window.

TEST(ConverterCommandLine, VersionAndHelpAreAnsweredWithoutAWindow) {
    const std::string version = std::string("Vok_Sorrel ") + VOK_EXPECTED_VERSION + "\n";
    const struct {
        std::vector<const char*> argv;
        std::optional<int> status;
        std::string printedStart;  ///< when answered
    } cases[] = {
        {{"Vok_Sorrel", "--version"}, 0, version},
        {{"Vok_Sorrel", "--help"}, 0, "Usage: Vok_Sorrel [MISSION]\n"},
        {{"Vok_Sorrel"}, std::nullopt, ""},
        {{"Vok_Sorrel", "m01.bms"}, std::nullopt, ""},
        {{"Vok_Sorrel", "--version", "m01.bms"}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        EXPECT_EQ(converter::answerWithoutWindow(static_cast<int>(c.argv.size()), c.argv.data(), out), c.status);
        // Unanswered, nothing is printed.
        EXPECT_TRUE(c.status ? out.str().starts_with(c.printedStart) : out.str().empty()) << out.str();
    }
    EXPECT_NE(version.find('.'), std::string::npos);
}
// The built program answers --version without a display or its lists: converter.version (CMake).

}  // namespace
}  // namespace vok::testing
