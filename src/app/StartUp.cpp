#include "acquisition/MSComm.h"
#include "app/frmHAUPT.h"
#include "core/SkipOnError.h"

#include <QTimer>

#include <cmath>

namespace kurvomat {

// First tick of the start-up timer: brings the program into its working state once. Every
// step is skipped on failure; a port that does not open leaves no message, the status display
// shows it closed.
void frmHAUPT::Timer_START_Timer()
{
    skipOnError([&] { Timer_START->stop(); });
    skipOnError([&] { PI = 4.0 * std::atan(1.0); });
    skipOnError([&] {
        setWindowTitle(QStringLiteral("%1 V:%2.%3.%4")
                           .arg(QString::fromLatin1(kAppTitle))
                           .arg(kVersionMajor)
                           .arg(kVersionMinor)
                           .arg(kVersionRevision));
    });
    skipOnError([&] { DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000; });
    skipOnError([&] { DIAGRAMM_RESET(); });
    skipOnError([&] { DATENSATZ_ZAEHLER = -1; });
    skipOnError([&] { Command16_Click(); });
    skipOnError([&] { MSComm1->setPortOpen(true); });
}

} // namespace kurvomat
