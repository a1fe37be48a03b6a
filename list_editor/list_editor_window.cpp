#include "list_editor/list_editor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
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
#include "workflow/messages.h"

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

HoldingGroup* group(const char* title, QWidget* parent, const char* name) {
    return named(new HoldingGroup(QString::fromLatin1(title), parent), name, "");
}

// An item as the replacement panel offers it: "2005 Humvee".
QString choiceText(const ListStore& store, DfType version, int id) {
    const std::string description =
        isVersion(version) ? store.ItemDescription(version, static_cast<std::int16_t>(id)) : std::string();
    return description.empty() ? QString::number(id)
                               : QString::number(id) + QLatin1Char(' ') + descriptionText(description);
}

// Where the editor remembers the list and category last used.
const QString kSettingsApplication = QStringLiteral("Vok_Tally");
const QString kSettingsSection = QStringLiteral("Editor");

}  // namespace

ListEditorWindow::ListEditorWindow(ui::Seams& seams, workflow::ListSession& session, QWidget* parent)
    : QWidget(parent), seams_(seams), session_(session), store_(session.store()) {
    buildControls();

    // Start-up: the members start as declared in EditorState; the lists are open already. The
    // window opens on the list and category last used.
    for (int list = 1; list <= kListCount; ++list) cboFile_->addItem(fileNameOf(list));
    for (const auto& category : kCategories) cboListType_->addItem(textOf(category.text));
    const int list = std::max(0, cboFile_->findText(readSetting("List")));
    const int category = std::max(0, cboListType_->findText(readSetting("Category")));
    cboFile_->setCurrentIndex(list);
    chooseList(list);
    cboListType_->setCurrentIndex(category);
    chooseCategory(category);
    learned_ = readLearnedUses(store_.folder());
    connectControls();

    // Another program's change shows at once. A save renames a new file over the old one, which a
    // watch on the file alone may not see, so the folder is watched too; a burst of events is
    // taken in once.
    watcher_ = new QFileSystemWatcher(this);
    reloadTimer_ = new QTimer(this);
    reloadTimer_->setSingleShot(true);
    reloadTimer_->setInterval(100);
    connect(watcher_, &QFileSystemWatcher::fileChanged, reloadTimer_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, reloadTimer_, qOverload<>(&QTimer::start));
    connect(reloadTimer_, &QTimer::timeout, this, &ListEditorWindow::listsChangedOnDisk);
    watchLists();
}

ListEditorWindow::~ListEditorWindow() = default;

QString ListEditorWindow::readSetting(const char* key) const {
    return seams_.settings.read(kSettingsApplication, kSettingsSection, QString::fromLatin1(key), QString());
}

void ListEditorWindow::connectControls() {
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
    connect(cmdStartStarter_, &QPushButton::clicked, this, [this] { restartDamaged(workflow::Restart::FromStarter); });
    connect(cmdStartEmpty_, &QPushButton::clicked, this, [this] { restartDamaged(workflow::Restart::Empty); });
    connect(txtID_, &QLineEdit::returnPressed, this, &ListEditorWindow::accept);
    connect(txtDescription_, &QLineEdit::returnPressed, this, &ListEditorWindow::accept);
    connect(cboTarget_, &QComboBox::currentIndexChanged, this, &ListEditorWindow::fillReplacementChoices);
    for (QComboBox* box : {cboSource_, cboReplacement_}) {
        connect(box->lineEdit(), &QLineEdit::returnPressed, this, &ListEditorWindow::accept);
    }
    connect(lstMain_, &QListWidget::itemDoubleClicked, this, &ListEditorWindow::edit);
    connect(lstMain_, &QListWidget::itemSelectionChanged, this, &ListEditorWindow::showLearnedUses);
    lstMain_->installEventFilter(this);
    lstMain_->viewport()->installEventFilter(this);
}

void ListEditorWindow::buildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kEditorTitle);
    setStyleSheet(kStyle);

    QLabel* lblFilter = buildBrowsing();
    buildEditPanels();
    buildDamagedPanel();
    QHBoxLayout* buttons = buildButtons();
    buildStatusLines();

    auto* top = new QHBoxLayout;
    top->setSpacing(kMargin);
    top->addWidget(fraFile_);
    top->addWidget(fraListType_);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(lblFilter);
    filterRow->addWidget(txtFilter_, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(kMargin, 4, kMargin, kMargin);
    root->setSpacing(kSpacing);
    root->addLayout(top);
    root->addLayout(filterRow);
    root->addWidget(fraList_, 1);
    root->addWidget(fraEditI_);
    root->addWidget(fraEditR_);
    root->addWidget(fraDamaged_);
    root->addLayout(buttons);
    root->addWidget(lblStatus_);
    root->addWidget(lblLearned_);

    // The window opens with the list group 353 pixels high, and may then grow or shrink.
    fraList_->setFixedHeight(kListGroupHeight);
    const QSize opening = root->totalSizeHint();
    fraList_->setMinimumHeight(kListGroupMinimumHeight);
    fraList_->setMaximumHeight(QWIDGETSIZE_MAX);
    resize(std::max(kWidth, opening.width()), opening.height());

    // Tab follows the controls from the top down and left to right; hidden ones are passed over.
    QWidget* const order[] = {cboFile_,        cboListType_, txtFilter_, lstMain_,        txtID_,
                              txtDescription_, cboSource_,   cboTarget_, cboReplacement_, cmdStartStarter_,
                              cmdStartEmpty_,  cmdExit_,     cmdUndo_,   cmdDelete_,      cmdEdit_,
                              cmdCancel_,      cmdAdd_,      cmdOK_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

QLabel* ListEditorWindow::buildBrowsing() {
    auto* fraFile = group("&File", this, "fraFile");
    cboFile_ = named(new QComboBox(fraFile), "cboFile", "The list file to show and change");
    fraFile->hold(cboFile_, 18, 8);
    auto* fraListType = group("List &Type", this, "fraListType");
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
    auto* lblFilter = named(new QLabel(QStringLiteral("Filte&r:"), this), "lblFilter", "");
    lblFilter->setBuddy(txtFilter_);

    auto* fraList = group("&List", this, "fraList");
    lstMain_ = named(new QListWidget(fraList), "lstMain",
                     "The entries of the list: double-click or Enter to edit, Delete to delete; "
                     "a right click shows identifiers or descriptions first");
    lstMain_->setItemDelegate(new HiddenTagDelegate(lstMain_));
    lstMain_->setSelectionMode(QAbstractItemView::SingleSelection);
    fraList->hold(lstMain_, kListBoxTop, kListBoxBottom);
    fraList_ = fraList;
    fraList_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return lblFilter;
}

QHBoxLayout* ListEditorWindow::buildButtons() {
    // One row of buttons: Exit, Undo, then Delete, Edit, Add at the right; Cancel and OK take the
    // places of Edit and Add.
    const auto button = [this](const char* caption, const char* name, const char* toolTip) {
        auto* b = named(new QPushButton(QString::fromLatin1(caption), this), name, toolTip);
        b->setFixedWidth(kButtonWidth);
        return b;
    };
    cmdExit_ = button("E&xit", "cmdExit", "Ends the program");
    cmdUndo_ = button("&Undo", "cmdUndo", "Puts the list file back as it was before the last change (Ctrl+Z)");
    cmdDelete_ = button("&Delete", "cmdDelete", "Deletes the selected entry from the list file (Delete key)");
    cmdEdit_ = button("&Edit", "cmdEdit", "Changes the selected entry (double-click, Enter)");
    cmdCancel_ = button("&Cancel", "cmdCancel", "Leaves the entry as it was (Escape)");
    cmdAdd_ = button("&Add", "cmdAdd", "Adds a new entry to the list file");
    cmdOK_ = button("&OK", "cmdOK", "Saves the entry to the list file (Enter)");
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kSpacing);
    for (QPushButton* b : {cmdExit_, cmdUndo_}) buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {cmdDelete_, cmdEdit_, cmdCancel_, cmdAdd_, cmdOK_}) buttons->addWidget(b);
    cmdCancel_->hide();
    cmdOK_->hide();
    return buttons;
}

void ListEditorWindow::buildStatusLines() {
    lblStatus_ = named(new QLabel(this), "lblStatus", "What the last change did");
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
    lblStatus_->setMinimumHeight(lblStatus_->fontMetrics().height());
    lblStatus_->setWordWrap(true);  // a long report (a damaged file kept aside) is read whole
    lblLearned_ = named(new QLabel(this), "lblLearned",
                        "Where the selected item type was used, as the last vok lists learn found it");
    lblLearned_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblLearned_->setWordWrap(true);
    lblLearned_->hide();
}

void ListEditorWindow::buildEditPanels() {
    // The edit panels take the room the list gives up while editing: one for item entries, one
    // for replacements.
    fraEditI_ = named(new QFrame(this), "fraEditI", "");
    fraEditI_->setFixedHeight(kEditPanelHeight);
    auto* fraID = group("Item &ID", fraEditI_, "fraID");
    txtID_ = named(new QLineEdit(fraID), "txtID", "The identifier, 1 to 9999 (Enter saves, Escape cancels)");
    fraID->hold(txtID_, 20, kEditPanelHeight - 20 - 24);
    fraID->setFixedWidth(kIdGroupWidth);
    auto* fraDescription = group("Item De&scription", fraEditI_, "fraDescription");
    txtDescription_ = named(new QLineEdit(fraDescription), "txtDescription",
                            "The description, at most 37 characters (Enter saves, Escape cancels)");
    txtDescription_->setMaxLength(37);
    fraDescription->hold(txtDescription_, 20, kEditPanelHeight - 20 - 24);
    auto* panel = new QHBoxLayout(fraEditI_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(kMargin);
    panel->addWidget(fraID);
    panel->addWidget(fraDescription, 1);
    fraEditI_->hide();

    fraEditR_ = named(new QFrame(this), "fraEditR", "");
    fraEditR_->setFixedHeight(kEditPanelHeight);
    const auto choice = [this](const char* title, const char* groupName, const char* name, const char* toolTip,
                               bool typed) {
        auto* box = group(title, fraEditR_, groupName);
        auto* combo = named(new QComboBox(box), name, toolTip);
        combo->setEditable(typed);
        if (typed) combo->setInsertPolicy(QComboBox::NoInsert);
        box->hold(combo, 20, kEditPanelHeight - 20 - 24);
        return std::pair(box, combo);
    };
    auto [fraSource, source] = choice("Item &ID", "fraSource", "cboSource",
                                      "The item of this list's version to replace: chosen or typed", true);
    auto [fraTarget, target] =
        choice("For &Version", "fraTarget", "cboTarget", "The version in which the replacement is used", false);
    auto [fraReplacement, replacement] =
        choice("Re&placement", "fraReplacement", "cboReplacement",
               "The item to use instead, from that version's item list: chosen or typed", true);
    cboSource_ = source;
    cboTarget_ = target;
    cboReplacement_ = replacement;
    auto* replacementPanel = new QHBoxLayout(fraEditR_);
    replacementPanel->setContentsMargins(0, 0, 0, 0);
    replacementPanel->setSpacing(kMargin);
    replacementPanel->addWidget(fraSource, 3);
    replacementPanel->addWidget(fraTarget, 2);
    replacementPanel->addWidget(fraReplacement, 3);
    fraEditR_->hide();
}

void ListEditorWindow::buildDamagedPanel() {
    fraDamaged_ = named(new QFrame(this), "fraDamaged", "");
    lblDamaged_ = named(new QLabel(fraDamaged_), "lblDamaged", "");
    lblDamaged_->setWordWrap(true);
    cmdStartStarter_ = named(new QPushButton(QStringLiteral("Start it a&gain from the starter list"), fraDamaged_),
                             "cmdStartStarter", "Writes the list the programs came with in its place");
    cmdStartEmpty_ = named(new QPushButton(QStringLiteral("Start it empt&y"), fraDamaged_), "cmdStartEmpty",
                           "Writes a list without entries in its place");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStartStarter_);
    buttons->addWidget(cmdStartEmpty_);
    buttons->addStretch(1);
    auto* panel = new QVBoxLayout(fraDamaged_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(lblDamaged_);
    panel->addLayout(buttons);
    fraDamaged_->hide();
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
    // Tab into the list selects its current row, so that Enter and Delete act at once.
    if (watched == lstMain_ && event->type() == QEvent::FocusIn && lstMain_->selectedItems().isEmpty() &&
        lstMain_->count() > 0) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            lstMain_->setCurrentRow(std::max(0, lstMain_->currentRow()));
        }
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
    // No is the button the question starts on: Enter or Space after typing keeps the entry.
    if (editing_ && editHoldsUnsavedText() &&
        !seams_.messages.askYesNo(this, kEditorTitle, QStringLiteral("Discard the entry being edited?"),
                                  ui::MessageBoxes::Preferred::No)) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ListEditorWindow::chooseList(int index) {
    if (index < 0) return;
    state_.CurrentList = static_cast<std::int16_t>(index + 1);
    seams_.settings.write(kSettingsApplication, kSettingsSection, QStringLiteral("List"), cboFile_->itemText(index));
    RefreshList();
}

void ListEditorWindow::chooseCategory(int index) {
    if (index < 0 || index >= static_cast<int>(kCategories.size())) return;
    state_.MinId = kCategories[static_cast<std::size_t>(index)].minId;
    state_.MaxId = kCategories[static_cast<std::size_t>(index)].maxId;
    seams_.settings.write(kSettingsApplication, kSettingsSection, QStringLiteral("Category"),
                          cboListType_->itemText(index));
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
        editOpenedWith_ = panelText();
        if (isReplaceList(state_.EditList)) {
            cboSource_->setFocus();
        } else {
            txtID_->setFocus();
        }
    } else {
        lstMain_->setFocus();  // never Exit, where Space would end the program
    }
}

void ListEditorWindow::updateButtons() {
    const bool damaged = store_.isDamaged(state_.CurrentList);
    const bool browsing = !editing_;
    const std::pair<QWidget*, bool> controls[] = {{cmdDelete_, browsing && !damaged},
                                                  {cmdEdit_, browsing && !damaged},
                                                  {cmdAdd_, browsing && !damaged},
                                                  {cmdUndo_, browsing},
                                                  {cmdOK_, editing_},
                                                  {cmdCancel_, editing_},
                                                  {fraEditI_, editing_ && isItemList(state_.EditList)},
                                                  {fraEditR_, editing_ && isReplaceList(state_.EditList)},
                                                  {fraDamaged_, browsing && damaged}};
    // Hidden first: a row that held the buttons of both layouts at once would widen the window.
    for (const auto& [control, shown] : controls) {
        if (!shown) control->hide();
    }
    for (const auto& [control, shown] : controls) {
        if (shown) control->show();
    }
    cmdUndo_->setEnabled(session_.canUndo());
    if (const ListDamage* damage = session_.damageOf(state_.CurrentList)) {
        const QString name = fileNameOf(state_.CurrentList);
        lblDamaged_->setText(QStringLiteral("%1 is damaged and was not loaded: %2\nStart it again; the damaged file "
                                            "is kept beside it as %1.damaged-DATE.")
                                 .arg(name, QString::fromStdString(damage->error.describe())));
    }
}

QString ListEditorWindow::panelText() const {
    const QChar gap(0);
    if (isReplaceList(state_.EditList)) {
        return cboSource_->currentText() + gap + cboTarget_->currentText() + gap + cboReplacement_->currentText();
    }
    return txtID_->text() + gap + txtDescription_->text();
}

bool ListEditorWindow::editHoldsUnsavedText() const { return panelText() != editOpenedWith_; }

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

bool ListEditorWindow::runChange(int which, const std::function<workflow::ChangeOutcome()>& change) {
    setStatus({});
    workflow::ChangeOutcome outcome = workflow::ChangeOutcome::Saved;
    try {
        outcome = change();
    } catch (const std::exception& error) {
        RefreshList();
        const auto* fileError = dynamic_cast<const Error*>(&error);
        if (fileError != nullptr && fileError->fault() == Fault::Locked) {
            inform(QStringLiteral("Warning!, The Lists Are Being Changed By Another Program\r\n%1\r\n"
                                  "Nothing Was Changed.")
                       .arg(QString::fromStdString(workflow::fileFailureText(*fileError, workflow::Style::Window))));
            return false;
        }
        const QString path = fileError != nullptr ? QString::fromStdString(fileError->path())
                                                  : QString::fromStdString(displayPath(store_.pathOf(which)));
        const QString fault =
            fileError != nullptr ? QString::fromStdString(fileError->describe()) : QString::fromLocal8Bit(error.what());
        inform(QStringLiteral("Warning!, The List Could Not Be Saved To '%1'\r\n%2\r\n"
                              "The file and the lists shown are unchanged.")
                   .arg(path, fault));
        return false;
    }
    RefreshList();
    if (outcome == workflow::ChangeOutcome::Reloaded) {
        followEditedEntry();
        QStringList changed;
        for (const int list : session_.changedElsewhere()) changed << fileNameOf(list);
        inform(QStringLiteral("The Lists Were Changed By Another Program And Have Been Reloaded%1.\r\n"
                              "Nothing Was Changed; Please Repeat Your Action On The Lists As They Are Now.")
                   .arg(changed.isEmpty()
                            ? QString()
                            : QStringLiteral(" (") + changed.join(QStringLiteral(", ")) + QStringLiteral(")")));
        return false;
    }
    return true;
}

void ListEditorWindow::followEditedEntry() {
    if (!editing_ || state_.EditMode != 1) return;
    const DfType version = versionOfList(state_.EditList);
    int position = 0;
    if (isItemList(state_.EditList)) {
        const auto& entries = store_.Entries(version);
        const auto at = static_cast<std::size_t>(state_.EditIndex - 1);
        const bool stays = at < entries.size() && entries[at].ItemId == state_.EditOriginalId;
        position = stays ? state_.EditIndex : FindItemIndex(state_.EditList, state_.EditOriginalId);
    } else {
        const auto& entries = store_.SavedReplacements(version);
        const auto found = std::find(entries.begin(), entries.end(), editReplacement_);
        if (found != entries.end()) position = static_cast<int>(found - entries.begin() + 1);
    }
    state_.EditIndex = position;
    if (position != 0) return;
    // Another program removed the entry: what was typed stays, and OK adds it anew.
    state_.EditMode = 2;
    state_.EditOriginalId = -1;
    setStatus(lblStatus_->text() +
              QStringLiteral(" The entry being edited is no longer in the list; OK adds it.").trimmed());
}

void ListEditorWindow::showLearnedUses() {
    const auto selected = lstMain_->selectedItems();
    const int list = state_.CurrentList;
    QStringList missions;
    int id = 0;
    if (isItemList(list) && !selected.isEmpty()) {
        const auto& entries = store_.Entries(versionOfList(list));
        const auto at = static_cast<std::size_t>(DecodeIndexTag(selected.constFirst()->text()) - 1);
        id = at < entries.size() ? entries[at].ItemId : 0;
        for (const auto& use : learned_) {
            if (use.version != versionOfList(list) || use.itemId != id) continue;
            missions << QStringLiteral("%1 (%2)").arg(QString::fromStdString(use.mission)).arg(use.count);
        }
    }
    lblLearned_->setVisible(!missions.isEmpty());
    lblLearned_->setText(missions.isEmpty() ? QString()
                                            : QStringLiteral("%1 was used by the last vok lists learn in: %2")
                                                  .arg(paddedId(id), missions.join(QStringLiteral(", "))));
}

void ListEditorWindow::listsChangedOnDisk() {
    watchLists();
    learned_ = readLearnedUses(store_.folder());
    showLearnedUses();
    const QList<QListWidgetItem*> selected = lstMain_->selectedItems();
    const QString selectedText = selected.isEmpty() ? QString() : visibleText(selected.constFirst()->text());
    const std::vector<int> changed = session_.reloadIfChanged();
    if (changed.empty()) return;
    const int scroll = lstMain_->verticalScrollBar()->value();
    RefreshList();
    if (!selectedText.isEmpty()) {
        for (int row = 0; row < lstMain_->count(); ++row) {
            if (visibleText(lstMain_->item(row)->text()) != selectedText) continue;
            lstMain_->setCurrentRow(row);
            break;
        }
    }
    lstMain_->verticalScrollBar()->setValue(scroll);
    QStringList names;
    for (const int list : changed) names << fileNameOf(list);
    setStatus(QStringLiteral("Reloaded %1: changed by another program.").arg(names.join(QStringLiteral(", "))));
    followEditedEntry();
}

void ListEditorWindow::watchLists() {
    QStringList paths{QString::fromStdU16String(store_.folder().u16string())};
    for (int which = 1; which <= kListCount; ++which)
        paths << QString::fromStdU16String(store_.pathOf(which).u16string());
    for (const QString& watched : watcher_->files() + watcher_->directories()) paths.removeAll(watched);
    // A file that is missing cannot be watched; the folder's watch sees it come back.
    paths.erase(
        std::remove_if(paths.begin(), paths.end(), [](const QString& path) { return !QFileInfo::exists(path); }),
        paths.end());
    if (!paths.isEmpty()) watcher_->addPaths(paths);
}

void ListEditorWindow::undo() {
    if (editing_ || !session_.canUndo()) return;
    setStatus({});
    workflow::UndoResult result;
    if (!runChange(0, [&] {
            result = session_.undo();
            return result.kind == workflow::UndoResult::Kind::Reloaded ? workflow::ChangeOutcome::Reloaded
                                                                       : workflow::ChangeOutcome::Saved;
        })) {
        updateButtons();
        return;
    }
    const QString name = fileNameOf(result.list);
    if (result.kind == workflow::UndoResult::Kind::ChangedElsewhere) {
        updateButtons();
        inform(QStringLiteral("Can't Undo: '%1' Was Changed By Another Program Since.\r\n"
                              "The file was left as it is; its earlier changes can no longer be undone.")
                   .arg(name));
        return;
    }
    if (result.kind != workflow::UndoResult::Kind::Undone) return;
    if (state_.CurrentList != result.list) cboFile_->setCurrentIndex(result.list - 1);
    setStatus(name + QStringLiteral(": undone, ") + QString::fromStdString(result.what) + QLatin1Char('.'));
    updateButtons();
    showEntry(result.position);
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
    if (store_.isDamaged(state_.CurrentList)) return;
    state_.EditOriginalId = -1;
    state_.EditMode = 2;
    state_.EditIndex = 0;
    state_.EditList = state_.CurrentList;
    txtID_->clear();
    txtDescription_->clear();
    if (isReplaceList(state_.EditList)) {
        fillReplacementChoices();
        cboSource_->setEditText({});
        cboTarget_->setCurrentIndex(0);
        cboReplacement_->setEditText({});
    }
    setEditingLayout(true);
}

void ListEditorWindow::edit() {
    const int list = state_.CurrentList;
    if (store_.isDamaged(list)) return;
    const QString line = selectedLineOrAsk();
    if (line.isEmpty()) return;
    // The line names its own entry, also among entries of one identifier.
    const int index = DecodeIndexTag(line);
    const DfType version = versionOfList(list);
    const auto at = static_cast<std::size_t>(index - 1);
    state_.EditList = state_.CurrentList;
    if (isItemList(list)) {
        const auto& entries = store_.Entries(version);
        if (index < 1 || at >= entries.size()) return;
        state_.EditOriginalId = entries[at].ItemId;
        txtID_->setText(QString::number(entries[at].ItemId));
        txtDescription_->setText(descriptionText(entries[at].Description));
    } else {
        const auto& entries = store_.SavedReplacements(version);
        if (index < 1 || at >= entries.size()) return;
        editReplacement_ = entries[at];
        state_.EditOriginalId = editReplacement_.ObjectId;
        fillReplacementChoices();
        cboSource_->setEditText(choiceText(store_, version, editReplacement_.ObjectId));
        const int target = cboTarget_->findData(static_cast<int>(editReplacement_.NewDfType));
        cboTarget_->setCurrentIndex(std::max(0, target));
        cboReplacement_->setEditText(
            choiceText(store_, dfTypeOf(editReplacement_.NewDfType), editReplacement_.ReplacementId));
    }
    state_.EditMode = 1;
    state_.EditIndex = index;
    setEditingLayout(true);
}

void ListEditorWindow::fillReplacementChoices() {
    if (!isReplaceList(state_.EditList)) return;
    const DfType source = versionOfList(state_.EditList);
    const auto fill = [this](QComboBox* box, DfType version) {
        const QString typed = box->currentText();
        const QSignalBlocker quiet(box);
        box->clear();
        std::vector<std::int16_t> ids;
        for (const auto& entry : store_.Entries(version)) ids.push_back(entry.ItemId);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        for (const std::int16_t id : ids) {
            if (store_.ItemExists(version, id)) box->addItem(choiceText(store_, version, id));
        }
        box->setEditText(typed);
    };
    if (cboTarget_->count() == 0 || cboTarget_->property("source").toInt() != versionNumber(source)) {
        const QSignalBlocker quiet(cboTarget_);
        cboTarget_->clear();
        for (const DfType v : kAllVersions) {
            if (v != source) cboTarget_->addItem(textOf(versionLabel(v)), versionNumber(v));
        }
        cboTarget_->setProperty("source", versionNumber(source));
        fill(cboSource_, source);
    }
    fill(cboReplacement_, dfTypeOf(static_cast<std::int16_t>(cboTarget_->currentData().toInt())));
}

void ListEditorWindow::accept() {
    if (isReplaceList(state_.EditList)) {
        acceptReplacement();
    } else {
        acceptItem();
    }
}

void ListEditorWindow::acceptItem() {
    const double v = leadingNumber(txtID_->text());
    const long n = std::lround(v);
    const bool changing = state_.EditMode == 1;
    const bool valid = v >= 1 && v <= 9999 &&
                       session_.checkItem(state_.EditList, static_cast<int>(n), changing ? state_.EditIndex : 0) ==
                           workflow::EntryProblem::None;
    if (!valid) {
        if (!seams_.messages.askYesNo(this, kEditorTitle, kInvalidId)) setEditingLayout(false);
        return;
    }

    std::string bad;
    const auto description = utf8ToCp1252(txtDescription_->text().toStdString(), &bad);
    if (!description) {
        inform(QString::fromStdString(workflow::descriptionRefusedText(bad)));
        return;
    }

    const int list = state_.EditList;
    const ItemListEntry entry{static_cast<std::int16_t>(n), *description};
    const QString what = (changing ? QStringLiteral("changed ") : QStringLiteral("added ")) +
                         itemLine(kIdentifierFirst, txtDescription_->text(), entry.ItemId);
    const int position = state_.EditIndex;
    if (!runChange(list, [&] {
            return changing ? session_.changeItem(list, position, entry, what.toStdString())
                            : session_.addItem(list, entry, what.toStdString());
        })) {
        return;  // the panel keeps what was typed: OK repeats, Cancel leaves
    }
    setStatus(fileNameOf(list) + QStringLiteral(": ") + what + QLatin1Char('.'));
    setEditingLayout(false);
    showEntry(changing ? position : static_cast<int>(store_.Entries(versionOfList(list)).size()));
}

void ListEditorWindow::acceptReplacement() {
    const int list = state_.EditList;
    const DfType source = versionOfList(list);
    const int target = cboTarget_->currentData().toInt();
    const double typedSource = leadingNumber(cboSource_->currentText());
    const double typedReplacement = leadingNumber(cboReplacement_->currentText());
    const auto whole = [](double v) { return v >= -99999 && v <= 99999 ? static_cast<int>(std::lround(v)) : 0; };
    const int sourceId = whole(typedSource);
    const int replacementId = whole(typedReplacement);
    const bool changing = state_.EditMode == 1;
    const auto problem =
        session_.checkReplacement(list, sourceId, target, replacementId, changing ? state_.EditIndex : 0);
    if (problem != workflow::EntryProblem::None) {
        const QString targetLabel = textOf(versionLabel(dfTypeOf(static_cast<std::int16_t>(target))));
        QString text;
        switch (problem) {
            case workflow::EntryProblem::AlreadyReplaced: {
                const auto& entries = store_.SavedReplacements(source);
                const ReplaceEntry* first = firstReplacementFor(entries, static_cast<std::int16_t>(target),
                                                                static_cast<std::int16_t>(sourceId));
                text = QString::fromStdString(workflow::alreadyReplacedText(
                    sourceId, targetLabel.toStdString(),
                    choiceText(store_, dfTypeOf(static_cast<std::int16_t>(target)), first->ReplacementId)
                        .toStdString()));
                break;
            }
            case workflow::EntryProblem::ReplacementNotListed:
                text = QString::fromStdString(
                    workflow::replacementNotListedText(replacementId, targetLabel.toStdString()));
                break;
            default: text = kInvalidId.section(QStringLiteral("\r\n"), 0, 0); break;
        }
        if (!seams_.messages.askYesNo(this, kEditorTitle, text + QStringLiteral("\r\nRetry?"))) setEditingLayout(false);
        return;
    }
    const ReplaceEntry entry{static_cast<std::int16_t>(target), static_cast<std::int16_t>(sourceId),
                             static_cast<std::int16_t>(replacementId)};
    const int position = state_.EditIndex;
    const QString sentence = visibleText(replacementLine(kIdentifierFirst, source, entry, 0, store_));
    const QString what = (changing ? QStringLiteral("changed ") : QStringLiteral("added ")) + sentence;
    if (!runChange(list, [&] {
            return changing ? session_.changeReplacement(list, position, entry, what.toStdString())
                            : session_.addReplacement(list, entry, what.toStdString());
        })) {
        return;
    }
    setStatus(fileNameOf(list) + QStringLiteral(": ") + what + QLatin1Char('.'));
    setEditingLayout(false);
    showEntry(changing ? position : static_cast<int>(store_.SavedReplacements(source).size()));
}

void ListEditorWindow::cancel() { setEditingLayout(false); }

void ListEditorWindow::remove() {
    const int list = state_.CurrentList;
    if (store_.isDamaged(list)) return;
    const QString line = selectedLineOrAsk();
    if (line.isEmpty()) return;
    const DfType version = versionOfList(list);
    // Every line carries its entry's position, so the selected entry goes even among equal lines.
    const int p = DecodeIndexTag(line);
    const std::size_t size =
        isItemList(list) ? store_.Entries(version).size() : store_.SavedReplacements(version).size();
    if (p < 1 || static_cast<std::size_t>(p) > size) return;
    if (size == 1) {
        inform(QString::fromStdString(workflow::onlyEntryText(fileNameOf(list).toStdString())));
        return;
    }
    const QString what = QStringLiteral("deleted ") + entryText(list, p);
    if (runChange(list, [&] { return *session_.removeEntry(list, p, what.toStdString()); })) {
        setStatus(fileNameOf(list) + QStringLiteral(": ") + what + QLatin1Char('.'));
        updateButtons();
    }
}

void ListEditorWindow::restartDamaged(workflow::Restart how) {
    const int list = state_.CurrentList;
    std::optional<std::filesystem::path> kept;
    try {
        kept = session_.restart(list, how, QDate::currentDate().toString(Qt::ISODate).toStdString());
    } catch (const std::exception& error) {
        const auto* fileError = dynamic_cast<const Error*>(&error);
        inform(QStringLiteral("Warning!, The List Could Not Be Saved To '%1'\r\n%2\r\nThe file is unchanged.")
                   .arg(QString::fromStdString(fileError ? fileError->path() : displayPath(store_.pathOf(list))),
                        QString::fromStdString(fileError ? fileError->describe() : error.what())));
        return;
    }
    RefreshList();
    if (!kept) {
        setStatus(
            QStringLiteral("Reloaded %1: changed by another program; it was left as it is.").arg(fileNameOf(list)));
        return;
    }
    QString text = fileNameOf(list) + (how == workflow::Restart::FromStarter
                                           ? QStringLiteral(": started again from the starter list.")
                                           : QStringLiteral(": started empty."));
    if (!kept->empty()) {
        text += QStringLiteral(" The damaged file is kept as %1.")
                    .arg(QString::fromStdU16String(kept->filename().u16string()));
    }
    setStatus(text);
    lstMain_->setFocus();
}

void ListEditorWindow::exitProgram() {
    if (close()) emit programEnded(0);
}

QString loadFailureMessage(const std::vector<ListDamage>& damage) {
    QString text = QStringLiteral("Warning!, There Was an Error In 'InitilizeItemLists'");
    for (const auto& [which, error] : damage) {
        text += QStringLiteral("\r\n") + QString::fromStdString(error.path()) + QStringLiteral(": ") +
                QString::fromStdString(error.describe());
    }
    return text;
}

std::unique_ptr<ListEditorWindow> startListEditor(ui::Seams& seams, workflow::ListSession& session) {
    // An import of the lists that was interrupted is settled first, and said so once; one that
    // cannot be settled is said, and the lists open as they are.
    try {
        if (const std::string note = recoverListFolder(session.store().folder()); !note.empty())
            seams.messages.inform(nullptr, kEditorTitle, QString::fromStdString(note));
    } catch (const Error& error) {
        seams.messages.inform(
            nullptr, kEditorTitle,
            QString::fromStdString(error.path()) + QStringLiteral(": ") + QString::fromStdString(error.describe()));
    }
    const auto& damage = session.open();
    if (!damage.empty()) {
        seams.messages.inform(nullptr, kEditorTitle,
                              loadFailureMessage(damage) +
                                  QStringLiteral("\r\nThe other lists are open. A damaged list is shown as damaged, "
                                                 "with two ways to start it again."));
    }
    auto window = std::make_unique<ListEditorWindow>(seams, session);
    window->show();
    return window;
}

int runListEditor(ui::Seams& seams, workflow::ListSession& session) {
    auto window = startListEditor(seams, session);
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
