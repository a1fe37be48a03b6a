// The converter's main window driven headless, with the version dialog it opens.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>

#include "converter/converter_app.h"
#include "converter/remembered_paths.h"
#include "tests/converter/converter_fixture.h"

namespace vok::testing {
namespace {

const QColor kGreen(0, 255, 0), kRed(255, 0, 0), kBlue(0, 0, 255);
const QString kBinaryFilter = "Binary Mission Files (*.BMS)|*.BMS|All Files (*.*)|*.*";
const QString kAsciiFilter = "Ascii Mission Files (*.MIS)|*.MIS|All Files (*.*)|*.*";
const QString kCancelled = "Nothing saved: the save was cancelled";
const WindowState kEmpty{DfType{}, "Open File", kGreen, kRed, false, true};
using Df1 = Df1Mission;
using Df2 = Df2Mission;

WindowState opened(DfType version, const QString& caption) {
    return {version, "Open File: " + caption, kGreen, kGreen, true, true};
}

QString asked;  ///< the missing items the replacement dialog named, each followed by '|'

/// Answers the replacement dialog with a button, after choosing a type when one is named.
ModalScript::Step answer(const char* button, const char* type = nullptr) {
    return [=](QWidget& dialog) {
        auto* ids = find<QListWidget>(dialog, "lstID");
        if (type != nullptr) ids->setCurrentItem(ids->findItems(type, Qt::MatchExactly).value(0));
        asked += find<QLabel>(dialog, "lblNotFound")->text() + '|';
        EXPECT_EQ(std::tuple(dialog.windowTitle(), find<QGroupBox>(dialog, "fraNotFound")->title(),
                             find<QGroupBox>(dialog, "fraReplace")->title()),
                  std::tuple(converter::kConverterTitle, "This DF1 Item Does Not Exsist In DF3",
                             "Please Select A Replacement (To Be Used In DF3)"));
        click(dialog, button);
    };
}

void drop(QWidget& window, const std::vector<std::filesystem::path>& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& file : files) urls << QUrl::fromLocalFile(qtPath(file));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    EXPECT_TRUE(enter.isAccepted() && dropped.isAccepted());
    QCoreApplication::processEvents();  // the open waits for the drop to end
}

// A dropped file opens as on the command line; other files are refused with a message; several
// files or a folder go to the campaign window and leave the mission held alone.
TEST_F(ConverterTest, CommandLineAndDropOpenPathsEndingInBmsOrMisInAnyCase) {
    const std::pair<const char*, QStringList> cases[] = {
        // clang-format off
        {"a01.Mis", {"%/a01.Mis"}}, {"A02.BMS", {"%/A02.BMS"}}, {"a01.txt", {"%/a01.txt"}},
        {"night raid.bms", {"%/night", "raid.bms"}},  // split by the shell, joined again
        {"night raid 2.mis", {"\"%/night raid 2.mis\""}},
        // clang-format on
    };
    for (const auto& [file, args] : cases) {
        write<Df2>(std::vector<int>(12, 1200), file);
        const bool opens = !QString(file).endsWith(".txt");
        for (bool dropped : {false, true}) {
            SCOPED_TRACE(std::string(file) + (dropped ? " dropped" : ""));
            newWindow();
            fakes.messages.shown.clear();
            if (dropped) drop(*window, {data / file});
            if (!dropped) window->startUp(QStringList(args).replaceInStrings("%", qtPath(data.path())));
            EXPECT_EQ(state(), opens ? opened(DfType::Df2, QString(file) + " (From: DF2)") : kEmpty);
            EXPECT_EQ(fakes.messages.shown.size(), !opens && dropped ? 1u : 0u);
        }
    }
    drop(*window, {data / "a01.Mis", data / "A02.BMS"});
    drop(*window, {data.path()});
    EXPECT_EQ(state(), opened(DfType::Df2, "night raid 2.mis (From: DF2)"));
    EXPECT_TRUE(fakes.messages.shown.empty() && window->OpenFilePath.isEmpty());
    // The recent files are each file opened once, the last first; no folder is remembered.
    EXPECT_EQ(window->recentFiles(), QStringList({"night raid 2.mis", "night raid.bms", "A02.BMS", "a01.Mis"})
                                         .replaceInStrings(QRegularExpression("^"), qtPath(data.path()) + '/'));
    fakes.settings.values.erase(fakes.settings.values.lower_bound("Vok_Sorrel/Recent/"),
                                fakes.settings.values.lower_bound("Vok_Sorrel/Recent0"));
    EXPECT_TRUE(fakes.settings.values.empty()) << fakes.settings.values.begin()->first.toStdString();
    const auto* campaign = window->findChild<QWidget*>("frmCampaign");
    ASSERT_NE(campaign, nullptr);
    EXPECT_TRUE(campaign->isVisible());
    EXPECT_EQ(find<QListWidget>(*campaign, "lstInputs")->count(), 3);
}

// Each open command has its own folder and offers the name of the file held; Cancel forgets the path.
TEST_F(ConverterTest, OpenReadsTheFileNamesItAndItsVersionAndEachFormRemembersItsFolder) {
    std::filesystem::create_directory(data / "sub");
    const QString folder = qtPath(data.path()) + '/', home = ui::defaultFolder();
    const struct {
        std::filesystem::path path;
        DfType version;
        QString caption, initialFolder, fileName, form, remembered;
        std::string save;  ///< the command that writes the version held unchanged
    } opens[] = {
        {write<Df2>({3001, 2005}, "a01.bms"), DfType::Df2, "a01.bms (From: DF2)", home, "", "BMS", folder, "BMS2"},
        {write<Df3Mission>({3001, 2001}, "sub/a01.bms"), DfType::Df3, "a01.bms (From: DF:LW)", folder, "a01.bms", "BMS",
         folder + "sub/", "BMS3"},
        {write<Df1>(std::vector<int>(12, 2031), "m01.part2.mis"), DfType::Df1, "m01.part2.mis (From: DF1)", home, "",
         "MIS", folder, "BMS1"},
    };
    for (const auto& o : opens) {
        openThroughDialog(o.path);
        const ui::FileRequest& request = fakes.files.opened.back();
        EXPECT_EQ(std::tuple(request.initialFolder, request.fileName), std::tuple(o.initialFolder, o.fileName));
        EXPECT_EQ(std::tuple(request.title, request.filter, request.mustExist),
                  std::tuple("Please Select Delta Force 1/2/3 Mission", o.form == "BMS" ? kBinaryFilter : kAsciiFilter,
                             true));
        EXPECT_EQ(status(), "Opened " + converter::fileTitleOf(qtPath(o.path)) + " (" +
                                QString::fromStdString(std::string(versionName(o.version))) + ")");
        EXPECT_EQ(fakes.settings.read("Vok_Sorrel", "Paths", "LastOpen" + o.form, ""), o.remembered);
        EXPECT_EQ(state(), opened(o.version, o.caption));
        EXPECT_EQ(window->OpenFilePath, qtPath(o.path));
        EXPECT_EQ(saved(o.save), openMission(o.path, o.version, *formOfPath(o.path)));
    }
    const WindowState before = state();
    fakes.settings.values.clear();
    fakes.files.openAnswers.push_back(std::nullopt);
    click(*window, "cmdOpenMIS");
    EXPECT_EQ(fakes.files.opened.back().fileName, "m01.part2.mis");
    EXPECT_TRUE(window->OpenFilePath.isEmpty() && fakes.settings.values.empty() && fakes.messages.shown.empty());
    EXPECT_EQ(state(), before);
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileBMS1");
    EXPECT_EQ(fakes.files.saved.back().fileName, "m01.bms");
}

// No, Cancel or Esc leave the Failed state; OK reads the version chosen. The window waits disabled.
TEST_F(ConverterTest, AFileOfUnknownVersionAsksForItAndIsReadAsTheVersionChosen) {
    openThroughDialog(write<Df2>({3001}, "a01.bms"));
    std::string bytes = slurp(write<Df1>({3001, 2031, 5001}, "u01.bms"));
    bytes[3] = 99;  // a version byte no game writes
    const auto path = data.write("u01.bms", bytes);
    WindowState failed = state();
    std::tie(failed.version, failed.save, failed.saveEnabled) = std::tuple(DfType::NotRecognised, kRed, false);
    std::string df3 = slurp(write<Df3Mission>({3001, 2001}, "u03.bms"));
    df3[3] = 99;
    const auto df3Path = data.write("u03.bms", df3);
    auto choose = [](int entry) {
        return
            [entry](QWidget& d) { find<QComboBox>(d, "cboSelectVersion")->setCurrentIndex(entry), click(d, "cmdOK"); };
    };
    const std::tuple<bool, ModalScript::Step, WindowState, std::filesystem::path> answers[] = {
        {false, nullptr, failed, path},
        {true, [](QWidget& d) { click(d, "cmdCancel"); }, failed, path},
        {true, [](QWidget& d) { QTest::keyClick(&d, Qt::Key_Escape); }, failed, path},
        {true, [](QWidget& d) { d.close(); }, failed, path},  // by its frame
        {true, choose(2), opened(DfType::Df3, "u03.bms (From: DF:LW)"), df3Path},
        {true, choose(0), opened(DfType::Df1, "u01.bms (From: DF1)"), path},
    };
    for (const auto& [yes, step, after, file] : answers) {
        fakes.messages.shown.clear();
        fakes.messages.answers.push_back(yes);
        bool disabled = false;
        ModalScript script;
        if (yes) script.then("frmSelectVersion", [&](QWidget& d) { disabled = !window->isEnabled(), step(d); });
        openThroughDialog(file);
        EXPECT_TRUE(script.finished() && disabled == yes);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_EQ(fakes.messages.shown[0].text,
                  "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?");
        EXPECT_EQ(state(), after);
        EXPECT_EQ(status(), after == failed
                                ? "Nothing opened: " + converter::fileTitleOf(qtPath(file)) + " was not read"
                                : "Opened " + converter::fileTitleOf(qtPath(file)) + " (" +
                                      (file == path ? "Delta Force 1)" : "Delta Force Land Warrior)"));
    }
    EXPECT_EQ(typesOf(saved("MIS1")), std::vector<int>({3001, 2031, 5001}));
}

// Each save command has its own folder and names the file up to its first period. Another version is
// converted afresh at each save and gets the terrain answered (16 characters); Cancel ends the save.
TEST_F(ConverterTest, EachSaveCommandHasItsFolderAndNameAndConvertsTheSourceAfresh) {
    const auto source = write<Df1>({3001, 5001}, "m01.part2.bms");
    openThroughDialog(source);
    const WindowState before = state();
    const std::string commands[] = {"BMS1", "BMS2", "BMS3", "MIS1", "MIS2", "MIS3"};
    const char* offered[] = {nullptr, "harbour", "DF1harbour"};
    auto key = [](const std::string& c) {
        return QString::fromStdString("Vok_Sorrel/Paths/LastSaveDF" + c.substr(3) + c.substr(0, 3));
    };
    for (const std::string& c : commands) fakes.settings.values[key(c)] = QString::fromStdString("/was/" + c);
    fakes.inputs.answers = {std::nullopt, QString()};
    fakes.files.saveAnswers = {std::nullopt};
    click(*window, "cmdSaveFileMIS2");
    EXPECT_TRUE(fakes.files.saved.empty()) << "no save dialog after Cancel";
    EXPECT_EQ(status(), kCancelled);
    click(*window, "cmdSaveFileMIS2");
    EXPECT_TRUE(window->SaveFilePath.isEmpty() && window->SaveFileTitle.isEmpty());
    EXPECT_EQ(status(), kCancelled);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path()), {}), 1) << "only the source";
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(commands[i]);
        // OK on an empty answer: no terrain. Text is stored in Windows-1252; a name it cannot hold
        // is said and asked again.
        const QString terrain = i == 4 ? "" : i == 5 ? QString::fromUtf8("For\u00eat") : "TerrainFarTooLong";
        fakes.inputs.asked.clear(), fakes.messages.shown.clear();
        if (i == 5) fakes.inputs.answers.push_back(QString::fromUtf8("\u0141\u00f3d\u017a"));
        if (offered[i % 3] != nullptr) fakes.inputs.answers.push_back(terrain);
        const AnyMission written = saved(commands[i]);
        const ui::FileRequest& request = fakes.files.saved.back();
        EXPECT_EQ(std::tuple(request.initialFolder.toStdString(), request.fileName.toStdString()),
                  std::tuple("/was/" + commands[i], i < 3 ? "m01.bms" : "m01.mis"));
        EXPECT_EQ(fakes.settings.values.at(key(commands[i])), qtPath(data.path()) + '/');
        // The dialog asks before it replaces a file.
        EXPECT_EQ(std::tuple(request.title, request.filter, request.overwritePrompt),
                  std::tuple("Select File Name To Save As:", i < 3 ? kBinaryFilter : kAsciiFilter, true));
        EXPECT_TRUE(status().startsWith(QString("Saved %1.%2 for ").arg(commands[i].c_str(), i < 3 ? "bms" : "mis")))
            << status().toStdString();
        EXPECT_EQ(typesOf(written), std::vector<int>({3001, 5001}));
        ASSERT_EQ(fakes.inputs.asked.size(), offered[i % 3] == nullptr ? 0u : i == 5 ? 2u : 1u);
        if (offered[i % 3] == nullptr) continue;
        EXPECT_EQ(fakes.inputs.asked[0].prompt, "Please Enter Terrain Name:");
        EXPECT_EQ(fakes.inputs.asked[0].defaultAnswer, offered[i % 3]);
        if (i == 5) {
            EXPECT_EQ(fakes.inputs.asked[1].defaultAnswer, QString::fromUtf8("\u0141\u00f3d\u017a"));
            ASSERT_EQ(fakes.messages.shown.size(), 1u);
            EXPECT_TRUE(fakes.messages.shown[0].text.contains(QString::fromUtf8("\"\u0141\" is not one of them")));
        }
        const std::string stored = i == 5 ? "For\xEAt" : terrain.left(16).toStdString();
        std::visit([&](const auto& m) { EXPECT_EQ(m.header.terrain.text(), stored); }, written);
    }
    EXPECT_EQ(openMission(data / "MIS1.mis", DfType::Df1, MissionForm::Ascii),
              openMission(source, DfType::Df1, MissionForm::Binary));
    EXPECT_EQ(state(), before);
    EXPECT_EQ(slurp(save("BMS1")), slurp(source)) << "the source is untouched";
}

// A conversion written over the very file the mission was read from (however the path is spelled)
// gets its own question, answered No unless the user says Yes; a save of the version read, or to
// another file, asks nothing beyond the save dialog's own prompt.
TEST_F(ConverterTest, ConvertingOverTheMissionOpenedAsksFirstAndNoWritesNothing) {
    const auto source = write<Df2>({3001, 5001}, "b.bms");
    const std::string original = slurp(source);
    openThroughDialog(source);
    const QString question = "b.bms is the mission you opened (Delta Force 2). Replace it with its %1 conversion?";
    const struct {
        QString target;
        std::string command;
        std::optional<bool> answer;  ///< nullopt: no question
        bool written;
    } saves[] = {
        {qtPath(source), "BMS1", false, false},
        {qtPath(data.path()) + "/./b.bms", "MIS3", false, false},
        {qtPath(source), "BMS2", std::nullopt, true},  // the version read: the dialog's prompt is enough
        {qtPath(data / "c.bms"), "BMS1", std::nullopt, true},
        {qtPath(source), "BMS1", true, true},
    };
    for (const auto& row : saves) {
        SCOPED_TRACE(row.command + " " + row.target.toStdString());
        std::filesystem::remove(data / "c.bms");
        writeFileAtomically(source, original);
        fakes.messages.shown.clear();
        if (row.answer) fakes.messages.answers.push_back(*row.answer);
        fakes.files.saveAnswers.push_back(row.target);
        click(*window, ("cmdSaveFile" + row.command).c_str());
        ASSERT_EQ(fakes.messages.shown.size(), row.answer ? 1u : 0u);
        if (row.answer) {
            EXPECT_EQ(fakes.messages.shown[0].text,
                      question.arg(row.command == "MIS3" ? "Delta Force Land Warrior" : "Delta Force 1"));
            EXPECT_FALSE(fakes.messages.shown[0].preferYes);
        }
        const auto written = row.target.endsWith("c.bms") ? data / "c.bms" : source;
        EXPECT_EQ(std::filesystem::exists(written) && slurp(written) != original, row.written && row.command != "BMS2");
        EXPECT_EQ(status().startsWith("Saved "), row.written) << status().toStdString();
        if (!row.written) {
            EXPECT_EQ(status(), kCancelled);
        }
    }
    EXPECT_EQ(typesOf(openMission(source, DfType::Df1, MissionForm::Binary)), std::vector<int>({3001, 5001}));
}

// The menus repeat the open commands with their keys, keep the last ten missions opened and show the
// user guide; Quit closes the window.
TEST_F(ConverterTest, TheMenusOpenWithTheUsualKeysRememberTenMissionsAndShowTheGuide) {
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 11; ++i)
        files.push_back(write<Df2>({3001}, "m" + std::to_string(i) + (i % 2 ? ".mis" : ".bms")));
    const std::tuple<QKeySequence, std::filesystem::path, QString> keys[] = {
        {QKeySequence("Ctrl+O"), files[0], kBinaryFilter},
        {QKeySequence("Ctrl+Shift+O"), files[1], kAsciiFilter},
    };
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const auto& [sequence, file, filter] : keys) {
        fakes.files.openAnswers.push_back(qtPath(file));
        QTest::keySequence(window.get(), sequence);
        ASSERT_FALSE(fakes.files.opened.empty());
        EXPECT_EQ(fakes.files.opened.back().filter, filter);
        EXPECT_EQ(state(), opened(DfType::Df2, converter::fileTitleOf(qtPath(file)) + " (From: DF2)"));
    }
    for (int i = 2; i < 11; ++i) window->openCommandLine(qtPath(files[i]));
    window->openCommandLine(qtPath(files[5]));  // again: moves to the top
    QStringList expected;
    for (int i : {5, 10, 9, 8, 7, 6, 4, 3, 2, 1}) expected << qtPath(files[i]);
    EXPECT_EQ(window->recentFiles(), expected);
    const auto settings = fakes.settings.values;  // the list lives in the settings
    fakes.settings.values.clear();
    newWindow();
    auto* recent = find<QMenu>(*window, "mnuRecent");
    EXPECT_FALSE(recent->isEnabled()) << "none yet";
    fakes.settings.values = settings;
    emit find<QMenu>(*window, "mnuFile")->aboutToShow();
    EXPECT_TRUE(recent->isEnabled());
    ASSERT_EQ(recent->actions().size(), 10);
    EXPECT_EQ(recent->actions()[9]->text(), "&0 " + qtPath(files[1]));
    recent->actions()[9]->trigger();
    EXPECT_EQ(state(), opened(DfType::Df2, "m1.mis (From: DF2)"));
    find<QAction>(*window, "actConvertMissions")->trigger();  // the campaign window, as its button
    const auto* campaign = window->findChild<QWidget*>("frmCampaign");
    ASSERT_TRUE(campaign != nullptr && campaign->isVisible());

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    auto* guide = window->findChild<QDialog*>("frmGuide");
    ASSERT_TRUE(guide != nullptr && guide->isVisible());
    EXPECT_TRUE(find<QTextBrowser>(*guide, "txtGuide")->toPlainText().contains("The converter (Vok_Sorrel)"));
    find<QAction>(*window, "actAbout")->trigger();
    EXPECT_TRUE(fakes.messages.shown.back().text.contains("Created By Vok Tamber"));
    QTest::keySequence(window.get(), QKeySequence("Ctrl+Q"));
    EXPECT_FALSE(window->isVisible());
}

// OK-A serves the run, Remove gives type 0, Skip keeps the type. "Cancel Save" ends the save at once
// and forgets its OK-A answers. The window is busy while the dialog asks.
TEST_F(ConverterTest, ReplacementsAnsweredInTheDialogServeTheSaveOrTheRun) {
    openThroughDialog(write<Df1>({2031, 2031, 600, 2031, 3001}, "a01.bms"));
    const WindowState before = state();
    bool busy = false;
    asked.clear();
    {
        ModalScript cancelled;
        cancelled.then("frmReplace", [&](QWidget&) { busy = state().save == kBlue && !window->isEnabled(); })
            .then("frmReplace", answer("cmdOkAll", "2051"))
            .then("frmReplace", answer("cmdCancelSave"));
        click(*window, "cmdSaveFileMIS3");
        EXPECT_TRUE(cancelled.finished() && busy);
    }
    EXPECT_TRUE(fakes.inputs.asked.empty() && fakes.files.saved.empty());
    EXPECT_EQ(state(), before);
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [](auto* w) { return w->objectName() == "frmReplace"; }));
    {
        ModalScript first;
        first.then("frmReplace", answer("cmdOkAll", "2010")).then("frmReplace", answer("cmdRemove"));
        EXPECT_EQ(typesOf(saved("MIS3")), std::vector<int>({2010, 2010, 0, 2010, 3001}));
        EXPECT_TRUE(first.finished());
    }
    // The lists changed on disk are read again before the next save; the OK-A answer outlives that.
    writeFileAtomically(programFolder / "DF2Items.vok", itemList("1200 Palm, 2005 Truck, 4000 Boat"));
    ModalScript again;
    again.then("frmReplace", answer("cmdSkip"));
    EXPECT_EQ(typesOf(saved("BMS3")), std::vector<int>({2010, 2010, 600, 2010, 3001}));
    EXPECT_TRUE(again.finished() && !lists.changedOnDisk());
    EXPECT_EQ(asked,
              "#:2031 Description: Jeep|#:600 Description: Crate|#:2031 Description: Jeep|"
              "#:600 Description: Crate|#:600 Description: Crate|");
    EXPECT_EQ(slurp(programFolder / "DF1Replace.vok"), encodeReplaceList({{2, 1040, 2005}})) << "OK-A saves nothing";
}

// OK-S appends to the source version's list; one that cannot be saved is reported (for a folder that
// refuses writing, with where to keep lists of one's own) and still serves the run.
TEST_F(ConverterTest, OkSSavesTheReplacementOrReportsWhyNotAndStillUsesIt) {
    using enum FailingFileSystem::FailAt;
    const std::tuple<FailingFileSystem::FailAt, int, int, int> cases[] = {
        // fault, error, a DF1 type new to the run, the DF3 type offered first (Cactus sorts first)
        {Nothing, 0, 1040, 1300},
        {Rename, ENOSPC, 1100, 1300},  // a full disk is no system-wide install
        {Create, EACCES, 600, 7},
    };
    for (const auto& [failAt, error, type, chosen] : cases) {
        openThroughDialog(write<Df1>({type, type}, "a01.bms"));
        std::tie(fileSystem.failAt, fileSystem.error) = std::tuple(failAt, error);
        fakes.messages.shown.clear();
        ModalScript script;
        script.then("frmReplace", answer("cmdOkSave"));
        fakes.files.saveAnswers.push_back(std::nullopt);
        click(*window, "cmdSaveFileBMS3");
        fileSystem.failAt = Nothing;
        EXPECT_EQ(typesOf(saved("BMS3")), std::vector<int>({chosen, chosen})) << "asked once";
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(parseReplaceList(slurp(programFolder / "DF1Replace.vok"), ""),
                  std::vector<ReplaceEntry>({{2, 1040, 2005}, {3, 1040, 1300}}));
        const QString text = fakes.messages.shown.empty() ? "" : fakes.messages.shown[0].text;
        EXPECT_EQ(fakes.messages.shown.size(), error != 0 ? 1u : 0u);
        EXPECT_TRUE(error == 0 || (text.contains(qtPath(programFolder / "DF1Replace.vok")) &&
                                   text.contains("It Is Remembered Until The Program Ends.") &&
                                   text.contains("vok --lists DIR") == (error == EACCES)))
            << text.toStdString();
    }
}

// The lists on disk are read again at the start of an open or a save and while the replacement dialog waits; one
// that cannot be read then is reported, and the lists in use stay.
TEST_F(ConverterTest, ListsChangedOnDiskAreReadAgainAndOneThatCannotBeReadIsReported) {
    const auto df3Items = programFolder / "DF3Items.vok";
    openThroughDialog(write<Df1>({2031, 1100}, "a01.bms"));
    writeFileAtomically(df3Items, itemList("1001 Tree, 2031 Jeep"));  // 2031 is no longer missing
    ModalScript script;
    script.then("frmReplace", [&](QWidget& dialog) {
        auto* ids = find<QListWidget>(dialog, "lstID");
        writeFileAtomically(df3Items, encodeItemList({}));  // a count of 0: cannot be loaded
        ASSERT_TRUE(QTest::qWaitFor([this] { return !fakes.messages.shown.empty(); }));
        EXPECT_TRUE(fakes.messages.shown[0].text.contains("DF3Items.vok"));
        EXPECT_EQ(ids->count(), 1) << "the lists in use stay";
        writeFileAtomically(df3Items, itemList("1001 Tree, 2031 Jeep, 1150 Canoe"));
        EXPECT_TRUE(QTest::qWaitFor([ids] { return ids->count() == 2; }));
        answer("cmdOk", "1150")(dialog);
    });
    EXPECT_EQ(typesOf(saved("BMS3")), std::vector<int>({2031, 1150}));
    EXPECT_TRUE(script.finished());
    // ... and before an open.
    writeFileAtomically(df3Items, itemList("1001 Tree, 2031 Jeep, 1150 Canoe, 1160 Raft"));
    ASSERT_TRUE(lists.changedOnDisk());
    openThroughDialog(write<Df2>({3001}, "b.bms"));
    EXPECT_FALSE(lists.changedOnDisk());
}

// A file that cannot be read, or written, is reported (the texts are the session's); the window, the
// open path, the name the next save suggests and the file written before stay as they were.
TEST_F(ConverterTest, FilesThatCannotBeReadOrWrittenLeaveTheWindowAndTheFilesAsBefore) {
    const auto held = write<Df1>({3001}, "a01.bms");
    openThroughDialog(held);
    for (const auto& path : {data / "vanished.bms", data.write("empty.mis", "begin event 0\r\nend event\r\n")}) {
        const auto before = std::tuple(state(), window->OpenFilePath);
        fakes.messages.shown.clear();
        openThroughDialog(path);
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_TRUE(fakes.messages.shown[0].text.startsWith(qtPath(path) + "\r\n"));
        EXPECT_EQ(std::tuple(state(), window->OpenFilePath), before);
    }
    fakes.files.saveAnswers.push_back(std::nullopt);
    click(*window, "cmdSaveFileMIS1");
    EXPECT_EQ(fakes.files.saved.back().fileName, "a01.mis");

    const auto target = save("MIS3");
    const auto before = std::tuple(slurp(target), state());
    std::tie(fileSystem.failAt, fileSystem.bytesBeforeFailure) = std::tuple(FailingFileSystem::FailAt::Write, 10);
    fakes.messages.shown.clear();
    save("MIS3");
    EXPECT_TRUE(fakes.messages.shown.size() == 1 && fakes.messages.shown[0].text.startsWith(qtPath(target) + "\r\n"));
    EXPECT_EQ(std::tuple(slurp(target), state()), before);
    // Lists that cannot be loaded end the program, naming the file and how to mend it.
    programFolder.write("DF2Items.vok", encodeItemList({}));
    EXPECT_NE(converter::runConverter(fakes.seams, qtPath(programFolder.path()), {}), 0);
    const QString shown = fakes.messages.shown.back().text;
    EXPECT_TRUE(shown.contains(qtPath(programFolder / "DF2Items.vok")) && shown.contains("Vok_Tally") &&
                shown.contains("vok lists import"))
        << shown.toStdString();
}

}  // namespace
}  // namespace vok::testing
