#pragma once
// frmCampaign: "Convert Missions...", a whole campaign at once, a face of workflow::Campaign. The
// user gives mission files and folders (by the dialogs or a drop), a target version, a form (or
// each file's own) and an output folder. Every question is asked before anything is written: one
// about the outputs that exist already, then each item type no list covers once, in the
// replacement dialog, with how many items in how many missions use it ("Cancel Save" ends the
// campaign there). The missions are then converted on a worker thread while the window shows the
// file being written; Cancel stops between two files. The summary table tells each file's result;
// a double-click shows its report, "Save Summary..." writes the table as CSV.

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

#include "lists/list_store.h"
#include "mission/core/timestamp.h"
#include "ui/seams.h"
#include "workflow/campaign.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

namespace vok::converter {

class frmReport;

class frmCampaign : public QDialog {
    Q_OBJECT

public:
    frmCampaign(ui::Seams& seams, ListStore& lists, QString programFolder, std::function<Timestamp()> clock,
                QWidget* parent = nullptr);
    ~frmCampaign() override;

    /// Adds mission files and folders to the inputs.
    void addInputs(const QStringList& paths);
    /// Asks the questions and starts the worker ("Convert").
    void start();
    bool running() const { return worker_ != nullptr; }
    /// The campaign of the last "Convert" (null before one).
    const workflow::Campaign* campaign() const { return campaign_.get(); }
    /// The summary as CSV text: a heading line, then a line per file.
    QString summaryCsv() const;

signals:
    /// The window shows file `index` being written (the worker waits until it does).
    void fileStarted(int index);
    /// The worker has ended and the summary is shown.
    void campaignFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void addFiles();
    void addFolder();
    void chooseFolder();
    /// Each missing type asked once; false when "Cancel Save" ended the campaign.
    bool askReplacements(DfType target);
    void showProgress(int index, const QString& name);
    void finished();
    void showFileReport(int row);
    void saveSummary();
    void setIdle(bool idle);
    void inform(const QString& text);

    ui::Seams& seams_;
    ListStore& lists_;
    QString programFolder_;
    std::function<Timestamp()> clock_;
    std::unique_ptr<workflow::Campaign> campaign_;
    QThread* worker_ = nullptr;
    std::atomic<bool> stop_ = false;
    frmReport* reportWindow_ = nullptr;

    QListWidget* lstInputs_;
    QComboBox* cboTarget_;
    QComboBox* cboForm_;
    QLineEdit* txtFolder_;
    QPushButton* cmdConvert_;
    QPushButton* cmdCancel_;
    QProgressBar* prgCampaign_;
    QLabel* lblProgress_;
    QTableWidget* tblSummary_;
    QPushButton* cmdSaveSummary_;
};

}  // namespace vok::converter
