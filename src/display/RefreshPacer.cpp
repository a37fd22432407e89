// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/RefreshPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace kurvomat {

namespace {
qint64 sharedClock()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

// Milliseconds between two refreshes of the screen `widget` is on (60 Hz when unknown).
qint64 refreshInterval(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    const double rate = screen && screen->refreshRate() > 0 ? screen->refreshRate() : 60;
    return static_cast<qint64>(std::ceil(1000 / rate));
}

// The rule of both pacers: milliseconds until a pacer that last ran at `lastRun` (never: -1)
// may run again; 0 when a whole refresh interval has passed since, otherwise the time to the
// refresh boundary of the shared clock that follows one interval after that run.
qint64 delayAfter(qint64 lastRun, qint64 now, qint64 step)
{
    if (lastRun < 0 || now - lastRun >= step)
        return 0;
    return (lastRun + step + step - 1) / step * step - now;
}
} // namespace

RefreshPacer::RefreshPacer(QWidget *shownOn, std::function<void()> action)
    : QObject(shownOn)
    , m_shownOn(shownOn)
    , m_action(std::move(action))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RefreshPacer::run);
}

qint64 RefreshPacer::interval() const
{
    return refreshInterval(m_shownOn);
}

void RefreshPacer::request()
{
    if (m_pending)
        return;
    m_pending = true;
    if (const qint64 delay = delayAfter(m_lastRun, sharedClock(), interval()); delay > 0)
        m_timer.start(static_cast<int>(delay));
    else
        QMetaObject::invokeMethod(this, &RefreshPacer::run, Qt::QueuedConnection);
}

void RefreshPacer::done()
{
    m_pending = false;
    m_timer.stop();
    m_lastRun = sharedClock();
}

void RefreshPacer::run()
{
    if (!m_pending)
        return; // done() came first
    done();
    m_action();
}

PaintPacer::PaintPacer(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    // Posted from the timer, the repaint comes after every other timer due at the same
    // boundary (the pacers of the chart and the fields), so their changes are in it.
    connect(&m_timer, &QTimer::timeout, this,
            [this] { QMetaObject::invokeMethod(this, &PaintPacer::deliver, Qt::QueuedConnection); });
    window->installEventFilter(this);
}

bool PaintPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest || m_delivering)
        return false;
    if (m_timer.isActive() || m_queued)
        return true;
    if (const qint64 delay = delayAfter(m_lastDelivery, sharedClock(), refreshInterval(m_window));
        delay > 0) {
        m_timer.start(static_cast<int>(delay));
        return true;
    }
    // Posted now, the repaint comes after what this turn has posted already (a pacer's run at
    // the next turn among it). A frame that comes alone is shown at once and costs no wake-up
    // of its own.
    m_queued = true;
    QMetaObject::invokeMethod(this, &PaintPacer::deliver, Qt::QueuedConnection);
    return true;
}

void PaintPacer::deliver()
{
    m_queued = false;
    m_lastDelivery = sharedClock();
    m_delivering = true;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_delivering = false;
}

} // namespace kurvomat
