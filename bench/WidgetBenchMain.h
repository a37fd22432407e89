// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main() of benchmarks that run widgets: the offscreen platform unless one is chosen, German regional settings
// (the layout the program is made for), and the build type and Qt version in the report.

#include <QApplication>
#include <QLocale>

#include <benchmark/benchmark.h>

#ifndef KURVOMAT_BUILD_TYPE
#define KURVOMAT_BUILD_TYPE "unknown"
#endif

inline int runWidgetBenchmarks(int argc, char **argv)
{
    // Offscreen unless a platform is chosen (xcb measures the repaints on a real X display).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    benchmark::AddCustomContext("build", KURVOMAT_BUILD_TYPE);
    benchmark::AddCustomContext("qt", qVersion());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
