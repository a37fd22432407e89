// SPDX-License-Identifier: GPL-3.0-or-later
// The user's view of speed, measured alike on any version of the program: it reaches the window
// only through the identifiers of its controls and the few calls in WindowDriver.h, so
// scripts/bench.sh builds this same file against an older version for a side-by-side table.
// The window is shown: on a real X display (QT_QPA_PLATFORM=xcb) every repaint is real.
//  - BM_Sweep: the click on "0,01...10" answered Yes, to the complete results file.
//  - BM_Frame: the whole path of one 1000-sample frame from a pseudo-terminal: the
//    tick that takes its last characters, chart, record (mode "on"), correlation, and the repaints
//    that follow within 25 ms, in a running stream (after five frames that set the chart up).
//    The process's CPU time is the figure, all its threads: Qt's raster engine hands large
//    fills and copies to worker threads, and the main thread's own time would leave that work
//    out. The wait for the repaints is idle.
//  - BM_LineSpeed: frames back to back at 50 kB/s (500000 baud), and at 20 frames per second,
//    for 3 s with the window's own timers; counters say how many were sent and recorded.
// Every benchmark counts the chart's repaints.
#include "WindowDriver.h"

#include "support/Fakes.h"
#include "support/PseudoTerminal.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include "WidgetBenchMain.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace kurvomat;

namespace {

// A 1000-sample frame as a device sends it: a sine of three periods around 128.
QByteArray deviceFrame()
{
    QByteArray frame("####");
    frame += char(1000 & 0xFF);
    frame += char(1000 >> 8);
    for (int k = 1; k <= 1000; ++k)
        frame += char(std::lround(128 + 100 * std::sin(6 * 3.141592653589793 * k / 1000)));
    return frame;
}

// Counts paint events of every widget inside the chart (the view's viewport among them).
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Rig {
    QTemporaryDir dir;
    std::shared_ptr<testing::ScriptedDialogs> dialogs =
        std::make_shared<testing::ScriptedDialogs>();
    PseudoTerminal pty;
    std::unique_ptr<bench::Window> w;
    PaintCounter counter;
    QByteArray frame = deviceFrame();

    Rig()
    {
        auto env = testing::testEnvironment(dir.path(), dialogs);
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        w = std::make_unique<bench::Window>(env);
        w->show();
        bench::startUp(*w);
        find<QAbstractButton>("Option_ON")->click();
        QWidget *chart = find<QWidget>("MSChart1");
        for (QWidget *inside : chart->findChildren<QWidget *>())
            inside->installEventFilter(&counter);
        settle();
    }
    template <typename T> T *find(const char *name) const
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }
    // Lets the window's pending work and repaints happen for that long, idle in between.
    static void settle(int ms = 25)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Until the port holds that many bytes.
    bool waitFor(int bytes)
    {
        const QDeadlineTimer deadline(5000);
        while (w->findChild<MSComm *>()->InBufferCount() < bytes) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
};

void BM_Sweep(benchmark::State &state)
{
    Rig rig;
    QAbstractButton *sweep = rig.find<QAbstractButton>("Command15");
    const QString results = rig.dir.filePath("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt");
    const int before = rig.counter.paints;
    for (auto _ : state) {
        rig.dialogs->confirmAnswers << true;
        sweep->click();
        Rig::settle(0); // the repaint the last curve asks for
    }
    QFile file(results);
    if (!file.open(QIODevice::ReadOnly) || file.readAll().count('\n') != 1000)
        state.SkipWithError("no complete results file");
    state.counters["repaints"] = double(rig.counter.paints - before) / state.iterations();
}
BENCHMARK(BM_Sweep)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Puts all but the last characters of a frame into the port and lets the tick that finds them
// start the frame, with the receive timer held; true when the last characters are waiting too,
// so that the next tick completes the frame.
bool frameWaiting(Rig &rig, QTimer *receiver)
{
    receiver->stop(); // its ticks would take the characters
    rig.pty.write(rig.frame.first(rig.frame.size() - 6));
    const bool arrived = rig.waitFor(int(rig.frame.size()) - 6);
    bench::pollPort(*rig.w);
    receiver->stop(); // started again by the tick that found the port empty
    rig.pty.write(rig.frame.last(6));
    return arrived && rig.waitFor(6);
}

void BM_Frame(benchmark::State &state)
{
    Rig rig;
    QTimer *receiver = rig.find<QTimer>("Timer_DATEN");
    // The first frames set the chart's axes up for the signal; what is measured is a frame in
    // a running stream.
    for (int warmUp = 0; warmUp < 5; ++warmUp) {
        if (!frameWaiting(rig, receiver)) {
            state.SkipWithError("frame did not arrive");
            return;
        }
        bench::pollPort(*rig.w);
        Rig::settle();
    }
    const double before = bench::recordCounter(*rig.w);
    const int paintsBefore = rig.counter.paints;
    for (auto _ : state) {
        state.PauseTiming(); // the characters arrive; only the tick that takes them is measured
        const bool waiting = frameWaiting(rig, receiver);
        state.ResumeTiming();
        if (!waiting) {
            state.SkipWithError("frame did not arrive");
            break;
        }
        bench::pollPort(*rig.w);
        Rig::settle();
    }
    if (bench::recordCounter(*rig.w) - before != double(state.iterations()))
        state.SkipWithError("a frame was not completed");
    state.counters["repaints"] = double(rig.counter.paints - paintsBefore) / state.iterations();
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond)->Iterations(100)->MeasureProcessCPUTime();

void BM_LineSpeed(benchmark::State &state)
{
    const int kBytesPerSecond = int(state.range(0));
    constexpr int kSeconds = 3;
    Rig rig;
    rig.find<QTimer>("Timer_DATEN")->start();
    double sent = 0;
    double recorded = 0;
    for (auto _ : state) {
        const double before = bench::recordCounter(*rig.w);
        const int frames = kSeconds * kBytesPerSecond / int(rig.frame.size());
        std::atomic<bool> done{false};
        std::thread writer([&] {
            using clock = std::chrono::steady_clock;
            const auto start = clock::now();
            const QByteArray stream = rig.frame.repeated(frames);
            constexpr qsizetype kChunk = 64;
            for (qsizetype at = 0; at < stream.size(); at += kChunk) {
                std::this_thread::sleep_until(
                    start + std::chrono::microseconds(1000000LL * at / kBytesPerSecond));
                QByteArray chunk = stream.mid(at, kChunk);
                while (!chunk.isEmpty()) {
                    const qsizetype n = rig.pty.writeSome(chunk);
                    if (n <= 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    else
                        chunk.remove(0, n);
                }
            }
            done = true;
        });
        while (!done)
            Rig::settle(50);
        Rig::settle(300); // the last frame
        writer.join();
        sent += frames;
        recorded += bench::recordCounter(*rig.w) - before;
    }
    state.counters["sent"] = sent;
    state.counters["recorded"] = recorded;
    state.counters["lost"] = sent - recorded;
}
// 500000 baud, and 20 frames per second.
BENCHMARK(BM_LineSpeed)->Arg(50000)->Arg(20 * 1006)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
