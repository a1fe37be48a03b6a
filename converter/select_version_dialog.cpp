#include "converter/select_version_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/look.h"

namespace vok::converter {

frmSelectVersion::frmSelectVersion(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectVersion"));
    setWindowTitle(QStringLiteral("Select Delta Force Version:"));
    ui::paintWhiteOnBlack(*this);

    cboSelectVersion_ = new QComboBox(this);
    cboSelectVersion_->setObjectName(QStringLiteral("cboSelectVersion"));
    cboSelectVersion_->setEditable(false);
    for (const VersionInfo& info : kVersions) {
        cboSelectVersion_->addItem(QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    }
    cboSelectVersion_->setCurrentIndex(0);

    // The captions carry their mnemonics: the letter after '&' shows underlined.
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setToolTip(QStringLiteral("Do not read the file (Esc)"));
    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setToolTip(QStringLiteral("Read the file as a mission of the selected game (Enter)"));
    cmdOK_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdOK_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cboSelectVersion_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(300);

    connect(cmdOK_, &QPushButton::clicked, this,
            [this] { answer(static_cast<DfType>(cboSelectVersion_->currentIndex() + 1)); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { answer(DfType::NotRecognised); });
}

void frmSelectVersion::answer(DfType version) {
    DfVersion = version;
    emit answered();
}

DfType frmSelectVersion::ask() {
    DfVersion = DfType::None;
    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    if (DfVersion == DfType::None) {
        QEventLoop loop;
        connect(this, &frmSelectVersion::answered, &loop, &QEventLoop::quit);
        loop.exec();
    }
    hide();
    return DfVersion;
}

void frmSelectVersion::closeEvent(QCloseEvent* event) {
    // Closing the window through its frame declines, like Cancel.
    if (DfVersion == DfType::None) answer(DfType::NotRecognised);
    event->accept();
}

void frmSelectVersion::reject() {
    if (DfVersion == DfType::None) answer(DfType::NotRecognised);
}

}  // namespace vok::converter
