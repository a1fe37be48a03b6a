// The campaign window: what it asks before anything is written (the outputs that exist, each
// missing type once with its items and missions), the progress with Cancel in the middle, and the
// summary with each file's report and the CSV. The campaign's flow itself is tested in workflow/.
#include "converter/campaign_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableWidget>
#include <QUrl>

#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

class CampaignWindowTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        // Delta Force 2 lacks 1100 and 600.
        write<Df1Mission>({1040, 1100, 1100, 3001}, "a.bms");
        write<Df1Mission>({1100, 600}, "b.mis");
        write<Df1Mission>({3001}, "c.bms");
        write<Df1Mission>({3001}, "d.bms");
        fs::create_directory(data / "out");
        data.write("out/c.bms", "older");
    }

    /// The campaign window opened by several files dropped on the main window.
    converter::frmCampaign& dropped(const std::vector<fs::path>& files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& file : files) urls << QUrl::fromLocalFile(qtPath(file));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QCoreApplication::processEvents();
        auto* campaign = window->findChild<converter::frmCampaign*>();
        EXPECT_NE(campaign, nullptr);
        find<QComboBox>(*campaign, "cboTarget")->setCurrentIndex(1);  // Delta Force 2
        find<QLineEdit>(*campaign, "txtFolder")->setText(qtPath(data / "out"));
        return *campaign;
    }

    static QString cell(const converter::frmCampaign& campaign, int row, int column) {
        const auto* item = find<QTableWidget>(campaign, "tblSummary")->item(row, column);
        return item != nullptr ? item->text() : QStringLiteral("(none)");
    }
};

// A campaign of four missions: the existing output is overwritten after one question, each missing
// type is asked once with how many items in how many missions use it, Cancel after the second file
// leaves the rest untouched, and the summary tells each file and shows its report.
TEST_F(CampaignWindowTest, AsksOnceForAllThenConvertsOffTheWindowThreadUntilCancelled) {
    auto& campaign = dropped({data / "a.bms", data / "b.mis", data / "c.bms", data / "d.bms"});
    EXPECT_EQ(find<QListWidget>(campaign, "lstInputs")->count(), 4);
    fakes.messages.answers.push_back(true);  // overwrite out/c.bms
    QStringList asked;
    ModalScript script;
    script
        .then("frmReplace",
              [&](QWidget& dialog) {
                  asked << find<QLabel>(dialog, "lblNotFound")->text();
                  auto* ids = find<QListWidget>(dialog, "lstID");
                  ids->setCurrentItem(ids->findItems("1200", Qt::MatchExactly).value(0));
                  click(dialog, "cmdOk");
              })
        .then("frmReplace", [&](QWidget& dialog) {
            asked << find<QLabel>(dialog, "lblNotFound")->text();
            click(dialog, "cmdRemove");
        });
    QObject::connect(&campaign, &converter::frmCampaign::fileStarted, &campaign, [&](int index) {
        if (index == 1) click(campaign, "cmdCancel");
    });
    QSignalSpy finished(&campaign, &converter::frmCampaign::campaignFinished);
    click(campaign, "cmdConvert");
    EXPECT_TRUE(script.finished());
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].startsWith("#:1100 Description: Buoy\nUsed By 3 Items In 2 Missions"))
        << asked[0].toStdString();
    EXPECT_TRUE(asked[1].endsWith("Used By 1 Item In 1 Mission")) << asked[1].toStdString();
    EXPECT_TRUE(campaign.running());
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].text.startsWith("1 Of The Files To Be Written Exist Already:"));

    EXPECT_EQ(typesOf(openMission(data / "out" / "a.bms", DfType::Df2, MissionForm::Binary)),
              (std::vector<int>{2005, 1200, 1200, 3001}));
    EXPECT_EQ(typesOf(openMission(data / "out" / "b.mis", DfType::Df2, MissionForm::Ascii)),
              (std::vector<int>{1200, 0}));
    EXPECT_EQ(slurp(data / "out" / "c.bms"), "older");
    EXPECT_FALSE(fs::exists(data / "out" / "d.bms"));
    EXPECT_EQ(cell(campaign, 0, 1), "Written");
    EXPECT_EQ(cell(campaign, 0, 2), "2");  // 1040 by the lists, 1100 by the answer
    EXPECT_EQ(cell(campaign, 1, 3), "1");
    EXPECT_EQ(cell(campaign, 2, 1), "Not Written (Cancelled)");
    EXPECT_EQ(cell(campaign, 3, 1), "Not Written (Cancelled)");
    EXPECT_EQ(find<QLabel>(campaign, "lblProgress")->text(), "2 Written, 0 Failed, 2 Not Written");

    // A double-click shows the file's report; the summary is saved as CSV.
    auto* table = find<QTableWidget>(campaign, "tblSummary");
    emit table->cellDoubleClicked(1, 0);
    auto* report = campaign.findChild<QDialog*>("frmReport");
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(find<QLabel>(*report, "lblReport")->text().contains("Converted From DF1 To DF2"));
    fakes.files.saveAnswers.push_back(qtPath(data / "summary.csv"));
    click(campaign, "cmdSaveSummary");
    const std::string csv = slurp(data / "summary.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "file,result,replaced,removed,kept,not carried\r\n");
    EXPECT_NE(csv.find(displayPath(data / "d.bms") + ",Not Written (Cancelled),,,,\r\n"), std::string::npos) << csv;
}

// "Cancel Save" in a replacement question, and "No" to overwriting, write nothing over anything.
TEST_F(CampaignWindowTest, CancelSaveWritesNothingAndNoLeavesExistingOutputsOut) {
    // The button beside the open group, the files and the output folder by their dialogs.
    click(*window, "cmdConvertMissions");
    auto* shown = window->findChild<converter::frmCampaign*>();
    ASSERT_TRUE(shown != nullptr && shown->isVisible());
    auto& campaign = *shown;
    fakes.files.openManyAnswers.push_back({qtPath(data / "c.bms"), qtPath(data / "b.mis")});
    click(campaign, "cmdAddFiles");
    fakes.files.folderAnswers.push_back(qtPath(data / "out"));
    click(campaign, "cmdFolder");
    EXPECT_EQ(find<QLineEdit>(campaign, "txtFolder")->text(), qtPath(data / "out"));
    find<QComboBox>(campaign, "cboTarget")->setCurrentIndex(1);
    fakes.messages.answers.push_back(false);
    ModalScript script;
    script.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdCancelSave"); });
    click(campaign, "cmdConvert");
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(campaign.running());
    EXPECT_EQ(find<QLabel>(campaign, "lblProgress")->text(), "Cancelled: Nothing Was Written.");
    EXPECT_FALSE(fs::exists(data / "out" / "b.mis"));
    EXPECT_EQ(slurp(data / "out" / "c.bms"), "older");
    ASSERT_EQ(campaign.campaign()->files().size(), 1u);  // c.bms left out
}

}  // namespace
}  // namespace vok::testing
