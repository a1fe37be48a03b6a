#pragma once
// frmReport: the small window the converter shows after a save that could not carry everything:
// the conversion's report (settings dropped, texts cut, items replaced ...) and what the ascii
// form does not carry. It does not block: the user reads it and closes it with OK. Its "Do not
// show this again" box is remembered in the per-user settings (application "Vok_Sorrel", section
// "Report", key "DoNotShow": "1" or "0"); the main window's File menu turns it back on, and its
// status line's link shows a report whatever the box says.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "ui/seams.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vok::converter {

inline const QString kReportSection = QStringLiteral("Report");
inline const QString kDoNotShowKey = QStringLiteral("DoNotShow");

class frmReport : public QDialog {
    Q_OBJECT

public:
    frmReport(ui::SettingsStore& settings, const QString& title, QWidget* parent = nullptr);

    /// True when the user asked not to see reports any more.
    static bool notWanted(ui::SettingsStore& settings);

    /// Turns the reports on or off, as the box does.
    static void setWanted(ui::SettingsStore& settings, bool wanted);

    /// Shows the heading and the lines without blocking, unless the user asked not to see
    /// reports and `always` is false; returns whether it was shown.
    bool showReport(const QString& heading, const QStringList& lines, bool always = false);

private:
    ui::SettingsStore& settings_;
    QLabel* lblReport_;
    QListWidget* lstReport_;
    QCheckBox* chkDoNotShow_;
    QPushButton* cmdOk_;
};

}  // namespace vok::converter
