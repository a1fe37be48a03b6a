// The report window after a save (what was not kept) and after an open (lines passed over).

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>

#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

const QString kSetting = "Vok_Sorrel/Report/DoNotShow";
const QString kWaypoint = "Not carried: waypoint_text of 1 waypoint (the ascii form has no line for it)";
const QString kReplaced = "Replaced: 1040 \"Barrel\" by 2005 \"Truck\" (1 item)";

class ReportWindow : public ConverterTest {
protected:
    QDialog* report() const { return window->findChild<QDialog*>("frmReport"); }

    /// The heading and the lines of the report shown; empty when none is.
    QStringList shown() const {
        if (report() == nullptr || !report()->isVisible()) return {};
        QStringList lines{find<QLabel>(*report(), "lblReport")->text()};
        const auto* list = find<QListWidget>(*report(), "lstReport");
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        return lines;
    }
};

// A save that loses something shows the session's report after it, without blocking the window;
// one that loses nothing hides an earlier one. The box is remembered as clicked and read before
// each report.
TEST_F(ReportWindow, ASaveShowsWhatTheConversionAndTheAsciiFormDidNotKeep) {
    auto lossy = missionWithTypes<Df1Mission>({1040, 3001, 5001});  // DF1 1040 has a saved replacement
    lossy.waypoints[2].waypoint_text.set("route");
    saveMission(data / "a01.bms", lossy, MissionForm::Binary, {});
    openThroughDialog(data / "a01.bms");
    save("MIS2");
    QStringList lines = shown();
    lines.removeIf([](const QString& line) { return line.startsWith("Set: "); });
    EXPECT_EQ(lines, QStringList({"MIS2.mis: Converted From DF1 To DF2", kReplaced, kWaypoint}));
    EXPECT_TRUE(!report()->isModal() && window->isEnabled());
    save("BMS1");
    EXPECT_TRUE(shown().isEmpty()) << "nothing lost: the earlier report no longer applies";
    save("MIS1");
    EXPECT_EQ(shown(), QStringList({"MIS1.mis: Saved As DF1 Ascii File", kWaypoint}));
    click(*report(), "cmdOk");
    EXPECT_TRUE(shown().isEmpty() && fakes.messages.shown.empty());

    save("MIS1");
    for (const char* remembered : {"1", "0", "1"}) {
        click(*report(), "chkDoNotShow");
        EXPECT_EQ(fakes.settings.values[kSetting], remembered);
    }
    click(*report(), "cmdOk");
    save("MIS2");
    EXPECT_TRUE(shown().isEmpty());
    fakes.settings.values[kSetting] = "0";
    save("MIS1");
    EXPECT_FALSE(shown().isEmpty() || find<QCheckBox>(*report(), "chkDoNotShow")->isChecked());
}

// Whatever the box says, the status line says what each save did, and its link shows the report;
// the File menu turns the reports back on.
TEST_F(ReportWindow, TheStatusLineSaysWhatASaveDidAndTheMenuTurnsTheReportsBackOn) {
    auto lossy = missionWithTypes<Df1Mission>({1040, 3001, 5001});
    lossy.waypoints[2].waypoint_text.set("route");
    saveMission(data / "a01.bms", lossy, MissionForm::Binary, {});
    openThroughDialog(data / "a01.bms");
    fakes.settings.values[kSetting] = "1";
    save("MIS2");
    EXPECT_TRUE(shown().isEmpty());
    const QRegularExpression said(
        "^Saved MIS2\\.mis for Delta Force 2: 1 replaced, 1 not carried, \\d+ defaults? "
        "set \u2014 Show report$");
    EXPECT_TRUE(said.match(status()).hasMatch()) << status().toStdString();
    emit find<QLabel>(*window, "lblStatus")->linkActivated("report");
    QStringList lines = shown();
    lines.removeIf([](const QString& line) { return line.startsWith("Set: "); });
    EXPECT_EQ(lines, QStringList({"MIS2.mis: Converted From DF1 To DF2", kReplaced, kWaypoint}));
    EXPECT_TRUE(find<QCheckBox>(*report(), "chkDoNotShow")->isChecked()) << "the box as it is";
    click(*report(), "cmdOk");
    save("BMS1");
    EXPECT_EQ(status(), "Saved BMS1.bms for Delta Force 1: nothing lost");

    auto* menu = find<QMenu>(*window, "mnuFile");
    auto* reports = find<QAction>(*window, "actShowReports");
    emit menu->aboutToShow();
    EXPECT_FALSE(reports->isChecked());
    reports->trigger();
    EXPECT_EQ(fakes.settings.values[kSetting], "0");
    save("MIS1");
    EXPECT_EQ(shown(), QStringList({"MIS1.mis: Saved As DF1 Ascii File", kWaypoint}));
    EXPECT_EQ(status(), QString::fromUtf8("Saved MIS1.mis for Delta Force 1: 1 not carried \u2014 Show report"));
    click(*report(), "chkDoNotShow");
    emit menu->aboutToShow();
    EXPECT_FALSE(reports->isChecked()) << "the menu shows what the box set";
}

// What the ascii reader passed over shows after the open, in the same window under the same setting.
TEST_F(ReportWindow, AnOpenWhoseReaderPassedOverLinesShowsThem) {
    const auto odd = data.write("odd.mis",
                                "// Converter for Delta Force 2\r\nbegin general_information\r\n"
                                "  colour 3\r\nend general_information\r\n");
    openThroughDialog(odd);
    EXPECT_EQ(shown(), QStringList({"odd.mis: Opened As DF2 Ascii File; The Reader Passed Over:",
                                    "Ignored: line 3: unknown keyword \"colour\" in the general_information block"}));
    EXPECT_TRUE(window->isEnabled());
    openThroughDialog(write<Df2Mission>({3001}, "clean.mis"));
    EXPECT_TRUE(shown().isEmpty()) << "the report of an earlier file no longer applies";
    fakes.settings.values[kSetting] = "1";  // as an earlier run left it
    openThroughDialog(odd);
    EXPECT_TRUE(shown().isEmpty() && fakes.messages.shown.empty());
}

}  // namespace
}  // namespace vok::testing
