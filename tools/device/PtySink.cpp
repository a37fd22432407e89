// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtySink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace kurvomat::device {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

PtySink::PtySink(double charactersPerSecond) : m_linePace(charactersPerSecond)
{
    m_pace.setInterval(2);
    m_pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_pace, &QTimer::timeout, &m_pace, [this] { flush(); });
    switch (m_pair.failure()) {
    case pty::RawPty::Failure::None:
        break;
    case pty::RawPty::Failure::NoName:
        m_failure = QStringLiteral("the pseudo-terminal has no name: %1")
                        .arg(systemError(m_pair.failureErrno()));
        return;
    case pty::RawPty::Failure::Open:
    case pty::RawPty::Failure::Configure:
        m_failure = QStringLiteral("cannot create a pseudo-terminal: %1")
                        .arg(systemError(m_pair.failureErrno()));
        return;
    }
    m_slavePath = QString::fromLocal8Bit(m_pair.slavePath().c_str());

    m_readable = std::make_unique<QSocketNotifier>(m_pair.master(), QSocketNotifier::Read);
    QObject::connect(m_readable.get(), &QSocketNotifier::activated, m_readable.get(),
                     [this] { discardInput(); });
}

bool PtySink::drained() const
{
    if (!m_buffer.isEmpty())
        return false;
    int waiting = 0;
    return ::ioctl(m_pair.slave(), FIONREAD, &waiting) != 0 || waiting == 0;
}

void PtySink::send(const QByteArray &bytes)
{
    if (m_buffer.isEmpty())
        m_linePace.restart(); // the line was idle
    m_buffer.append(bytes);
    if (!m_pace.isActive())
        m_pace.start();
    flush();
}

void PtySink::flush()
{
    m_linePace.accrue();
    while (!m_buffer.isEmpty() && m_linePace.allowed() > 0) {
        const qsizetype due = std::min(m_buffer.size(), m_linePace.allowed());
        const ssize_t n = ::write(m_pair.master(), m_buffer.constData(), static_cast<size_t>(due));
        if (n > 0) {
            m_buffer.remove(0, n);
            m_linePace.spend(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && m_failure.isEmpty())
            m_failure = QStringLiteral("writing to the pseudo-terminal failed: %1")
                            .arg(systemError(errno));
        break;
    }
    if (m_buffer.isEmpty())
        m_pace.stop();
}

void PtySink::discardInput()
{
    char scrap[512];
    const ssize_t n = ::read(m_pair.master(), scrap, sizeof scrap);
    if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
        m_readable->setEnabled(false); // hung up: stop listening instead of spinning
}

} // namespace kurvomat::device
