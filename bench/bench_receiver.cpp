// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver end to end: 1000-sample frames written to a pseudo-terminal and taken in by the
// real window (offscreen, recording mode "100" with a full recording file).
//  - BM_FrameInsideTick: the cost of one completed frame inside its tick, from its last
//    character to the correlation shown (drawing, repaint, storage, correlation included).
//  - BM_PacedFrames/R: frames sent at R per second by a separate thread for 3 s while the
//    window runs its own timers; counters report how many were sent and received.
// Characters are paced as a serial line delivers them, spread evenly over the frame period in
// chunks of 64: the receiver keeps only the newest 1000 waiting characters, so a 1006-byte
// frame that lands all at once between two ticks loses its header by design.
#include "acquisition/FrameEncoder.h"
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"
#include "support/PseudoTerminal.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "WidgetBenchMain.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {

QByteArray testFrame()
{
    return acquisition::encodeFrame(
        acquisition::makeWaveform(acquisition::Waveform::Sine, 1000, 100, 0, true, 3, 1));
}

struct Rig {
    QTemporaryDir dir;
    std::shared_ptr<testing::ScriptedDialogs> dialogs = std::make_shared<testing::ScriptedDialogs>();
    PseudoTerminal pty;
    std::unique_ptr<MainWindow> w;
    QByteArray frame = testFrame();

    Rig()
    {
        auto env = testing::testEnvironment(dir.path(), dialogs);
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        w = std::make_unique<MainWindow>(env);
        w->show();
        w->startUp();
        // Fill the recording to its 100 records, so every frame below trims a full file.
        for (int i = 0; i < 102; ++i)
            receiveOne();
    }

    bool waitFor(int bytes)
    {
        const QDeadlineTimer deadline(5000);
        while (port(*w)->InBufferCount() < bytes) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    // Everything but the last six characters, consumed by one tick.
    void sendFrameBody()
    {
        pty.write(frame.first(frame.size() - 6));
        waitFor(frame.size() - 6);
        w->pollPort();
    }
    bool sendFrameTail()
    {
        pty.write(frame.last(6));
        return waitFor(6);
    }
    void receiveOne()
    {
        sendFrameBody();
        sendFrameTail();
        w->pollPort();
    }
};

void BM_FrameInsideTick(benchmark::State &state)
{
    Rig rig;
    const double before = rig.w->state().recordCounter;
    for (auto _ : state) {
        state.PauseTiming();
        rig.sendFrameBody();
        if (!rig.sendFrameTail()) {
            state.SkipWithError("frame did not arrive");
            break;
        }
        state.ResumeTiming();
        rig.w->pollPort();
    }
    if (rig.w->state().recordCounter - before != double(state.iterations()))
        state.SkipWithError("a frame was not completed");
}
BENCHMARK(BM_FrameInsideTick)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_PacedFrames(benchmark::State &state)
{
    const int rate = int(state.range(0));
    const int seconds = 3;
    Rig rig;
    timer(*rig.w, "Timer_DATEN")->start();
    double sent = 0;
    double received = 0;
    for (auto _ : state) {
        const double before = rig.w->state().recordCounter;
        const int frames = rate * seconds;
        std::atomic<bool> done{false};
        std::thread writer([&] {
            using clock = std::chrono::steady_clock;
            const auto start = clock::now();
            constexpr qsizetype kChunk = 64;
            const qsizetype chunks = (rig.frame.size() + kChunk - 1) / kChunk;
            for (int i = 0; i < frames; ++i) {
                for (qsizetype c = 0; c < chunks; ++c) {
                    const long long at = 1000000LL * i / rate + 1000000LL * c / (rate * chunks);
                    std::this_thread::sleep_until(start + std::chrono::microseconds(at));
                    QByteArray chunk = rig.frame.mid(c * kChunk, kChunk);
                    while (!chunk.isEmpty()) {
                        const qsizetype n = rig.pty.writeSome(chunk);
                        if (n <= 0)
                            std::this_thread::sleep_for(std::chrono::microseconds(200));
                        else
                            chunk.remove(0, n);
                    }
                }
            }
            done = true;
        });
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done)
                QTimer::singleShot(300, &loop, &QEventLoop::quit); // let the last frame in
        });
        poll.start(50);
        loop.exec();
        writer.join();
        sent += frames;
        received += rig.w->state().recordCounter - before;
    }
    state.counters["sent"] = sent;
    state.counters["received"] = received;
    state.counters["lost"] = sent - received;
}
BENCHMARK(BM_PacedFrames)
    ->Arg(20)->Arg(30)->Arg(35)->Arg(40)->Arg(45)->Arg(50)->Arg(60)
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
