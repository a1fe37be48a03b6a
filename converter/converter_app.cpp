#include "converter/converter_app.h"

#include <QApplication>
#include <QPixmap>

#include "converter/main_window.h"
#include "lists/list_store.h"
#include "program_version.h"

namespace vok::converter {

std::string converterVersionText() { return "Vok_Sorrel " + std::string(kProgramVersion); }

std::optional<int> answerWithoutWindow(int argc, const char* const* argv, std::ostream& out) {
    if (argc != 2) return std::nullopt;
    const std::string_view argument = argv[1];
    if (argument == "--version") {
        out << converterVersionText() << "\n";
        return 0;
    }
    if (argument == "--help" || argument == "-h") {
        out << "Usage: Vok_Sorrel [MISSION]\n"
               "Converts Delta Force missions between the game versions and between their binary (.bms) and\n"
               "ascii (.mis) forms. MISSION, a path ending in .bms or .mis, is opened at start.\n"
               "The item and replacement lists (DF1Items.vok ... DF3Replace.vok) are read from the program's\n"
               "folder; to keep lists of your own, copy the programs and the six .vok files to a folder of\n"
               "your own, or work on the lists with `vok --lists DIR`.\n"
               "\n"
               "  --version  print the version and end\n"
               "  --help     print this help and end\n";
        return 0;
    }
    return std::nullopt;
}

int runConverter(ui::Seams& seams, const QString& programFolder, QStringList arguments) {
    QString screenshot;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--screenshot")) {
        screenshot = arguments.at(1);
        arguments = arguments.mid(2);
    }

    ListStore lists(std::filesystem::path(programFolder.toStdU16String()));
    ListLockOptions lockOptions;
    lockOptions.owner = "Vok_Sorrel";  // named in the list editor's message while the converter holds the lock
    lists.setLockOptions(lockOptions);
    frmMain window(seams, lists, programFolder);
    if (!window.InitilizeItemLists()) return 1;
    window.startUp(arguments);

    if (!screenshot.isEmpty()) {
        QApplication::processEvents();
        return window.grab().save(screenshot) ? 0 : 1;
    }
    return QApplication::exec();
}

}  // namespace vok::converter
