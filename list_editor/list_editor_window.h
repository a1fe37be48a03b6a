#pragma once
// The list editor's window (frmMain): browses the six list files by file and category in two
// display modes, adds, changes and deletes item entries and replacements. It only shows and asks:
// the list session (workflow/list_session.h) makes every change under the list folder's lock,
// takes changes back, reloads what another program changed, and starts a damaged list again. The
// window watches the six files and shows another program's change at once, keeping the category,
// the filter, the selection and what the edit panel holds.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "lists/learned_uses.h"
#include "lists/list_store.h"
#include "ui/seams.h"
#include "workflow/list_session.h"

class QComboBox;
class QFileSystemWatcher;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace vok::editor {

/// The window's own state; the names are those the editor's code has always used.
struct EditorState {
    std::int16_t CurrentList = 1;  ///< 1..6, the list shown
    std::int16_t DisplayMode = 1;  ///< 1 description first, 2 identifier first
    std::int16_t MinId = 0;        ///< identifier range of the category shown
    std::int16_t MaxId = 10000;
    std::int16_t EditList = 0;        ///< the list on which Add or Edit began
    std::int16_t EditMode = 0;        ///< 1 changing an entry, 2 adding one
    std::int32_t EditIndex = 0;       ///< position (from 1) of the entry being changed
    std::int16_t EditOriginalId = 0;  ///< identifier of the entry being changed; -1 while adding
};

/// Window title, also the title of every message box of the program.
inline const QString kEditorTitle = QStringLiteral("Vok Tamber's Item List Editor");

/// Sizes of the list group and the list box in the normal and the editing layout of the window as
/// it opens; the list takes any room the window gains.
inline constexpr int kListGroupHeight = 353;
inline constexpr int kListGroupEditingHeight = 297;
inline constexpr int kListBoxHeight = 329;
inline constexpr int kListBoxEditingHeight = 277;

class ListEditorWindow : public QWidget {
    Q_OBJECT

public:
    /// The session's lists must be open (see startListEditor).
    ListEditorWindow(ui::Seams& seams, workflow::ListSession& session, QWidget* parent = nullptr);
    ~ListEditorWindow() override;

    const EditorState& state() const { return state_; }

    /// Refills the list box from list CurrentList in the category and display mode chosen.
    void RefreshList();
    /// Position (from 1) of the first entry of item list 1..3 with the identifier; 0 when none.
    int FindItemIndex(int list, int id) const;

    /// Takes in what another program changed in the list files (the file watch calls it).
    void listsChangedOnDisk();

signals:
    /// The program must end with this status (Exit: 0).
    void programEnded(int status);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    /// Closing the window (Exit too) asks before it drops what the edit panel holds unsaved.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    /// The file and category choosers, the filter and the list; answers the filter's label.
    QLabel* buildBrowsing();
    void buildEditPanels();
    void buildDamagedPanel();
    QHBoxLayout* buildButtons();
    void buildStatusLines();
    void connectControls();
    void chooseList(int index);
    void chooseCategory(int index);
    void toggleDisplayMode();
    void add();
    void edit();
    void accept();
    void acceptItem();
    void acceptReplacement();
    void cancel();
    void remove();
    void exitProgram();
    void undo();
    void restartDamaged(workflow::Restart how);
    void fillReplacementChoices();
    void watchLists();
    QString readSetting(const char* key) const;
    /// Says which missions of the last `vok lists learn` used the selected item type.
    void showLearnedUses();

    void setEditingLayout(bool editing);
    /// Shows and hides the buttons and panels for the list shown, the layout and what can be undone.
    void updateButtons();
    /// What the edit panel shown holds, in one text.
    QString panelText() const;
    /// True while the edit panel holds text that differs from what it opened with.
    bool editHoldsUnsavedText() const;
    /// Selects entry `position` of the list shown and scrolls to it; when the category shown does
    /// not hold it, switches to the one that does first. Says so in the status line, and says when
    /// the filter hides the entry.
    void showEntry(int position);
    void setStatus(const QString& text);
    /// Entry `position` (from 1) of a list as the status line names it: "2222 = Tank".
    QString entryText(int list, int position) const;
    /// The selected line, or an empty text after telling the user to select one.
    QString selectedLineOrAsk();
    /// Runs a change of the session and tells the user how it ended; true when it was saved.
    bool runChange(int which, const std::function<workflow::ChangeOutcome()>& change);
    /// After a reload: the entry being edited is looked up where it now is.
    void followEditedEntry();
    void inform(const QString& text);

    ui::Seams& seams_;
    workflow::ListSession& session_;
    ListStore& store_;
    EditorState state_;
    bool editing_ = false;
    QString editOpenedWith_;        ///< what the edit panel held as it opened
    ReplaceEntry editReplacement_;  ///< the replacement being changed, as it was
    std::vector<LearnedUse> learned_;

    QGroupBox* fraFile_ = nullptr;
    QComboBox* cboFile_ = nullptr;
    QGroupBox* fraListType_ = nullptr;
    QComboBox* cboListType_ = nullptr;
    QGroupBox* fraList_ = nullptr;
    QLineEdit* txtFilter_ = nullptr;
    QListWidget* lstMain_ = nullptr;
    QFrame* fraEditI_ = nullptr;
    QLineEdit* txtID_ = nullptr;
    QLineEdit* txtDescription_ = nullptr;
    QFrame* fraEditR_ = nullptr;
    QComboBox* cboSource_ = nullptr;
    QComboBox* cboTarget_ = nullptr;
    QComboBox* cboReplacement_ = nullptr;
    QFrame* fraDamaged_ = nullptr;
    QLabel* lblDamaged_ = nullptr;
    QPushButton* cmdStartStarter_ = nullptr;
    QPushButton* cmdStartEmpty_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QPushButton* cmdDelete_ = nullptr;
    QPushButton* cmdEdit_ = nullptr;
    QPushButton* cmdAdd_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdUndo_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblLearned_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* reloadTimer_ = nullptr;
};

/// The message shown when lists cannot be loaded: "Warning!, There Was an Error In
/// 'InitilizeItemLists'" and, on a line each, the file and the fault of every damaged list.
QString loadFailureMessage(const std::vector<ListDamage>& damage);

/// Start-up: opens the session's lists, then creates and shows the window. A damaged list is
/// reported and shown as damaged; the others can be worked on.
std::unique_ptr<ListEditorWindow> startListEditor(ui::Seams& seams, workflow::ListSession& session);

/// The whole program on a QApplication: start-up, then the event loop. Options: "--screenshot
/// PATH" saves a picture of the window at start and ends. Returns the exit status.
int runListEditor(ui::Seams& seams, workflow::ListSession& session);

}  // namespace vok::editor
