// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pacing.h"

#include <algorithm>

namespace kurvomat::device {

void FrameSchedule::restartIfStalled(qint64 nowMs)
{
    if (nowMs - nextDueMs() > 1000) {
        m_baseMs = nowMs;
        m_slot = 0;
    }
}

bool FrameSchedule::takeDueSlot(qint64 nowMs)
{
    if (nextDueMs() > nowMs)
        return false;
    ++m_slot;
    return true;
}

int FrameSchedule::tickIntervalMs() const
{
    return std::clamp(static_cast<int>(m_periodMs / 2), 1, 50);
}

qint64 FrameSchedule::nextDueMs() const
{
    return m_baseMs + static_cast<qint64>(m_slot * m_periodMs);
}

void LinePace::restart()
{
    m_clock.start();
    m_allowance = 0;
}

void LinePace::accrue()
{
    m_allowance += m_clock.nsecsElapsed() * 1e-9 * m_charactersPerSecond;
    m_clock.restart();
}

} // namespace kurvomat::device
