#include "list_editor/list_editor_window.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "list_editor/list_lines.h"
#include "lists/codepage.h"
#include "mission/core/error.h"

namespace vok::editor {

namespace {

const QString kSelectFirst = QStringLiteral("Please Select a List Entry First!");
const QString kInvalidId = QStringLiteral("Invalid ID, Or Item ID is already used!\r\nRetry?");

// Geometry of the window, in pixels. The list group and the list box shrink while the edit panel
// is shown below them.
constexpr int kMargin = 8;
constexpr int kWidth = 384;
constexpr int kTopHeight = 50;
constexpr int kListTop = 4 + kTopHeight + 4;
constexpr int kListBoxTop = 18;
constexpr int kButtonTop = kListTop + kListGroupHeight + kMargin;
constexpr int kButtonWidth = 86;
constexpr int kButtonHeight = 30;
constexpr int kButtonStep = kButtonWidth + kMargin;
constexpr int kEditPanelHeight = 54;
constexpr int kHeight = kButtonTop + kButtonHeight + kMargin;

const QString kStyle = QStringLiteral(
    "QGroupBox { background-color: black; color: white; border: 1px solid #808080; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px;"
    " padding: 0px 3px; background-color: black; color: white; }");

// A replacement line carries its entry's position in a tag at its end; only the text before it is
// drawn.
class HiddenTagDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        return QStyledItemDelegate::displayText(visibleText(value.toString()), locale);
    }
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

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

ListEditorWindow::ListEditorWindow(ui::Seams& seams, ListStore& store, QWidget* parent)
    : QWidget(parent), seams_(seams), store_(store) {
    buildControls();

    // Start-up: the members start as declared in EditorState; the lists are loaded already.
    for (int list = 1; list <= kListCount; ++list) cboFile_->addItem(fileNameOf(list));
    for (const auto& category : kCategories) {
        cboListType_->addItem(
            QString::fromLatin1(category.text.data(), static_cast<qsizetype>(category.text.size())));
    }
    cboFile_->setCurrentIndex(0);
    chooseList(0);
    cboListType_->setCurrentIndex(0);
    chooseCategory(0);

    connect(cboFile_, &QComboBox::currentIndexChanged, this, &ListEditorWindow::chooseList);
    connect(cboListType_, &QComboBox::currentIndexChanged, this, &ListEditorWindow::chooseCategory);
    connect(cmdAdd_, &QPushButton::clicked, this, &ListEditorWindow::add);
    connect(cmdEdit_, &QPushButton::clicked, this, &ListEditorWindow::edit);
    connect(cmdOK_, &QPushButton::clicked, this, &ListEditorWindow::accept);
    connect(cmdCancel_, &QPushButton::clicked, this, &ListEditorWindow::cancel);
    connect(cmdDelete_, &QPushButton::clicked, this, &ListEditorWindow::remove);
    connect(cmdExit_, &QPushButton::clicked, this, &ListEditorWindow::exitProgram);
    lstMain_->viewport()->installEventFilter(this);
}

void ListEditorWindow::buildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kEditorTitle);
    setFixedSize(kWidth, kHeight);
    setStyleSheet(kStyle);

    const int halfWidth = (kWidth - 3 * kMargin) / 2;
    fraFile_ = named(new QGroupBox(QStringLiteral("File"), this), "fraFile");
    fraFile_->setGeometry(kMargin, 4, halfWidth, kTopHeight);
    cboFile_ = named(new QComboBox(fraFile_), "cboFile");
    cboFile_->setGeometry(kMargin, 18, halfWidth - 2 * kMargin, 24);

    fraListType_ = named(new QGroupBox(QStringLiteral("List Type"), this), "fraListType");
    fraListType_->setGeometry(2 * kMargin + halfWidth, 4, halfWidth, kTopHeight);
    cboListType_ = named(new QComboBox(fraListType_), "cboListType");
    cboListType_->setGeometry(kMargin, 18, halfWidth - 2 * kMargin, 24);

    const int innerWidth = kWidth - 2 * kMargin;
    fraList_ = named(new QGroupBox(QStringLiteral("List"), this), "fraList");
    fraList_->setGeometry(kMargin, kListTop, innerWidth, kListGroupHeight);
    lstMain_ = named(new QListWidget(fraList_), "lstMain");
    lstMain_->setGeometry(kMargin, kListBoxTop, innerWidth - 2 * kMargin, kListBoxHeight);
    lstMain_->setItemDelegate(new HiddenTagDelegate(lstMain_));
    lstMain_->setSelectionMode(QAbstractItemView::SingleSelection);

    // The edit panel fills the room the list gives up while editing.
    fraEditI_ = named(new QFrame(this), "fraEditI");
    fraEditI_->setGeometry(kMargin, kListTop + kListGroupHeight - kEditPanelHeight, innerWidth,
                           kEditPanelHeight);
    fraID_ = named(new QGroupBox(QStringLiteral("Item ID"), fraEditI_), "fraID");
    fraID_->setGeometry(0, 0, 96, kEditPanelHeight);
    txtID_ = named(new QLineEdit(fraID_), "txtID");
    txtID_->setGeometry(kMargin, 20, 96 - 2 * kMargin, 24);
    txtID_->setMaxLength(4);
    fraDescription_ = named(new QGroupBox(QStringLiteral("Item Description"), fraEditI_), "fraDescription");
    fraDescription_->setGeometry(96 + kMargin, 0, innerWidth - 96 - kMargin, kEditPanelHeight);
    txtDescription_ = named(new QLineEdit(fraDescription_), "txtDescription");
    txtDescription_->setGeometry(kMargin, 20, innerWidth - 96 - 3 * kMargin, 24);
    txtDescription_->setMaxLength(37);
    fraEditI_->hide();

    // One row of buttons: Exit, Delete, Edit, Add; Cancel and OK take the places of Edit and Add.
    const auto button = [this](const char* caption, const char* name, int slot) {
        auto* b = named(new QPushButton(QString::fromLatin1(caption), this), name);
        b->setGeometry(kMargin + slot * kButtonStep, kButtonTop, kButtonWidth, kButtonHeight);
        return b;
    };
    cmdExit_ = button("Exit", "cmdExit", 0);
    cmdDelete_ = button("Delete", "cmdDelete", 1);
    cmdEdit_ = button("Edit", "cmdEdit", 2);
    cmdAdd_ = button("Add", "cmdAdd", 3);
    cmdCancel_ = button("Cancel", "cmdCancel", 2);
    cmdOK_ = button("OK", "cmdOK", 3);
    cmdCancel_->hide();
    cmdOK_->hide();
}

void ListEditorWindow::RefreshList() {
    const int list = state_.CurrentList;
    cmdEdit_->setVisible(isItemList(list));
    cmdAdd_->setVisible(isItemList(list));

    lstMain_->clear();
    const DfType version = versionOfList(list);
    QStringList lines;
    if (isItemList(list)) {
        for (const auto& entry : store_.Entries(version)) {
            if (entry.ItemId < state_.MinId || entry.ItemId > state_.MaxId) continue;
            lines << itemLine(state_.DisplayMode,
                              descriptionText(store_.ItemDescription(version, entry.ItemId)), entry.ItemId);
        }
    } else if (isReplaceList(list)) {
        const auto& entries = store_.SavedReplacements(version);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& entry = entries[i];
            // ObjectId 0 is the placeholder that keeps an otherwise empty list loadable.
            if (entry.ObjectId == 0 || entry.ObjectId < state_.MinId || entry.ObjectId > state_.MaxId)
                continue;
            lines << replacementLine(state_.DisplayMode, version, entry, static_cast<int>(i + 1), store_);
        }
    }
    std::stable_sort(lines.begin(), lines.end(), lineLess);
    lstMain_->addItems(lines);
    lstMain_->setCurrentRow(-1);
    lstMain_->clearSelection();
}

bool ListEditorWindow::ItemIdUsed(int list, int id) const {
    return FindItemIndex(list, id) != 0;
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
    // A disabled list (while editing) ignores the mouse; filters see its events all the same.
    if (watched == lstMain_->viewport() && event->type() == QEvent::MouseButtonPress &&
        lstMain_->isEnabled() && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        toggleDisplayMode();
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
    const int innerWidth = kWidth - 2 * kMargin;
    fraList_->resize(innerWidth, editing ? kListGroupEditingHeight : kListGroupHeight);
    lstMain_->resize(innerWidth - 2 * kMargin, editing ? kListBoxEditingHeight : kListBoxHeight);
    fraListType_->setEnabled(!editing);
    fraFile_->setEnabled(!editing);
    fraList_->setEnabled(!editing);
    cmdDelete_->setVisible(!editing);
    cmdEdit_->setVisible(!editing);
    cmdAdd_->setVisible(!editing);
    cmdOK_->setVisible(editing);
    cmdCancel_->setVisible(editing);
    fraEditI_->setVisible(editing);
    if (editing) txtID_->setFocus();
}

void ListEditorWindow::inform(const QString& text) {
    seams_.messages.inform(this, kEditorTitle, text);
}

ListEditorWindow::Outcome ListEditorWindow::applyChange(int which, const std::function<void()>& change) {
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
        const QString fault = fileError != nullptr ? QString::fromStdString(fileError->describe())
                                                   : QString::fromLocal8Bit(error.what());
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
                   .arg(changed.isEmpty() ? QString() : QStringLiteral(" (") + changed.join(QStringLiteral(", ")) +
                                                            QStringLiteral(")")));
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
    const int id = identifierOfItemLine(line, state_.DisplayMode);
    const int index = FindItemIndex(state_.CurrentList, id);
    if (index == 0) return;  // the lines come from the store, so this does not happen
    state_.EditMode = 1;
    state_.EditList = state_.CurrentList;
    state_.EditOriginalId = static_cast<std::int16_t>(id);
    state_.EditIndex = index;
    // The box takes four digits; an identifier beyond them cannot be kept and must be replaced.
    txtID_->setText(id <= 9999 ? QString::number(id) : QString());
    txtDescription_->setText(descriptionText(
        store_.ItemDescription(versionOfList(state_.EditList), static_cast<std::int16_t>(id))));
    setEditingLayout(true);
}

void ListEditorWindow::accept() {
    const double v = leadingNumber(txtID_->text());
    const long n = std::lround(v);
    const bool valid = v >= 1 && v <= 9999 &&
                       (!ItemIdUsed(state_.EditList, static_cast<int>(n)) ||
                        v == static_cast<double>(state_.EditOriginalId));
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
    switch (applyChange(state_.EditList, [&] {
        auto& entries = store_.editEntries(version);
        if (changing) {
            entries[index] = entry;
        } else {
            entries.push_back(entry);
        }
    })) {
        case Outcome::Saved:
            setEditingLayout(false);
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
        case Outcome::Ended:
            break;
    }
}

void ListEditorWindow::cancel() {
    setEditingLayout(false);
}

void ListEditorWindow::remove() {
    const QString line = selectedLineOrAsk();
    if (line.isEmpty()) return;
    const int list = state_.CurrentList;
    const DfType version = versionOfList(list);
    if (isItemList(list)) {
        const int p = FindItemIndex(list, identifierOfItemLine(line, state_.DisplayMode));
        if (!mayRemove(store_.Entries(version).size(), p, list)) return;
        applyChange(list, [&] { moveLastInto(store_.editEntries(version), p); });
    } else if (isReplaceList(list)) {
        const int p = DecodeIndexTag(line);
        if (!mayRemove(store_.SavedReplacements(version).size(), p, list)) return;
        applyChange(list, [&] { moveLastInto(store_.editSavedReplacements(version), p); });
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
    emit programEnded(0);
    close();
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
        QTimer::singleShot(0, window.get(), [w = window.get(), path] {
            QCoreApplication::exit(w->grab().save(path) ? 0 : 3);
        });
    }
    return QApplication::exec();
}

}  // namespace vok::editor
