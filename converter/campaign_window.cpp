#include "converter/campaign_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "converter/main_window.h"
#include "converter/replace_dialog.h"
#include "converter/report_dialog.h"
#include "lists/codepage.h"

namespace vok::converter {

namespace {

using Result = workflow::CampaignFile::Result;

std::filesystem::path pathOf(const QString& path) { return std::filesystem::path(path.toStdU16String()); }
QString qtOf(const std::string& text) { return QString::fromStdString(text); }
QString nameOf(const std::filesystem::path& path) { return qtOf(displayPath(path)); }

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QString resultText(const workflow::CampaignFile& file) {
    switch (file.result) {
        case Result::Written: return QStringLiteral("Written");
        case Result::Failed:
            return QStringLiteral("Failed: ") + qtOf(file.message).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        case Result::Pending: break;
    }
    return QStringLiteral("Not Written (Cancelled)");
}

QString csvField(QString text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}

}  // namespace

frmCampaign::frmCampaign(ui::Seams& seams, ListStore& lists, QString programFolder, std::function<Timestamp()> clock,
                         QWidget* parent)
    : QDialog(parent),
      seams_(seams),
      lists_(lists),
      programFolder_(std::move(programFolder)),
      clock_(std::move(clock)) {
    setObjectName(QStringLiteral("frmCampaign"));
    setWindowTitle(QStringLiteral("Convert Missions"));
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Mission Files And Folders (Drop Them Here):"), this));
    lstInputs_ = new QListWidget(this);
    lstInputs_->setObjectName(QStringLiteral("lstInputs"));
    layout->addWidget(lstInputs_);
    auto* inputButtons = new QHBoxLayout;
    auto* cmdAddFiles = button(this, "cmdAddFiles", QStringLiteral("Add &Files..."));
    auto* cmdAddFolder = button(this, "cmdAddFolder", QStringLiteral("Add F&older..."));
    auto* cmdClear = button(this, "cmdClear", QStringLiteral("C&lear"));
    inputButtons->addWidget(cmdAddFiles);
    inputButtons->addWidget(cmdAddFolder);
    inputButtons->addWidget(cmdClear);
    layout->addLayout(inputButtons);

    auto* choices = new QGridLayout;
    cboTarget_ = new QComboBox(this);
    cboTarget_->setObjectName(QStringLiteral("cboTarget"));
    for (const DfType version : {DfType::Df1, DfType::Df2, DfType::Df3})
        cboTarget_->addItem(qtOf(std::string(versionName(version))), static_cast<int>(version));
    cboForm_ = new QComboBox(this);
    cboForm_->setObjectName(QStringLiteral("cboForm"));
    cboForm_->addItems(
        {QStringLiteral("Binary (*.BMS)"), QStringLiteral("Ascii (*.MIS)"), QStringLiteral("Keep Each File's Form")});
    cboForm_->setCurrentIndex(2);
    txtFolder_ = new QLineEdit(this);
    txtFolder_->setObjectName(QStringLiteral("txtFolder"));
    auto* cmdFolder = button(this, "cmdFolder", QStringLiteral("&Browse..."));
    choices->addWidget(new QLabel(QStringLiteral("Convert To:"), this), 0, 0);
    choices->addWidget(cboTarget_, 0, 1, 1, 2);
    choices->addWidget(new QLabel(QStringLiteral("Form:"), this), 1, 0);
    choices->addWidget(cboForm_, 1, 1, 1, 2);
    choices->addWidget(new QLabel(QStringLiteral("Output Folder:"), this), 2, 0);
    choices->addWidget(txtFolder_, 2, 1);
    choices->addWidget(cmdFolder, 2, 2);
    layout->addLayout(choices);

    auto* run = new QHBoxLayout;
    cmdConvert_ = button(this, "cmdConvert", QStringLiteral("&Convert"));
    prgCampaign_ = new QProgressBar(this);
    prgCampaign_->setObjectName(QStringLiteral("prgCampaign"));
    cmdCancel_ = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdCancel_->setEnabled(false);
    run->addWidget(cmdConvert_);
    run->addWidget(prgCampaign_, 1);
    run->addWidget(cmdCancel_);
    layout->addLayout(run);
    lblProgress_ = new QLabel(this);
    lblProgress_->setObjectName(QStringLiteral("lblProgress"));
    layout->addWidget(lblProgress_);

    tblSummary_ = new QTableWidget(0, 6, this);
    tblSummary_->setObjectName(QStringLiteral("tblSummary"));
    tblSummary_->setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Result"),
                                            QStringLiteral("Replaced"), QStringLiteral("Removed"),
                                            QStringLiteral("Kept"), QStringLiteral("Not Carried")});
    tblSummary_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblSummary_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSummary_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tblSummary_, 1);
    cmdSaveSummary_ = button(this, "cmdSaveSummary", QStringLiteral("&Save Summary..."));
    cmdSaveSummary_->setEnabled(false);
    layout->addWidget(cmdSaveSummary_, 0, Qt::AlignRight);
    resize(720, 560);

    connect(cmdAddFiles, &QPushButton::clicked, this, &frmCampaign::addFiles);
    connect(cmdAddFolder, &QPushButton::clicked, this, &frmCampaign::addFolder);
    connect(cmdClear, &QPushButton::clicked, lstInputs_, &QListWidget::clear);
    connect(cmdFolder, &QPushButton::clicked, this, &frmCampaign::chooseFolder);
    connect(cmdConvert_, &QPushButton::clicked, this, &frmCampaign::start);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { stop_ = true; });
    connect(tblSummary_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showFileReport(row); });
    connect(cmdSaveSummary_, &QPushButton::clicked, this, &frmCampaign::saveSummary);
}

frmCampaign::~frmCampaign() {
    if (worker_ != nullptr) {
        stop_ = true;
        // The worker may be waiting for the window to show its progress.
        while (!worker_->wait(10)) QCoreApplication::processEvents();
        delete worker_;
    }
}

void frmCampaign::inform(const QString& text) { seams_.messages.inform(this, kConverterTitle, text); }

void frmCampaign::addInputs(const QStringList& paths) {
    for (const QString& path : paths)
        if (lstInputs_->findItems(path, Qt::MatchExactly).isEmpty()) lstInputs_->addItem(path);
}

void frmCampaign::addFiles() {
    ui::FileRequest request;
    request.title = QStringLiteral("Select Mission Files");
    request.filter = QStringLiteral("Mission Files (*.BMS;*.MIS)|*.BMS;*.MIS");
    request.mustExist = true;
    addInputs(seams_.files.openMany(this, request));
}

void frmCampaign::addFolder() {
    if (const auto folder = seams_.files.folder(this, QStringLiteral("Select A Folder Of Missions"), QString()))
        addInputs({*folder});
}

void frmCampaign::chooseFolder() {
    if (const auto folder = seams_.files.folder(this, QStringLiteral("Select The Output Folder"), txtFolder_->text()))
        txtFolder_->setText(*folder);
}

void frmCampaign::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void frmCampaign::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    addInputs(paths);
    event->acceptProposedAction();
}

void frmCampaign::closeEvent(QCloseEvent* event) {
    // A running campaign is stopped between two files; the window closes once it has.
    if (running()) {
        stop_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmCampaign::setIdle(bool idle) {
    for (QWidget* widget : std::initializer_list<QWidget*>{lstInputs_, cboTarget_, cboForm_, txtFolder_, cmdConvert_,
                                                           findChild<QPushButton*>(QStringLiteral("cmdAddFiles")),
                                                           findChild<QPushButton*>(QStringLiteral("cmdAddFolder")),
                                                           findChild<QPushButton*>(QStringLiteral("cmdClear")),
                                                           findChild<QPushButton*>(QStringLiteral("cmdFolder"))})
        widget->setEnabled(idle);
    cmdCancel_->setEnabled(!idle);
}

void frmCampaign::start() {
    if (running()) return;
    QStringList paths;
    for (int row = 0; row < lstInputs_->count(); ++row) paths << lstInputs_->item(row)->text();
    if (paths.isEmpty()) return inform(QStringLiteral("Add Mission Files Or A Folder First."));
    if (txtFolder_->text().trimmed().isEmpty()) return inform(QStringLiteral("Choose An Output Folder First."));
    std::vector<std::filesystem::path> inputs;
    for (const QString& path : paths) inputs.push_back(pathOf(path));
    const DfType target = static_cast<DfType>(cboTarget_->currentData().toInt());
    const std::optional<MissionForm> form = cboForm_->currentIndex() == 0   ? std::optional(MissionForm::Binary)
                                            : cboForm_->currentIndex() == 1 ? std::optional(MissionForm::Ascii)
                                                                            : std::nullopt;

    // The worker reads the lists through its own copy: the window may use its lists meanwhile.
    auto lists = std::make_shared<ListStore>(lists_);
    campaign_ =
        std::make_unique<workflow::Campaign>([lists]() -> ListStore& { return *lists; }, workflow::Style::Window);
    tblSummary_->setRowCount(0);
    cmdSaveSummary_->setEnabled(false);
    try {
        const auto files = workflow::campaignInputs(inputs, true);
        if (files.empty()) return inform(QStringLiteral("There Are No Mission Files (*.BMS, *.MIS) To Convert."));
        if (const std::string refused = campaign_->plan(files, pathOf(txtFolder_->text().trimmed()), form);
            !refused.empty())
            return inform(qtOf(refused));
    } catch (const Error& error) {
        return inform(qtOf(workflow::fileFailureText(error, workflow::Style::Window)));
    }
    // One question for every output that exists already.
    if (const auto existing = campaign_->collisions(); !existing.empty()) {
        QString names;
        for (std::size_t i = 0; i < existing.size() && i < 3; ++i)
            names += QStringLiteral("\r\n") + nameOf(existing[i]->output);
        if (existing.size() > 3) names += QStringLiteral("\r\n...");
        const bool overwrite = seams_.messages.askYesNo(
            this, kConverterTitle,
            QStringLiteral("%1 Of The Files To Be Written Exist Already:%2\r\n\r\nOverwrite Them? (No Leaves Them "
                           "And Their Missions Out.)")
                .arg(existing.size())
                .arg(names),
            ui::MessageBoxes::Preferred::No);
        if (!overwrite) campaign_->dropCollisions();
    }
    campaign_->open();
    if (!askReplacements(target)) {
        lblProgress_->setText(QStringLiteral("Cancelled: Nothing Was Written."));
        return;
    }
    if (const std::string refused = campaign_->makeFolder(); !refused.empty()) return inform(qtOf(refused));

    stop_ = false;
    prgCampaign_->setRange(0, static_cast<int>(campaign_->files().size()));
    prgCampaign_->setValue(0);
    setIdle(false);
    workflow::Campaign::RunOptions options;
    options.target = target;
    options.createdOn = clock_();
    options.reportLosses = true;
    options.stop = [this] { return stop_.load(); };
    options.progress = [this](std::size_t index, std::size_t, const workflow::CampaignFile& file) {
        // The worker waits until the window shows the file: a Cancel clicked meanwhile is seen
        // before the next file.
        const QString name = nameOf(file.output);
        QMetaObject::invokeMethod(
            this, [this, index, name] { showProgress(static_cast<int>(index), name); }, Qt::BlockingQueuedConnection);
    };
    workflow::Campaign* campaign = campaign_.get();
    worker_ = QThread::create([campaign, options, lists] { campaign->run(options); });
    connect(worker_, &QThread::finished, this, &frmCampaign::finished);
    worker_->start();
}

bool frmCampaign::askReplacements(DfType target) {
    const std::vector<workflow::CampaignMissingType> missing = campaign_->missingTypes(target);
    if (missing.empty()) return true;
    frmReplace dialog(lists_, programFolder_, seams_.launcher, {}, this, &seams_.messages);
    for (const workflow::CampaignMissingType& type : missing) {
        dialog.setUsage(QStringLiteral("Used By %1 %2 In %3 %4")
                            .arg(type.items)
                            .arg(type.items == 1 ? QStringLiteral("Item") : QStringLiteral("Items"))
                            .arg(type.missions)
                            .arg(type.missions == 1 ? QStringLiteral("Mission") : QStringLiteral("Missions")));
        ReplacementAnswer answer = dialog.ReplaceObject(type.id, type.from, target);
        if (answer.kind == ReplacementAnswer::Kind::CancelSave) return false;
        if (answer.kind == ReplacementAnswer::Kind::Replace &&
            answer.remember == ReplacementAnswer::Remember::AndSave) {
            // "OK-S" saves the replacement in its list now, as a single save does.
            try {
                lists_.RememberAndSaveReplacement(type.from, target, type.id, answer.replacementId);
            } catch (const Error& error) {
                const bool refused = workflow::isWriteRefusal(error) || !QFileInfo(programFolder_).isWritable();
                inform(qtOf(workflow::replacementNotSavedText(error, programFolder_.toStdString(), refused)));
            }
        }
        answer.remember = ReplacementAnswer::Remember::ForRun;  // this campaign's answer for all its missions
        campaign_->answer(type.id, type.from, target, answer);
    }
    return true;
}

void frmCampaign::showProgress(int index, const QString& name) {
    prgCampaign_->setValue(index);
    lblProgress_->setText(
        QStringLiteral("Writing %1 (%2 Of %3)").arg(name).arg(index + 1).arg(prgCampaign_->maximum()));
    emit fileStarted(index);
}

void frmCampaign::finished() {
    worker_->deleteLater();
    worker_ = nullptr;
    setIdle(true);
    const auto& files = campaign_->files();
    prgCampaign_->setValue(static_cast<int>(files.size() - campaign_->count(Result::Pending)));
    tblSummary_->setRowCount(static_cast<int>(files.size()));
    for (int row = 0; row < static_cast<int>(files.size()); ++row) {
        const workflow::CampaignFile& file = files[static_cast<std::size_t>(row)];
        const bool written = file.result == Result::Written;
        const QStringList cells{nameOf(file.input),
                                resultText(file),
                                written ? QString::number(file.replaced) : QString(),
                                written ? QString::number(file.removed) : QString(),
                                written ? QString::number(file.kept) : QString(),
                                written ? QString::number(file.notCarried) : QString()};
        for (int column = 0; column < cells.size(); ++column)
            tblSummary_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    tblSummary_->resizeColumnsToContents();
    cmdSaveSummary_->setEnabled(true);
    lblProgress_->setText(QStringLiteral("%1 Written, %2 Failed, %3 Not Written")
                              .arg(campaign_->count(Result::Written))
                              .arg(campaign_->count(Result::Failed))
                              .arg(campaign_->count(Result::Pending)));
    emit campaignFinished();
}

void frmCampaign::showFileReport(int row) {
    if (!campaign_ || row < 0 || row >= static_cast<int>(campaign_->files().size())) return;
    const workflow::CampaignFile& file = campaign_->files()[static_cast<std::size_t>(row)];
    QString heading;
    QStringList lines;
    if (file.result == Result::Written) {
        heading = qtOf(
            workflow::saveReportHeading(file.report.name, file.report.from, file.report.to, workflow::Style::Window));
        for (const ReportLine& line : file.report.lines) lines << qtOf(workflow::reportLineText(line));
        if (lines.isEmpty()) lines << QStringLiteral("Nothing To Report.");
    } else {
        heading = nameOf(file.input);
        lines << resultText(file);
    }
    if (reportWindow_ == nullptr) reportWindow_ = new frmReport(seams_.settings, kConverterTitle, this);
    reportWindow_->showReport(heading, lines);
}

QString frmCampaign::summaryCsv() const {
    QString csv = QStringLiteral("file,result,replaced,removed,kept,not carried\r\n");
    for (int row = 0; row < tblSummary_->rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < tblSummary_->columnCount(); ++column)
            fields << csvField(tblSummary_->item(row, column)->text());
        csv += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return csv;
}

void frmCampaign::saveSummary() {
    ui::FileRequest request;
    request.title = QStringLiteral("Save Summary");
    request.filter = QStringLiteral("Comma Separated Values (*.CSV)|*.CSV");
    request.initialFolder = txtFolder_->text();
    request.defaultExtension = QStringLiteral("CSV");
    request.fileName = QStringLiteral("summary.csv");
    request.overwritePrompt = true;
    const auto path = seams_.files.save(this, request);
    if (!path) return;
    try {
        writeFileAtomically(pathOf(*path), summaryCsv().toStdString());
    } catch (const Error& error) {
        inform(qtOf(workflow::fileFailureText(error, workflow::Style::Window)));
    }
}

}  // namespace vok::converter
