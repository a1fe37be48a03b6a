#include "converter/replace_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "lists/codepage.h"
#include "ui/look.h"
#include "workflow/messages.h"

namespace vok::converter {

namespace {

const QString kTitle = QStringLiteral("Vok Tamber's Mission Converter");

// A sorted list box: the entry goes before the first entry that sorts after it, letter case
// ignored, so equal entries keep the order in which they came.
void addSorted(QListWidget& list, const QString& text) {
    int row = 0;
    while (row < list.count() && QString::compare(list.item(row)->text(), text, Qt::CaseInsensitive) <= 0) ++row;
    list.insertItem(row, text);
}

// `caption` carries the mnemonic ("S&kip"): the button shows its text with that letter underlined.
QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* toolTip) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setToolTip(QString::fromLatin1(toolTip));
    return b;
}

QString toQt(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

QString qtText(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QString fourDigits(int id) { return QStringLiteral("%1").arg(id, 4, 10, QLatin1Char('0')); }

frmReplace::frmReplace(const ListStore& lists, QString programFolder, ui::Launcher& launcher, RefreshLists refreshLists,
                       QWidget* parent, ui::MessageBoxes* messages)
    : QDialog(parent),
      lists_(lists),
      programFolder_(std::move(programFolder)),
      launcher_(launcher),
      refreshLists_(std::move(refreshLists)),
      messages_(messages) {
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(kTitle);
    ui::paintWhiteOnBlack(*this);

    fraNotFound_ = new QGroupBox(this);
    fraNotFound_->setObjectName(QStringLiteral("fraNotFound"));
    lblNotFound_ = new QLabel(fraNotFound_);
    lblNotFound_->setObjectName(QStringLiteral("lblNotFound"));
    (new QVBoxLayout(fraNotFound_))->addWidget(lblNotFound_);

    fraReplace_ = new QGroupBox(this);
    fraReplace_->setObjectName(QStringLiteral("fraReplace"));
    buildLists();
    buildButtons();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraNotFound_);
    layout->addWidget(fraReplace_, 1);
    resize(460, 420);
    updateButtons();
    watchForChanges();
}

// The version and category chosen, and the two lists of their types: identifiers, descriptions.
void frmReplace::buildLists() {
    cboDfVersion_ = new QComboBox(fraReplace_);
    cboDfVersion_->setObjectName(QStringLiteral("cboDfVersion"));
    cboDfVersion_->addItems(
        {QStringLiteral("Delta Force 1"), QStringLiteral("Delta Force 2"), QStringLiteral("Delta Force 3")});
    cboDfVersion_->setCurrentIndex(-1);
    cboListType_ = new QComboBox(fraReplace_);
    cboListType_->setObjectName(QStringLiteral("cboListType"));
    cboListType_->addItems({QStringLiteral("Decorations"), QStringLiteral("Vehicles"), QStringLiteral("Buildings"),
                            QStringLiteral("Objects"), QStringLiteral("People"), QStringLiteral("Markers"),
                            QStringLiteral("Effects")});
    cboListType_->setCurrentIndex(-1);
    lstID_ = new QListWidget(fraReplace_);
    lstID_->setObjectName(QStringLiteral("lstID"));
    lstID_->setMaximumWidth(80);
    lstDescription_ = new QListWidget(fraReplace_);
    lstDescription_->setObjectName(QStringLiteral("lstDescription"));
    // Enter answers OK, from the lists too, once an entry was picked; the lists take the keyboard first.
    lstDescription_->setToolTip(
        QStringLiteral("The types of the chosen version and category (pick one, then Enter: OK)"));
    lblEmpty_ = new QLabel(fraReplace_);
    lblEmpty_->setObjectName(QStringLiteral("lblEmpty"));
    lblEmpty_->setWordWrap(true);
    lblEmpty_->hide();
    connect(cboDfVersion_, &QComboBox::currentIndexChanged, this, [this] { browse(); });
    connect(cboListType_, &QComboBox::currentIndexChanged, this, [this] { browse(); });
    connect(lstDescription_, &QListWidget::currentRowChanged, this, [this](int row) { descriptionChosen(row); });
    connect(lstID_, &QListWidget::currentRowChanged, this, [this](int row) { idChosen(row); });
    connect(lstID_, &QListWidget::itemClicked, this, [this] { userPicked(); });
    connect(lstDescription_, &QListWidget::itemClicked, this, [this] { userPicked(); });
}

// The six answers, below the lists.
void frmReplace::buildButtons() {
    using Remember = ReplacementAnswer::Remember;
    cmdOk_ = button(fraReplace_, "cmdOk", "&OK", "Give this item the selected type (Enter)");
    cmdOkAll_ = button(fraReplace_, "cmdOkAll", "OK-&A",
                       "Give this item and every later item of its type the selected type, until the "
                       "program ends");
    cmdOkSave_ = button(fraReplace_, "cmdOkSave", "OK-&S",
                        "Give this item and every later item of its type the selected type, and save the "
                        "choice in the replacement list for later runs.\nRight click to start the list "
                        "editor: what it adds shows here at once");
    cmdSkip_ = button(fraReplace_, "cmdSkip", "S&kip",
                      "Keep this item's type, though the game it is saved for does not know it (Esc)");
    cmdRemove_ = button(fraReplace_, "cmdRemove", "&Remove", "Set this item's type to 0; the item stays");
    cmdCancelSave_ = button(fraReplace_, "cmdCancelSave", "&Cancel Save",
                            "Stop this save: nothing is written, and the OK-A choices of this save are "
                            "forgotten.\nChoices saved with OK-S stay saved in the replacement list");

    auto* grid = new QGridLayout(fraReplace_);
    grid->addWidget(cboDfVersion_, 0, 0);
    grid->addWidget(cboListType_, 0, 1);
    grid->addWidget(lstID_, 1, 0);
    grid->addWidget(lstDescription_, 1, 1);
    grid->addWidget(lblEmpty_, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdOk_, cmdOkAll_, cmdOkSave_, cmdSkip_, cmdRemove_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdCancelSave_);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(cmdOk_, &QPushButton::clicked, this, [this] { chooseWithSelectedType(Remember::No); });
    connect(cmdOkAll_, &QPushButton::clicked, this, [this] { chooseWithSelectedType(Remember::ForRun); });
    connect(cmdOkSave_, &QPushButton::clicked, this, [this] { chooseWithSelectedType(Remember::AndSave); });
    connect(cmdSkip_, &QPushButton::clicked, this, [this] { answer(ReplacementAnswer::skip()); });
    connect(cmdRemove_, &QPushButton::clicked, this, [this] { answer(ReplacementAnswer::remove()); });
    connect(cmdCancelSave_, &QPushButton::clicked, this, [this] { answer(ReplacementAnswer::cancelSave()); });
    cmdOkSave_->installEventFilter(this);
}

// A save of the list editor changes the folder several times: the lists are read again once it
// has been quiet for a moment.
void frmReplace::watchForChanges() {
    watcher_ = new QFileSystemWatcher(this);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(100);
    connect(watcher_, &QFileSystemWatcher::fileChanged, refreshTimer_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, refreshTimer_, qOverload<>(&QTimer::start));
    connect(refreshTimer_, &QTimer::timeout, this, [this] { listsChangedOnDisk(); });
}

QString frmReplace::listEditorPath() const {
#if defined(Q_OS_WIN)
    return QDir(programFolder_).filePath(QStringLiteral("Vok_Tally.exe"));
#else
    return QDir(programFolder_).filePath(QStringLiteral("Vok_Tally"));
#endif
}

ReplacementAnswer frmReplace::ReplaceObject(std::int16_t iObjectId, DfType iOrgDfType, DfType iNewDfType) {
    iObjectId_ = iObjectId;
    iOrgDfType_ = iOrgDfType;
    iNewDfType_ = iNewDfType;

    fraNotFound_->setTitle(QStringLiteral("This DF%1 Item Does Not Exsist In DF%2")
                               .arg(versionNumber(iOrgDfType))
                               .arg(versionNumber(iNewDfType)));
    fraReplace_->setTitle(
        QStringLiteral("Please Select A Replacement (To Be Used In DF%1)").arg(versionNumber(iNewDfType)));
    showMissingItem();
    FillReplaceLists(iObjectId, iNewDfType, true);
    selectFirstDescription();
    picked_ = false;
    cmdOk_->setDefault(false);

    ReplaceAnswer.reset();
    setWindowModality(Qt::ApplicationModal);
    watchLists();
    show();
    activateWindow();
    lstDescription_->setFocus();
    if (!ReplaceAnswer) {
        QEventLoop loop;
        connect(this, &frmReplace::answered, &loop, &QEventLoop::quit);
        loop.exec();
    }
    hide();
    return *ReplaceAnswer;
}

void frmReplace::showMissingItem() {
    if (!isVersion(iOrgDfType_)) return;  // the label keeps its text
    const std::string description = cp1252ToUtf8(lists_.ItemDescription(iOrgDfType_, iObjectId_));
    lblNotFound_->setText(
        QStringLiteral("#:%1 Description: %2").arg(iObjectId_).arg(QString::fromStdString(description)) +
        (usage_.isEmpty() ? QString() : QStringLiteral("\n") + usage_));
}

// The six files, and their folder: a save replaces a file by renaming another over it, which a
// watch on the file alone may not see.
void frmReplace::watchLists() {
    if (!refreshLists_) return;
    QStringList paths{toQt(lists_.folder())};
    for (int which = 1; which <= kListCount; ++which) paths << toQt(lists_.pathOf(which));
    for (const QString& watched : watcher_->files() + watcher_->directories()) paths.removeAll(watched);
    if (!paths.isEmpty()) watcher_->addPaths(paths);
}

// The lists changed on disk while the dialog waits: read them again and show the chosen version
// and category afresh, keeping the selected type where it is still listed.
void frmReplace::listsChangedOnDisk() {
    watchLists();
    if (!refreshLists_ || !refreshLists_()) return;
    const QString selected = lstID_->currentItem() != nullptr ? lstID_->currentItem()->text() : QString();
    FillReplaceLists(shownBlock_, shownVersion_, false);
    showMissingItem();
    const auto found = lstID_->findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !found.isEmpty()) {
        lstID_->setCurrentItem(found.front());
    } else {
        selectFirstDescription();
    }
}

void frmReplace::FillReplaceLists(int blockStart, DfType version, bool preset) {
    const int q = blockStart / 1000;
    shownBlock_ = blockStart;
    shownVersion_ = version;
    filling_ = true;
    if (preset) {
        cboDfVersion_->setCurrentIndex(isVersion(version) ? static_cast<int>(versionIndex(version)) : -1);
        // Blocks of 8000 and above have no category: none is shown, though the lists show the block.
        cboListType_->setCurrentIndex(q <= 0 ? 0 : q <= 7 ? q - 1 : -1);
    }
    lstID_->clear();
    lstDescription_->clear();
    if (isVersion(version)) {
        const int first = q * 1000;
        const int last = first + 999;
        for (const ItemListEntry& entry : lists_.Entries(version)) {
            if (entry.ItemId < first || entry.ItemId > last) continue;
            const QString id = fourDigits(entry.ItemId);
            addSorted(*lstID_, id);
            addSorted(*lstDescription_,
                      QString::fromStdString(cp1252ToUtf8(entry.Description)) + QStringLiteral(" ID:") + id);
        }
    }
    filling_ = false;
    updateButtons();
}

void frmReplace::browse() {
    if (filling_) return;
    const int category = cboListType_->currentIndex();
    FillReplaceLists(category < 0 ? 1000 : (category + 1) * 1000,
                     static_cast<DfType>(cboDfVersion_->currentIndex() + 1), false);
    selectFirstDescription();
    picked_ = false;  // the entry selected now is the dialog's suggestion again
    cmdOk_->setDefault(false);
}

void frmReplace::selectFirstDescription() {
    if (lstDescription_->count() == 0) return;
    selecting_ = true;
    if (lstDescription_->currentRow() == 0) {
        descriptionChosen(0);
    } else {
        lstDescription_->setCurrentRow(0);
    }
    selecting_ = false;
}

void frmReplace::userPicked() {
    if (filling_ || selecting_ || lstID_->currentItem() == nullptr) return;
    picked_ = true;
    cmdOk_->setDefault(true);
}

// The two lists are in different orders; they are kept in step by the identifier text, which
// ends every description entry (" ID:2031").
void frmReplace::descriptionChosen(int row) {
    if (filling_ || syncing_ || row < 0) return;
    userPicked();
    syncing_ = true;
    const QString text = lstDescription_->item(row)->text();
    for (int i = 0; i < lstID_->count(); ++i) {
        if (text.endsWith(QStringLiteral(" ID:") + lstID_->item(i)->text())) {
            lstID_->setCurrentRow(i);
            break;
        }
    }
    syncing_ = false;
    updateButtons();
}

void frmReplace::idChosen(int row) {
    if (filling_ || syncing_ || row < 0) {
        updateButtons();
        return;
    }
    syncing_ = true;
    const QString suffix = QStringLiteral(" ID:") + lstID_->item(row)->text();
    userPicked();
    for (int i = 0; i < lstDescription_->count(); ++i) {
        if (lstDescription_->item(i)->text().endsWith(suffix)) {
            lstDescription_->setCurrentRow(i);
            break;
        }
    }
    syncing_ = false;
    updateButtons();
}

void frmReplace::updateButtons() {
    // Without a selected type (an empty category) only "Skip" and "Remove" can answer.
    const bool chosen = lstID_->currentItem() != nullptr;
    cmdOk_->setEnabled(chosen);
    cmdOkAll_->setEnabled(chosen);
    cmdOkSave_->setEnabled(chosen);
    // An empty category says why only Skip and Remove answer.
    const bool empty = lstID_->count() == 0 && isVersion(shownVersion_);
    lblEmpty_->setVisible(empty);
    if (empty) {
        lblEmpty_->setText(QStringLiteral("%1 has no type of this category. Skip keeps the item's type; "
                                          "Remove sets it to 0.")
                               .arg(qtText(versionName(shownVersion_))));
    }
}

void frmReplace::chooseWithSelectedType(ReplacementAnswer::Remember remember) {
    const QListWidgetItem* item = lstID_->currentItem();
    if (item == nullptr) return;
    const auto type = static_cast<std::int16_t>(item->text().toInt());
    // A type from another game's list may be what the modder wants, but never silently.
    if (messages_ != nullptr && !lists_.ItemExists(iNewDfType_, type) &&
        !messages_->askYesNo(this, kTitle,
                             QStringLiteral("%1 is not in the %2 item list. Use it anyway?")
                                 .arg(type)
                                 .arg(qtText(versionName(iNewDfType_))),
                             ui::MessageBoxes::Preferred::No)) {
        return;
    }
    answer(ReplacementAnswer::replace(type, remember));
}

void frmReplace::answer(ReplacementAnswer given) {
    ReplaceAnswer = given;
    emit answered();
}

void frmReplace::closeEvent(QCloseEvent* event) {
    // Closing the window keeps the item's type, like "Skip".
    if (!ReplaceAnswer) answer(ReplacementAnswer::skip());
    event->accept();
}

void frmReplace::reject() {
    if (!ReplaceAnswer) answer(ReplacementAnswer::skip());
}

bool frmReplace::eventFilter(QObject* watched, QEvent* event) {
    // The right mouse button on "OK-S" starts the list editor and answers nothing, also while the
    // button is disabled (an empty category), when the lists most likely need an edit.
    if (watched == cmdOkSave_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        launcher_.startProgram(listEditorPath(), {}, programFolder_);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------

DialogReplacementChooser::DialogReplacementChooser(const ListStore& lists, QString programFolder, ui::Seams& seams,
                                                   QString title, frmReplace::RefreshLists refreshLists)
    : lists_(lists),
      programFolder_(std::move(programFolder)),
      seams_(seams),
      title_(std::move(title)),
      refreshLists_(std::move(refreshLists)) {}

DialogReplacementChooser::~DialogReplacementChooser() = default;

ReplacementAnswer DialogReplacementChooser::choose(std::int16_t objectId, DfType sourceVersion, DfType targetVersion) {
    if (!dialog_) {
        dialog_ = std::make_unique<frmReplace>(lists_, programFolder_, seams_.launcher, refreshLists_, nullptr,
                                               &seams_.messages);
    }
    return dialog_->ReplaceObject(objectId, sourceVersion, targetVersion);
}

void DialogReplacementChooser::replacementNotSaved(const Error& error) {
    // A system-wide install: the lists beside the programs belong to the system.
    const bool refused = workflow::isWriteRefusal(error) || !QFileInfo(programFolder_).isWritable();
    const std::string text = workflow::replacementNotSavedText(error, programFolder_.toStdString(), refused);
    seams_.messages.inform(dialog_.get(), title_, QString::fromStdString(text));
}

void DialogReplacementChooser::conversionFinished() { dialog_.reset(); }

}  // namespace vok::converter
