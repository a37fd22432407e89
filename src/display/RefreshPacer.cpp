// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/RefreshPacer.h"

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
    const QScreen *screen = m_shownOn->screen();
    const double rate = screen && screen->refreshRate() > 0 ? screen->refreshRate() : 60;
    return static_cast<qint64>(std::ceil(1000 / rate));
}

void RefreshPacer::request()
{
    if (m_pending)
        return;
    m_pending = true;
    const qint64 now = sharedClock();
    const qint64 step = interval();
    if (m_lastRun < 0 || now - m_lastRun >= step) {
        QMetaObject::invokeMethod(this, &RefreshPacer::run, Qt::QueuedConnection);
        return;
    }
    const qint64 due = (m_lastRun + step + step - 1) / step * step; // a boundary of the clock
    m_timer.start(static_cast<int>(due - now));
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

} // namespace kurvomat
