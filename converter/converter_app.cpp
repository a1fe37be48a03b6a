#include "converter/converter_app.h"

#include <QApplication>
#include <QPixmap>

#include "converter/main_window.h"
#include "lists/list_store.h"

namespace vok::converter {

int runConverter(ui::Seams& seams, const QString& programFolder, QStringList arguments) {
    QString screenshot;
    if (arguments.size() >= 2 && arguments.front() == QLatin1String("--screenshot")) {
        screenshot = arguments.at(1);
        arguments = arguments.mid(2);
    }

    ListStore lists(std::filesystem::path(programFolder.toStdU16String()));
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
