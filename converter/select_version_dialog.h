#pragma once
// frmSelectVersion: asks the game version of a mission file whose version was not recognised.
// The dialog only records the answer in DfVersion; the main window shows it, waits for an answer
// and discards it.

#include <QDialog>

#include "mission/core/version.h"

class QComboBox;
class QPushButton;

namespace vok::converter {

class frmSelectVersion : public QDialog {
    Q_OBJECT

public:
    explicit frmSelectVersion(QWidget* parent = nullptr);

    /// 0 while unanswered, 1..3 for the chosen version, -1 for Cancel (or a closed window).
    DfType DfVersion = DfType::None;

    /// Shows the dialog modally and waits for an answer; returns DfVersion.
    DfType ask();

signals:
    void answered();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc

private:
    void answer(DfType version);

    QComboBox* cboSelectVersion_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace vok::converter
