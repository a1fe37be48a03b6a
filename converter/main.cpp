// Vok_Sorrel: converts Delta Force missions between the game versions and their two file forms.

#include <QApplication>
#include <iostream>

#include "converter/converter_app.h"

int main(int argc, char** argv) {
    // --version and --help need no display: answered before the application is made.
    if (const auto status = vok::converter::answerWithoutWindow(argc, argv, std::cout)) return *status;
    QApplication app(argc, argv);
    // The remembered folders live under this name in the per-user settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Vok Tamber"));
    QCoreApplication::setApplicationName(QStringLiteral("Vok_Sorrel"));
    return vok::converter::runConverter(vok::ui::realSeams(), QCoreApplication::applicationDirPath(),
                                        QCoreApplication::arguments().mid(1));
}
