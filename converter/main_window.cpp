#include "converter/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "converter/campaign_window.h"
#include "converter/click_label.h"
#include "converter/remembered_paths.h"
#include "converter/replace_dialog.h"
#include "converter/report_dialog.h"
#include "converter/select_version_dialog.h"
#include "lists/codepage.h"
#include "lists/list_journal.h"
#include "mission/core/error.h"
#include "mission/core/platform.h"
#include "program_version.h"
#include "ui/look.h"
#include "workflow/messages.h"

namespace vok::converter {

namespace {

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

QString fromBytes(const std::string& bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

// `caption` carries the mnemonic ("DF&1"): the button shows its text with that letter underlined.
QPushButton* commandButton(QWidget* parent, const char* name, const char* caption, const QString& toolTip) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(toolTip);
    return button;
}

QString saveToolTip(DfType target, MissionForm form) {
    const std::string_view game = versionName(target);
    const bool binary = form == MissionForm::Binary;
    return QStringLiteral("Save the mission as a %1 %2 file (%3); one of another game is converted first")
        .arg(QString::fromLatin1(game.data(), static_cast<qsizetype>(game.size())),
             binary ? QStringLiteral("binary") : QStringLiteral("ascii"),
             binary ? QStringLiteral(".bms") : QStringLiteral(".mis"));
}

/// "DF1", "DF2", "DF:LW".
QString versionCaption(DfType version) {
    const std::string_view label = versionLabel(version);
    return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

}  // namespace

struct frmMain::Look {
    DfType version;
    QString caption;
    QColor open;
    QColor save;
    bool saveEnabled;
};

frmMain::frmMain(ui::Seams& seams, ListStore& lists, QString programFolder, Clock clock, FileSystem& fileSystem,
                 QWidget* parent)
    : QWidget(parent),
      seams_(seams),
      lists_(lists),
      programFolder_(std::move(programFolder)),
      clock_(std::move(clock)),
      fileSystem_(fileSystem),
      chooser_(std::make_unique<DialogReplacementChooser>(lists, programFolder_, seams, kConverterTitle,
                                                          [this] { return refreshLists(); })),
      session_([this]() -> ListStore& { return lists_; }, workflow::Style::Window) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kConverterTitle);
    ui::paintWhiteOnBlack(*this);
    setAcceptDrops(true);

    buildOpenGroup();
    buildSaveGroup();
    auto* layout = new QVBoxLayout(this);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(fraOpenFile_, 1);
    auto* cmdConvertMissions = new QPushButton(QStringLiteral("Convert &Missions..."), this);
    cmdConvertMissions->setObjectName(QStringLiteral("cmdConvertMissions"));
    cmdConvertMissions->setToolTip(QStringLiteral("Convert many missions, or a folder of them, at once"));
    openRow->addWidget(cmdConvertMissions);
    connect(cmdConvertMissions, &QPushButton::clicked, this, &frmMain::convertMissions);
    layout->addLayout(openRow);
    layout->addWidget(fraSaveFile_);
    layout->addWidget(buildAboutGroup());
    layout->addWidget(buildStatusLine());
    buildMenus();

    // Empty: nothing to save yet.
    ui::paintPanel(*lblColor_, ui::kReady);
    ui::paintPanel(*lblColor2_, ui::kNothing);
    fraSaveFile_->setEnabled(false);
}

// Open group, on top: the two open commands on their status panel.
void frmMain::buildOpenGroup() {
    fraOpenFile_ = new QGroupBox(QStringLiteral("Open File"), this);
    fraOpenFile_->setObjectName(QStringLiteral("fraOpenFile"));
    lblColor_ = new QFrame(fraOpenFile_);  // a coloured status panel
    lblColor_->setObjectName(QStringLiteral("lblColor"));
    const QString anyGame =
        QStringLiteral(" of Delta Force 1, 2 or Land Warrior; a file dropped on the window opens too");
    auto* cmdOpenBMS = commandButton(lblColor_, "cmdOpenBMS", "&Binary Mission File (*.BMS)",
                                     QStringLiteral("Open a binary mission file (.bms)") + anyGame);
    auto* cmdOpenMIS = commandButton(lblColor_, "cmdOpenMIS", "&Ascii Mission File (*.MIS)",
                                     QStringLiteral("Open an ascii mission file (.mis)") + anyGame);
    auto* openButtons = new QHBoxLayout(lblColor_);
    openButtons->setContentsMargins(8, 8, 8, 8);
    openButtons->addWidget(cmdOpenBMS);
    openButtons->addWidget(cmdOpenMIS);
    (new QVBoxLayout(fraOpenFile_))->addWidget(lblColor_);
    connect(cmdOpenBMS, &QPushButton::clicked, this, [this] { openCommand(MissionForm::Binary); });
    connect(cmdOpenMIS, &QPushButton::clicked, this, [this] { openCommand(MissionForm::Ascii); });
}

// Save group, in the middle: binary commands on the left, ascii on the right, DF1, DF2, DF:LW.
void frmMain::buildSaveGroup() {
    fraSaveFile_ = new QGroupBox(QStringLiteral("Save File"), this);
    fraSaveFile_->setObjectName(QStringLiteral("fraSaveFile"));
    lblColor2_ = new QFrame(fraSaveFile_);
    lblColor2_->setObjectName(QStringLiteral("lblColor2"));
    auto* saveButtons = new QGridLayout(lblColor2_);
    saveButtons->setContentsMargins(8, 8, 8, 8);
    struct SaveCommand {
        const char* name;
        const char* caption;
        DfType target;
        MissionForm form;
    };
    // The binary and the ascii command of a version share their mnemonic: it moves the focus
    // between the two, and Space presses the one that has it.
    const SaveCommand commands[] = {
        {"cmdSaveFileBMS1", "As Binary Mission File For DF&1 (*.BMS)", DfType::Df1, MissionForm::Binary},
        {"cmdSaveFileBMS2", "As Binary Mission File For DF&2 (*.BMS)", DfType::Df2, MissionForm::Binary},
        {"cmdSaveFileBMS3", "As Binary Mission File For DF:&LW (*.BMS)", DfType::Df3, MissionForm::Binary},
        {"cmdSaveFileMIS1", "As Ascii Mission File  For DF&1 (*.MIS)", DfType::Df1, MissionForm::Ascii},
        {"cmdSaveFileMIS2", "As Ascii Mission File  For DF&2 (*.MIS)", DfType::Df2, MissionForm::Ascii},
        {"cmdSaveFileMIS3", "As Ascii Mission File  For DF:&LW (*.MIS)", DfType::Df3, MissionForm::Ascii},
    };
    for (const SaveCommand& command : commands) {
        const QString toolTip = saveToolTip(command.target, command.form);
        auto* button = commandButton(lblColor2_, command.name, command.caption, toolTip);
        saveButtons->addWidget(button, static_cast<int>(versionIndex(command.target)),
                               command.form == MissionForm::Binary ? 0 : 1);
        connect(button, &QPushButton::clicked, this,
                [this, target = command.target, form = command.form] { saveCommand(target, form); });
    }
    (new QVBoxLayout(fraSaveFile_))->addWidget(lblColor2_);
}

// About group, at the bottom: the two credit lines.
QWidget* frmMain::buildAboutGroup() {
    auto* fraAbout = new QGroupBox(QStringLiteral("About"), this);
    fraAbout->setObjectName(QStringLiteral("fraAbout"));
    auto* aboutLayout = new QVBoxLayout(fraAbout);
    const QString aboutTexts[] = {QStringLiteral("Created By Vok Tamber"), QStringLiteral("eMail ") + kAuthorAddress};
    for (int index = 0; index < 2; ++index) {
        // The two credit lines are one control array: both are "lblAbout", told apart by "index".
        auto* label = new ClickLabel(aboutTexts[index], fraAbout);
        label->setObjectName(QStringLiteral("lblAbout"));
        label->setProperty("index", index);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        label->setMargin(3);
        ui::paintCredits(*label);
        aboutLayout->addWidget(label);
        connect(label, &ClickLabel::clicked, this, index == 0 ? &frmMain::showAbout : &frmMain::showMail);
    }
    return fraAbout;
}

// The menus repeat the buttons' commands and add what has no button.
void frmMain::buildMenus() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    // The menus keep the desktop's colours, not the window's white on black.
    QPalette desktop = QApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            desktop.setColor(g, r, desktop.color(g, r));
        }
    }
    bar->setPalette(desktop);
    bar->setAutoFillBackground(true);
    layout()->setMenuBar(bar);
    auto command = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        this->addAction(action);  // the keys work while the menu is closed
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    command(file, "actOpenBinary", QStringLiteral("Open &Binary..."), QKeySequence(Qt::CTRL | Qt::Key_O),
            [this] { openCommand(MissionForm::Binary); });
    command(file, "actOpenAscii", QStringLiteral("Open &Ascii..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
            [this] { openCommand(MissionForm::Ascii); });
    command(file, "actConvertMissions", QStringLiteral("Convert &Missions..."), QKeySequence(),
            [this] { convertMissions(); });
    QMenu* recent = file->addMenu(QStringLiteral("&Recent Files"));
    recent->setObjectName(QStringLiteral("mnuRecent"));
    fillRecentMenu(*recent);
    file->addSeparator();
    // Turns the report window back on after its "Do not show this again" (or off).
    QAction* reports = command(file, "actShowReports", QStringLiteral("&Show Reports"), QKeySequence(),
                               [this](bool on) { frmReport::setWanted(seams_.settings, on); });
    reports->setCheckable(true);
    reports->setChecked(!frmReport::notWanted(seams_.settings));
    // What the menu shows is brought up to date as it opens (a disabled sub-menu announces nothing).
    connect(file, &QMenu::aboutToShow, this, [this, reports, recent] {
        fillRecentMenu(*recent);
        reports->setChecked(!frmReport::notWanted(seams_.settings));
    });
    file->addSeparator();
    command(file, "actQuit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    command(help, "actUserGuide", QStringLiteral("&User Guide"), QKeySequence(Qt::Key_F1), [this] { showUserGuide(); });
    command(help, "actAbout", QStringLiteral("&About"), QKeySequence(), [this] { showAbout(); });
}

QLabel* frmMain::buildStatusLine() {
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::RichText);
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lblStatus_, &QLabel::linkActivated, this, [this] { openLastReport(); });
    return lblStatus_;
}

QStringList frmMain::recentFiles() const {
    QStringList files;
    for (int index = 1; index <= kRecentFiles; ++index) {
        const QString path =
            seams_.settings.read(kSettingsApplication, kRecentSection, QStringLiteral("File%1").arg(index), QString());
        if (!path.isEmpty()) files << path;
    }
    return files;
}

void frmMain::rememberRecent(const QString& path) {
    QStringList files = recentFiles();
    files.removeIf(
        [&path](const QString& known) { return known == path || platform::sameFile(toPath(known), toPath(path)); });
    files.prepend(path);
    for (int index = 1; index <= kRecentFiles; ++index) {
        seams_.settings.write(kSettingsApplication, kRecentSection, QStringLiteral("File%1").arg(index),
                              files.value(index - 1));
    }
}

void frmMain::fillRecentMenu(QMenu& menu) {
    menu.clear();
    const QStringList files = recentFiles();
    for (int index = 0; index < files.size(); ++index) {
        const QString path = files[index];
        QAction* action = menu.addAction(QStringLiteral("&%1 %2").arg((index + 1) % 10).arg(path));
        action->setObjectName(QStringLiteral("actRecent%1").arg(index + 1));
        connect(action, &QAction::triggered, this,
                [this, path] { openFlow(path, formOfPath(toPath(path)).value_or(MissionForm::Binary)); });
    }
    menu.setEnabled(!files.isEmpty());
}

// The README, the user's guide, built into the program.
void frmMain::showUserGuide() {
    auto* guide = findChild<QDialog*>(QStringLiteral("frmGuide"));
    if (guide == nullptr) {
        guide = new QDialog(this);
        guide->setObjectName(QStringLiteral("frmGuide"));
        guide->setWindowTitle(kConverterTitle + QStringLiteral(" - User Guide"));
        auto* text = new QTextBrowser(guide);
        text->setObjectName(QStringLiteral("txtGuide"));
        text->setOpenExternalLinks(true);
        QFile readme(QStringLiteral(":/guide/README.md"));
        if (readme.open(QIODevice::ReadOnly)) text->setMarkdown(QString::fromUtf8(readme.readAll()));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, guide);
        connect(buttons, &QDialogButtonBox::rejected, guide, &QDialog::hide);
        auto* layout = new QVBoxLayout(guide);
        layout->addWidget(text);
        layout->addWidget(buttons);
        guide->resize(760, 640);
    }
    guide->show();
    guide->raise();
    guide->activateWindow();
}

frmMain::~frmMain() = default;

bool frmMain::InitilizeItemLists() {
    try {
        // An import of the lists that was interrupted is settled first, and said so once.
        if (const std::string note = recoverListFolder(lists_.folder()); !note.empty())
            seams_.messages.inform(nullptr, kConverterTitle, QString::fromStdString(note));
        lists_.InitilizeItemLists();
        return true;
    } catch (const Error& error) {
        seams_.messages.inform(nullptr, kConverterTitle,
                               QString::fromStdString(workflow::listLoadFailureText(error, workflow::Style::Window) +
                                                      "\r\n" + workflow::listMendText()));
        return false;
    }
}

void frmMain::startUp(const QStringList& arguments) {
    show();
    QCoreApplication::processEvents();
    openCommandLine(commandLineOf(arguments));
}

QString frmMain::commandLineOf(const QStringList& arguments) {
    QString line = arguments.join(QLatin1Char(' '));
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"'))) {
        line = line.mid(1, line.size() - 2);
    }
    return line;
}

void frmMain::openCommandLine(const QString& commandLine) {
    if (commandLine.isEmpty()) return;
    const QString ending = commandLine.right(3).toUpper();
    if (ending == QLatin1String("BMS")) {
        OpenBMSByPath(commandLine);
    } else if (ending == QLatin1String("MIS")) {
        OpenMISByPath(commandLine);
    }
}

void frmMain::OpenBMSByPath(const QString& path) { openFlow(path, MissionForm::Binary); }

void frmMain::OpenMISByPath(const QString& path) { openFlow(path, MissionForm::Ascii); }

void frmMain::openCommand(MissionForm form) {
    const bool binary = form == MissionForm::Binary;
    const QString key = binary ? QStringLiteral("LastOpenBMS") : QStringLiteral("LastOpenMIS");
    ui::FileRequest request =
        missionFileRequest(seams_.settings, binary, key, QStringLiteral("Please Select Delta Force 1/2/3 Mission"));
    // Only the name is pre-filled, and only one of the command's form: a path would move the dialog
    // away from the command's own folder.
    if (formOfPath(toPath(OpenFilePath)) == form) request.fileName = fileTitleOf(OpenFilePath);
    request.mustExist = true;
    const std::optional<QString> chosen = seams_.files.open(this, request);
    if (!chosen) {
        OpenFilePath.clear();
        return;
    }
    const QString before = OpenFilePath;
    OpenFilePath = *chosen;
    rememberFolderOf(seams_.settings, key, OpenFilePath);
    if (!openFlow(OpenFilePath, form)) OpenFilePath = before;
}

// A file that cannot be read leaves the window as it was before the open.
bool frmMain::openFlow(const QString& path, MissionForm form) {
    refreshLists();
    const Look before = currentLook();
    beginWork(lblColor_);
    const workflow::StepResult opened = session_.open(toPath(path), form, [this, &path] { return askVersion(path); });
    if (opened.failed()) {
        restoreLook(before);
        report(opened.message);
        showStatus(workflow::openFailedStatusText(fileTitleOf(path).toStdString()));
        return false;
    }
    if (opened.givenUp()) {
        showFailed();
        showStatus(workflow::openFailedStatusText(fileTitleOf(path).toStdString()));
        return true;
    }
    CurrentDfVersion = session_.version();
    heldPath_ = path;
    rememberRecent(path);
    fraOpenFile_->setTitle(QStringLiteral("Open File: ") + fileTitleOf(heldPath_) + QStringLiteral(" (From: ") +
                           versionCaption(CurrentDfVersion) + QLatin1Char(')'));
    endWork(lblColor_);
    ui::paintPanel(*lblColor2_, ui::kReady);
    fraSaveFile_->setEnabled(true);
    showPassedOver();
    showStatus(workflow::openStatusText(fileTitleOf(heldPath_).toStdString(), CurrentDfVersion,
                                        session_.passedOverLines().size()));
    return true;
}

std::optional<DfType> frmMain::askVersion(const QString& path) {
    showFailed();
    setEnabled(true);
    DfType version = DfType::NotRecognised;
    const QString question =
        QString::fromStdString(workflow::versionNotRecognisedText(path.toStdString(), workflow::Style::Window));
    if (seams_.messages.askYesNo(this, kConverterTitle, question)) {
        setEnabled(false);
        frmSelectVersion dialog;
        version = dialog.ask();
        setEnabled(true);
        activateWindow();
    }
    if (!isVersion(version)) return std::nullopt;
    beginWork(lblColor_);
    return version;
}

// What the ascii reader passed over, in the report window that saves use.
void frmMain::showPassedOver() {
    const std::vector<ReportLine> lines = session_.passedOverLines();
    if (lines.empty()) {
        if (reportWindow_ != nullptr) reportWindow_->hide();  // an earlier report no longer applies
        return;
    }
    showReport(
        QString::fromStdString(workflow::openReportHeading(fileTitleOf(heldPath_).toStdString(), CurrentDfVersion)),
        lines);
}

void frmMain::saveCommand(DfType target, MissionForm form) {
    if (!isVersion(CurrentDfVersion)) return;
    refreshLists();
    const bool converted = target != CurrentDfVersion;
    if (converted) {
        if (const workflow::StepResult step = convertInto(target); !step.done()) {
            showStatus(workflow::nothingSavedStatusText(step.failed()));
            return;
        }
    }

    const bool binary = form == MissionForm::Binary;
    const QString key = QStringLiteral("LastSaveDF%1%2").arg(versionNumber(target)).arg(binary ? "BMS" : "MIS");
    // The suggestion is the name of the file held up to its first period, with the command's
    // suffix: the file the last successful open read, however it was opened.
    SaveFileTitle = fileTitleOf(heldPath_).section(QLatin1Char('.'), 0, 0) +
                    (binary ? QStringLiteral(".bms") : QStringLiteral(".mis"));

    ui::FileRequest request =
        missionFileRequest(seams_.settings, binary, key, QStringLiteral("Select File Name To Save As:"));
    request.fileName = SaveFileTitle;
    request.overwritePrompt = true;
    const std::optional<QString> chosen = seams_.files.save(this, request);
    if (!chosen) {
        SaveFilePath.clear();
        SaveFileTitle.clear();
        showStatus(workflow::nothingSavedStatusText(false));
        return;
    }
    SaveFilePath = *chosen;
    SaveFileTitle = fileTitleOf(SaveFilePath);
    rememberFolderOf(seams_.settings, key, SaveFilePath);
    if (converted && !mayReplaceOpened(target)) {
        showStatus(workflow::nothingSavedStatusText(false));
        return;
    }
    if (!writeMission(target, form)) {
        showStatus(workflow::nothingSavedStatusText(true));
        return;
    }
    showSaveReport();
    showStatus(workflow::saveStatusText(SaveFileTitle.toStdString(), target, session_.saveReport().lines));
}

// The overwrite prompt of the save dialog is the same for every file; writing a conversion over
// the very mission it was made from gets a question of its own, answered No unless the user says
// otherwise.
bool frmMain::mayReplaceOpened(DfType target) {
    if (heldPath_.isEmpty() || !platform::sameFile(toPath(heldPath_), toPath(SaveFilePath))) return true;
    const std::string question =
        workflow::replaceOpenedMissionText(fileTitleOf(heldPath_).toStdString(), CurrentDfVersion, target);
    return seams_.messages.askYesNo(this, kConverterTitle, QString::fromStdString(question),
                                    ui::MessageBoxes::Preferred::No);
}

// Converts the mission held into the target version and asks for the terrain name.
workflow::StepResult frmMain::convertInto(DfType target) {
    beginWork(lblColor2_);
    const workflow::StepResult converted =
        session_.convert(target, *chooser_, [this](const std::string& suggested) -> std::optional<std::string> {
            endWork(lblColor2_);
            // Cancel ends the save; a name the field's code page cannot hold is said and asked again.
            QString offered = fromBytes(suggested);
            for (;;) {
                const std::optional<QString> answer =
                    seams_.inputs.ask(this, kConverterTitle, QStringLiteral("Please Enter Terrain Name:"), offered);
                if (!answer) return std::nullopt;
                std::string bad;
                if (auto bytes = utf8ToCp1252(answer->toStdString(), &bad)) return bytes;
                seams_.messages.inform(this, kConverterTitle,
                                       QString::fromStdString(workflow::terrainRefusedText(bad)));
                offered = *answer;
            }
        });
    endWork(lblColor2_);
    if (converted.failed()) report(converted.message);
    return converted;
}

bool frmMain::refreshLists() {
    if (!lists_.changedOnDisk()) return false;
    try {
        lists_.reload();
        return true;
    } catch (const Error& error) {
        report(workflow::listReloadFailureText(error));
        return false;
    }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

// One mission file dropped opens as one named on the command line; anything else is refused.
void frmMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    // Several files or a folder are a campaign.
    if (urls.size() > 1 ||
        (urls.size() == 1 && urls.front().isLocalFile() && QFileInfo(urls.front().toLocalFile()).isDir())) {
        QStringList paths;
        for (const QUrl& url : urls)
            if (url.isLocalFile()) paths << url.toLocalFile();
        event->acceptProposedAction();
        QMetaObject::invokeMethod(
            this, [this, paths] { convertMissionsFrom(paths); }, Qt::QueuedConnection);
        return;
    }
    const bool oneFile = urls.size() == 1 && urls.front().isLocalFile();
    const QString path = oneFile ? urls.front().toLocalFile() : QString();
    event->acceptProposedAction();
    // Opened once the drop has ended: the open may show dialogs of its own.
    QMetaObject::invokeMethod(
        this, [this, path] { openDropped(path); }, Qt::QueuedConnection);
}

void frmMain::convertMissions() { convertMissionsFrom({}); }

void frmMain::convertMissionsFrom(const QStringList& paths) {
    // One campaign at a time: its window is made once and shown again.
    if (campaignWindow_ == nullptr) campaignWindow_ = new frmCampaign(seams_, lists_, programFolder_, clock_, this);
    campaignWindow_->addInputs(paths);
    campaignWindow_->show();
    campaignWindow_->raise();
    campaignWindow_->activateWindow();
}

void frmMain::openDropped(const QString& path) {
    if (path.isEmpty() || !formOfPath(toPath(path))) {
        report(workflow::dropRefusedText());
        return;
    }
    openCommandLine(path);
}

bool frmMain::writeMission(DfType target, MissionForm form) {
    beginWork(lblColor2_);
    // What the ascii form does not carry is found whether or not the report window shows: the
    // status line counts it.
    const workflow::StepResult saved = session_.save(toPath(SaveFilePath), {target, form, clock_(), true}, fileSystem_);
    endWork(lblColor2_);
    if (saved.failed()) report(saved.message);
    return saved.done();
}

// After a save: the conversion's report and what the ascii form does not carry, in the report
// window. A save that loses nothing (at most defaults set) shows none.
void frmMain::showSaveReport() {
    const workflow::SaveReport& saved = session_.saveReport();
    if (!saved.losesSomething()) {
        if (reportWindow_ != nullptr) reportWindow_->hide();  // an earlier save's report no longer applies
        if (saved.lines.empty()) return;
        // Only defaults set: no window, but the status line's link shows them.
        lastHeading_ = QString::fromStdString(
            workflow::saveReportHeading(SaveFileTitle.toStdString(), saved.from, saved.to, workflow::Style::Window));
        lastLines_.clear();
        for (const ReportLine& line : saved.lines) lastLines_ << QString::fromStdString(workflow::reportLineText(line));
        return;
    }
    showReport(QString::fromStdString(workflow::saveReportHeading(SaveFileTitle.toStdString(), saved.from, saved.to,
                                                                  workflow::Style::Window)),
               saved.lines);
}

void frmMain::showReport(const QString& heading, const std::vector<ReportLine>& lines) {
    QStringList texts;
    for (const ReportLine& line : lines) texts << QString::fromStdString(workflow::reportLineText(line));
    lastHeading_ = heading;
    lastLines_ = texts;
    if (frmReport::notWanted(seams_.settings)) {
        if (reportWindow_ != nullptr) reportWindow_->hide();  // an earlier report no longer applies
        return;
    }
    if (reportWindow_ == nullptr) reportWindow_ = new frmReport(seams_.settings, kConverterTitle, this);
    reportWindow_->showReport(heading, texts);
}

void frmMain::showStatus(const std::string& text) {
    QString shown = QString::fromStdString(text).toHtmlEscaped();
    const QString link =
        QString::fromLatin1(workflow::kShowReportLink.data(), static_cast<qsizetype>(workflow::kShowReportLink.size()));
    if (shown.endsWith(link)) {
        shown.chop(link.size());
        shown += QStringLiteral("<a href=\"report\" style=\"color: #80c0ff\">") + link + QStringLiteral("</a>");
    }
    lblStatus_->setText(shown);
}

void frmMain::openLastReport() {
    if (lastHeading_.isEmpty()) return;
    if (reportWindow_ == nullptr) reportWindow_ = new frmReport(seams_.settings, kConverterTitle, this);
    reportWindow_->showReport(lastHeading_, lastLines_, true);
}

void frmMain::showAbout() {
    seams_.messages.inform(
        this, kConverterTitle,
        kConverterTitle + QStringLiteral(" (Vok_Sorrel) Version ") +
            QString::fromLatin1(kProgramVersion.data(), static_cast<qsizetype>(kProgramVersion.size())) +
            QStringLiteral("\r\nCreated By Vok Tamber\r\nItem and replacement lists: ") + programFolder_);
}

void frmMain::showMail() { seams_.launcher.openUrl(QStringLiteral("mailto:") + kAuthorAddress); }

void frmMain::beginWork(QWidget* panel) {
    setEnabled(false);
    ui::paintPanel(*panel, ui::kBusy);
    panel->repaint();
    QCoreApplication::processEvents();
}

void frmMain::endWork(QWidget* panel) {
    ui::paintPanel(*panel, ui::kReady);
    setEnabled(true);
}

void frmMain::showFailed() {
    CurrentDfVersion = DfType::NotRecognised;
    ui::paintPanel(*lblColor_, ui::kReady);
    ui::paintPanel(*lblColor2_, ui::kNothing);
    fraSaveFile_->setEnabled(false);
}

frmMain::Look frmMain::currentLook() const {
    return {CurrentDfVersion, fraOpenFile_->title(), ui::panelColour(*lblColor_), ui::panelColour(*lblColor2_),
            fraSaveFile_->isEnabledTo(this)};
}

void frmMain::restoreLook(const Look& look) {
    CurrentDfVersion = look.version;
    fraOpenFile_->setTitle(look.caption);
    ui::paintPanel(*lblColor_, look.open);
    ui::paintPanel(*lblColor2_, look.save);
    fraSaveFile_->setEnabled(look.saveEnabled);
    setEnabled(true);
}

void frmMain::report(const std::string& text) {
    seams_.messages.inform(this, kConverterTitle, QString::fromStdString(text));
}

}  // namespace vok::converter
