// Vok_Tally: the list editor. It edits the six list files in the folder that holds it.
#include <QApplication>
#include <cstring>
#include <filesystem>
#include <string>

#include "list_editor/list_editor_window.h"
#include "lists/starter_lists.h"
#include "program_version.h"
#include "ui/answer.h"
#include "workflow/list_session.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so it needs neither a display nor the lists.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            return vok::ui::showAnswer("Vok_Tally " + std::string(vok::kProgramVersion) + "\n", "Vok_Tally") ? 0 : 1;
        }
    }
    QApplication app(argc, argv);
    vok::ListStore store(std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String()));
    vok::ListLockOptions lock;
    lock.owner = "Vok_Tally";  // named to a program that finds the lists locked
    store.setLockOptions(lock);
    vok::workflow::ListSession session(store, vok::starterListBytes);
    return vok::editor::runListEditor(vok::ui::realSeams(), session);
}
