// Vok_Tally: the list editor. It edits the six list files in the folder that holds it.
#include <QApplication>
#include <filesystem>

#include "list_editor/list_editor_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vok::ListStore store(std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String()));
    return vok::editor::runListEditor(vok::ui::realSeams(), store);
}
