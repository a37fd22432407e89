// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "core/SkipOnError.h"
#include "core/Version.h"

#include <QTimer>

#include <cmath>

namespace kurvomat {

// First tick of the start-up timer: brings the program into its working state once. Every
// step is skipped on failure; a port that does not open leaves no message, the status display
// shows it closed.
void MainWindow::startUp()
{
    m_startUpTimer->stop();
    m_state.pi = 4.0 * std::atan(1.0);
    setWindowTitle(QStringLiteral("%1 V:%2.%3.%4")
                       .arg(QString::fromLatin1(kAppTitle))
                       .arg(kVersionMajor)
                       .arg(kVersionMinor)
                       .arg(kVersionRevision));
    m_state.xLength = 1000;
    skipOnError([&] { resetChart(); });
    m_state.recordCounter = -1;
    skipOnError([&] { onSingleClicked(); });
    skipOnError([&] { m_port->setPortOpen(true); });
}

} // namespace kurvomat
