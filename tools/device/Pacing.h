// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pace of kurvomat-device: when frames fall due, and how fast bytes may leave for a line
// that would otherwise take any amount at once.

#include <QElapsedTimer>
#include <QtGlobal>

namespace kurvomat::device {

// Frame slots every periodMs, as a real device sends at its rate whether or not anyone
// listens. Each slot is taken once, by a frame sent or skipped.
class FrameSchedule {
public:
    explicit FrameSchedule(double periodMs) : m_periodMs(periodMs) {}

    // More than a second behind (suspended machine, stopped process): the schedule starts
    // afresh at nowMs instead of sending a burst of overdue frames.
    void restartIfStalled(qint64 nowMs);
    // Takes the next slot if it has fallen due by nowMs.
    [[nodiscard]] bool takeDueSlot(qint64 nowMs);
    // How often to look at the schedule: twice a period, but at least every 50 ms, since the
    // look also polls for Ctrl+C.
    [[nodiscard]] int tickIntervalMs() const;

private:
    [[nodiscard]] qint64 nextDueMs() const;

    double m_periodMs;
    qint64 m_slot = 0;   // slots since m_baseMs, sent or skipped
    qint64 m_baseMs = 0; // start of the schedule
};

// The characters a serial line of charactersPerSecond has carried since it last fell idle and
// that have not been spent: what a sender may hand on without outrunning the line.
class LinePace {
public:
    explicit LinePace(double charactersPerSecond) : m_charactersPerSecond(charactersPerSecond) {}

    // The line was idle: its allowance starts now, from nothing.
    void restart();
    // Adds what the line has carried since the last call.
    void accrue();
    // Whole characters that may go now.
    [[nodiscard]] qsizetype allowed() const { return qsizetype(m_allowance); }
    void spend(qsizetype characters) { m_allowance -= double(characters); }

private:
    double m_charactersPerSecond;
    double m_allowance = 0;
    QElapsedTimer m_clock;
};

} // namespace kurvomat::device
