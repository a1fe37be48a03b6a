// The converter's main window driven headless: start-up and command line, the open and save flows
// with their dialogs, the remembered folders, conversions that ask for replacements, and the
// faults of files that cannot be read or written.

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include "converter/converter_app.h"
#include "ui/look.h"
#include "lists/list_files.h"
#include "tests/converter/converter_fixture.h"
#include "tests/lists/read_only_folder.h"

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

QLabel* creditLine(const QWidget& window, int index) {
    for (QLabel* label : window.findChildren<QLabel*>(QStringLiteral("lblAbout"))) {
        if (label->property("index").toInt() == index) return label;
    }
    ADD_FAILURE() << "no credit line " << index;
    return nullptr;
}

void rewrite(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::remove(path);
    writeFileAtomically(path, bytes);
}

// A DF2 file whose version byte is not one the converter knows.
std::filesystem::path writeUnrecognised(const std::filesystem::path& path) {
    std::string bytes = slurp(path);
    bytes[3] = 99;
    rewrite(path, bytes);
    return path;
}

// ---------------------------------------------------------------------------------------------
// The window as it starts.

TEST_F(ConverterTest, StartsEmptyWithItsControlsInPlaceAndHelpOnEveryButton) {
    EXPECT_EQ(state(), (WindowState{DfType::None, "Open File", kGreen, kRed, false, true, {}, {}, {}}));
    expectHelpOnEveryButton(*window);

    // Open, Save and About from top to bottom; each binary save command left of its ascii partner.
    auto at = [this](const char* name) { return find<QWidget>(*window, name)->mapTo(window.get(), QPoint(0, 0)); };
    EXPECT_LT(at("fraOpenFile").y(), at("fraSaveFile").y());
    EXPECT_LT(at("fraSaveFile").y(), at("fraAbout").y());
    for (const auto& [binary, ascii] : {std::pair{"cmdSaveFileBMS1", "cmdSaveFileMIS1"}, {"cmdSaveFileBMS3", "cmdSaveFileMIS3"}}) {
        EXPECT_LT(at(binary).x(), at(ascii).x());
        EXPECT_EQ(at(binary).y(), at(ascii).y());
    }
    EXPECT_LT(at("cmdSaveFileBMS1").y(), at("cmdSaveFileBMS3").y());
    // The status panels lie behind their commands.
    EXPECT_EQ(find<QWidget>(*window, "cmdOpenMIS")->parentWidget()->objectName(), "lblColor");
    EXPECT_EQ(find<QWidget>(*window, "cmdSaveFileMIS3")->parentWidget()->objectName(), "lblColor2");
}

// ---------------------------------------------------------------------------------------------
// The command line, and files dropped on the window.

/// Drops files on the window and lets it open them.
void drop(frmMain& window, const std::vector<std::filesystem::path>& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& file : files) urls << QUrl::fromLocalFile(qtPath(file));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    QCoreApplication::processEvents();  // the open waits for the drop to end
}

// A file dropped opens as the same path on the command line does; one that the command line would
// not open, or several files, are refused with a message.
TEST_F(ConverterTest, CommandLineAndDropOpenPathsEndingInBmsOrMisInAnyCase) {
    const Df2Mission mission = missionWithTypes<Df2Mission>(std::vector<int>(12, 1200), "desert");
    const std::string folder = data.path().string();
    const struct {
        const char* file;               // written as a DF2 mission in its form (.txt: binary)
        std::vector<std::string> args;  // "%" stands for the folder of the file
        bool opens;
    } cases[] = {
        {"a01.bms", {"%/a01.bms"}, true},
        {"a01.Mis", {"%/a01.Mis"}, true},
        {"A02.BMS", {"%/A02.BMS"}, true},
        {"a01.txt", {"%/a01.txt"}, false},
        {"night raid.bms", {"%/night", "raid.bms"}, true},  // split by the shell, joined again
        {"night raid 2.mis", {"\"%/night raid 2.mis\""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string name = c.file;
        const bool ascii = name.ends_with(".Mis") || name.ends_with(".mis");
        const auto path = ascii ? writeAscii(mission, name) : writeBinary(mission, name);
        QStringList args;
        for (std::string arg : c.args) {
            if (const auto at = arg.find('%'); at != std::string::npos) arg.replace(at, 1, folder);
            args << QString::fromStdString(arg);
        }
        for (bool dropped : {false, true}) {
            window =
                std::make_unique<frmMain>(fakes.seams, *lists, qtPath(programFolder.path()), fixedClock, fileSystem);
            fakes.messages.shown.clear();
            dropped ? drop(*window, {path}) : window->startUp(args);
            EXPECT_TRUE(window->OpenFilePath.isEmpty());
            if (!c.opens) {
                EXPECT_EQ(state(), (WindowState{DfType::None, "Open File", kGreen, kRed, false, true, {}, {}, {}}));
                EXPECT_EQ(fakes.messages.shown.size(), dropped ? 1u : 0u);
                continue;
            }
            EXPECT_TRUE(fakes.messages.shown.empty());
            const Df2Mission read = ascii ? OpenDF2MIS(path) : OpenDF2BMS(path);
            const QString caption = QStringLiteral("Open File: %1 (From: DF2)").arg(QString::fromStdString(name));
            EXPECT_EQ(state(), (WindowState{DfType::Df2, caption, kGreen, kGreen, true, true, {}, read, {}}));
        }
    }
    EXPECT_TRUE(fakes.settings.values.empty()) << "the command line and a drop remember no folder";
    const WindowState held = state();
    drop(*window, {data / "a01.bms", data / "A02.BMS"});
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(state(), held);
    fakes.messages.shown.clear();

    // A named file that cannot be opened is reported naming it, with no question about its version.
    const auto missing = data / "gone.bms";
    window = std::make_unique<frmMain>(fakes.seams, *lists, qtPath(programFolder.path()), fixedClock, fileSystem);
    window->startUp({qtPath(missing)});
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_FALSE(fakes.messages.shown[0].yesNo);
    EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(missing)));
    EXPECT_EQ(state(), (WindowState{DfType::None, "Open File", kGreen, kRed, false, true, {}, {}, {}}));
}

// ---------------------------------------------------------------------------------------------
// Opening through the dialog.

TEST_F(ConverterTest, OpenReadsTheFileNamesItAndItsVersionAndEachFormRemembersItsFolder) {
    const auto first = writeBinary(missionWithTypes<Df2Mission>({3001, 2005}, "desert"), "a01.bms");
    std::filesystem::create_directory(data / "sub");
    const auto second = writeBinary(missionWithTypes<Df3Mission>({3001, 2001}, "hills"), "sub/a01.bms");
    const auto ascii = writeAscii(missionWithTypes<Df1Mission>(std::vector<int>(12, 2031), "harbour"), "m01.part2.mis");
    auto remembered = [this](const char* key) { return fakes.settings.read("Vok_Sorrel", "Paths", key, "none"); };
    auto expectOpened = [this](const std::filesystem::path& path, DfType version, const char* caption) {
        EXPECT_EQ(window->CurrentDfVersion, version);
        EXPECT_EQ(openCaption(), caption);
        EXPECT_EQ(savePanel(), kGreen);
        EXPECT_TRUE(saveEnabled());
        EXPECT_EQ(window->OpenFilePath, qtPath(path));
        EXPECT_EQ(heldModel(), openMission(path, version, *formOfPath(path)));
    };

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
    EXPECT_EQ(remembered("LastOpenBMS"), folder);
    expectOpened(first, DfType::Df2, "Open File: a01.bms (From: DF2)");

    openThroughDialog(second);
    EXPECT_EQ(fakes.files.opened[1].initialFolder, folder);
    EXPECT_EQ(fakes.files.opened[1].fileName, "a01.bms") << "the name only: the dialog stays in its folder";
    EXPECT_EQ(remembered("LastOpenBMS"), folder + "sub/");
    expectOpened(second, DfType::Df3, "Open File: a01.bms (From: DF:LW)");

    openThroughDialog(ascii);
    EXPECT_TRUE(fakes.files.opened[2].fileName.isEmpty()) << "no binary file's name in the ascii dialog";
    EXPECT_EQ(fakes.files.opened[2].filter, "Ascii Mission Files (*.MIS)|*.MIS|All Files (*.*)|*.*");
    EXPECT_EQ(fakes.files.opened[2].defaultExtension, "MIS");
    EXPECT_EQ(fakes.files.opened[2].initialFolder, ui::defaultFolder()) << "the binary command's folder is its own";
    EXPECT_EQ(remembered("LastOpenMIS"), folder);
    expectOpened(ascii, DfType::Df1, "Open File: m01.part2.mis (From: DF1)");
    EXPECT_TRUE(fakes.messages.shown.empty());

    // A cancelled open changes nothing but forgets the open path; it remembers no folder.
    const WindowState before = state();
    fakes.settings.values.erase("Vok_Sorrel/Paths/LastOpenMIS");
    fakes.files.openAnswers.push_back(std::nullopt);
    click(*window, "cmdOpenMIS");
    EXPECT_TRUE(window->OpenFilePath.isEmpty());
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(fakes.settings.values.contains("Vok_Sorrel/Paths/LastOpenMIS"));
}

TEST_F(ConverterTest, UnrecognisedFileAsksForItsVersion) {
    const auto known = writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms");
    const auto path = writeUnrecognised(writeBinary(missionWithTypes<Df2Mission>({3001, 2005, 5001}, "d"), "u01.bms"));
    openThroughDialog(known);
    WindowState failed = state();
    failed.version = DfType::NotRecognised;
    failed.save = kRed;
    failed.saveEnabled = false;

    // Answered No: the Failed state, keeping the caption and models of the file read before.
    fakes.messages.answers.push_back(false);
    openThroughDialog(path);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].yesNo);
    EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
    EXPECT_EQ(fakes.messages.shown[0].text,
              "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?");
    EXPECT_EQ(state(), failed);

    // Answered Yes, then the version dialog is cancelled, closed or escaped: Failed as well.
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
        EXPECT_EQ(state(), failed);
    }

    // A version chosen reads the file like a recognised one.
    fakes.messages.answers.push_back(true);
    bool disabledWhileAsking = false;
    ModalScript script;
    script.then("frmSelectVersion", [&](QWidget& dialog) {
        disabledWhileAsking = !window->isEnabled();
        expectHelpOnEveryButton(dialog);
        EXPECT_EQ(dialog.windowTitle(), "Select Delta Force Version:");
        auto* versions = find<QComboBox>(dialog, "cboSelectVersion");
        EXPECT_EQ(versions->currentIndex(), 0);
        versions->setCurrentIndex(1);
        click(dialog, "cmdOK");
    });
    openThroughDialog(path);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(disabledWhileAsking);
    EXPECT_EQ(state(), (WindowState{DfType::Df2, "Open File: u01.bms (From: DF2)", kGreen, kGreen, true, true, {},
                                    OpenDF2BMS(path), {}}));
}

// ---------------------------------------------------------------------------------------------
// Saving.

TEST_F(ConverterTest, SaveForTheVersionReadWritesTheModelUnchangedWithoutATerrainQuestion) {
    const auto path = writeBinary(missionWithTypes<Df1Mission>({3001, 5001, 2031}, "harbour"), "a01.bms");
    openThroughDialog(path);
    const WindowState before = state();

    fakes.files.saveAnswers.push_back(qtPath(data / "out.bms"));
    click(*window, "cmdSaveFileBMS1");
    EXPECT_EQ(slurp(data / "out.bms"), slurp(path)) << "read and written back byte for byte";
    fakes.files.saveAnswers.push_back(qtPath(data / "out.mis"));
    click(*window, "cmdSaveFileMIS1");
    TempDir expected;
    saveMission(expected / "out.mis", before.df1, MissionForm::Ascii, fixedClock());
    EXPECT_EQ(slurp(data / "out.mis"), slurp(expected / "out.mis"));
    EXPECT_TRUE(fakes.inputs.asked.empty());

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
    EXPECT_EQ(state(), before);
}

TEST_F(ConverterTest, SaveForAnotherVersionConvertsAndOffersTheTerrain) {
    const struct {
        AnyMission source;
        const char* command;
        DfType target;
        const char* offered;
    } cases[] = {
        {missionWithTypes<Df1Mission>({3001, 5001}, "harbour"), "cmdSaveFileMIS3", DfType::Df3, "DF1harbour"},
        {missionWithTypes<Df1Mission>({3001, 5001}, "harbour"), "cmdSaveFileBMS2", DfType::Df2, "harbour"},
        {missionWithTypes<Df2Mission>({3001, 5001}, "desert"), "cmdSaveFileBMS3", DfType::Df3, "DF2desert"},
        {missionWithTypes<Df3Mission>({3001, 5001}, "hills"), "cmdSaveFileMIS1", DfType::Df1, "hills"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        openThroughDialog(writeBinary(c.source, "src.bms"));
        const AnyMission before = heldModel();
        const DfType source = window->CurrentDfVersion;
        const auto out = data / (std::string("out-") + c.command);
        // Saved twice: each save converts the source afresh, not the last result.
        for (const char* terrain : {"first", "TerrainFarTooLong"}) {
            fakes.inputs.asked.clear();
            fakes.inputs.answers.push_back(QString::fromLatin1(terrain));
            fakes.files.saveAnswers.push_back(qtPath(out));
            click(*window, c.command);
            ASSERT_EQ(fakes.inputs.asked.size(), 1u);
            EXPECT_EQ(fakes.inputs.asked[0].prompt, "Please Enter Terrain Name:");
            EXPECT_EQ(fakes.inputs.asked[0].defaultAnswer, c.offered);
        }
        // The file holds the converted model (the binary form all of it), with the terrain cut to its
        // 16 characters; what the conversion itself makes of a mission is for the conversion tests.
        const bool ascii = std::string_view(c.command).find("MIS") != std::string_view::npos;
        const AnyMission saved = openMission(out, c.target, ascii ? MissionForm::Ascii : MissionForm::Binary);
        std::visit([](const auto& m) {
            EXPECT_EQ(m.header.terrain.text(), "TerrainFarTooLon");
            EXPECT_EQ(typesOf(m), std::vector<int>({3001, 5001}));
        }, saved);
        const AnyMission& converted = window->model(c.target);
        if (!ascii) {
            EXPECT_EQ(saved, converted);
        }
        // The source is untouched and stays the source.
        EXPECT_EQ(window->CurrentDfVersion, source);
        EXPECT_EQ(heldModel(), before);
    }
}

// Cancel on the terrain question ends the save; an empty answer given with OK is an empty terrain.
TEST_F(ConverterTest, CancelledTerrainOrSaveDialogWritesNothing) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms"));
    const WindowState before = state();
    fakes.inputs.answers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_EQ(fakes.inputs.asked.size(), 1u);
    EXPECT_TRUE(fakes.files.saved.empty()) << "no save dialog after Cancel";
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(fakes.settings.values.size() == 1) << "only the open folder is remembered";

    fakes.inputs.answers.push_back(QString());
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_TRUE(std::get<Df2Mission>(window->model(DfType::Df2)).header.terrain.isEmpty());
    EXPECT_EQ(std::get<Df2Mission>(window->model(DfType::Df2)).header.clouds_file.text(), "clouds05.pcx") << "the conversion stays in the model";
    EXPECT_TRUE(window->SaveFilePath.isEmpty());
    EXPECT_TRUE(window->SaveFileTitle.isEmpty());
    EXPECT_FALSE(fakes.settings.values.contains("Vok_Sorrel/Paths/LastSaveDF2MIS"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path()), {}), 1) << "only the source file";
    EXPECT_EQ(state().df1, before.df1);
    EXPECT_EQ(savePanel(), kGreen);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(ConverterTest, SuggestedNameIsTheFileUpToItsFirstPeriodWithTheCommandsSuffix) {
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
    // Without an open path (command line, or after a cancelled open) the held file's name is used.
    window = std::make_unique<frmMain>(fakes.seams, *lists, qtPath(programFolder.path()), fixedClock, fileSystem);
    window->startUp({qtPath(data / "m01.part2.bms")});
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_EQ(fakes.files.saved.back().fileName, "m01.mis");
    fakes.files.openAnswers.push_back(std::nullopt);
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
    auto value = [this, &keys](int i) -> QString& {
        return fakes.settings.values[QStringLiteral("Vok_Sorrel/Paths/") + keys[i]];
    };
    for (int i = 0; i < 6; ++i) value(i) = QStringLiteral("/remembered/%1/").arg(i);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(commands[i]);
        const auto folder = data / ("out" + std::to_string(i));
        std::filesystem::create_directory(folder);
        fakes.files.saveAnswers.push_back(qtPath(folder / "x.dat"));
        click(*window, commands[i]);
        EXPECT_EQ(fakes.files.saved.back().initialFolder, QStringLiteral("/remembered/%1/").arg(i));
        EXPECT_TRUE(std::filesystem::exists(folder / "x.dat"));
        for (int j = 0; j < 6; ++j) {
            const QString expected = j <= i ? qtPath(data / ("out" + std::to_string(j))) + '/'
                                            : QStringLiteral("/remembered/%1/").arg(j);
            EXPECT_EQ(value(j), expected) << keys[j];
        }
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
    EXPECT_EQ(typesOf(std::get<Df3Mission>(window->model(DfType::Df3))), std::vector<int>({2010, 2010, 0, 2010, 3001}));
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
    EXPECT_EQ(typesOf(std::get<Df3Mission>(window->model(DfType::Df3))), std::vector<int>({2010, 2010, 600, 2010, 3001}));
    EXPECT_EQ(slurp(programFolder / "DF1Replace.vok"), encodeReplaceList({{2, 1040, 2005}})) << "OK-A saves nothing";
}

// OK-S appends the replacement to the source version's list. One that cannot be saved is reported
// naming the file and still serves the whole run; where the program folder refuses writing (a
// system-wide install) the message says where the user can keep lists of their own (a full disk is
// not such an install).
TEST_F(ConverterTest, OkSSavesTheReplacementOrReportsWhyNotAndStillUsesIt) {
    const std::vector<ReplaceEntry> saved = {{2, 1040, 2005}, {3, 1040, 1300}};
    const struct {
        FailingFileSystem::FailAt failAt;
        int error;
        bool readOnlyFolder;  ///< the real program folder made read-only
        int type;             ///< a DF1 type DF3 lacks, new to this run
        int chosen;           ///< the DF3 type the dialog offers first
    } cases[] = {
        {FailingFileSystem::FailAt::Nothing, 0, false, 1040, 1300},  // saved: Cactus sorts first
        {FailingFileSystem::FailAt::Rename, ENOSPC, false, 1100, 1300},
        {FailingFileSystem::FailAt::Create, EACCES, false, 600, 7},
        {FailingFileSystem::FailAt::Nothing, 0, true, 2031, 2050},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({c.type, c.type}, "harbour"), "a01.bms"));
        std::optional<ReadOnlyFolder> readOnly;
        if (c.readOnlyFolder) {
            readOnly.emplace(programFolder.path());
            if (!readOnly->active()) continue;
        }
        fileSystem.failAt = c.failAt;
        fileSystem.error = c.error;
        fakes.messages.shown.clear();
        ModalScript script;
        script.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdOkSave"); });
        fakes.files.saveAnswers.push_back(std::nullopt);
        click(*window, "cmdSaveFileBMS3");
        fileSystem.failAt = FailingFileSystem::FailAt::Nothing;
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(typesOf(std::get<Df3Mission>(window->model(DfType::Df3))), std::vector<int>({c.chosen, c.chosen})) << "asked once, used";
        EXPECT_EQ(parseReplaceList(slurp(programFolder / "DF1Replace.vok"), "DF1Replace.vok"), saved);
        const bool failed = c.failAt != FailingFileSystem::FailAt::Nothing || c.readOnlyFolder;
        ASSERT_EQ(fakes.messages.shown.size(), failed ? 1u : 0u);
        if (!failed) continue;
        const QString text = fakes.messages.shown[0].text;
        EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
        EXPECT_TRUE(text.contains(qtPath(programFolder / "DF1Replace.vok"))) << text.toStdString();
        EXPECT_TRUE(text.contains("It Is Remembered Until The Program Ends.")) << text.toStdString();
        for (const char* hint : {"Copy The Programs And The Six .vok Files To A Folder Of Your Own", "vok --lists DIR"}) {
            EXPECT_EQ(text.contains(hint), c.failAt != FailingFileSystem::FailAt::Rename) << hint;
        }
    }
}

// "Cancel Save" ends the save at once: no terrain question, no save dialog, nothing written, and
// the OK-A answers of that save are forgotten.
TEST_F(ConverterTest, CancelSaveWritesNothingAndForgetsTheOkAAnswersOfThatSave) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({2031, 600, 2031}, "harbour"), "a01.bms"));
    const WindowState before = state();
    ModalScript script;
    script.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdOkAll"); })
        .then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdCancelSave"); });
    click(*window, "cmdSaveFileMIS3");
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.stray.isEmpty());
    EXPECT_TRUE(fakes.inputs.asked.empty());
    EXPECT_TRUE(fakes.files.saved.empty());
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(anyReplaceDialogLeft());

    ModalScript again;
    again.then("frmReplace", [](QWidget& dialog) {
        EXPECT_EQ(find<QLabel>(dialog, "lblNotFound")->text(), "#:2031 Description: Jeep") << "asked again";
        click(dialog, "cmdSkip");
    });
    again.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdRemove"); });
    again.then("frmReplace", [](QWidget& dialog) { click(dialog, "cmdSkip"); });
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS3");
    EXPECT_TRUE(again.finished());
    EXPECT_EQ(typesOf(std::get<Df3Mission>(window->model(DfType::Df3))), std::vector<int>({2031, 0, 2031}));
}

// The lists on disk are the lists in use: read again at the start of a save, and while the
// replacement dialog waits (the list editor started from it saves a list by renaming a new file
// into place). A list that cannot be read then is reported, and the lists in use stay.
TEST_F(ConverterTest, ListsChangedOnDiskAreReadAgainAndOneThatCannotBeReadIsReported) {
    const auto df3Items = programFolder / "DF3Items.vok";
    auto withDf3Entry = [&df3Items](std::int16_t id, const char* description) {
        auto entries = parseItemList(slurp(df3Items), "DF3Items.vok");
        entries.push_back({id, description});
        return encodeItemList(entries);
    };
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({2031, 1100}, "harbour"), "a01.bms"));
    writeFileAtomically(df3Items, withDf3Entry(2031, "Jeep"));  // before the save: 2031 is not missing
    const std::string good = withDf3Entry(1150, "Canoe");
    bool reported = false;
    ModalScript script;
    script.then("frmReplace", [&](QWidget& dialog) {
        EXPECT_EQ(find<QLabel>(dialog, "lblNotFound")->text(), "#:1100 Description: Buoy");
        auto* ids = find<QListWidget>(dialog, "lstID");
        writeFileAtomically(df3Items, encodeItemList({}));  // a count of 0: cannot be loaded
        reported = waitUntil([this] { return !fakes.messages.shown.empty(); });
        EXPECT_TRUE(fakes.messages.shown.front().text.contains("DF3Items.vok"));
        EXPECT_EQ(ids->findItems("1001", Qt::MatchExactly).size(), 1) << "the lists in use stay";
        writeFileAtomically(df3Items, good);
        ASSERT_TRUE(waitUntil([ids] { return !ids->findItems("1150", Qt::MatchExactly).isEmpty(); }));
        ids->setCurrentItem(ids->findItems("1150", Qt::MatchExactly).front());
        click(dialog, "cmdOk");
    });
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS3");
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(reported);
    EXPECT_EQ(typesOf(std::get<Df3Mission>(window->model(DfType::Df3))), std::vector<int>({2031, 1150}));
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be read or written leave the window as it was.

// Also the open path and the name the next save suggests stay those of the file held.
TEST_F(ConverterTest, FaultyAsciiFileLeavesTheWindowExactlyAsBefore) {
    const auto held = writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms");
    const auto faulty = writeAscii(missionWithTypes<Df2Mission>(std::vector<int>(12, 1200), "desert"), "bad.mis");
    std::string text = slurp(faulty);
    text.resize(text.rfind("type_id") + 12);  // the file now ends inside an item block
    rewrite(faulty, text);
    // Holding no mission, whether its first line names a version or not.
    const auto titled = data.write("titled.mis", "// Converter for Delta Force 2\r\n\r\n");
    const auto untitled = data.write("untitled.mis", "begin event 0\r\n  attrib 1\r\nend event\r\n");

    for (bool loadedBefore : {false, true}) {
        SCOPED_TRACE(loadedBefore);
        if (loadedBefore) openThroughDialog(held);
        for (const auto& path : {faulty, titled, untitled}) {
            SCOPED_TRACE(path.filename().string());
            const WindowState before = state();
            const QString openPath = window->OpenFilePath;
            fakes.messages.shown.clear();
            openThroughDialog(path);
            ASSERT_EQ(fakes.messages.shown.size(), 1u);
            EXPECT_EQ(fakes.messages.shown[0].title, kTitle);
            const QStringList lines = fakes.messages.shown[0].text.split(QStringLiteral("\r\n"));
            if (path == faulty) {
                ASSERT_EQ(lines.size(), 3);
                EXPECT_EQ(lines[0], "Warning!: Error in OpenDF2MIS");
                EXPECT_TRUE(lines[2].startsWith("At Line: "));
            } else {
                EXPECT_EQ(lines[0], qtPath(path));
                EXPECT_TRUE(lines.value(1).contains("holds no mission")) << lines.join('|').toStdString();
            }
            EXPECT_EQ(state(), before);
            EXPECT_EQ(window->OpenFilePath, openPath);
        }
        if (loadedBefore) {
            fakes.files.saveAnswers.push_back(std::nullopt);
            click(*window, "cmdSaveFileMIS1");
            EXPECT_EQ(fakes.files.saved.back().fileName, "a01.mis");
        }
    }
}

TEST_F(ConverterTest, BinaryFilesThatCannotBeReadAreReportedNamingFileAndFault) {
    openThroughDialog(writeBinary(missionWithTypes<Df1Mission>({3001}, "harbour"), "a01.bms"));
    const WindowState before = state();
    const auto shortFile = writeBinary(missionWithTypes<Df2Mission>({3001, 5001}, "desert"), "short.bms");
    rewrite(shortFile, slurp(shortFile).substr(0, 300));  // the header alone is longer
    std::filesystem::create_directory(data / "folder.bms");

    for (const auto& path : {shortFile, data / "folder.bms", data / "vanished.bms"}) {
        SCOPED_TRACE(path.string());
        fakes.messages.shown.clear();
        openThroughDialog(path);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_FALSE(fakes.messages.shown[0].yesNo);
        EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(path)));
        EXPECT_GT(fakes.messages.shown[0].text.split(QStringLiteral("\r\n")).value(1).size(), 0) << "the fault";
        EXPECT_EQ(state(), before);
    }
}

TEST_F(ConverterTest, SaveThatCannotBeWrittenIsReportedAndLeavesTheEarlierFile) {
    openThroughDialog(writeBinary(missionWithTypes<Df2Mission>({3001}, "desert"), "a01.bms"));
    const auto target = data / "earlier.mis";
    writeFileAtomically(target, "an earlier file");
    const WindowState before = state();

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
        const WindowState after = state();
        EXPECT_EQ(std::tie(after.version, after.save, after.enabled, after.df2),
                  std::tie(before.version, before.save, before.enabled, before.df2));
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
    const QString files[] = {"DF1Items.vok", "DF2Items.vok"};
    for (int i = 0; i < 2; ++i) {
        const QStringList lines = fakes.messages.shown[i].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], "Warning!, There Was an Error In 'InitilizeItemLists'");
        EXPECT_TRUE(lines[1].contains(files[i])) << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), files[i].size() + 10) << "and the fault";
    }
    EXPECT_FALSE(anyReplaceDialogLeft());
}

TEST_F(ConverterTest, CreditLinesShowTheAboutBoxAndStartAMail) {
    QTest::mouseClick(creditLine(*window, 0), Qt::LeftButton);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_TRUE(fakes.messages.shown[0].text.contains("Version"));
    EXPECT_TRUE(fakes.messages.shown[0].text.contains(qtPath(programFolder.path())));
    EXPECT_TRUE(fakes.launcher.urls.empty());

    QTest::mouseClick(creditLine(*window, 1), Qt::LeftButton);
    EXPECT_EQ(fakes.launcher.urls, std::vector<QString>({"mailto:vok.tamber@example.com"}));
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace vok::testing
