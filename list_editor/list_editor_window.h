#pragma once
// The list editor's window (frmMain): browses the six list files of the list store by file and
// category in two display modes, adds, changes and deletes item entries and deletes replacement
// entries. It keeps no list data of its own: every change is made in the store's lists and written
// under the list folder's lock, then all six files are reloaded, so the window shows what the files
// hold. A change is applied only to lists that no other program (the converter's "OK-S") changed
// since they were loaded; otherwise the lists are reloaded and the user repeats the change. The
// changes of a session can be undone one after another, each only while no other program has
// changed its file since.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "lists/list_store.h"
#include "ui/seams.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

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
    /// The store must be loaded (see startListEditor).
    ListEditorWindow(ui::Seams& seams, ListStore& store, QWidget* parent = nullptr);

    const EditorState& state() const { return state_; }

    /// Refills the list box from list CurrentList in the category and display mode chosen.
    void RefreshList();
    /// True when item list 1..3 holds an entry with the identifier; false for any other list.
    bool ItemIdUsed(int list, int id) const;
    /// Position (from 1) of the first entry of item list 1..3 with the identifier; 0 when none.
    int FindItemIndex(int list, int id) const;

signals:
    /// The program must end with this status (Exit: 0; lists that cannot be reloaded: 1).
    void programEnded(int status);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    /// Closing the window (Exit too) asks before it drops what the edit panel holds unsaved.
    void closeEvent(QCloseEvent* event) override;

private:
    /// What a change left behind, to put its file back as it was before.
    struct UndoStep {
        int list = 0;
        std::vector<ItemListEntry> items;        ///< the item list before the change
        std::vector<ReplaceEntry> replacements;  ///< the replacement list before the change
        ListFileStamp after;                     ///< the file as the change (or a later undo) left it
        QString what;                            ///< "added 2222 = Tank"
        int position = 0;                        ///< the entry to show once undone; 0 none
    };

    void buildControls();
    void chooseList(int index);
    void chooseCategory(int index);
    void toggleDisplayMode();
    void add();
    void edit();
    void accept();
    void cancel();
    void remove();
    void exitProgram();
    void undo();

    void setEditingLayout(bool editing);
    /// Shows and hides the buttons for the list shown, the layout and what can be undone.
    void updateButtons();
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
    /// True when entry `position` of a list of `size` entries may be removed; a list's only
    /// entry may not (the user is told why).
    bool mayRemove(std::size_t size, int position, int list);
    /// How a change of the lists ended.
    enum class Outcome {
        Saved,     ///< written, and all six lists reloaded
        Reloaded,  ///< another program had changed the lists: reloaded, nothing changed
        Refused,   ///< the lock or the write failed (the user was told); nothing changed
        Ended,     ///< the lists no longer load: the program ends
    };
    /// Applies `change` to the store and writes list `which`, under the folder lock and only when
    /// no list file changed on disk since the last load; then reloads all six files. When a file
    /// had changed, all six are reloaded instead and the user is told to repeat the action. When
    /// the lock cannot be had or the write fails, the user hears why and the store, the file and
    /// the list shown stay as they were.
    Outcome applyChange(int which, const std::function<void()>& change);
    /// applyChange of the user's own change, which Undo can take back; `what` names it in the
    /// status line, `undoPosition` is the entry to show once it is undone.
    Outcome applyUndoableChange(int which, const std::function<void()>& change, const QString& what, int undoPosition);
    /// Reloads all six lists and refreshes the list box; false when they no longer load (the
    /// user was told and the program ends).
    bool reloadOrEnd();
    void inform(const QString& text);

    ui::Seams& seams_;
    ListStore& store_;
    EditorState state_;
    bool editing_ = false;
    QString editOpenedWith_;  ///< identifier and description as the edit panel opened
    std::vector<UndoStep> undoSteps_;

    QGroupBox* fraFile_ = nullptr;
    QComboBox* cboFile_ = nullptr;
    QGroupBox* fraListType_ = nullptr;
    QComboBox* cboListType_ = nullptr;
    QGroupBox* fraList_ = nullptr;
    QLineEdit* txtFilter_ = nullptr;
    QListWidget* lstMain_ = nullptr;
    QFrame* fraEditI_ = nullptr;
    QGroupBox* fraID_ = nullptr;
    QLineEdit* txtID_ = nullptr;
    QGroupBox* fraDescription_ = nullptr;
    QLineEdit* txtDescription_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QPushButton* cmdDelete_ = nullptr;
    QPushButton* cmdEdit_ = nullptr;
    QPushButton* cmdAdd_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdUndo_ = nullptr;
    QLabel* lblStatus_ = nullptr;
};

/// The message shown when the lists cannot be loaded: "Warning!, There Was an Error In
/// 'InitilizeItemLists'" and, on a second line, the file and the fault.
QString loadFailureMessage(const std::exception& error);

/// Start-up: loads the six lists into `store`, then creates and shows the window. When the lists
/// cannot be loaded it shows the load failure message and returns null: the program must end with
/// a non-zero status.
std::unique_ptr<ListEditorWindow> startListEditor(ui::Seams& seams, ListStore& store);

/// The whole program on a QApplication: start-up, then the event loop. Options: "--screenshot
/// PATH" saves a picture of the window at start and ends. Returns the exit status.
int runListEditor(ui::Seams& seams, ListStore& store);

}  // namespace vok::editor
