// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace kurvomat {

// Runs an action in the event loop at most once per refresh of the screen, so that what is
// drawn faster than the screen shows it is not drawn at all. The first request after a quiet
// interval runs at the next turn; a request within an interval of the last run waits for the
// next refresh boundary of a clock that every pacer shares, so pacers of widgets that overlap
// run together and their repaints merge into one. Requests while one is pending join it.
class RefreshPacer : public QObject {
public:
    // The interval is that of the screen `shownOn` is on (60 Hz when unknown).
    RefreshPacer(QWidget *shownOn, std::function<void()> action);

    void request();
    // The caller has done the work now: a pending run is dropped, and the interval restarts.
    void done();

private:
    void run();
    [[nodiscard]] qint64 interval() const;

    QWidget *m_shownOn;
    std::function<void()> m_action;
    QTimer m_timer;
    qint64 m_lastRun = -1; // on the shared clock, in ms
    bool m_pending = false;
};

// Holds a window's repaints to the pace of the screen, as RefreshPacer does: the first request
// after a quiet interval is painted at the next turn of events, after every change made in this
// turn; a request within an interval of the last paint waits for the next refresh boundary of
// the clock that every RefreshPacer shares, and everything that changed until then is painted
// in one pass. Without it a window whose fields change at every round of events (a sweep lets
// events run 200 times in a third of a second, a received frame twice within a millisecond)
// paints far more often than the screen shows.
class PaintPacer : public QObject {
public:
    // Paces `window` (a top-level widget), for as long as both live.
    explicit PaintPacer(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void deliver();

    QWidget *m_window;
    QTimer m_timer;
    qint64 m_lastDelivery = -1; // on the shared clock, in ms
    bool m_queued = false;      // a delivery at the next turn is on its way
    bool m_delivering = false;
};

} // namespace kurvomat
