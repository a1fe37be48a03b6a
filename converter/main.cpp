// Vok_Sorrel: converts Delta Force missions between the game versions and their two file forms.

#include <QApplication>

#include "converter/converter_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The remembered folders live under this name in the per-user settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Vok Tamber"));
    QCoreApplication::setApplicationName(QStringLiteral("Vok_Sorrel"));
    return vok::converter::runConverter(vok::ui::realSeams(), QCoreApplication::applicationDirPath(),
                                        QCoreApplication::arguments().mid(1));
}
