// The converter's main window driven headless: start-up and command line, the open and save flows
// with their dialogs, the remembered folders, conversions that ask for replacements, and the
// faults of files that cannot be read or written.

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "conversion/convert.h"
#include "converter/converter_app.h"
#include "converter/look.h"
#include "lists/list_files.h"
#include "tests/converter/converter_fixture.h"
#include "tests/lists/read_only_folder.h"
#include "tests/support/scripted_chooser.h"

namespace vok::testing {
namespace {

using converter::frmMain;

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QString kTitle = QStringLiteral("Vok Tamber's Mission Converter");

std::vector<int> typesOf(const auto& mission) {
    std::vector<int> types;
    for (const auto& item : mission.items) types.push_back(item.type_id);
    return types;
}

bool anyReplaceDialogLeft() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("frmReplace")) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The window as it starts.

TEST_F(ConverterTest, StartsEmptyWithEveryControlAndCaption) {
    EXPECT_EQ(window->objectName(), "frmMain");
    EXPECT_EQ(window->windowTitle(), kTitle);
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdOpenBMS", "Binary Mission File (*.BMS)"},
        {"cmdOpenMIS", "Ascii Mission File (*.MIS)"},
        {"cmdSaveFileBMS1", "As Binary Mission File For DF1 (*.BMS)"},
        {"cmdSaveFileBMS2", "As Binary Mission File For DF2 (*.BMS)"},
        {"cmdSaveFileBMS3", "As Binary Mission File For DF:LW (*.BMS)"},
        {"cmdSaveFileMIS1", "As Ascii Mission File  For DF1 (*.MIS)"},
        {"cmdSaveFileMIS2", "As Ascii Mission File  For DF2 (*.MIS)"},
        {"cmdSaveFileMIS3", "As Ascii Mission File  For DF:LW (*.MIS)"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* button = find<QPushButton>(*window, name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromLatin1(caption)) << name;
    }
    EXPECT_EQ(find<QGroupBox>(*window, "fraOpenFile")->title(), "Open File");
    EXPECT_EQ(find<QGroupBox>(*window, "fraSaveFile")->title(), "Save File");
    EXPECT_EQ(find<QGroupBox>(*window, "fraAbout")->title(), "About");

    QStringList credits(2);
    for (QLabel* label : window->findChildren<QLabel*>(QStringLiteral("lblAbout"))) {
        const int index = label->property("index").toInt();
        ASSERT_TRUE(index == 0 || index == 1);
        credits[index] = label->text();
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::yellow));
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::blue));
    }
    EXPECT_EQ(credits, QStringList({"Created By Vok Tamber", "eMail vok.tamber@example.com"}));

    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(window->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(window->CurrentDfVersion, 0);
    EXPECT_EQ(openPanel(), kGreen);
    EXPECT_EQ(savePanel(), kRed);
    EXPECT_FALSE(saveEnabled());
}

TEST_F(ConverterTest, ArrangesOpenSaveAndAboutGroupsWithBinaryLeftAndAsciiRight) {
    auto top = [this](const char* name) { return find<QWidget>(*window, name)->mapTo(window.get(), QPoint(0, 0)); };
    EXPECT_LT(top("fraOpenFile").y(), top("fraSaveFile").y());
    EXPECT_LT(top("fraSaveFile").y(), top("fraAbout").y());
    for (int row = 1; row <= 3; ++row) {
        const QPoint binary = top(qPrintable(QStringLiteral("cmdSaveFileBMS%1").arg(row)));
        const QPoint ascii = top(qPrintable(QStringLiteral("cmdSaveFileMIS%1").arg(row)));
        EXPECT_LT(binary.x(), ascii.x());
        EXPECT_EQ(binary.y(), ascii.y());
        if (row > 1) {
            EXPECT_GT(binary.y(), top(qPrintable(QStringLiteral("cmdSaveFileBMS%1").arg(row - 1))).y());
        }
    }
    // The status panels lie behind their commands.
    EXPECT_EQ(find<QWidget>(*window, "cmdOpenMIS")->parentWidget()->objectName(), "lblColor");
    EXPECT_EQ(find<QWidget>(*window, "cmdSaveFileMIS3")->parentWidget()->objectName(), "lblColor2");
}

// ---------------------------------------------------------------------------------------------
// The command line.

struct CommandLineCase {
    const char* file;              // written as a DF2 mission in its form (.txt: binary)
    std::vector<std::string> args;  // "%" stands for the folder of the file
    DfType version;                 // after start-up
};

TEST_F(ConverterTest, CommandLineOpensPathsEndingInBmsOrMisInAnyCase) {
    const Df2Mission mission = missionWithTypes<Df2Mission>(std::vector<int>(12, 1200), "desert");
    const std::string folder = data.path().string();
    const CommandLineCase cases[] = {
        {"a01.bms", {"%/a01.bms"}, kDf2},
        {"a01.Mis", {"%/a01.Mis"}, kDf2},
        {"A02.BMS", {"%/A02.BMS"}, kDf2},
        {"a01.txt", {"%/a01.txt"}, 0},
        {"night raid.bms", {"%/night", "raid.bms"}, kDf2},  // split by the shell, joined again
        {"night raid 2.mis", {"\"%/night raid 2.mis\""}, kDf2},
    };
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string name = c.file;
        const bool ascii = name.size() > 4 && (name.ends_with(".Mis") || name.ends_with(".mis"));
        const auto path = ascii ? writeAscii(mission, name) : writeBinary(mission, name);
        QStringList args;
        for (std::string arg : c.args) {
            if (const auto at = arg.find('%'); at != std::string::npos) arg.replace(at, 1, folder);
            args << QString::fromStdString(arg);
        }
        window = std::make_unique<frmMain>(fakes.seams, *lists, qtPath(programFolder.path()), fixedClock, fileSystem);
        window->startUp(args);
        EXPECT_EQ(window->CurrentDfVersion, c.version);
        EXPECT_TRUE(window->OpenFilePath.isEmpty());
        if (c.version == 0) {
            EXPECT_EQ(openCaption(), "Open File");
            EXPECT_FALSE(saveEnabled());
            continue;
        }
        EXPECT_EQ(openCaption(), QStringLiteral("Open File: %1 (From: DF2)").arg(QString::fromStdString(name)));
        EXPECT_EQ(window->df2Model(), ascii ? OpenDF2MIS(path) : OpenDF2BMS(path));
        EXPECT_TRUE(window->isEnabled());
    }
    EXPECT_TRUE(fakes.messages.shown.empty());
    EXPECT_TRUE(fakes.settings.values.empty()) << "the command line remembers no folder";
}

TEST_F(ConverterTest, CommandLineFileThatCannotBeOpenedIsReportedNamingIt) {
    const auto missing = data / "gone.bms";
    window->startUp({qtPath(missing)});
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_FALSE(fakes.messages.shown[0].yesNo) << "no question about the version of a file that is not there";
    EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(missing)));
    EXPECT_EQ(window->CurrentDfVersion, 0);
    EXPECT_EQ(openPanel(), kGreen);
    EXPECT_EQ(savePanel(), kRed);
    EXPECT_TRUE(window->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// Opening through the dialog.

TEST_F(ConverterTest, OpenNamesTheFileAndItsVersionAndEnablesSaving) {
    const struct {
        AnyMission mission;
        const char* name;
        const char* caption;
    } cases[] = {
        {missionWithTypes<Df2Mission>({3001, 2005}, "desert"), "a01.bms", "Open File: a01.bms (From: DF2)"},
        {missionWithTypes<Df3Mission>({3001, 2001}, "hills"), "a01.bms", "Open File: a01.bms (From: DF:LW)"},
        {missionWithTypes<Df1Mission>({3001, 2031}, "harbour"), "m01.part2.bms", "Open File: m01.part2.bms (From: DF1)"},
        {missionWithTypes<Df2Mission>(std::vector<int>(10, 1200), "desert"), "b02.mis",
         "Open File: b02.mis (From: DF2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        const bool ascii = std::string_view(c.name).ends_with(".mis");
        const auto path = ascii ? writeAscii(c.mission, c.name) : writeBinary(c.mission, c.name);
        openThroughDialog(path);
        const DfType version = versionOf(c.mission);
        EXPECT_EQ(window->CurrentDfVersion, version);
        EXPECT_EQ(openCaption(), QString::fromLatin1(c.caption));
        EXPECT_EQ(openPanel(), kGreen);
        EXPECT_EQ(savePanel(), kGreen);
        EXPECT_TRUE(saveEnabled());
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(window->OpenFilePath, qtPath(path));
        const AnyMission expected = openMission(path, version, ascii ? MissionForm::Ascii : MissionForm::Binary);
        switch (version) {
            case kDf1: EXPECT_EQ(window->df1Model(), std::get<Df1Mission>(expected)); break;
            case kDf2: EXPECT_EQ(window->df2Model(), std::get<Df2Mission>(expected)); break;
            default: EXPECT_EQ(window->df3Model(), std::get<Df3Mission>(expected)); break;
        }
    }
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(ConverterTest, OpenDialogRequestAndEachFormsRememberedFolder) {
    const auto first = writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms");
    std::filesystem::create_directory(data / "sub");
    const auto second = writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "sub/a02.bms");
    const auto ascii = writeAscii(missionWithTypes<Df2Mission>(std::vector<int>(10, 1200), "x"), "c03.mis");

    openThroughDialog(first);
    ASSERT_EQ(fakes.files.opened.size(), 1u);
    const ui::FileRequest& request = fakes.files.opened[0];
    EXPECT_EQ(request.title, "Please Select Delta Force 1/2/3 Mission");
    EXPECT_EQ(request.filter, "Binary Mission Files (*.BMS)|*.BMS|All Files (*.*)|*.*");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.initialFolder, ui::defaultFolder());
    EXPECT_EQ(request.defaultExtension, "BMS");
    EXPECT_TRUE(request.mustExist);
    EXPECT_TRUE(request.fileName.isEmpty());
    const QString folder = qtPath(data.path()) + '/';
    EXPECT_EQ(fakes.settings.read("Vok_Sorrel", "Paths", "LastOpenBMS", "none"), folder);

    openThroughDialog(second);
    EXPECT_EQ(fakes.files.opened[1].initialFolder, folder);
    EXPECT_EQ(fakes.files.opened[1].fileName, qtPath(first)) << "pre-filled with the last open path";
    EXPECT_EQ(fakes.settings.read("Vok_Sorrel", "Paths", "LastOpenBMS", "none"), folder + "sub/");

    openThroughDialog(ascii);
    const ui::FileRequest& asciiRequest = fakes.files.opened[2];
    EXPECT_EQ(asciiRequest.filter, "Ascii Mission Files (*.MIS)|*.MIS|All Files (*.*)|*.*");
    EXPECT_EQ(asciiRequest.defaultExtension, "MIS");
    EXPECT_EQ(asciiRequest.initialFolder, ui::defaultFolder()) << "the binary command's folder is its own";
    EXPECT_EQ(fakes.settings.read("Vok_Sorrel", "Paths", "LastOpenMIS", "none"), folder);
    EXPECT_EQ(window->CurrentDfVersion, kDf2);
}

TEST_F(ConverterTest, CancelledOpenChangesNothingButForgetsTheOpenPath) {
    const auto path = writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms");
    openThroughDialog(path);
    const Df2Mission held = window->df2Model();

    fakes.files.openAnswers.push_back(std::nullopt);
    click(*window, "cmdOpenMIS");
    EXPECT_TRUE(window->OpenFilePath.isEmpty());
    EXPECT_EQ(window->CurrentDfVersion, kDf2);
    EXPECT_EQ(openCaption(), "Open File: a01.bms (From: DF2)");
    EXPECT_TRUE(saveEnabled());
    EXPECT_EQ(window->df2Model(), held);
    EXPECT_FALSE(fakes.settings.values.contains("Vok_Sorrel/Paths/LastOpenMIS"));
}

// A DF2 file whose version byte is not one the converter knows.
std::filesystem::path writeUnrecognised(const std::filesystem::path& path) {
    std::string bytes = slurp(path);
    bytes[3] = 99;
    std::filesystem::remove(path);
    writeFileAtomically(path, bytes);
    return path;
}

TEST_F(ConverterTest, UnrecognisedFileAnsweredNoEndsInFailedAndKeepsTheCaption) {
    const auto known = writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms");
    openThroughDialog(known);
    const Df2Mission held = window->df2Model();
    const auto unknown = writeBinary(missionWithTypes<Df2Mission>({2005}, "elsewhere"), "u01.bms");
    writeUnrecognised(unknown);

    fakes.messages.answers.push_back(false);
    openThroughDialog(unknown);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].yesNo);
    EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
    EXPECT_EQ(fakes.messages.shown[0].text,
              "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?");
    EXPECT_EQ(window->CurrentDfVersion, -1);
    EXPECT_EQ(openPanel(), kGreen);
    EXPECT_EQ(savePanel(), kRed);
    EXPECT_FALSE(saveEnabled());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(openCaption(), "Open File: a01.bms (From: DF2)");
    EXPECT_EQ(window->df2Model(), held);
}

TEST_F(ConverterTest, VersionChosenForAnUnrecognisedFileReadsItLikeARecognisedOne) {
    const auto path = writeBinary(missionWithTypes<Df2Mission>({3001, 2005, 5001}, "desert"), "u01.bms");
    writeUnrecognised(path);
    fakes.messages.answers.push_back(true);
    bool disabledWhileAsking = false;
    ModalScript script;
    script.then("frmSelectVersion", [&](QWidget& dialog) {
        disabledWhileAsking = !window->isEnabled();
        EXPECT_EQ(dialog.windowTitle(), "Select Delta Force Version:");
        auto* versions = find<QComboBox>(dialog, "cboSelectVersion");
        EXPECT_EQ(versions->currentIndex(), 0);
        versions->setCurrentIndex(1);
        click(dialog, "cmdOK");
    });
    openThroughDialog(path);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(disabledWhileAsking);
    EXPECT_EQ(window->CurrentDfVersion, kDf2);
    EXPECT_EQ(window->df2Model(), OpenDF2BMS(path));
    EXPECT_EQ(openCaption(), "Open File: u01.bms (From: DF2)");
    EXPECT_EQ(savePanel(), kGreen);
    EXPECT_TRUE(saveEnabled());
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(ConverterTest, VersionDialogCancelledOrClosedEndsInFailed) {
    const auto path = writeUnrecognised(writeBinary(missionWithTypes<Df2Mission>({3001}, "d"), "u01.bms"));
    const std::function<void(QWidget&)> declines[] = {
        [](QWidget& dialog) { click(dialog, "cmdCancel"); },
        [](QWidget& dialog) { dialog.close(); },
        [](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
    };
    for (const auto& decline : declines) {
        fakes.messages.answers.push_back(true);
        ModalScript script;
        script.then("frmSelectVersion", decline);
        openThroughDialog(path);
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(window->CurrentDfVersion, -1);
        EXPECT_EQ(savePanel(), kRed);
        EXPECT_FALSE(saveEnabled());
        EXPECT_TRUE(window->isEnabled());
    }
}

// ---------------------------------------------------------------------------------------------
// Saving.

TEST_F(ConverterTest, SaveForTheVersionReadWritesTheModelUnchangedWithoutATerrainQuestion) {
    const auto path = writeBinary(missionWithTypes<Df1Mission>({3001, 5001, 2031}, "harbour"), "a01.bms");
    openThroughDialog(path);
    const Df1Mission held = window->df1Model();

    fakes.files.saveAnswers.push_back(qtPath(data / "out.bms"));
    click(*window, "cmdSaveFileBMS1");
    EXPECT_TRUE(fakes.inputs.asked.empty());
    EXPECT_EQ(slurp(data / "out.bms"), slurp(path)) << "read and written back byte for byte";

    fakes.files.saveAnswers.push_back(qtPath(data / "out.mis"));
    click(*window, "cmdSaveFileMIS1");
    EXPECT_TRUE(fakes.inputs.asked.empty());
    TempDir expected;
    saveMission(expected / "out.mis", held, MissionForm::Ascii, fixedClock());
    EXPECT_EQ(slurp(data / "out.mis"), slurp(expected / "out.mis"));

    ASSERT_EQ(fakes.files.saved.size(), 2u);
    const ui::FileRequest& binary = fakes.files.saved[0];
    EXPECT_EQ(binary.title, "Select File Name To Save As:");
    EXPECT_EQ(binary.filter, "Binary Mission Files (*.BMS)|*.BMS|All Files (*.*)|*.*");
    EXPECT_EQ(binary.filterIndex, 1);
    EXPECT_EQ(binary.defaultExtension, "BMS");
    EXPECT_EQ(binary.fileName, "a01.bms");
    EXPECT_TRUE(binary.overwritePrompt);
    const ui::FileRequest& ascii = fakes.files.saved[1];
    EXPECT_EQ(ascii.filter, "Ascii Mission Files (*.MIS)|*.MIS|All Files (*.*)|*.*");
    EXPECT_EQ(ascii.defaultExtension, "MIS");
    EXPECT_EQ(ascii.fileName, "a01.mis");
    EXPECT_EQ(window->SaveFilePath, qtPath(data / "out.mis"));
    EXPECT_EQ(window->SaveFileTitle, "out.mis");
    EXPECT_EQ(window->df1Model(), held);
    EXPECT_EQ(window->CurrentDfVersion, kDf1);
    EXPECT_EQ(savePanel(), kGreen);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(ConverterTest, SaveForAnotherVersionConvertsAndOffersTheTerrain) {
    struct Case {
        AnyMission source;
        const char* command;
        DfType target;
        const char* offered;
    };
    const Case cases[] = {
        {missionWithTypes<Df1Mission>({3001, 5001}, "harbour"), "cmdSaveFileMIS3", kDf3, "DF1harbour"},
        {missionWithTypes<Df1Mission>({3001, 5001}, "harbour"), "cmdSaveFileBMS2", kDf2, "harbour"},
        {missionWithTypes<Df2Mission>({3001, 5001}, "desert"), "cmdSaveFileBMS3", kDf3, "DF2desert"},
        {missionWithTypes<Df3Mission>({3001, 5001}, "hills"), "cmdSaveFileMIS1", kDf1, "hills"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const DfType source = versionOf(c.source);
        openThroughDialog(writeBinary(c.source, "src.bms"));
        const AnyMission before = openMission(data / "src.bms", source, MissionForm::Binary);
        fakes.inputs.asked.clear();
        fakes.inputs.answers.push_back(QStringLiteral("a terrain far too long"));
        const auto out = data / (std::string("out-") + c.command);
        fakes.files.saveAnswers.push_back(qtPath(out));
        click(*window, c.command);

        ASSERT_EQ(fakes.inputs.asked.size(), 1u);
        EXPECT_EQ(fakes.inputs.asked[0].prompt, "Please Enter Terrain Name:");
        EXPECT_EQ(fakes.inputs.asked[0].defaultAnswer, c.offered);

        ScriptedChooser never;
        AnyMission expected = convertMission(before, c.target, *lists, never);
        EXPECT_TRUE(never.asked.empty());
        setTerrain(expected, "a terrain far too long");
        std::visit([](const auto& m) { EXPECT_EQ(m.header.terrain.text(), "a terrain far to"); }, expected);
        const MissionForm form = std::string_view(c.command).find("MIS") != std::string_view::npos
                                     ? MissionForm::Ascii
                                     : MissionForm::Binary;
        TempDir reference;
        saveMission(reference / "x", expected, form, fixedClock());
        EXPECT_EQ(slurp(out), slurp(reference / "x"));

        // The source is untouched and stays the source.
        EXPECT_EQ(window->CurrentDfVersion, source);
        switch (source) {
            case kDf1: EXPECT_EQ(AnyMission(window->df1Model()), before); break;
            case kDf2: EXPECT_EQ(AnyMission(window->df2Model()), before); break;
            default: EXPECT_EQ(AnyMission(window->df3Model()), before); break;
        }
    }
}

TEST_F(ConverterTest, EverySaveForAnotherVersionConvertsTheSourceAfresh) {
    openThroughDialog(writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms"));
    const Df2Mission source = window->df2Model();
    for (const char* terrain : {"first", "second"}) {
        fakes.inputs.answers.push_back(QString::fromLatin1(terrain));
        fakes.files.saveAnswers.push_back(qtPath(data / "lw.bms"));
        click(*window, "cmdSaveFileBMS3");
        EXPECT_EQ(window->df3Model().header.terrain.text(), terrain);
    }
    ASSERT_EQ(fakes.inputs.asked.size(), 2u);
    EXPECT_EQ(fakes.inputs.asked[1].defaultAnswer, "DF2desert") << "converted from the source, not the last result";
    EXPECT_EQ(window->df2Model(), source);
}

TEST_F(ConverterTest, CancelledTerrainSavesAnEmptyTerrainAndCancelledSaveDialogWritesNothing) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms"));
    fakes.inputs.answers.push_back(std::nullopt);
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_TRUE(window->df2Model().header.terrain.isEmpty());
    EXPECT_EQ(window->df2Model().header.clouds_file.text(), "clouds05.pcx") << "the conversion stays in the model";
    EXPECT_TRUE(window->SaveFilePath.isEmpty());
    EXPECT_TRUE(window->SaveFileTitle.isEmpty());
    EXPECT_FALSE(fakes.settings.values.contains("Vok_Sorrel/Paths/LastSaveDF2MIS"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path()), {}), 1) << "only the source file";
    EXPECT_EQ(savePanel(), kGreen);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(ConverterTest, SuggestedNameIsTheOpenFileUpToItsFirstPeriodWithTheCommandsSuffix) {
    const struct {
        const char* opened;
        const char* command;
        const char* suggested;
    } cases[] = {
        {"a01.bms", "cmdSaveFileBMS2", "a01.bms"},
        {"a01.bms", "cmdSaveFileMIS2", "a01.mis"},
        {"m01.part2.bms", "cmdSaveFileMIS2", "m01.mis"},
        {"night raid.BMS", "cmdSaveFileBMS2", "night raid.bms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened);
        openThroughDialog(writeBinary(missionWithTypes<Df2Mission>({3001}, "d"), c.opened));
        fakes.files.saveAnswers.push_back(std::nullopt);
        click(*window, c.command);
        EXPECT_EQ(fakes.files.saved.back().fileName, c.suggested);
    }
}

TEST_F(ConverterTest, WithoutAnOpenPathTheHeldFilesNameIsSuggested) {
    const auto path = writeBinary(missionWithTypes<Df2Mission>({3001}, "d"), "m01.part2.bms");
    window->startUp({qtPath(path)});
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_EQ(fakes.files.saved.back().fileName, "m01.mis");

    fakes.files.openAnswers.push_back(std::nullopt);  // a cancelled open empties the open path
    click(*window, "cmdOpenBMS");
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS2");
    EXPECT_EQ(fakes.files.saved.back().fileName, "m01.bms");
}

TEST_F(ConverterTest, EachSaveCommandStartsInAndRemembersItsOwnFolder) {
    openThroughDialog(writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms"));
    const char* commands[] = {"cmdSaveFileBMS1", "cmdSaveFileBMS2", "cmdSaveFileBMS3",
                              "cmdSaveFileMIS1", "cmdSaveFileMIS2", "cmdSaveFileMIS3"};
    const char* keys[] = {"LastSaveDF1BMS", "LastSaveDF2BMS", "LastSaveDF3BMS",
                          "LastSaveDF1MIS", "LastSaveDF2MIS", "LastSaveDF3MIS"};
    for (int i = 0; i < 6; ++i) {
        const QString key = QStringLiteral("Vok_Sorrel/Paths/") + keys[i];
        fakes.settings.values[key] = QStringLiteral("/remembered/%1/").arg(i);
    }
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(commands[i]);
        const std::string folder = "out" + std::to_string(i);
        std::filesystem::create_directory(data / folder);
        fakes.files.saveAnswers.push_back(qtPath(data / folder / "x.dat"));
        click(*window, commands[i]);
        EXPECT_EQ(fakes.files.saved.back().initialFolder, QStringLiteral("/remembered/%1/").arg(i));
        for (int j = 0; j < 6; ++j) {
            const QString value = fakes.settings.values[QStringLiteral("Vok_Sorrel/Paths/") + keys[j]];
            if (j <= i) {
                EXPECT_EQ(value, qtPath(data / ("out" + std::to_string(j))) + '/') << keys[j];
            } else {
                EXPECT_EQ(value, QStringLiteral("/remembered/%1/").arg(j)) << keys[j];
            }
        }
        EXPECT_TRUE(std::filesystem::exists(data / folder / "x.dat"));
    }
}

// ---------------------------------------------------------------------------------------------
// Conversions that ask for replacements.

TEST_F(ConverterTest, ReplacementDialogAnswersThroughTheConversionAndOkARemembersForTheRun) {
    // DF1 types 2031 (Jeep) and 600 (Crate) do not exist in DF3.
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({2031, 2031, 600, 2031, 3001}, "harbour"), "a01.bms"));
    bool busyWhileAsking = false;
    ModalScript script;
    script
        .then("frmReplace",
              [&](QWidget& dialog) {
                  busyWhileAsking = !window->isEnabled() && savePanel() == kBlue;
                  EXPECT_EQ(dialog.windowTitle(), kTitle);
                  EXPECT_EQ(find<QGroupBox>(dialog, "fraNotFound")->title(), "This DF1 Item Does Not Exsist In DF3");
                  EXPECT_EQ(find<QLabel>(dialog, "lblNotFound")->text(), "#:2031 Description: Jeep");
                  auto* ids = find<QListWidget>(dialog, "lstID");
                  const auto found = ids->findItems(QStringLiteral("2010"), Qt::MatchExactly);
                  ASSERT_EQ(found.size(), 1);
                  ids->setCurrentItem(found[0]);
                  click(dialog, "cmdOkAll");
              })
        .then("frmReplace", [](QWidget& dialog) {
            EXPECT_EQ(find<QLabel>(dialog, "lblNotFound")->text(), "#:600 Description: Crate");
            click(dialog, "cmdRemove");
        });
    fakes.files.saveAnswers.push_back(qtPath(data / "lw.mis"));
    click(*window, "cmdSaveFileMIS3");
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.stray.isEmpty());
    EXPECT_TRUE(busyWhileAsking);
    EXPECT_EQ(typesOf(window->df3Model()), std::vector<int>({2010, 2010, 0, 2010, 3001}));
    EXPECT_FALSE(anyReplaceDialogLeft()) << "the dialog is discarded when the conversion ends";
    EXPECT_EQ(OpenDF3MIS(data / "lw.mis").items.size(), 5u);

    // A later conversion of the same run remembers 2031 but asks again about 600.
    ModalScript again;
    again.then("frmReplace", [](QWidget& dialog) {
        EXPECT_EQ(find<QLabel>(dialog, "lblNotFound")->text(), "#:600 Description: Crate");
        click(dialog, "cmdSkip");
    });
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS3");
    EXPECT_TRUE(again.finished());
    EXPECT_TRUE(again.stray.isEmpty());
    EXPECT_EQ(typesOf(window->df3Model()), std::vector<int>({2010, 2010, 600, 2010, 3001}));
    EXPECT_EQ(slurp(programFolder / "DF1Replace.vok"), encodeReplaceList({{2, 1040, 2005}})) << "OK-A saves nothing";
}

TEST_F(ConverterTest, OkSSavesTheReplacementInTheSourceVersionsList) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({1040, 1040}, "harbour"), "a01.bms"));
    ModalScript script;
    script.then("frmReplace", [](QWidget& dialog) {
        auto* ids = find<QListWidget>(dialog, "lstID");
        EXPECT_EQ(ids->currentItem()->text(), "1300") << "Cactus sorts first";
        click(dialog, "cmdOkSave");
    });
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS3");
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(typesOf(window->df3Model()), std::vector<int>({1300, 1300}));
    EXPECT_EQ(parseReplaceList(slurp(programFolder / "DF1Replace.vok"), "DF1Replace.vok"),
              std::vector<ReplaceEntry>({{2, 1040, 2005}, {3, 1040, 1300}}));
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(ConverterTest, OkSThatCannotBeSavedIsReportedAndStillUsed) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({1040, 1040}, "harbour"), "a01.bms"));
    const std::string listBefore = slurp(programFolder / "DF1Replace.vok");
    fileSystem.failAt = FailingFileSystem::FailAt::Rename;
    ModalScript script;
    script.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdOkSave"); });
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS3");
    EXPECT_TRUE(script.finished());
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(programFolder / "DF1Replace.vok")));
    EXPECT_EQ(typesOf(window->df3Model()), std::vector<int>({1300, 1300})) << "asked once, remembered for the run";
    EXPECT_EQ(slurp(programFolder / "DF1Replace.vok"), listBefore);
    EXPECT_FALSE(fakes.messages.shown[0].text.contains("vok --lists DIR")) << "a full disk is not a read-only install";
}

// A system-wide install: the list beside the program cannot be written. The message names the file
// and says where the user can keep lists of their own; the choice still serves the whole run.
TEST_F(ConverterTest, OkSInAProgramFolderThatCannotBeWrittenSaysWhereToCopyTheLists) {
    const std::string listBefore = slurp(programFolder / "DF1Replace.vok");
    struct Case {
        int refusal;  ///< 0: the real folder made read-only
        int type;     ///< a DF1 type DF3 lacks, new to this run
        int chosen;   ///< the DF3 type the dialog offers first
    };
    for (const Case c : {Case{EACCES, 1040, 1300}, Case{EROFS, 1100, 1300}, Case{0, 600, 7}}) {
        SCOPED_TRACE(c.refusal);
        openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({c.type, c.type}, "harbour"), "a01.bms"));
        std::optional<ReadOnlyFolder> readOnly;
        if (c.refusal == 0) {
            readOnly.emplace(programFolder.path());
            if (!readOnly->active()) continue;
        } else {
            fileSystem.failAt = FailingFileSystem::FailAt::Create;
            fileSystem.error = c.refusal;
        }
        fakes.messages.shown.clear();
        ModalScript script;
        script.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdOkSave"); });
        fakes.files.saveAnswers.push_back(std::nullopt);
        click(*window, "cmdSaveFileBMS3");
        EXPECT_TRUE(script.finished());
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        const QString text = fakes.messages.shown[0].text;
        EXPECT_TRUE(text.contains(qtPath(programFolder / "DF1Replace.vok"))) << text.toStdString();
        EXPECT_TRUE(text.contains("It Is Remembered Until The Program Ends.")) << text.toStdString();
        EXPECT_TRUE(text.contains("Copy The Programs And The Six .vok Files To A Folder Of Your Own")) << text.toStdString();
        EXPECT_TRUE(text.contains("vok --lists DIR")) << text.toStdString();
        EXPECT_EQ(typesOf(window->df3Model()), std::vector<int>({c.chosen, c.chosen})) << "asked once, still used";
        fileSystem.failAt = FailingFileSystem::FailAt::Nothing;
    }
    EXPECT_EQ(slurp(programFolder / "DF1Replace.vok"), listBefore);
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be read or written leave the window as it was.

TEST_F(ConverterTest, FaultyAsciiFileLeavesTheWindowExactlyAsBefore) {
    const auto held = writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms");
    const auto faulty = writeAscii(missionWithTypes<Df2Mission>(std::vector<int>(12, 1200), "desert"), "bad.mis");
    std::string text = slurp(faulty);
    text.resize(text.rfind("type_id") + 12);  // the file now ends inside an item block
    std::filesystem::remove(faulty);
    writeFileAtomically(faulty, text);

    for (bool loadedBefore : {false, true}) {
        SCOPED_TRACE(loadedBefore);
        if (loadedBefore) openThroughDialog(held);
        const DfType version = window->CurrentDfVersion;
        const QString caption = openCaption();
        const QColor open = openPanel(), save = savePanel();
        const bool enabled = saveEnabled();
        const Df1Mission df1 = window->df1Model();
        const Df2Mission df2 = window->df2Model();
        fakes.messages.shown.clear();

        openThroughDialog(faulty);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
        const QStringList lines = fakes.messages.shown[0].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0], "Warning!: Error in OpenDF2MIS");
        EXPECT_TRUE(lines[2].startsWith("At Line: "));
        EXPECT_EQ(window->CurrentDfVersion, version);
        EXPECT_EQ(openCaption(), caption);
        EXPECT_EQ(openPanel(), open);
        EXPECT_EQ(savePanel(), save);
        EXPECT_EQ(saveEnabled(), enabled);
        EXPECT_EQ(window->df1Model(), df1);
        EXPECT_EQ(window->df2Model(), df2);
        EXPECT_TRUE(window->isEnabled());
    }
}

TEST_F(ConverterTest, BinaryFilesThatCannotBeReadAreReportedNamingFileAndFault) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms"));
    const Df1Mission df1 = window->df1Model();

    const auto shortFile = writeBinary(missionWithTypes<Df2Mission>({3001, 5001}, "desert"), "short.bms");
    std::string bytes = slurp(shortFile);
    bytes.resize(300);  // the header alone is longer
    std::filesystem::remove(shortFile);
    writeFileAtomically(shortFile, bytes);
    std::filesystem::create_directory(data / "folder.bms");
    const std::filesystem::path faults[] = {shortFile, data / "folder.bms", data / "vanished.bms"};

    for (const auto& path : faults) {
        SCOPED_TRACE(path.string());
        fakes.messages.shown.clear();
        openThroughDialog(path);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_FALSE(fakes.messages.shown[0].yesNo);
        EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(path)));
        EXPECT_GT(fakes.messages.shown[0].text.split(QStringLiteral("\r\n")).value(1).size(), 0) << "the fault";
        EXPECT_EQ(window->CurrentDfVersion, kDf1);
        EXPECT_EQ(openCaption(), "Open File: a01.bms (From: DF1)");
        EXPECT_EQ(openPanel(), kGreen);
        EXPECT_EQ(savePanel(), kGreen);
        EXPECT_TRUE(saveEnabled());
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(window->df1Model(), df1);
        EXPECT_EQ(window->df2Model(), Df2Mission{});
    }
}

TEST_F(ConverterTest, SaveThatCannotBeWrittenIsReportedAndLeavesTheEarlierFile) {
    openThroughDialog(writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms"));
    const auto target = data / "earlier.mis";
    writeFileAtomically(target, "an earlier file");
    const Df2Mission df2 = window->df2Model();

    for (const auto failAt : {FailingFileSystem::FailAt::Create, FailingFileSystem::FailAt::Write,
                              FailingFileSystem::FailAt::Rename}) {
        fileSystem.failAt = failAt;
        fileSystem.bytesBeforeFailure = 10;
        fakes.messages.shown.clear();
        fakes.files.saveAnswers.push_back(qtPath(target));
        fakes.inputs.answers.push_back(QStringLiteral("hills"));
        click(*window, "cmdSaveFileMIS3");
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(target)));
        EXPECT_EQ(slurp(target), "an earlier file");
        EXPECT_EQ(savePanel(), kGreen);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(window->CurrentDfVersion, kDf2);
        EXPECT_EQ(window->df2Model(), df2);
    }
}

TEST_F(ConverterTest, ListsThatCannotBeLoadedEndTheProgramNamingFileAndFault) {
    TempDir empty;
    EXPECT_NE(converter::runConverter(fakes.seams, qtPath(empty.path()), {}), 0);
    TempDir faulty;
    writeTestLists(faulty.path());
    writeFileAtomically(faulty / "DF2Items.vok", encodeItemList({}));  // a count of 0
    EXPECT_NE(converter::runConverter(fakes.seams, qtPath(faulty.path()), {}), 0);

    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    const char* files[] = {"DF1Items.vok", "DF2Items.vok"};
    for (int i = 0; i < 2; ++i) {
        const QStringList lines = fakes.messages.shown[i].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], "Warning!, There Was an Error In 'InitilizeItemLists'");
        EXPECT_TRUE(lines[1].contains(QString::fromLatin1(files[i]))) << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), QString::fromLatin1(files[i]).size() + 10) << "and the fault";
    }
    EXPECT_FALSE(anyReplaceDialogLeft());
}

// ---------------------------------------------------------------------------------------------
// The credits.

TEST_F(ConverterTest, CreditLinesShowTheAboutBoxAndStartAMail) {
    QLabel* labels[2] = {};
    for (QLabel* label : window->findChildren<QLabel*>(QStringLiteral("lblAbout"))) {
        labels[label->property("index").toInt()] = label;
    }
    ASSERT_TRUE(labels[0] && labels[1]);
    QTest::mouseClick(labels[0], Qt::LeftButton);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains("Version"));
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(programFolder.path())));
    EXPECT_TRUE(fakes.launcher.urls.empty());

    QTest::mouseClick(labels[1], Qt::LeftButton);
    EXPECT_EQ(fakes.launcher.urls, std::vector<QString>({"mailto:vok.tamber@example.com"}));
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace vok::testing
