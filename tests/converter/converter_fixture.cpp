#include "tests/converter/converter_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>

#include "ui/look.h"
#include "lists/list_files.h"

namespace vok::testing {

QString qtPath(const std::filesystem::path& path) { return QString::fromStdString(displayPath(path)); }

ModalScript::ModalScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    timer_.start();
}

ModalScript& ModalScript::then(const QString& objectName, Step step) {
    steps_.emplace_back(objectName, std::move(step));
    return *this;
}

void ModalScript::tick() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    if (!steps_.empty() && dialog->objectName() == steps_.front().first) {
        strayTicks_ = 0;
        const Step step = std::move(steps_.front().second);
        steps_.pop_front();
        step(*dialog);
        return;
    }
    if (++strayTicks_ > 100) {
        stray << dialog->objectName();
        strayTicks_ = 0;
        dialog->close();
    }
}

// DF1: 600 Crate (block 0), 1040 Barrel, 1100 Buoy, 2031 Jeep, 3001 Hut, 5001 Soldier.
// DF2: 1200 Palm, 2005 Truck, 3001 Hut, 5001 Soldier.
// DF3: 7 Rock, 540 sandbag, 1001 Tree, 1300 Cactus, 2001 Truck, 2010 humvee, 2050 APC, 2051 bike,
//      3001 Hut, 5001 Soldier, 8001 Flag. Its vehicles sort differently with and without regard to
//      letter case.
// The saved replacements: DF1 1040 -> DF2 2005; DF2 1200 -> DF1 1040; DF3 1300 -> DF1 1040.
void writeTestLists(const std::filesystem::path& folder) {
    auto items = [](std::initializer_list<std::pair<int, const char*>> entries) {
        std::vector<ItemListEntry> list;
        for (const auto& [id, description] : entries) list.push_back({static_cast<std::int16_t>(id), description});
        return encodeItemList(list);
    };
    auto write = [&folder](int which, const std::string& bytes) {
        writeFileAtomically(folder / std::string(listFileName(which)), bytes);
    };
    write(1, items({{600, "Crate"}, {1040, "Barrel"}, {1100, "Buoy"}, {2031, "Jeep"}, {3001, "Hut"}, {5001, "Soldier"}}));
    write(2, items({{1200, "Palm"}, {2005, "Truck"}, {3001, "Hut"}, {5001, "Soldier"}}));
    write(3, items({{2001, "Truck"}, {2010, "humvee"}, {7, "Rock"}, {540, "sandbag"}, {1001, "Tree"}, {1300, "Cactus"},
                    {2050, "APC"}, {2051, "bike"}, {3001, "Hut"}, {5001, "Soldier"}, {8001, "Flag"}}));
    write(4, encodeReplaceList({{2, 1040, 2005}}));
    write(5, encodeReplaceList({{1, 1200, 1040}}));
    write(6, encodeReplaceList({{1, 1300, 1040}}));
}

Timestamp fixedClock() { return Timestamp{2024, 3, 5, 2, 14, 7, 9}; }

bool waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer waited;
    waited.start();
    while (!condition() && waited.elapsed() < 5000) QTest::qWait(10);
    return condition();
}

void expectHelpOnEveryButton(const QWidget& window) {
    const auto buttons = window.findChildren<QPushButton*>();
    EXPECT_FALSE(buttons.isEmpty());
    for (const QPushButton* button : buttons) {
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
        EXPECT_FALSE(QKeySequence::mnemonic(button->text()).isEmpty()) << button->objectName().toStdString();
    }
}

void ConverterTest::SetUp() {
    writeTestLists(programFolder.path());
    lists = std::make_unique<ListStore>(programFolder.path(), fileSystem);
    window = std::make_unique<converter::frmMain>(fakes.seams, *lists, qtPath(programFolder.path()), fixedClock,
                                                   fileSystem);
    ASSERT_TRUE(window->InitilizeItemLists());
    window->show();
}

void ConverterTest::TearDown() {
    window.reset();
    EXPECT_TRUE(fakes.files.openAnswers.empty()) << "an open dialog answer was not used";
    EXPECT_TRUE(fakes.files.saveAnswers.empty()) << "a save dialog answer was not used";
    EXPECT_TRUE(fakes.messages.answers.empty()) << "a Yes/No answer was not used";
}

std::filesystem::path ConverterTest::writeBinary(const AnyMission& mission, std::string_view name) const {
    const auto path = data / name;
    saveMission(path, mission, MissionForm::Binary, fixedClock());
    return path;
}

std::filesystem::path ConverterTest::writeAscii(const AnyMission& mission, std::string_view name) const {
    const auto path = data / name;
    saveMission(path, mission, MissionForm::Ascii, fixedClock());
    return path;
}

void ConverterTest::openThroughDialog(const std::filesystem::path& path, const char* command) {
    if (command == nullptr) {
        command = formOfPath(path) == MissionForm::Ascii ? "cmdOpenMIS" : "cmdOpenBMS";
    }
    fakes.files.openAnswers.push_back(qtPath(path));
    click(*window, command);
}

QString ConverterTest::openCaption() const { return find<QGroupBox>(*window, "fraOpenFile")->title(); }
QColor ConverterTest::openPanel() const { return ui::panelColour(*find<QFrame>(*window, "lblColor")); }
QColor ConverterTest::savePanel() const { return ui::panelColour(*find<QFrame>(*window, "lblColor2")); }
bool ConverterTest::saveEnabled() const { return find<QGroupBox>(*window, "fraSaveFile")->isEnabled(); }

WindowState ConverterTest::state() const {
    return {window->CurrentDfVersion, openCaption(), openPanel(), savePanel(), saveEnabled(), window->isEnabled(),
            std::get<Df1Mission>(window->model(DfType::Df1)), std::get<Df2Mission>(window->model(DfType::Df2)),
            std::get<Df3Mission>(window->model(DfType::Df3))};
}

AnyMission ConverterTest::heldModel() const { return window->model(window->CurrentDfVersion); }

void PrintTo(const WindowState& s, std::ostream* out) {
    *out << "version " << versionNumber(s.version) << ", caption '" << s.caption.toStdString() << "', panels "
         << s.open.name().toStdString() << '/' << s.save.name().toStdString() << ", save "
         << (s.saveEnabled ? "on" : "off") << ", window " << (s.enabled ? "on" : "off");
}

}  // namespace vok::testing
