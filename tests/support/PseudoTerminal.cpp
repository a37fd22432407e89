// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void throwSystemError(const char *what, int error)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
}

#if defined(__linux__)
// The kernel's termios2, which carries any baud rate (BOTHER). Declared here because
// <asm/termbits.h> clashes with the C library's <termios.h>.
struct KernelTermios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
#endif

} // namespace

PseudoTerminal::PseudoTerminal()
{
    using Failure = kurvomat::pty::RawPty::Failure;
    if (m_pair.failure() != Failure::None)
        throwSystemError(m_pair.failure() == Failure::Open ? "openpty" : "pseudo-terminal set-up",
                         m_pair.failureErrno());
    m_slavePath = QString::fromLocal8Bit(m_pair.slavePath().c_str());
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype sent = writeSome(bytes);
    while (m_pair.master() >= 0 && sent < bytes.size() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        sent += writeSome(bytes.mid(sent));
    }
    return m_pair.master() >= 0 && sent == bytes.size();
}

qsizetype PseudoTerminal::writeSome(const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (m_pair.master() >= 0 && sent < bytes.size()) {
        const ssize_t n =
            ::write(m_pair.master(), bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0)
            sent += n;
        else if (!(n < 0 && errno == EINTR))
            break; // full (EAGAIN) or failed: the caller decides whether to wait
    }
    return sent;
}

void PseudoTerminal::closeMaster()
{
    m_pair.closeMaster();
}

qint32 PseudoTerminal::baudRate() const
{
#if defined(__linux__)
    KernelTermios2 tio2{};
    if (::ioctl(m_pair.slave(), _IOR('T', 0x2A, KernelTermios2), &tio2) != 0) // TCGETS2
        throwSystemError("TCGETS2", errno);
    return qint32(tio2.c_ospeed);
#else
    termios tio{};
    if (::tcgetattr(m_pair.slave(), &tio) != 0)
        throwSystemError("tcgetattr", errno);
    return qint32(::cfgetospeed(&tio)); // the BSDs' speed_t is the rate itself
#endif
}
