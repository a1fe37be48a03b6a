#include "converter/report_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "converter/remembered_paths.h"
#include "ui/look.h"

namespace vok::converter {

frmReport::frmReport(ui::SettingsStore& settings, const QString& title, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(title);
    setModal(false);
    ui::paintWhiteOnBlack(*this);

    lblReport_ = new QLabel(this);
    lblReport_->setObjectName(QStringLiteral("lblReport"));
    lblReport_->setWordWrap(true);
    lstReport_ = new QListWidget(this);
    lstReport_->setObjectName(QStringLiteral("lstReport"));
    lstReport_->setWordWrap(true);
    lstReport_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    chkDoNotShow_ = new QCheckBox(QStringLiteral("Do not show this again"), this);
    chkDoNotShow_->setObjectName(QStringLiteral("chkDoNotShow"));
    cmdOk_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cmdOk_->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkDoNotShow_);
    bottom->addStretch(1);
    bottom->addWidget(cmdOk_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblReport_);
    layout->addWidget(lstReport_, 1);
    layout->addLayout(bottom);
    resize(560, 300);

    // The box takes effect at once; OK (or closing the window) only hides the report.
    connect(chkDoNotShow_, &QCheckBox::toggled, this, [this](bool checked) { setWanted(settings_, !checked); });
    connect(cmdOk_, &QPushButton::clicked, this, &QDialog::accept);
}

bool frmReport::notWanted(ui::SettingsStore& settings) {
    return settings.read(kSettingsApplication, kReportSection, kDoNotShowKey, QStringLiteral("0")) ==
           QLatin1String("1");
}

void frmReport::setWanted(ui::SettingsStore& settings, bool wanted) {
    settings.write(kSettingsApplication, kReportSection, kDoNotShowKey,
                   wanted ? QStringLiteral("0") : QStringLiteral("1"));
}

bool frmReport::showReport(const QString& heading, const QStringList& lines, bool always) {
    const bool notShown = notWanted(settings_);
    if (notShown && !always) return false;
    lblReport_->setText(heading);
    lstReport_->clear();
    lstReport_->addItems(lines);
    {
        const QSignalBlocker quiet(chkDoNotShow_);
        chkDoNotShow_->setChecked(notShown);
    }
    show();
    raise();
    activateWindow();
    return true;
}

}  // namespace vok::converter
