#pragma once
// What the converter's window tests share: small lists, missions, a script for modal dialogs.

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTextDocumentFragment>
#include <QTimer>
#include <deque>

#include "converter/main_window.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/fake_seams.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_missions.h"
#include "ui/look.h"

namespace vok::testing {

inline QString qtPath(const std::filesystem::path& path) { return QString::fromStdString(displayPath(path)); }

/// Answers the modal dialogs of a flow in order, each step run on the dialog named in it once that
/// is shown. A modal dialog that no step expects is closed after a while, and the script fails.
class ModalScript : public QTimer {
public:
    using Step = std::function<void(QWidget&)>;
    ModalScript() {
        connect(this, &QTimer::timeout, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || !dialog->isVisible()) return;
            if (steps_.empty() || dialog->objectName() != steps_.front().first) {
                if (++stray_ % 100 == 0) dialog->close();
                return;
            }
            const Step step = std::move(steps_.front().second);
            steps_.pop_front();
            step(*dialog);
        });
        start(5);
    }
    ModalScript& then(const QString& name, Step step) { return steps_.emplace_back(name, step), *this; }
    bool finished() const { return steps_.empty() && stray_ == 0; }

private:
    std::deque<std::pair<QString, Step>> steps_;
    int stray_ = 0;
};

/// What the main window shows; a failed open or save must leave all of it as it was.
struct WindowState {
    DfType version;
    QString caption;
    QColor open, save;
    bool saveEnabled, enabled;
    bool operator==(const WindowState&) const = default;
};

/// The main window on fake seams, with the test lists in a fresh program folder.
class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeTestLists(programFolder.path());
        newWindow();
        ASSERT_TRUE(window->InitilizeItemLists());
        window->show();
    }
    void TearDown() override {
        EXPECT_TRUE(fakes.files.openAnswers.empty() && fakes.files.saveAnswers.empty() &&
                    fakes.messages.answers.empty());
    }
    void newWindow() {
        window = std::make_unique<converter::frmMain>(
            fakes.seams, lists, qtPath(programFolder.path()), [] { return Timestamp{2024, 3, 5, 2, 14, 7, 9}; },
            fileSystem);
    }
    template <class M>
    std::filesystem::path write(const std::vector<int>& types, std::string_view name) const {
        saveMission(data / name, missionWithTypes<M>(types), formOfPath(data / name).value_or(MissionForm::Binary), {});
        return data / name;
    }
    void openThroughDialog(const std::filesystem::path& path) {
        fakes.files.openAnswers.push_back(qtPath(path));
        click(*window, formOfPath(path) == MissionForm::Ascii ? "cmdOpenMIS" : "cmdOpenBMS");
    }
    std::filesystem::path save(const std::string& command) {
        const auto path = data / (command + (command[0] == 'M' ? ".mis" : ".bms"));
        fakes.files.saveAnswers.push_back(qtPath(path));
        click(*window, ("cmdSaveFile" + command).c_str());
        return path;
    }
    AnyMission saved(const std::string& command) {
        const DfType version = command[3] == '1' ? DfType::Df1 : command[3] == '2' ? DfType::Df2 : DfType::Df3;
        return openMission(save(command), version, command[0] == 'M' ? MissionForm::Ascii : MissionForm::Binary);
    }
    /// The status line as the user reads it.
    QString status() const {
        return QTextDocumentFragment::fromHtml(find<QLabel>(*window, "lblStatus")->text()).toPlainText();
    }
    WindowState state() const {
        return {window->CurrentDfVersion,
                find<QGroupBox>(*window, "fraOpenFile")->title(),
                ui::panelColour(*find<QFrame>(*window, "lblColor")),
                ui::panelColour(*find<QFrame>(*window, "lblColor2")),
                find<QGroupBox>(*window, "fraSaveFile")->isEnabled(),
                window->isEnabled()};
    }

    TempDir programFolder, data;
    FakeSeams fakes;
    FailingFileSystem fileSystem;
    ListStore lists{programFolder.path(), fileSystem};
    std::unique_ptr<converter::frmMain> window;
};

}  // namespace vok::testing
