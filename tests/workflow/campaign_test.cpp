// A campaign: inputs and folders planned into one output folder (vok's and the window's rules),
// the missing types of all missions gathered once, answers for all, a stop between files, and the
// result of each file.
#include "workflow/campaign.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/test_missions.h"

namespace vok::workflow {
namespace {

using testing::missionWithTypes;
using testing::typesOf;
using enum DfType;
namespace fs = std::filesystem;
using Result = CampaignFile::Result;

const Timestamp kWhen{2024, 3, 5, 2, 14, 7, 9};

class CampaignTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeTestLists(listFolder.path());
        lists.InitilizeItemLists();
        // Delta Force 2 lacks 1100 and 600; 1040 has a replacement in the lists.
        fs::create_directories(in / "sub");
        saveMission(in / "a.bms", missionWithTypes<Df1Mission>({1040, 1100, 1100, 3001}), MissionForm::Binary, kWhen);
        saveMission(in / "c.bms", missionWithTypes<Df2Mission>({1200}), MissionForm::Binary, kWhen);
        saveMission(in / "sub" / "b.mis", missionWithTypes<Df1Mission>({1100, 600}), MissionForm::Ascii, kWhen);
        in.write("bad.bms", "BMS");
        in.write("notes.txt", "not a mission");
    }

    std::vector<fs::path> outputs() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(out.path()))
            if (entry.is_regular_file()) found.push_back(entry.path().lexically_relative(out.path()));
        std::sort(found.begin(), found.end());
        return found;
    }

    testing::TempDir listFolder, in, out;
    ListStore lists{listFolder.path()};
    Campaign campaign{[this]() -> ListStore& { return lists; }, Style::Window};
};

TEST_F(CampaignTest, FoldersGiveTheirMissionFilesAndTheTreeIsKeptUnderTheOutputFolder) {
    const auto flat = campaignInputs({in.path()}, false);
    ASSERT_EQ(flat.size(), 3u);
    EXPECT_EQ(flat[0].file, in / "a.bms");
    EXPECT_EQ(flat[2].file, in / "c.bms");
    const auto tree = campaignInputs({in.path(), in / "a.bms"}, true);
    ASSERT_EQ(tree.size(), 5u);
    EXPECT_EQ(tree[3].file, in / "sub" / "b.mis");
    EXPECT_EQ(tree[3].subFolder, "sub");
    EXPECT_EQ(tree[4].subFolder, "");  // a file given by itself goes to the folder itself

    EXPECT_EQ(campaign.plan(campaignInputs({in.path()}, true), out.path(), std::nullopt), "");
    ASSERT_EQ(campaign.files().size(), 4u);
    EXPECT_EQ(campaign.files()[3].output, out / "sub" / "b.mis");
    EXPECT_EQ(campaign.plan(campaignInputs({in.path()}, true), out.path(), MissionForm::Binary), "");
    EXPECT_EQ(campaign.files()[3].output, out / "sub" / "b.bms");
    EXPECT_EQ(campaign.files()[3].outputForm, MissionForm::Binary);
}

// Nothing is written over an input nor twice; an output that exists is told for one question.
TEST_F(CampaignTest, RefusesAnOutputThatIsAnInputOrTwoInputsIntoOneOutputAndTellsExistingOutputs) {
    saveMission(in / "a.mis", missionWithTypes<Df1Mission>({3001}), MissionForm::Ascii, kWhen);
    EXPECT_EQ(campaign.plan(campaignInputs({in / "a.bms", in / "a.mis"}, false), out.path(), MissionForm::Ascii),
              displayPath(in / "a.bms") + " and " + displayPath(in / "a.mis") + " would both be written to " +
                  displayPath(out / "a.mis") + "; nothing was written");
    EXPECT_EQ(campaign.plan(campaignInputs({in / "c.bms", in / "a.mis"}, false), in.path(), MissionForm::Binary),
              displayPath(in / "c.bms") + ", the output of " + displayPath(in / "c.bms") + ", is the input " +
                  displayPath(in / "c.bms") + " itself; nothing was written");

    out.write("c.mis", "older");
    EXPECT_EQ(campaign.plan(campaignInputs({in / "a.bms", in / "c.bms"}, false), out.path(), MissionForm::Ascii), "");
    ASSERT_EQ(campaign.collisions().size(), 1u);
    EXPECT_EQ(campaign.collisions()[0]->input, in / "c.bms");
    campaign.dropCollisions();
    ASSERT_EQ(campaign.files().size(), 1u);
    EXPECT_EQ(campaign.files()[0].input, in / "a.bms");
}

// Each type no list covers is asked once for all the missions, with its items and missions; the
// answers serve every mission, a file that cannot be read fails alone, and each result is told.
TEST_F(CampaignTest, GathersMissingTypesOnceAppliesTheAnswersToAllAndTellsEachFile) {
    ASSERT_EQ(campaign.plan(campaignInputs({in.path()}, true), out.path(), std::nullopt), "");
    campaign.open();
    EXPECT_EQ(campaign.files()[1].result, Result::Failed);  // bad.bms
    EXPECT_NE(campaign.files()[1].message.find("bad.bms"), std::string::npos) << campaign.files()[1].message;

    EXPECT_TRUE(campaign.missingTypes(None).empty());  // each file keeps its version
    auto missing = campaign.missingTypes(Df2);
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].id, 1100);
    EXPECT_EQ(missing[0].from, Df1);
    EXPECT_EQ(missing[0].description, "Buoy");
    EXPECT_EQ(missing[0].items, 3);
    EXPECT_EQ(missing[0].missions, 2);
    EXPECT_EQ(missing[0].files,
              (std::vector<std::string>{displayPath(in / "a.bms"), displayPath(in / "sub" / "b.mis")}));
    EXPECT_EQ(missing[1].id, 600);
    EXPECT_EQ(missing[1].items, 1);
    EXPECT_EQ(missingTypesUsedBy(campaign.files()[0], missing), 1u);  // a.bms: 1100
    EXPECT_EQ(missingTypesUsedBy(campaign.files()[2], missing), 0u);  // c.bms
    EXPECT_EQ(missingTypesUsedBy(campaign.files()[3], missing), 2u);  // sub/b.mis: 1100 and 600

    campaign.answer(1100, Df1, Df2, ReplacementAnswer::replace(2005, ReplacementAnswer::Remember::ForRun));
    missing = campaign.missingTypes(Df2);
    ASSERT_EQ(missing.size(), 1u);
    campaign.answer(600, Df2, ReplacementAnswer::remove());
    EXPECT_TRUE(campaign.missingTypes(Df2).empty());

    std::vector<std::size_t> told;
    EXPECT_TRUE(campaign.run({Df2,
                              std::nullopt,
                              kWhen,
                              true,
                              nullptr,
                              [&told](std::size_t index, std::size_t total, const CampaignFile&) {
                                  EXPECT_EQ(total, 4u);
                                  told.push_back(index);
                              },
                              {}}));
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 2, 3}));
    EXPECT_EQ(outputs(), (std::vector<fs::path>{"a.bms", "c.bms", fs::path("sub") / "b.mis"}));
    EXPECT_EQ(typesOf(openMission(out / "a.bms", Df2, MissionForm::Binary)),
              (std::vector<int>{2005, 2005, 2005, 3001}));
    EXPECT_EQ(typesOf(openMission(out / "sub" / "b.mis", Df2, MissionForm::Ascii)), (std::vector<int>{2005, 0}));
    EXPECT_EQ(campaign.count(Result::Written), 3u);
    EXPECT_EQ(campaign.count(Result::Failed), 1u);
    const CampaignFile& b = campaign.files()[3];
    EXPECT_EQ(b.replaced, 1);
    EXPECT_EQ(b.removed, 1);
    EXPECT_EQ(b.kept, 0);
    EXPECT_EQ(b.report.from, Df1);
    EXPECT_EQ(campaign.files()[0].replaced, 2);  // 1040 by the lists, 1100 by the answer
}

// A stop asked for between two files leaves those written and touches no other; an answer from a
// file comes before the lists; what no answer covers goes to the fallback, else it is kept.
TEST_F(CampaignTest, StopsBetweenFilesAndKeepsTypesNoAnswerCovers) {
    ASSERT_EQ(
        campaign.plan(campaignInputs({in / "a.bms", in / "sub" / "b.mis"}, false), out.path(), MissionForm::Binary),
        "");
    campaign.open();
    campaign.answer(1040, Df2, ReplacementAnswer::replace(1200));  // from a file: before the lists
    bool stop = false;
    EXPECT_FALSE(campaign.run({Df2, "Dunes", kWhen, true, nullptr,
                               [&stop](std::size_t, std::size_t, const CampaignFile&) { stop = true; },
                               [&stop] { return stop; }}));
    EXPECT_EQ(outputs(), (std::vector<fs::path>{"a.bms"}));
    EXPECT_EQ(campaign.files()[0].result, Result::Written);
    EXPECT_EQ(campaign.files()[0].kept, 1);
    EXPECT_EQ(campaign.files()[1].result, Result::Pending);
    const auto written = std::get<Df2Mission>(openMission(out / "a.bms", Df2, MissionForm::Binary));
    EXPECT_EQ(written.header.terrain.text(), "Dunes");
    EXPECT_EQ(typesOf(written), (std::vector<int>{1200, 1100, 1100, 3001}));
}

TEST(CampaignAnswers, ReadsTypeAndAnswerLinesAndNamesTheLineAtFault) {
    const auto answers = answersFromText("\xEF\xBB\xBF# answers\r\n2031\t2005\r\n\n600\tremove\n7\tskip", "a.txt");
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].id, 2031);
    EXPECT_EQ(answers[0].answer, ReplacementAnswer::replace(2005));
    EXPECT_EQ(answers[1].answer, ReplacementAnswer::remove());
    EXPECT_EQ(answers[2].answer, ReplacementAnswer::skip());
    for (const char* faulty : {"2031 2005\n", "2031\tdelete\n", "0\tskip\n", "70000\t1\n", "12x\tskip\n"}) {
        try {
            answersFromText(std::string("# one\n") + faulty, "a.txt");
            ADD_FAILURE() << faulty;
        } catch (const Error& error) {
            EXPECT_EQ(error.path(), "a.txt");
            EXPECT_EQ(error.line(), 2);
        }
    }
}

}  // namespace
}  // namespace vok::workflow
