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
// The kernel's termios2, which carries arbitrary baud rates (BOTHER). Declared here because
// <asm/termbits.h> clashes with the C library's <termios.h>.
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
constexpr unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);
#else
qint32 baudFromSpeed(speed_t speed)
{
    switch (speed) {
    case B50: return 50;
    case B75: return 75;
    case B110: return 110;
    case B134: return 134;
    case B150: return 150;
    case B200: return 200;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B1800: return 1800;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return qint32(speed); // systems whose speed_t is the rate itself
    }
}
#endif

} // namespace

PseudoTerminal::PseudoTerminal()
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        throwSystemError("openpty");
    const auto giveUp = [this](const char *what) {
        const int saved = errno;
        ::close(m_master);
        ::close(m_slave);
        errno = saved;
        throwSystemError(what);
    };
    // Raw from the start, so that bytes written before the program configures the line are
    // not translated (CR/LF, echo, signal characters).
    termios raw{};
    if (::tcgetattr(m_slave, &raw) != 0)
        giveUp("tcgetattr");
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0)
        giveUp("tcsetattr");
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        giveUp("fcntl");
    const char *name = ::ttyname(m_slave);
    if (!name)
        giveUp("ttyname");
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype sent = writeFrom(bytes.constData(), bytes.size());
    while (m_master >= 0 && sent < bytes.size() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
        sent += writeFrom(bytes.constData() + sent, bytes.size() - sent);
    }
    return m_master >= 0 && sent == bytes.size();
}

qsizetype PseudoTerminal::writeSome(const QByteArray &bytes)
{
    return writeFrom(bytes.constData(), bytes.size());
}

qsizetype PseudoTerminal::writeFrom(const char *data, qsizetype size)
{
    qsizetype sent = 0;
    while (m_master >= 0 && sent < size) {
        const ssize_t n = ::write(m_master, data + sent, size_t(size - sent));
        if (n > 0)
            sent += n;
        else if (!(n < 0 && errno == EINTR))
            break; // full (EAGAIN) or failed: the caller decides whether to wait
    }
    return sent;
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
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
    if (::ioctl(m_slave, kGetTermios2, &tio2) != 0)
        throwSystemError("TCGETS2");
    line.baudRate = qint32(tio2.c_ospeed);
#else
    line.baudRate = baudFromSpeed(::cfgetospeed(&tio));
#endif
    return line;
}
