#pragma once
// frmReplace: the converter's dialog that asks what to do with an item whose type the target
// version lacks and that no remembered replacement covers. It lists the target version's types of
// the missing item's thousand-block and answers "OK" (this item), "OK-A" (every such item this
// run), "OK-S" (and from now on, saved in the replacement list), "Skip", "Remove" or "Cancel
// Save" (the save stops and writes nothing). The conversion engine does the remembering; the
// dialog only answers. While it waits it watches the six list files: when another program (the
// list editor started from "OK-S") changes them, the lists are read again and shown.
//
// DialogReplacementChooser is what the converter hands to the engine: it creates the dialog on the
// first question of a conversion and discards it when the conversion ends.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "conversion/chooser.h"
#include "lists/list_store.h"
#include "ui/seams.h"

class QComboBox;
class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace vok::converter {

class frmReplace : public QDialog {
    Q_OBJECT

public:
    /// Reads the lists again when they changed on disk, true when it did; it reports a list that
    /// cannot be read itself and keeps the lists in use.
    using RefreshLists = std::function<bool()>;

    /// `messages` asks before a type that the target version's list lacks is used (none: no question).
    frmReplace(const ListStore& lists, QString programFolder, ui::Launcher& launcher, RefreshLists refreshLists = {},
               QWidget* parent = nullptr, ui::MessageBoxes* messages = nullptr);

    /// Asks about one item and waits, processing window events, for the answer: the chosen type
    /// ("OK", "OK-A", "OK-S", with how it is to be remembered), Skip (also for Esc and a closed
    /// window), Remove or Cancel Save.
    ReplacementAnswer ReplaceObject(std::int16_t iObjectId, DfType iOrgDfType, DfType iNewDfType);

    /// Fills the two lists with the types of `version` in the thousand-block of `blockStart`;
    /// `preset` also selects that version and the block's category in the drop-down lists.
    void FillReplaceLists(int blockStart, DfType version, bool preset);

    /// A line shown under the missing item (a campaign: how many items in how many missions use
    /// it); empty: none.
    void setUsage(const QString& usage) { usage_ = usage; }

    /// The answer given; empty while the dialog waits.
    std::optional<ReplacementAnswer> ReplaceAnswer;

    /// The program the right mouse button on "OK-S" starts.
    QString listEditorPath() const;

signals:
    void answered();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLists();
    void buildButtons();
    void watchForChanges();
    void answer(ReplacementAnswer answer);
    void chooseWithSelectedType(ReplacementAnswer::Remember remember);
    void browse();  // a new version or category was chosen
    void selectFirstDescription();
    void userPicked();
    void descriptionChosen(int row);
    void idChosen(int row);
    void updateButtons();
    void showMissingItem();
    void watchLists();
    void listsChangedOnDisk();

    const ListStore& lists_;
    QString programFolder_;
    ui::Launcher& launcher_;
    RefreshLists refreshLists_;
    QFileSystemWatcher* watcher_;
    QTimer* refreshTimer_;  // a save of the list editor changes the folder several times

    std::int16_t iObjectId_ = 0;
    DfType iOrgDfType_ = DfType::None;
    DfType iNewDfType_ = DfType::None;
    int shownBlock_ = 0;  // what the lists show, as FillReplaceLists was last asked
    DfType shownVersion_ = DfType::None;
    bool filling_ = false;  // the lists are being refilled or kept in step: no handlers
    bool syncing_ = false;
    bool selecting_ = false;  // the dialog itself selects the first entry
    // Enter answers OK only once the user has picked an entry in this question (a click or an arrow
    // key): the entry selected at first is only a suggestion.
    bool picked_ = false;
    ui::MessageBoxes* messages_;
    QString usage_;

    QGroupBox* fraNotFound_;
    QLabel* lblNotFound_;
    QLabel* lblEmpty_;
    QGroupBox* fraReplace_;
    QComboBox* cboDfVersion_;
    QComboBox* cboListType_;
    QListWidget* lstID_;
    QListWidget* lstDescription_;
    QPushButton* cmdOk_;
    QPushButton* cmdOkAll_;
    QPushButton* cmdOkSave_;
    QPushButton* cmdSkip_;
    QPushButton* cmdRemove_;
    QPushButton* cmdCancelSave_;
};

/// The converter's replacement chooser: the dialog, created when first needed in a conversion and
/// discarded at its end. A replacement chosen with "OK-S" that could not be written to its list
/// file is reported in a message box.
class DialogReplacementChooser : public ReplacementChooser {
public:
    DialogReplacementChooser(const ListStore& lists, QString programFolder, ui::Seams& seams, QString title,
                             frmReplace::RefreshLists refreshLists = {});
    ~DialogReplacementChooser() override;

    ReplacementAnswer choose(std::int16_t objectId, DfType sourceVersion, DfType targetVersion) override;
    void replacementNotSaved(const Error& error) override;
    void conversionFinished() override;

    /// The dialog of the conversion running now; null outside one or before its first question.
    frmReplace* dialog() const { return dialog_.get(); }

private:
    const ListStore& lists_;
    QString programFolder_;
    ui::Seams& seams_;
    QString title_;
    frmReplace::RefreshLists refreshLists_;
    std::unique_ptr<frmReplace> dialog_;
};

/// "0007", "2031": an identifier with at least four digits.
QString fourDigits(int id);

}  // namespace vok::converter
