// The one builder of the texts the user reads, in the window's style and in vok's.
#include "workflow/messages.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vok::workflow {
namespace {

using enum DfType;
constexpr Style kWindow = Style::Window, kTerminal = Style::Terminal;

const Error kTeam(Fault::OutOfRange, "m.mis", "team 256 is outside 0..255", 3);
const Error kGone(Fault::CannotOpen, "m.mis", "No such file or directory");
const Error kEmpty(Fault::NoMission, "m.mis", "neither a general_information block nor an item", 2);

// One rule for every face: the reader's fault is a line of a file that reads and holds a mission.
TEST(Messages, OneRuleTellsTheReadersFaultsFromTheFilesFaults) {
    const auto isReaderFault = [](const Error& error, MissionForm form) {
        return readFailureText(error, form, Df2, kWindow) != fileFailureText(error, kWindow);
    };
    EXPECT_TRUE(isReaderFault(kTeam, MissionForm::Ascii));
    EXPECT_FALSE(isReaderFault(kTeam, MissionForm::Binary));
    for (const Fault fault : {Fault::CannotOpen, Fault::NoMission, Fault::InvalidModel, Fault::CannotWrite}) {
        EXPECT_FALSE(isReaderFault(Error(fault, "m.mis", ""), MissionForm::Ascii)) << describeFault(fault);
    }
    EXPECT_TRUE(isWriteRefusal(Error(Fault::CannotWrite, "l", systemErrorText(EROFS))));
    EXPECT_FALSE(isWriteRefusal(Error(Fault::CannotWrite, "l", systemErrorText(ENOSPC))));
}

TEST(Messages, ReadFailuresNameTheReaderAndTheLineOrTheFile) {
    EXPECT_EQ(readFailureText(kTeam, MissionForm::Ascii, Df2, kWindow),
              "Warning!: Error in OpenDF2MIS\r\nNumber out of range: team 256 is outside 0..255\r\nAt Line: 3");
    EXPECT_EQ(
        readFailureText(kTeam, MissionForm::Ascii, Df3, kTerminal),
        "vok: m.mis:\nWarning!: Error in OpenDF3MIS\nNumber out of range: team 256 is outside 0..255\nAt Line: 3\n");
    EXPECT_EQ(readFailureText(kGone, MissionForm::Ascii, Df1, kWindow),
              "m.mis\r\nThe file cannot be opened: No such file or directory");
    EXPECT_EQ(readFailureText(kEmpty, MissionForm::Ascii, Df1, kTerminal),
              "vok: m.mis: The file holds no mission: neither a general_information block nor an item at line 2\n");
    EXPECT_EQ(fileFailureText(Error(Fault::TooShort, "", "", 0, 12), kWindow),
              "?\r\nThe file is too short for the sections its counts announce (at offset 12)");
    EXPECT_EQ(unexpectedReadFailureText("m.bms", std::runtime_error("bad"), kWindow), "m.bms\r\nbad");
    EXPECT_EQ(unexpectedReadFailureText("m.bms", std::runtime_error("bad"), kTerminal), "vok: m.bms: bad\n");
}

TEST(Messages, TheVersionQuestionAndVoksAdvice) {
    EXPECT_EQ(versionNotRecognisedText("u.bms", kWindow),
              "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?");
    EXPECT_EQ(versionNotRecognisedText("u.bms", kTerminal),
              "vok: u.bms: the game version could not be recognised; give it with --from df1|df2|df3\n");
}

// The list-load failure of all three programs, and the lists' other messages.
TEST(Messages, ListsThatCannotBeLoadedOrSaved) {
    const Error bad(Fault::BadList, "/p/DF2Items.vok", "a count of 0");
    EXPECT_EQ(
        listLoadFailureText(bad, kWindow),
        "Warning!, There Was an Error In 'InitilizeItemLists'\r\n/p/DF2Items.vok: The list file is faulty: a count "
        "of 0");
    EXPECT_EQ(
        listLoadFailureText(bad, kTerminal),
        "vok: Warning!, There Was an Error In 'InitilizeItemLists'\nvok: /p/DF2Items.vok: The list file is faulty: "
        "a count of 0\n");
    EXPECT_EQ(listLoadFailureText(std::runtime_error("odd"), kWindow),
              "Warning!, There Was an Error In 'InitilizeItemLists'\r\nodd");
    EXPECT_EQ(listReloadFailureText(bad),
              "Warning!, The Lists Changed On Disk But Could Not Be Read Again:\r\n/p/DF2Items.vok: The list file is "
              "faulty: a count of 0\r\nThe Lists Read Before Stay In Use.");
    const Error full(Fault::CannotWrite, "/p/DF1Replace.vok", "No space left on device");
    const std::string notSaved =
        "Warning!, The Replacement Could Not Be Saved In The List File:\r\n/p/DF1Replace.vok\r\nThe file cannot be "
        "written: No space left on device\r\nIt Is Remembered Until The Program Ends.";
    EXPECT_EQ(replacementNotSavedText(full, "/p", false), notSaved);
    EXPECT_TRUE(replacementNotSavedText(full, "/p", true).starts_with(notSaved + "\r\nThe Program Folder /p Cannot"));
    EXPECT_TRUE(replacementNotSavedText(full, "/p", true).ends_with("vok --lists DIR"));
}

TEST(Messages, ConversionsAndTheirReports) {
    EXPECT_EQ(conversionFailureText(std::runtime_error("x"), kWindow), "The Mission Could Not Be Converted!\r\nx");
    const std::vector<MissingType> missing{{2031, "Jeep", 2}, {600, "", 1}};
    EXPECT_EQ(missingTypesText("m.bms", missing, Df3, kTerminal),
              "vok: m.bms: 2 item types are missing in Delta Force Land Warrior and no replacement list entry covers "
              "them:\n  2031  Jeep  (2 items)\n  600  (no description)  (1 item)\nvok: add replacements (Vok_Tally, "
              "or vok lists import), or choose --replace skip|remove\n");
    EXPECT_TRUE(missingTypesText("m.bms", {missing[0]}, Df3, kWindow)
                    .starts_with("m.bms: 1 item type is missing in Delta Force Land Warrior and no replacement list "
                                 "entry covers it:\r\n  2031  Jeep  (2 items)\r\nadd"));
    EXPECT_EQ(saveReportHeading("a.mis", Df1, Df2, kWindow), "a.mis: Converted From DF1 To DF2");
    EXPECT_EQ(saveReportHeading("a.mis", Df3, Df3, kWindow), "a.mis: Saved As DF:LW Ascii File");
    EXPECT_EQ(saveReportHeading("o/a.mis", Df1, Df3, kTerminal),
              "vok: o/a.mis: converted from Delta Force 1 to Delta Force Land Warrior\n");
    EXPECT_EQ(saveReportHeading("o/a.mis", Df2, Df2, kTerminal),
              "vok: o/a.mis: saved as a Delta Force 2 ascii mission\n");
    EXPECT_EQ(reportLineText({ReportLine::Kind::Lost, "terrain \"caf\xe9\""}), "Not carried: terrain \"caf\u00e9\"");
    EXPECT_EQ(dropRefusedText(),
              "Only One Mission File Can Be Dropped Here: A Binary (*.BMS) Or An Ascii (*.MIS) File.");
}

// The converter's status line says after every open and save what happened, the report or not.
TEST(Messages, TheStatusLineAfterAnOpenOrASave) {
    using Kind = ReportLine::Kind;
    const std::string link = " \xE2\x80\x94 Show report";
    const std::vector<ReportLine> lines{{Kind::Set, "a"},      {Kind::Replaced, "b"}, {Kind::Lost, "c"},
                                        {Kind::Replaced, "d"}, {Kind::Skipped, "e"},  {Kind::Kept, "f"},
                                        {Kind::Cut, "g"},      {Kind::Removed, "h"},  {Kind::Warning, "i"}};
    const std::pair<std::vector<ReportLine>, std::string> saves[] = {
        {{}, "Saved b.mis for Delta Force 1: nothing lost"},
        {{lines[1], lines[2], lines[3]}, "Saved b.mis for Delta Force 1: 2 replaced, 1 not carried" + link},
        {{lines[0]}, "Saved b.mis for Delta Force 1: 1 default set" + link},
        {lines,
         "Saved b.mis for Delta Force 1: 2 replaced, 1 removed, 2 kept, 2 not carried, 1 warning, 1 default "
         "set" +
             link},
    };
    for (const auto& [report, text] : saves) EXPECT_EQ(saveStatusText("b.mis", Df1, report), text);
    EXPECT_EQ(saveStatusText("x.bms", Df3, {lines[8], lines[8]}),
              "Saved x.bms for Delta Force Land Warrior: 2 warnings" + link);
    EXPECT_EQ(nothingSavedStatusText(false), "Nothing saved: the save was cancelled");
    EXPECT_EQ(nothingSavedStatusText(true), "Nothing saved: the save failed");
    EXPECT_EQ(openStatusText("b.bms", Df2, 0), "Opened b.bms (Delta Force 2)");
    EXPECT_EQ(openStatusText("o.mis", Df1, 1), "Opened o.mis (Delta Force 1): 1 line passed over" + link);
    EXPECT_EQ(openStatusText("o.mis", Df1, 3), "Opened o.mis (Delta Force 1): 3 lines passed over" + link);
    EXPECT_EQ(openFailedStatusText("u.bms"), "Nothing opened: u.bms was not read");
    EXPECT_EQ(replaceOpenedMissionText("b.bms", Df2, Df1),
              "b.bms is the mission you opened (Delta Force 2). Replace it with its Delta Force 1 conversion?");
}

}  // namespace
}  // namespace vok::workflow
