#pragma once
// What the converter's window tests share: small lists, missions, a script for modal dialogs.

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QTimer>
#include <deque>
#include <sstream>

#include "converter/main_window.h"
#include "lists/list_files.h"
#include "mission/core/item_counts.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/fake_seams.h"
#include "tests/support/temp_dir.h"
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

/// An item list written as "600 Crate, 1040 Barrel"; a save command "MIS3" saves into "MIS3.mis".
inline std::string itemList(const std::string& entries) {
    std::vector<ItemListEntry> list;
    std::istringstream in(entries);
    for (std::string id, text; in >> id && std::getline(in, text, ',');) {
        list.push_back({static_cast<std::int16_t>(std::stoi(id)), text.substr(1)});
    }
    return encodeItemList(list);
}

// DF2 holds types at both edges of every thousand-block; DF3's vehicles sort differently by case.
inline void writeTestLists(const std::filesystem::path& folder) {
    std::string edges;
    for (int edge = 1000; edge <= 8000; edge += 1000) {
        edges += std::to_string(edge - 1) + " Last, " + std::to_string(edge) + " First, ";
    }
    const std::string files[] = {
        itemList("600 Crate, 1040 Barrel, 1100 Buoy, 2031 Jeep, 3001 Hut, 5001 Soldier"),
        itemList(edges + "1200 Palm, 2005 Truck, 3001 Hut, 5001 Soldier"),
        itemList("2001 Truck, 2010 humvee, 7 Rock, 540 sandbag, 1001 Tree, 1300 Cactus, 2050 APC, 2051 bike, "
                 "3001 Hut, 5001 Soldier, 8001 Flag"),
        encodeReplaceList({{2, 1040, 2005}}),
        encodeReplaceList({{1, 1200, 1040}}),
        encodeReplaceList({{1, 1300, 1040}}),
    };
    for (int which = 1; which <= 6; ++which) writeFileAtomically(folder / listFileName(which), files[which - 1]);
}

/// A mission of the given item types, with the version's signature, so its version is recognised.
template <class M>
M missionWithTypes(const std::vector<int>& types) {
    M mission;
    mission.header.signature = M::HeaderType::fileSignature;
    if constexpr (std::is_same_v<M, Df3Mission>) mission.header.environment_file.set("day1.env");
    mission.header.terrain.set("harbour");
    for (const int type : types) {
        auto& item = mission.items.emplace_back();
        item.type_id = type;
        item.item_number = static_cast<std::int32_t>(mission.items.size());  // as the ascii form numbers them
    }
    recountItems(mission.header, mission.items);
    return mission;
}

inline std::vector<int> typesOf(const AnyMission& mission) {
    std::vector<int> types;
    std::visit(
        [&types](const auto& m) {
            for (const auto& item : m.items) types.push_back(item.type_id);
        },
        mission);
    return types;
}

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
