// Vok_Sorrel: converts Delta Force missions between the game versions and their two file forms.

#include <QApplication>
#include <sstream>

#include "converter/converter_app.h"
#include "ui/answer.h"

int main(int argc, char** argv) {
    // --version and --help need no display: answered before the application is made.
    std::ostringstream answer;
    if (const auto status = vok::converter::answerWithoutWindow(argc, argv, answer)) {
        return vok::ui::showAnswer(answer.str(), "Vok_Sorrel") ? *status : 1;
    }
    QApplication app(argc, argv);
    // The remembered folders live under this name in the per-user settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Vok Tamber"));
    QCoreApplication::setApplicationName(QStringLiteral("Vok_Sorrel"));
    return vok::converter::runConverter(vok::ui::realSeams(), QCoreApplication::applicationDirPath(),
                                        QCoreApplication::arguments().mid(1));
}
