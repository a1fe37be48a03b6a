#pragma once
// The small interfaces through which the window programs reach the user and the machine outside
// their own windows: message boxes, the input box, the file dialogs, the per-user settings and
// starting another program or a mail address. The programs get them passed in; tests replace them
// with scripted ones, so every flow runs headless without a modal dialog blocking.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace vok::ui {

/// Message boxes show `title` (the program's window title) and the text; lines are separated by
/// CR LF in the texts the programs pass.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    /// A box with an OK button only.
    virtual void inform(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Which button a Yes/No box starts on (Enter and Space press it).
    enum class Preferred { Yes, No };
    /// A box with Yes and No; true for Yes. Closing the box counts as No.
    bool askYesNo(QWidget* parent, const QString& title, const QString& text) {
        return askYesNo(parent, title, text, Preferred::Yes);
    }
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text, Preferred preferred) = 0;
};

class InputBoxes {
public:
    virtual ~InputBoxes() = default;
    /// An input box with a prompt and a default answer: the answer given with OK (which may be
    /// empty), or nullopt for Cancel.
    virtual std::optional<QString> ask(QWidget* parent, const QString& title, const QString& prompt,
                                       const QString& defaultAnswer) = 0;
};

/// A file dialog request. The filter is given in the notation "Description|pattern|Description|pattern".
struct FileRequest {
    QString title;
    QString filter;
    int filterIndex = 1;  ///< from 1
    QString initialFolder;
    QString defaultExtension;      ///< added to a typed name without one ("BMS")
    QString fileName;              ///< pre-fills the name box
    bool mustExist = false;        ///< open: only existing files
    bool overwritePrompt = false;  ///< save: ask before replacing a file
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    /// The chosen full path, or nullopt when cancelled.
    virtual std::optional<QString> open(QWidget* parent, const FileRequest& request) = 0;
    virtual std::optional<QString> save(QWidget* parent, const FileRequest& request) = 0;
    /// Several existing files chosen at once; empty when cancelled.
    virtual QStringList openMany(QWidget* parent, const FileRequest& request) {
        const auto one = open(parent, request);
        return one ? QStringList{*one} : QStringList{};
    }
    /// A folder, or nullopt when cancelled.
    virtual std::optional<QString> folder(QWidget*, const QString& /*title*/, const QString& /*initialFolder*/) {
        return std::nullopt;
    }
};

/// The per-user settings store: (application, section, key) -> text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};

class Launcher {
public:
    virtual ~Launcher() = default;
    /// Starts a program without a shell and without waiting; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder) = 0;
    /// Opens a URL (a "mailto:" address) with the desktop's handler.
    virtual bool openUrl(const QString& url) = 0;
};

/// All seams of a program.
struct Seams {
    MessageBoxes& messages;
    InputBoxes& inputs;
    FileDialogs& files;
    SettingsStore& settings;
    Launcher& launcher;
};

/// The real implementations (Qt widgets, QSettings, QProcess, QDesktopServices).
Seams& realSeams();

/// The Qt file dialog name filters of a "Description|pattern|..." filter, with case-insensitive
/// patterns ("*.BMS" also shows m01.bms).
QStringList nameFiltersOf(const QString& filter);

/// The default folder of the remembered paths: "C:\" on Windows, the user's home folder elsewhere.
QString defaultFolder();

}  // namespace vok::ui
