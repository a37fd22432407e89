// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transmission.h"

#include "Console.h"
#include "FrameSource.h"
#include "Options.h"
#include "Pacing.h"
#include "Sink.h"
#include "Statistics.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace kurvomat::device {

int transmit(const Options &options, Sink &sink, Statistics &stats,
             const volatile std::sig_atomic_t &stopRequested)
{
    const double lineCapacity = options.line.charactersPerSecond();
    const double burst = longestFrameBytes(options);
    FrameSource source(options);
    FrameSchedule schedule(1000.0 / options.rate);
    QElapsedTimer clock;
    clock.start();
    qint64 drainDeadline = -1;
    int exitCode = kExitOk;

    const auto onTick = [&] {
        if (stopRequested) {
            QCoreApplication::exit(kExitOk);
            return;
        }
        if (!sink.failure().isEmpty()) {
            printError(sink.failure());
            exitCode = kExitFailure;
            QCoreApplication::exit(kExitFailure);
            return;
        }
        const qint64 now = clock.elapsed();
        if (drainDeadline >= 0) {
            if (sink.drained() || now >= drainDeadline) {
                if (!sink.drained())
                    printError(QStringLiteral("note: the reader did not take every byte"));
                QCoreApplication::exit(kExitOk);
            }
            return;
        }
        schedule.restartIfStalled(now);
        while (schedule.takeDueSlot(now)) {
            if (sink.pending() > 0) {
                ++stats.skipped;
                continue;
            }
            const QByteArray bytes = source.next(stats);
            sink.send(bytes);
            ++stats.sent;
            stats.bytes += bytes.size();
            if (options.frames > 0 && stats.sent >= options.frames) {
                drainDeadline = now + 5000 + static_cast<qint64>(1000.0 * burst / lineCapacity);
                break;
            }
        }
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(schedule.tickIntervalMs());
    QObject::connect(&tick, &QTimer::timeout, QCoreApplication::instance(), onTick);
    tick.start();
    QTimer::singleShot(0, QCoreApplication::instance(), onTick);

    const int loopResult = QCoreApplication::exec();
    tick.stop();
    return exitCode == kExitOk ? loopResult : exitCode;
}

} // namespace kurvomat::device
