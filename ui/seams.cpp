#include "ui/seams.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QUrl>

namespace vok::ui {

namespace {

QString plainLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

class QtMessageBoxes : public MessageBoxes {
public:
    using MessageBoxes::askYesNo;
    void inform(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::information(parent, title, plainLines(text), QMessageBox::Ok);
    }
    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Preferred preferred) override {
        return QMessageBox::question(parent, title, plainLines(text), QMessageBox::Yes | QMessageBox::No,
                                     preferred == Preferred::Yes ? QMessageBox::Yes : QMessageBox::No) ==
               QMessageBox::Yes;
    }
};

class QtInputBoxes : public InputBoxes {
public:
    std::optional<QString> ask(QWidget* parent, const QString& title, const QString& prompt,
                               const QString& defaultAnswer) override {
        bool ok = false;
        const QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultAnswer, &ok);
        if (!ok) return std::nullopt;
        return answer;
    }
};

// Case-insensitive pattern: *.BMS -> *.[bB][mM][sS], so files named in either case show.
QString caseInsensitive(const QString& pattern) {
    QString result;
    for (const QChar c : pattern) {
        if (c.isLetter()) {
            result += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        } else {
            result += c;
        }
    }
    return result;
}

class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> open(QWidget* parent, const FileRequest& request) override {
        return run(parent, request, true);
    }
    std::optional<QString> save(QWidget* parent, const FileRequest& request) override {
        return run(parent, request, false);
    }
    QStringList openMany(QWidget* parent, const FileRequest& request) override {
        return QFileDialog::getOpenFileNames(parent, request.title, request.initialFolder,
                                             nameFiltersOf(request.filter).join(QStringLiteral(";;")));
    }
    std::optional<QString> folder(QWidget* parent, const QString& title, const QString& initialFolder) override {
        const QString chosen = QFileDialog::getExistingDirectory(parent, title, initialFolder);
        return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
    }

private:
    static std::optional<QString> run(QWidget* parent, const FileRequest& request, bool opening) {
        QFileDialog dialog(parent, request.title, request.initialFolder);
        dialog.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(opening && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        const QStringList filters = nameFiltersOf(request.filter);
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
            dialog.selectNameFilter(filters.at(request.filterIndex - 1));
        }
        dialog.setDefaultSuffix(request.defaultExtension);
        if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

class QtSettingsStore : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override {
        QSettings settings(QCoreApplication::organizationName(), application);
        return settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
    }
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override {
        QSettings settings(QCoreApplication::organizationName(), application);
        settings.setValue(section + QLatin1Char('/') + key, value);
    }
};

class QtLauncher : public Launcher {
public:
    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder) override {
        return QProcess::startDetached(program, arguments, workingFolder);
    }
    bool openUrl(const QString& url) override { return QDesktopServices::openUrl(QUrl(url)); }
};

}  // namespace

Seams& realSeams() {
    static QtMessageBoxes messages;
    static QtInputBoxes inputs;
    static QtFileDialogs files;
    static QtSettingsStore settings;
    static QtLauncher launcher;
    static Seams seams{messages, inputs, files, settings, launcher};
    return seams;
}

QStringList nameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : caseInsensitive(pattern));
        }
        filters << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QString defaultFolder() {
#if defined(Q_OS_WIN)
    return QStringLiteral("C:\\");
#else
    return QDir::homePath();
#endif
}

}  // namespace vok::ui
