#pragma once
// The converter program: start-up, the run, and the end.

#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>
#include <string>

#include "ui/seams.h"

namespace vok::converter {

/// Runs Vok_Sorrel with the lists of `programFolder` and the command-line `arguments` (without the
/// program name) until its window is closed; returns the exit status. When the lists cannot be
/// loaded the failure is shown and the program ends with status 1.
///
/// "--screenshot FILE" in front of the arguments saves a picture of the window after start-up
/// (and after opening the named file) and ends the program instead of running it.
int runConverter(ui::Seams& seams, const QString& programFolder, QStringList arguments);

/// "Vok_Sorrel 0.1.0": the program's name and version.
std::string converterVersionText();

/// Answers a command line of only "--version" or "--help" without a window, a display or the
/// lists: prints to `out` and returns the exit status 0. Any other command line: nullopt (the
/// program starts). `argv` is main's, with the program name first.
std::optional<int> answerWithoutWindow(int argc, const char* const* argv, std::ostream& out);

}  // namespace vok::converter
