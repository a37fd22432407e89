// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The few calls a benchmark needs of the main window beyond its controls' identifiers, for
// this version of the program and for the older one that scripts/bench.sh compares it with
// (before the window's members were named by their role).

#if __has_include("app/MainWindow.h")
#include "app/MainWindow.h"

namespace kurvomat::bench {
using Window = MainWindow;
inline void startUp(Window &w)
{
    w.startUp();
}
inline void pollPort(Window &w)
{
    w.pollPort();
}
inline double recordCounter(Window &w)
{
    return w.state().recordCounter;
}
} // namespace kurvomat::bench

#else
#include "app/frmHAUPT.h"

namespace kurvomat::bench {
using Window = frmHAUPT;
inline void startUp(Window &w)
{
    w.Timer_START_Timer();
}
inline void pollPort(Window &w)
{
    w.Timer_DATEN_Timer();
}
inline double recordCounter(Window &w)
{
    return w.DATENSATZ_ZAEHLER;
}
} // namespace kurvomat::bench
#endif

#include "acquisition/MSComm.h"
