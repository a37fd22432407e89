// SPDX-License-Identifier: GPL-3.0-or-later
// The window's drawing and the frequency sweep, measured end to end through the real window
// (offscreen platform, scripted dialogs, a temporary data folder).
#include "app/MainWindow.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"

#include <QApplication>
#include <QTemporaryDir>

#include "WidgetBenchMain.h"

#include <benchmark/benchmark.h>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {

struct Window {
    QTemporaryDir dir;
    std::shared_ptr<testing::ScriptedDialogs> dialogs = std::make_shared<testing::ScriptedDialogs>();
    std::unique_ptr<MainWindow> w;
    Window()
    {
        w = std::make_unique<MainWindow>(testing::testEnvironment(dir.path(), dialogs));
        w->startUp();
    }
};

// A chart reset for 1000 rows alone.
void BM_Reset1000(benchmark::State &state)
{
    Window win;
    win.w->state().xLength = 1000;
    for (auto _ : state)
        win.w->resetChart();
    QCoreApplication::processEvents();
}
BENCHMARK(BM_Reset1000)->Unit(benchmark::kMicrosecond);

// A reset and 1000 points; the per-point cost of drawing is this minus the reset,
// divided by 1000 (reported as a rate of points per second including the reset).
void BM_Draw1000Points(benchmark::State &state)
{
    Window win;
    win.w->state().xLength = 1000;
    for (auto _ : state) {
        win.w->resetChart();
        for (int k = 1; k <= 1000; ++k) {
            win.w->drawPoint((k * 37) % 255 - 128); // extremes change now and then
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    QCoreApplication::processEvents();
}
BENCHMARK(BM_Draw1000Points)->Unit(benchmark::kMicrosecond);

// A rising ramp: every point is a new maximum, the worst case for the extreme fields.
void BM_Draw1000RisingPoints(benchmark::State &state)
{
    Window win;
    win.w->state().xLength = 1000;
    for (auto _ : state) {
        win.w->resetChart();
        for (int k = 1; k <= 1000; ++k)
            win.w->drawPoint(k * 0.37);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    QCoreApplication::processEvents();
}
BENCHMARK(BM_Draw1000RisingPoints)->Unit(benchmark::kMicrosecond);

// One whole frequency sweep: 1000 steps of simulation, drawing and correlation, the curve of
// maxima and the results file, with events processed every fifth step.
void BM_FrequencySweep(benchmark::State &state)
{
    Window win;
    for (auto _ : state) {
        win.dialogs->confirmAnswers << true;
        button(*win.w, "Command15")->click();
    }
    if (!field(*win.w, "Text_SIMULATION")->text().endsWith(QStringLiteral("0099999999998")))
        state.SkipWithError("sweep did not run to its end");
}
BENCHMARK(BM_FrequencySweep)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
