// SPDX-License-Identifier: GPL-3.0-or-later
// The storage step of one frame, measured through the real window (offscreen platform,
// scripted dialogs, fixed clock, a temporary data folder): ABFRAGE_AUF_HDD_SPEICHERN in mode
// "100" with a recording file already holding 100 records of 1000 samples, so every frame reads
// and replaces the whole file and appends one record. The data folder is a QTemporaryDir, so
// TMPDIR chooses the file system measured.
#include "app/MainWindow.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
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
        // A received frame of 1000 8-bit samples: records of about 5.9 kB.
        w->state().xLength = 1000;
        for (int k = 1; k <= 1000; ++k)
            w->state().samples(k) = static_cast<std::int16_t>((k * 37) % 256);
    }
    QString recording() const { return dir.filePath(QStringLiteral("AUSGABE_OSZI.txt")); }
    qsizetype recordsInFile() const
    {
        QFile file(recording());
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : -1;
    }
};

void BM_StorageStepModeHundredFullFile(benchmark::State &state)
{
    Window win;
    button(*win.w, "Option_100")->click();
    // The first frame after start-up is only counted; 100 more fill the file.
    for (int i = 0; i < 101; ++i)
        win.w->storeFrame();
    if (win.recordsInFile() != 100) {
        state.SkipWithError("the recording file does not hold 100 records");
        return;
    }
    const qint64 fileBytes = QFile(win.recording()).size();
    for (auto _ : state)
        win.w->storeFrame();
    if (win.recordsInFile() != 100)
        state.SkipWithError("the recording file did not stay at 100 records");
    state.counters["file_bytes"] = static_cast<double>(fileBytes);
    state.SetBytesProcessed(state.iterations() * fileBytes * 2); // read and written once each
    state.SetLabel(QStringLiteral("folder %1, build %2")
                       .arg(win.dir.path(), QStringLiteral(KURVOMAT_BUILD_TYPE))
                       .toStdString());
}
BENCHMARK(BM_StorageStepModeHundredFullFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// For comparison: mode "on", one record appended per frame and the size shown (the file grows
// by one record per iteration; at 10,000,000 bytes it is moved aside and starts again).
void BM_StorageStepModeOn(benchmark::State &state)
{
    Window win;
    button(*win.w, "Option_ON")->click();
    win.w->storeFrame();
    for (auto _ : state)
        win.w->storeFrame();
    if (!QFile::exists(win.recording())
        && !QFile::exists(win.dir.filePath(QStringLiteral("AUSGABE_OSZI_ALT.txt"))))
        state.SkipWithError("nothing was recorded");
}
BENCHMARK(BM_StorageStepModeOn)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
