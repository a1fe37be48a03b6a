#pragma once
// The converter program: start-up, the run, and the end.

#include <QString>
#include <QStringList>

#include "ui/seams.h"

namespace vok::converter {

/// Runs Vok_Sorrel with the lists of `programFolder` and the command-line `arguments` (without the
/// program name) until its window is closed; returns the exit status. When the lists cannot be
/// loaded the failure is shown and the program ends with status 1.
///
/// "--screenshot FILE" in front of the arguments saves a picture of the window after start-up
/// (and after opening the named file) and ends the program instead of running it.
int runConverter(ui::Seams& seams, const QString& programFolder, QStringList arguments);

}  // namespace vok::converter
