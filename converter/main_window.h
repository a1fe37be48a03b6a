#pragma once
// frmMain: the converter's main window, a face of the mission session (workflow/). Its two open
// commands have the session read a file (asking the version when it is not recognised), its six
// save commands have it convert the mission to the command's version when needed (the
// replacement dialog and the terrain question answer it), write it in the command's form and
// report what the save could not carry. A mission file dropped on the window opens as a file named
// on the command line does. Before every open and save (and while the replacement dialog waits)
// the lists are read again when another program changed them. A conversion saved over the file the
// mission was read from is asked about first. After every open and save the status line says what
// happened, with a link to the report, whatever the report window's "Do not show this again" says.
// The menu bar repeats the open commands (Ctrl+O, Ctrl+Shift+O), keeps the last ten missions
// opened, turns the reports back on, quits (Ctrl+Q) and shows the user guide (F1) and About.
// Everything the window shows or asks outside itself goes through the seams it is given.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "lists/list_store.h"
#include "mission/core/file_io.h"
#include "mission/core/timestamp.h"
#include "mission/mission_file.h"
#include "ui/seams.h"
#include "workflow/mission_session.h"

class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace vok::converter {

class DialogReplacementChooser;
class frmCampaign;
class frmReport;

/// The main window's title, and the title of every message box it shows.
inline const QString kConverterTitle = QStringLiteral("Vok Tamber's Mission Converter");
/// The author's address in the credits and the mail link.
inline const QString kAuthorAddress = QStringLiteral("vok.tamber@example.com");
/// Where the recent files are remembered: section "Recent", keys "File1" (the last) to "File10".
inline const QString kRecentSection = QStringLiteral("Recent");
inline constexpr int kRecentFiles = 10;

class frmMain : public QWidget {
    Q_OBJECT

public:
    using Clock = std::function<Timestamp()>;

    /// `lists` is the store of the list files in `programFolder`; `clock` dates the ascii files
    /// written; `fileSystem` receives every mission file written.
    frmMain(ui::Seams& seams, ListStore& lists, QString programFolder, Clock clock = localNow,
            FileSystem& fileSystem = realFileSystem(), QWidget* parent = nullptr);
    ~frmMain() override;

    /// Loads the six list files. On failure it shows which file and what fault and returns false:
    /// the program must then end.
    bool InitilizeItemLists();

    /// Shows the window, lets it paint, and opens the file the command line names.
    void startUp(const QStringList& arguments);

    /// The command line as one path: the arguments joined by one blank, surrounding quotes dropped.
    static QString commandLineOf(const QStringList& arguments);
    /// Opens the path when it ends in BMS or MIS (any letter case); does nothing otherwise.
    void openCommandLine(const QString& commandLine);

    void OpenBMSByPath(const QString& path);
    void OpenMISByPath(const QString& path);

    /// The missions opened last, the last first (at most kRecentFiles).
    QStringList recentFiles() const;

    /// 0 nothing opened yet, -1 the last open was abandoned, else the version held.
    DfType CurrentDfVersion = DfType::None;
    QString OpenFilePath;   ///< chosen in the open dialog; empty after a cancelled one
    QString SaveFilePath;   ///< chosen in the last save dialog; empty after a cancelled one
    QString SaveFileTitle;  ///< the name suggested to, then chosen in, the save dialog

public slots:
    /// "Convert Missions...": shows the campaign window (one campaign at a time).
    void convertMissions();
    /// The same with `paths` (files or folders) added to its inputs: several files or a folder
    /// dropped on the window.
    void convertMissionsFrom(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Look;  // what an open may have to put back

    void buildOpenGroup();
    void buildSaveGroup();
    QWidget* buildAboutGroup();
    /// File (the open commands, Recent Files, the report setting, Quit) and Help (the user guide,
    /// About), with their keys.
    void buildMenus();
    QLabel* buildStatusLine();
    void fillRecentMenu(QMenu& menu);
    void rememberRecent(const QString& path);
    void showUserGuide();

    void openCommand(MissionForm form);
    /// False when the file could not be read: the window, OpenFilePath included, is as it was.
    bool openFlow(const QString& path, MissionForm form);
    /// The version question of an open: whether to state it, then which.
    std::optional<DfType> askVersion(const QString& path);
    void showPassedOver();
    void saveCommand(DfType target, MissionForm form);
    /// Not done when the save ends here: a conversion that failed (reported) or was cancelled, or
    /// a cancelled terrain question.
    workflow::StepResult convertInto(DfType target);
    /// Asks before a conversion is written over the file the mission was opened from; true when
    /// the save may go on.
    bool mayReplaceOpened(DfType target);
    /// Reads the lists again when another program changed them; true when it did. A list that
    /// cannot be read is reported and the lists in use stay.
    bool refreshLists();
    void openDropped(const QString& path);
    bool writeMission(DfType target, MissionForm form);
    void showSaveReport();
    /// Keeps the report for the status line's link and shows it unless the user asked not to
    /// see reports.
    void showReport(const QString& heading, const std::vector<ReportLine>& lines);
    /// What happened, on the status line; "Show report" at its end opens the last report.
    void showStatus(const std::string& text);
    void openLastReport();
    void showAbout();
    void showMail();

    void beginWork(QWidget* panel);  // disable, colour the panel blue, let it paint
    void endWork(QWidget* panel);    // the panel green again, enabled
    void showFailed();
    Look currentLook() const;
    void restoreLook(const Look& look);
    void report(const std::string& text);

    ui::Seams& seams_;
    ListStore& lists_;
    QString programFolder_;
    Clock clock_;
    FileSystem& fileSystem_;
    std::unique_ptr<DialogReplacementChooser> chooser_;
    workflow::MissionSession session_;
    frmReport* reportWindow_ = nullptr;  // made when first needed
    frmCampaign* campaignWindow_ = nullptr;
    QString heldPath_;     // the file the mission held was read from; its title is the suggested save name
    QString lastHeading_;  // the last report, for the status line's link
    QStringList lastLines_;
    QLabel* lblStatus_;

    QGroupBox* fraOpenFile_;
    QFrame* lblColor_;
    QGroupBox* fraSaveFile_;
    QFrame* lblColor2_;
};

}  // namespace vok::converter
