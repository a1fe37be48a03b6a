#pragma once
// What the converter's window tests share: small lists with known descriptions, missions made of
// given item types, a script that answers modal dialogs as they come up, and a fixture with the
// main window on fake seams.

#include <gtest/gtest.h>

#include <QColor>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "converter/main_window.h"
#include "lists/list_store.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/fake_seams.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

QString qtPath(const std::filesystem::path& path);

/// Answers the modal dialogs of a flow in order, each step run on the dialog named in it once it
/// is shown. A modal dialog that no step expects is closed after a while and recorded, so a test
/// never waits on one.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget&)>;

    ModalScript();
    ModalScript& then(const QString& objectName, Step step);

    bool finished() const { return steps_.empty(); }
    QStringList stray;  ///< object names of dialogs no step expected

private:
    void tick();

    QTimer timer_;
    std::deque<std::pair<QString, Step>> steps_;
    int strayTicks_ = 0;
};

/// The lists the window tests use (see converter_fixture.cpp for their content).
void writeTestLists(const std::filesystem::path& folder);

/// A mission of the given item types, with the version's signature, so its version is recognised.
template <class M>
M missionWithTypes(const std::vector<int>& types, std::string_view terrain, std::string_view name = "Test Mission") {
    M mission;
    if constexpr (std::is_same_v<M, Df1Mission>) {
        mission.header.signature = df1::MissionHeader::fileSignature;
    } else if constexpr (std::is_same_v<M, Df2Mission>) {
        mission.header.signature = df2::MissionHeader::fileSignature;
    } else {
        mission.header.signature = df3::MissionHeader::fileSignature;
        mission.header.environment_file.set("day1.env");
    }
    mission.header.name.set(name);
    mission.header.terrain.set(terrain);
    for (std::size_t i = 0; i < types.size(); ++i) {
        auto& item = mission.items.emplace_back();
        item.type_id = types[i];
        item.item_number = static_cast<std::int32_t>(i + 1);
        item.team = static_cast<std::int32_t>(i % 3);
        item.position = {static_cast<std::int32_t>(256 * i), 512, -256};
    }
    recountItems(mission.header, mission.items);
    return mission;
}

Timestamp fixedClock();

/// A child widget by object name; fails the test when there is none.
template <class W = QWidget>
W* find(const QWidget& root, const char* name) {
    W* widget = root.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget " << name;
    return widget;
}

inline void click(const QWidget& root, const char* name, Qt::MouseButton button = Qt::LeftButton) {
    if (auto* widget = find<QWidget>(root, name)) QTest::mouseClick(widget, button);
}

/// Processes events until `condition` holds, at most five seconds; whether it holds.
bool waitUntil(const std::function<bool()>& condition);

/// Every button of a window tells what it does in its tooltip and has a keyboard mnemonic.
void expectHelpOnEveryButton(const QWidget& window);

/// What the main window shows and holds; a failed open or save must leave all of it as it was.
struct WindowState {
    DfType version;
    QString caption;
    QColor open, save;
    bool saveEnabled, enabled;
    Df1Mission df1;
    Df2Mission df2;
    Df3Mission df3;
    bool operator==(const WindowState&) const = default;
};
void PrintTo(const WindowState& state, std::ostream* out);

/// The main window on fake seams, with the test lists in a fresh program folder.
class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes a mission file into the data folder and returns its path.
    std::filesystem::path writeBinary(const AnyMission& mission, std::string_view name) const;
    std::filesystem::path writeAscii(const AnyMission& mission, std::string_view name) const;

    /// Opens a file through the open command of its form, the dialog answering with `path`.
    void openThroughDialog(const std::filesystem::path& path, const char* command = nullptr);

    QString openCaption() const;
    QColor openPanel() const;
    QColor savePanel() const;
    bool saveEnabled() const;
    WindowState state() const;
    /// The model of the version read last.
    AnyMission heldModel() const;

    TempDir programFolder;
    TempDir data;
    FakeSeams fakes;
    FailingFileSystem fileSystem;
    std::unique_ptr<ListStore> lists;
    std::unique_ptr<converter::frmMain> window;
};

}  // namespace vok::testing
