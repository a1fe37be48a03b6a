#include "list_editor/list_editor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "list_editor/list_lines.h"
#include "lists/codepage.h"
#include "lists/list_journal.h"
#include "mission/core/error.h"

namespace vok::editor {

namespace {

const QString kSelectFirst = QStringLiteral("Please Select a List Entry First!");
const QString kInvalidId = QStringLiteral("Invalid ID, Or Item ID is already used!\r\nRetry?");

// Geometry of the window as it opens, in pixels. The list group takes all the height the window
// gains, and gives the edit panel (plus one spacing) while editing.
constexpr int kMargin = 8;
constexpr int kSpacing = 6;
constexpr int kWidth = 384;
constexpr int kTopHeight = 50;
constexpr int kListBoxTop = 18;
constexpr int kListBoxBottom = kListGroupHeight - kListBoxTop - kListBoxHeight;
constexpr int kListBoxEditingBottom = kListGroupEditingHeight - kListBoxTop - kListBoxEditingHeight;
constexpr int kEditPanelHeight = kListGroupHeight - kListGroupEditingHeight - kSpacing;
constexpr int kIdGroupWidth = 96;
constexpr int kButtonWidth = 68;
constexpr int kListGroupMinimumHeight = 120;
constexpr std::size_t kUndoDepth = 100;

const QString kStyle = QStringLiteral(
    "QGroupBox { background-color: black; color: white; border: 1px solid #808080; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px;"
    " padding: 0px 3px; background-color: black; color: white; }");

// A line carries its entry's position in a tag at its end; only the text before it is drawn.
class HiddenTagDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        return QStyledItemDelegate::displayText(visibleText(value.toString()), locale);
    }
};

// A group box with one control kept at fixed distances from its edges as the box is resized.
class HoldingGroup : public QGroupBox {
public:
    HoldingGroup(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}
    void hold(QWidget* inner, int top, int bottom) {
        inner_ = inner;
        top_ = top;
        setBottom(bottom);
    }
    void setBottom(int bottom) {
        bottom_ = bottom;
        place();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QGroupBox::resizeEvent(event);
        place();
    }

private:
    void place() {
        if (inner_ != nullptr) inner_->setGeometry(kMargin, top_, width() - 2 * kMargin, height() - top_ - bottom_);
    }
    QWidget* inner_ = nullptr;
    int top_ = 0;
    int bottom_ = 0;
};

// Removes entry `position` (from 1) by moving the last entry into its place.
template <class Entries>
void moveLastInto(Entries& entries, int position) {
    entries[static_cast<std::size_t>(position - 1)] = entries.back();
    entries.pop_back();
}

QString fileNameOf(int list) {
    const std::string_view name = listFileName(list);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString textOf(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// The category (its place in kCategories) that holds an identifier, "All" left aside.
int categoryOf(int id) {
    for (std::size_t i = 1; i < kCategories.size(); ++i) {
        if (id >= kCategories[i].minId && id <= kCategories[i].maxId) return static_cast<int>(i);
    }
    return 0;
}

template <class W>
W* named(W* widget, const char* name, const char* toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(QString::fromUtf8(toolTip));
    return widget;
}

}  // namespace

ListEditorWindow::ListEditorWindow(ui::Seams& seams, ListStore& store, QWidget* parent)
    : QWidget(parent), seams_(seams), store_(store) {
    buildControls();

    // Start-up: the members start as declared in EditorState; the lists are loaded already.
    for (int list = 1; list <= kListCount; ++list) cboFile_->addItem(fileNameOf(list));
    for (const auto& category : kCategories) cboListType_->addItem(textOf(category.text));
    cboFile_->setCurrentIndex(0);
    chooseList(0);
    cboListType_->setCurrentIndex(0);
    chooseCategory(0);

    connect(cboFile_, &QComboBox::currentIndexChanged, this, &ListEditorWindow::chooseList);
    connect(cboListType_, &QComboBox::currentIndexChanged, this, &ListEditorWindow::chooseCategory);
    connect(txtFilter_, &QLineEdit::textChanged, this, &ListEditorWindow::RefreshList);
    connect(cmdAdd_, &QPushButton::clicked, this, &ListEditorWindow::add);
    connect(cmdEdit_, &QPushButton::clicked, this, &ListEditorWindow::edit);
    connect(cmdOK_, &QPushButton::clicked, this, &ListEditorWindow::accept);
    connect(cmdCancel_, &QPushButton::clicked, this, &ListEditorWindow::cancel);
    connect(cmdDelete_, &QPushButton::clicked, this, &ListEditorWindow::remove);
    connect(cmdExit_, &QPushButton::clicked, this, &ListEditorWindow::exitProgram);
    connect(cmdUndo_, &QPushButton::clicked, this, &ListEditorWindow::undo);
    connect(txtID_, &QLineEdit::returnPressed, this, &ListEditorWindow::accept);
    connect(txtDescription_, &QLineEdit::returnPressed, this, &ListEditorWindow::accept);
    connect(lstMain_, &QListWidget::itemDoubleClicked, this, &ListEditorWindow::edit);
    lstMain_->installEventFilter(this);
    lstMain_->viewport()->installEventFilter(this);
}

void ListEditorWindow::buildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kEditorTitle);
    setStyleSheet(kStyle);

    const auto group = [this](const char* title, QWidget* parent, const char* name) {
        return named(new HoldingGroup(QString::fromLatin1(title), parent), name, "");
    };
    auto* fraFile = group("File", this, "fraFile");
    cboFile_ = named(new QComboBox(fraFile), "cboFile", "The list file to show and change");
    fraFile->hold(cboFile_, 18, 8);
    auto* fraListType = group("List Type", this, "fraListType");
    cboListType_ = named(new QComboBox(fraListType), "cboListType", "The category of identifiers to show");
    fraListType->hold(cboListType_, 18, 8);
    fraFile_ = fraFile;
    fraListType_ = fraListType;
    for (QGroupBox* box : {fraFile_, fraListType_}) box->setFixedHeight(kTopHeight);

    txtFilter_ = named(new QLineEdit(this), "txtFilter",
                       "Shows only the entries whose identifier or description holds this text "
                       "(letter case ignored)");
    txtFilter_->setPlaceholderText(QStringLiteral("Filter by identifier or description"));
    txtFilter_->setClearButtonEnabled(true);

    auto* fraList = group("List", this, "fraList");
    lstMain_ = named(new QListWidget(fraList), "lstMain",
                     "The entries of the list: double-click or Enter to edit, Delete to delete; "
                     "a right click shows identifiers or descriptions first");
    lstMain_->setItemDelegate(new HiddenTagDelegate(lstMain_));
    lstMain_->setSelectionMode(QAbstractItemView::SingleSelection);
    fraList->hold(lstMain_, kListBoxTop, kListBoxBottom);
    fraList_ = fraList;
    fraList_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    // The edit panel takes the room the list gives up while editing.
    fraEditI_ = named(new QFrame(this), "fraEditI", "");
    fraEditI_->setFixedHeight(kEditPanelHeight);
    auto* fraID = group("Item ID", fraEditI_, "fraID");
    txtID_ = named(new QLineEdit(fraID), "txtID", "The identifier, 1 to 9999 (Enter saves, Escape cancels)");
    fraID->hold(txtID_, 20, kEditPanelHeight - 20 - 24);
    fraID->setFixedWidth(kIdGroupWidth);
    auto* fraDescription = group("Item Description", fraEditI_, "fraDescription");
    txtDescription_ = named(new QLineEdit(fraDescription), "txtDescription",
                            "The description, at most 37 characters (Enter saves, Escape cancels)");
    txtDescription_->setMaxLength(37);
    fraDescription->hold(txtDescription_, 20, kEditPanelHeight - 20 - 24);
    fraID_ = fraID;
    fraDescription_ = fraDescription;
    auto* panel = new QHBoxLayout(fraEditI_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(kMargin);
    panel->addWidget(fraID_);
    panel->addWidget(fraDescription_, 1);
    fraEditI_->hide();

    // One row of buttons: Exit, Undo, then Delete, Edit, Add at the right; Cancel and OK take the
    // places of Edit and Add.
    const auto button = [this](const char* caption, const char* name, const char* toolTip) {
        auto* b = named(new QPushButton(QString::fromLatin1(caption), this), name, toolTip);
        b->setFixedWidth(kButtonWidth);
        return b;
    };
    cmdExit_ = button("Exit", "cmdExit", "Ends the program");
    cmdUndo_ = button("Undo", "cmdUndo", "Puts the list file back as it was before the last change (Ctrl+Z)");
    cmdDelete_ = button("Delete", "cmdDelete", "Deletes the selected entry from the list file (Delete key)");
    cmdEdit_ = button("Edit", "cmdEdit", "Changes the selected entry (double-click, Enter)");
    cmdCancel_ = button("Cancel", "cmdCancel", "Leaves the entry as it was (Escape)");
    cmdAdd_ = button("Add", "cmdAdd", "Adds a new entry to the list file");
    cmdOK_ = button("OK", "cmdOK", "Saves the entry to the list file (Enter)");
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kSpacing);
    for (QPushButton* b : {cmdExit_, cmdUndo_}) buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {cmdDelete_, cmdEdit_, cmdCancel_, cmdAdd_, cmdOK_}) buttons->addWidget(b);
    cmdCancel_->hide();
    cmdOK_->hide();

    lblStatus_ = named(new QLabel(this), "lblStatus", "What the last change did");
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblStatus_->setMinimumHeight(lblStatus_->fontMetrics().height());

    auto* top = new QHBoxLayout;
    top->setSpacing(kMargin);
    top->addWidget(fraFile_);
    top->addWidget(fraListType_);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(kMargin, 4, kMargin, kMargin);
    root->setSpacing(kSpacing);
    root->addLayout(top);
    root->addWidget(txtFilter_);
    root->addWidget(fraList_, 1);
    root->addWidget(fraEditI_);
    root->addLayout(buttons);
    root->addWidget(lblStatus_);

    // The window opens with the list group 353 pixels high, and may then grow or shrink.
    fraList_->setFixedHeight(kListGroupHeight);
    const QSize opening = root->totalSizeHint();
    fraList_->setMinimumHeight(kListGroupMinimumHeight);
    fraList_->setMaximumHeight(QWIDGETSIZE_MAX);
    resize(std::max(kWidth, opening.width()), opening.height());

    // Tab follows the controls from the top down and left to right; hidden ones are passed over.
    QWidget* const order[] = {cboFile_, cboListType_, txtFilter_, lstMain_,   txtID_,  txtDescription_, cmdExit_,
                              cmdUndo_, cmdDelete_,   cmdEdit_,   cmdCancel_, cmdAdd_, cmdOK_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void ListEditorWindow::RefreshList() {
    updateButtons();

    lstMain_->clear();
    const int list = state_.CurrentList;
    const DfType version = versionOfList(list);
    const QString filter = txtFilter_->text();
    const auto matches = [&filter](const QString& text) { return text.contains(filter, Qt::CaseInsensitive); };
    QStringList lines;
    if (isItemList(list)) {
        const auto& entries = store_.Entries(version);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& entry = entries[i];
            if (entry.ItemId < state_.MinId || entry.ItemId > state_.MaxId) continue;
            // Each entry shows its own description, also where two entries share an identifier.
            const QString description = descriptionText(entry.Description);
            if (!matches(paddedId(entry.ItemId)) && !matches(description)) continue;
            lines << itemLine(state_.DisplayMode, description, entry.ItemId) + EncodeIndexTag(static_cast<int>(i + 1));
        }
    } else if (isReplaceList(list)) {
        const auto& entries = store_.SavedReplacements(version);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& entry = entries[i];
            // ObjectId 0 is the placeholder that keeps an otherwise empty list loadable.
            if (entry.ObjectId == 0 || entry.ObjectId < state_.MinId || entry.ObjectId > state_.MaxId) continue;
            const QString line = replacementLine(state_.DisplayMode, version, entry, static_cast<int>(i + 1), store_);
            if (matches(visibleText(line))) lines << line;
        }
    }
    std::stable_sort(lines.begin(), lines.end(), lineLess);
    lstMain_->addItems(lines);
    lstMain_->setCurrentRow(-1);
    lstMain_->clearSelection();
}

bool ListEditorWindow::ItemIdUsed(int list, int id) const { return FindItemIndex(list, id) != 0; }

int ListEditorWindow::FindItemIndex(int list, int id) const {
    if (!isItemList(list)) return 0;
    const auto& entries = store_.Entries(versionOfList(list));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].ItemId == id) return static_cast<int>(i + 1);
    }
    return 0;
}

bool ListEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    // A disabled list (while editing) ignores the mouse; filters see its events all the same. A
    // quick second right click arrives as a double-click and toggles again rather than editing.
    if (watched == lstMain_->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        lstMain_->isEnabled() && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        toggleDisplayMode();
        return true;
    }
    if (watched == lstMain_ && event->type() == QEvent::KeyPress && lstMain_->isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            remove();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            edit();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ListEditorWindow::keyPressEvent(QKeyEvent* event) {
    // Keys that the focused control leaves alone arrive here: the text boxes keep Ctrl+Z for
    // their own typing.
    if (editing_ && event->key() == Qt::Key_Escape) {
        cancel();
    } else if (!editing_ && event->matches(QKeySequence::Undo)) {
        undo();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void ListEditorWindow::closeEvent(QCloseEvent* event) {
    if (editing_ && editHoldsUnsavedText() &&
        !seams_.messages.askYesNo(this, kEditorTitle, QStringLiteral("Discard the entry being edited?"))) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ListEditorWindow::chooseList(int index) {
    if (index < 0) return;
    state_.CurrentList = static_cast<std::int16_t>(index + 1);
    RefreshList();
}

void ListEditorWindow::chooseCategory(int index) {
    if (index < 0 || index >= static_cast<int>(kCategories.size())) return;
    state_.MinId = kCategories[static_cast<std::size_t>(index)].minId;
    state_.MaxId = kCategories[static_cast<std::size_t>(index)].maxId;
    RefreshList();
}

void ListEditorWindow::toggleDisplayMode() {
    state_.DisplayMode = state_.DisplayMode == kDescriptionFirst ? kIdentifierFirst : kDescriptionFirst;
    RefreshList();
}

void ListEditorWindow::setEditingLayout(bool editing) {
    editing_ = editing;
    static_cast<HoldingGroup*>(fraList_)->setBottom(editing ? kListBoxEditingBottom : kListBoxBottom);
    for (QWidget* browsing : {static_cast<QWidget*>(fraListType_), static_cast<QWidget*>(fraFile_),
                              static_cast<QWidget*>(txtFilter_), static_cast<QWidget*>(fraList_)}) {
        browsing->setEnabled(!editing);
    }
    updateButtons();
    layout()->activate();
    if (editing) {
        editOpenedWith_ = txtID_->text() + QChar(0) + txtDescription_->text();
        txtID_->setFocus();
    }
}

void ListEditorWindow::updateButtons() {
    const bool items = isItemList(state_.CurrentList);
    const std::pair<QWidget*, bool> controls[] = {
        {cmdDelete_, !editing_}, {cmdEdit_, !editing_ && items}, {cmdAdd_, !editing_ && items}, {cmdUndo_, !editing_},
        {cmdOK_, editing_},      {cmdCancel_, editing_},         {fraEditI_, editing_}};
    // Hidden first: a row that held the buttons of both layouts at once would widen the window.
    for (const auto& [control, shown] : controls) {
        if (!shown) control->hide();
    }
    for (const auto& [control, shown] : controls) {
        if (shown) control->show();
    }
    cmdUndo_->setEnabled(!undoSteps_.empty());
}

bool ListEditorWindow::editHoldsUnsavedText() const {
    return txtID_->text() + QChar(0) + txtDescription_->text() != editOpenedWith_;
}

void ListEditorWindow::setStatus(const QString& text) { lblStatus_->setText(text); }

void ListEditorWindow::showEntry(int position) {
    const int list = state_.CurrentList;
    const DfType version = versionOfList(list);
    const auto& items = store_.Entries(version);
    const auto& replacements = store_.SavedReplacements(version);
    int id = 0;
    if (isItemList(list) && position >= 1 && static_cast<std::size_t>(position) <= items.size()) {
        id = items[static_cast<std::size_t>(position - 1)].ItemId;
    } else if (isReplaceList(list) && position >= 1 && static_cast<std::size_t>(position) <= replacements.size()) {
        id = replacements[static_cast<std::size_t>(position - 1)].ObjectId;
    }
    if (id == 0) return;  // the placeholder of a replacement list is never shown

    QString notes = lblStatus_->text();
    if (id < state_.MinId || id > state_.MaxId) {
        const int category = categoryOf(id);
        cboListType_->setCurrentIndex(category);
        notes += QStringLiteral(" Now showing %1, where %2 belongs.")
                     .arg(textOf(kCategories[static_cast<std::size_t>(category)].text), paddedId(id));
    }
    int row = lstMain_->count() - 1;
    while (row >= 0 && DecodeIndexTag(lstMain_->item(row)->text()) != position) --row;
    // The filter stays, so that naming one entry after another keeps the list the user chose.
    if (row < 0) notes += QStringLiteral(" The filter hides %1.").arg(paddedId(id));
    setStatus(notes.trimmed());
    if (row < 0) return;
    lstMain_->setCurrentRow(row);
    lstMain_->scrollToItem(lstMain_->item(row));
}

void ListEditorWindow::inform(const QString& text) { seams_.messages.inform(this, kEditorTitle, text); }

ListEditorWindow::Outcome ListEditorWindow::applyChange(int which, const std::function<void()>& change) {
    setStatus({});
    ListChange result = ListChange::Saved;
    try {
        result = store_.changeAndSaveList(which, change);
    } catch (const std::exception& error) {
        RefreshList();
        const auto* fileError = dynamic_cast<const Error*>(&error);
        if (fileError != nullptr && fileError->fault() == Fault::Locked) {
            inform(QStringLiteral("Warning!, The Lists Are Being Changed By Another Program\r\n%1\r\n"
                                  "Nothing Was Changed.")
                       .arg(QString::fromStdString(fileErrorMessage(*fileError))));
            return Outcome::Refused;
        }
        const QString path = fileError != nullptr ? QString::fromStdString(fileError->path())
                                                  : QString::fromStdString(displayPath(store_.pathOf(which)));
        const QString fault =
            fileError != nullptr ? QString::fromStdString(fileError->describe()) : QString::fromLocal8Bit(error.what());
        inform(QStringLiteral("Warning!, The List Could Not Be Saved To '%1'\r\n%2\r\n"
                              "The file and the lists shown are unchanged.")
                   .arg(path, fault));
        return Outcome::Refused;
    }
    if (result == ListChange::ChangedOnDisk) {
        QStringList changed;
        for (const int list : store_.changedListsOnDisk()) changed << fileNameOf(list);
        if (!reloadOrEnd()) return Outcome::Ended;
        inform(QStringLiteral("The Lists Were Changed By Another Program And Have Been Reloaded%1.\r\n"
                              "Nothing Was Changed; Please Repeat Your Action On The Lists As They Are Now.")
                   .arg(changed.isEmpty()
                            ? QString()
                            : QStringLiteral(" (") + changed.join(QStringLiteral(", ")) + QStringLiteral(")")));
        return Outcome::Reloaded;
    }
    return reloadOrEnd() ? Outcome::Saved : Outcome::Ended;
}

bool ListEditorWindow::reloadOrEnd() {
    try {
        store_.InitilizeItemLists();
    } catch (const std::exception& error) {
        // Lists that no longer load end the program as at start.
        inform(loadFailureMessage(error));
        emit programEnded(1);
        hide();
        return false;
    }
    RefreshList();
    return true;
}

ListEditorWindow::Outcome ListEditorWindow::applyUndoableChange(int which, const std::function<void()>& change,
                                                                const QString& what, int undoPosition) {
    UndoStep step{which, {}, {}, {}, what, undoPosition};
    if (isItemList(which)) {
        step.items = store_.Entries(versionOfList(which));
    } else {
        step.replacements = store_.SavedReplacements(versionOfList(which));
    }
    const Outcome outcome = applyChange(which, change);
    if (outcome != Outcome::Saved) return outcome;
    step.after = store_.stampOf(which);
    if (undoSteps_.size() == kUndoDepth) undoSteps_.erase(undoSteps_.begin());
    undoSteps_.push_back(std::move(step));
    setStatus(fileNameOf(which) + QStringLiteral(": ") + what + QLatin1Char('.'));
    updateButtons();
    return outcome;
}

void ListEditorWindow::undo() {
    if (editing_ || undoSteps_.empty()) return;
    setStatus({});
    const UndoStep step = undoSteps_.back();
    const QString name = fileNameOf(step.list);
    // Only a file as this program's last change of it left it is put back: a change another
    // program made since would be lost.
    // Other files that changed are taken in first, so that the undo itself is not refused for them.
    if (!store_.changedListsOnDisk().empty() && !reloadOrEnd()) return;
    if (store_.stampOf(step.list) != step.after) {
        std::erase_if(undoSteps_, [&](const UndoStep& s) { return s.list == step.list; });
        updateButtons();
        inform(QStringLiteral("Can't Undo: '%1' Was Changed By Another Program Since.\r\n"
                              "The file was left as it is; its earlier changes can no longer be undone.")
                   .arg(name));
        return;
    }
    const DfType version = versionOfList(step.list);
    const Outcome outcome = applyChange(step.list, [&] {
        if (isItemList(step.list)) {
            store_.editEntries(version) = step.items;
        } else {
            store_.editSavedReplacements(version) = step.replacements;
        }
    });
    if (outcome != Outcome::Saved) return;
    undoSteps_.pop_back();
    // The file is again as this program's previous change of it left it.
    for (auto earlier = undoSteps_.rbegin(); earlier != undoSteps_.rend(); ++earlier) {
        if (earlier->list != step.list) continue;
        earlier->after = store_.stampOf(step.list);
        break;
    }
    if (state_.CurrentList != step.list) cboFile_->setCurrentIndex(step.list - 1);
    setStatus(name + QStringLiteral(": undone, ") + step.what + QLatin1Char('.'));
    updateButtons();
    showEntry(step.position);
}

QString ListEditorWindow::entryText(int list, int position) const {
    const DfType version = versionOfList(list);
    const auto at = static_cast<std::size_t>(position - 1);
    if (isItemList(list)) {
        const auto& entry = store_.Entries(version).at(at);
        return itemLine(kIdentifierFirst, descriptionText(entry.Description), entry.ItemId);
    }
    return visibleText(
        replacementLine(kIdentifierFirst, version, store_.SavedReplacements(version).at(at), position, store_));
}

QString ListEditorWindow::selectedLineOrAsk() {
    const auto selected = lstMain_->selectedItems();
    if (selected.isEmpty()) {
        inform(kSelectFirst);
        return {};
    }
    return selected.constFirst()->text();
}

void ListEditorWindow::add() {
    state_.EditOriginalId = -1;
    state_.EditMode = 2;
    state_.EditList = state_.CurrentList;
    txtID_->clear();
    txtDescription_->clear();
    setEditingLayout(true);
}

void ListEditorWindow::edit() {
    if (!isItemList(state_.CurrentList)) return;
    const QString line = selectedLineOrAsk();
    if (line.isEmpty()) return;
    // The line names its own entry, also among entries of one identifier.
    const int index = DecodeIndexTag(line);
    const auto& entries = store_.Entries(versionOfList(state_.CurrentList));
    if (index < 1 || static_cast<std::size_t>(index) > entries.size()) return;
    const ItemListEntry& entry = entries[static_cast<std::size_t>(index - 1)];
    state_.EditMode = 1;
    state_.EditList = state_.CurrentList;
    state_.EditOriginalId = entry.ItemId;
    state_.EditIndex = index;
    txtID_->setText(QString::number(entry.ItemId));
    txtDescription_->setText(descriptionText(entry.Description));
    setEditingLayout(true);
}

void ListEditorWindow::accept() {
    const double v = leadingNumber(txtID_->text());
    const long n = std::lround(v);
    const bool valid =
        v >= 1 && v <= 9999 &&
        (!ItemIdUsed(state_.EditList, static_cast<int>(n)) || v == static_cast<double>(state_.EditOriginalId));
    if (!valid) {
        if (!seams_.messages.askYesNo(this, kEditorTitle, kInvalidId)) setEditingLayout(false);
        return;
    }

    std::string bad;
    const auto description = utf8ToCp1252(txtDescription_->text().toStdString(), &bad);
    if (!description) {
        inform(QStringLiteral("The Description Can't Hold \"%1\"!\r\n"
                              "The list files keep descriptions in the Windows-1252 code page; "
                              "please type it with other characters.")
                   .arg(QString::fromStdString(bad)));
        return;
    }

    const DfType version = versionOfList(state_.EditList);
    const ItemListEntry entry{static_cast<std::int16_t>(n), *description};
    if (state_.EditMode == 1 &&
        (state_.EditIndex < 1 || static_cast<std::size_t>(state_.EditIndex) > store_.Entries(version).size())) {
        return;
    }
    const auto index = static_cast<std::size_t>(state_.EditIndex - 1);
    const bool changing = state_.EditMode == 1;
    const QString shown = itemLine(kIdentifierFirst, txtDescription_->text(), entry.ItemId);
    const auto change = [&] {
        auto& entries = store_.editEntries(version);
        if (changing) {
            entries[index] = entry;
        } else {
            entries.push_back(entry);
        }
    };
    switch (applyUndoableChange(state_.EditList, change,
                                (changing ? QStringLiteral("changed ") : QStringLiteral("added ")) + shown,
                                changing ? state_.EditIndex : 0)) {
        case Outcome::Saved:
            setEditingLayout(false);
            showEntry(changing ? state_.EditIndex : static_cast<int>(store_.Entries(version).size()));
            break;
        case Outcome::Reloaded:
            // What was typed stays, so OK repeats the change on the lists as they are now; an
            // entry that another program removed can no longer be changed.
            if (changing) {
                state_.EditIndex = FindItemIndex(state_.EditList, state_.EditOriginalId);
                if (state_.EditIndex == 0) setEditingLayout(false);
            }
            break;
        case Outcome::Refused:  // the panel keeps what was typed; Cancel leaves
        case Outcome::Ended: break;
    }
}

void ListEditorWindow::cancel() { setEditingLayout(false); }

void ListEditorWindow::remove() {
    const QString line = selectedLineOrAsk();
    if (line.isEmpty()) return;
    const int list = state_.CurrentList;
    const DfType version = versionOfList(list);
    // Every line carries its entry's position, so the selected entry goes even among equal lines.
    const int p = DecodeIndexTag(line);
    if (isItemList(list)) {
        if (!mayRemove(store_.Entries(version).size(), p, list)) return;
        applyUndoableChange(
            list, [&] { moveLastInto(store_.editEntries(version), p); },
            QStringLiteral("deleted ") + entryText(list, p), p);
    } else if (isReplaceList(list)) {
        if (!mayRemove(store_.SavedReplacements(version).size(), p, list)) return;
        applyUndoableChange(
            list, [&] { moveLastInto(store_.editSavedReplacements(version), p); },
            QStringLiteral("deleted ") + entryText(list, p), p);
    }
}

bool ListEditorWindow::mayRemove(std::size_t size, int position, int list) {
    if (position < 1 || static_cast<std::size_t>(position) > size) return false;
    // The loader rejects a list without entries, so the last one stays.
    if (size == 1) {
        inform(QStringLiteral("Can't Delete the Only Entry of '%1'!\r\n"
                              "A list file must hold at least one entry, so nothing was changed.")
                   .arg(fileNameOf(list)));
        return false;
    }
    return true;
}

void ListEditorWindow::exitProgram() {
    if (close()) emit programEnded(0);
}

QString loadFailureMessage(const std::exception& error) {
    QString text = QStringLiteral("Warning!, There Was an Error In 'InitilizeItemLists'\r\n");
    if (const auto* fileError = dynamic_cast<const Error*>(&error)) {
        text += QString::fromStdString(fileError->path()) + QStringLiteral(": ") +
                QString::fromStdString(fileError->describe());
    } else {
        text += QString::fromLocal8Bit(error.what());
    }
    return text;
}

std::unique_ptr<ListEditorWindow> startListEditor(ui::Seams& seams, ListStore& store) {
    try {
        // An import of the lists that was interrupted is settled first, and said so once.
        if (const std::string note = recoverListFolder(store.folder()); !note.empty())
            seams.messages.inform(nullptr, kEditorTitle, QString::fromStdString(note));
        store.InitilizeItemLists();
    } catch (const std::exception& error) {
        seams.messages.inform(nullptr, kEditorTitle, loadFailureMessage(error));
        return nullptr;
    }
    auto window = std::make_unique<ListEditorWindow>(seams, store);
    window->show();
    return window;
}

int runListEditor(ui::Seams& seams, ListStore& store) {
    auto window = startListEditor(seams, store);
    if (!window) return 1;
    QObject::connect(window.get(), &ListEditorWindow::programEnded, qApp,
                     [](int status) { QCoreApplication::exit(status); });

    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--screenshot"));
    if (option >= 0) {
        if (option + 1 >= arguments.size()) return 2;
        const QString path = arguments.at(option + 1);
        QTimer::singleShot(0, window.get(),
                           [w = window.get(), path] { QCoreApplication::exit(w->grab().save(path) ? 0 : 3); });
    }
    return QApplication::exec();
}

}  // namespace vok::editor
