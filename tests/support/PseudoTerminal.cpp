#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <pty.h>
#elif defined(__APPLE__)
#include <util.h>
#else
#include <libutil.h>
#endif

namespace {

[[noreturn]] void throwSystemError(const char *what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
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
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        throwSystemError("openpty");
    // Raw from the start, so that bytes written before the program configures the line are
    // not translated (CR/LF, echo, signal characters).
    termios raw{};
    bool ok = ::tcgetattr(m_slave, &raw) == 0;
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    ok = ok && ::tcsetattr(m_slave, TCSANOW, &raw) == 0;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ok = ok && ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) == 0;
    const char *name = ok ? ::ttyname(m_slave) : nullptr;
    if (!name) {
        const int saved = errno;
        ::close(m_master);
        ::close(m_slave);
        errno = saved;
        throwSystemError("pseudo-terminal set-up");
    }
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    ::close(m_slave);
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype sent = writeSome(bytes);
    while (m_master >= 0 && sent < bytes.size() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        sent += writeSome(bytes.mid(sent));
    }
    return m_master >= 0 && sent == bytes.size();
}

qsizetype PseudoTerminal::writeSome(const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (m_master >= 0 && sent < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0)
            sent += n;
        else if (!(n < 0 && errno == EINTR))
            break; // full (EAGAIN) or failed: the caller decides whether to wait
    }
    return sent;
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

PseudoTerminal::LineSettings PseudoTerminal::lineSettings() const
{
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0)
        throwSystemError("tcgetattr");
    LineSettings line;
    line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
#if defined(__linux__)
    KernelTermios2 tio2{};
    if (::ioctl(m_slave, _IOR('T', 0x2A, KernelTermios2), &tio2) != 0) // TCGETS2
        throwSystemError("TCGETS2");
    line.baudRate = qint32(tio2.c_ospeed);
#else
    line.baudRate = qint32(::cfgetospeed(&tio)); // the BSDs' speed_t is the rate itself
#endif
    return line;
}
