// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pseudo-terminal for tests that drive the program's serial class through a real device:
// the test writes to the master side, the program opens the slave side by its path.
// POSIX only (openpty); link the library kurvomat_test_support.

#include "pty/RawPty.h"

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

class PseudoTerminal {
public:
    // Opens a pair in raw mode; throws std::runtime_error when the system gives none.
    PseudoTerminal()
    {
        if (m_pair.failure() != kurvomat::pty::RawPty::Failure::None)
            fail("pseudo-terminal", m_pair.failureErrno());
    }

    // Path of the slave side, e.g. "/dev/pts/3".
    [[nodiscard]] QString slavePath() const { return QString::fromStdString(m_pair.slavePath()); }
    // Sends bytes to the program's side; while the pseudo-terminal is full (it holds a few
    // kilobytes) lets Qt events run so the reader can drain it, for at most timeoutMs.
    // Returns whether every byte was written; false after closeMaster().
    bool write(const QByteArray &bytes, int timeoutMs = 5000)
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
    // Sends what the pseudo-terminal takes now, without waiting; returns how many bytes.
    qsizetype writeSome(const QByteArray &bytes)
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
    // Closes the master side: to the program the device has gone away (hang-up).
    void closeMaster() { m_pair.closeMaster(); }
    // The baud rate the program configured (a pseudo-terminal keeps any rate).
    [[nodiscard]] qint32 baudRate() const
    {
#if defined(__linux__)
        // The kernel's termios2 (TCGETS2), which carries any rate; <asm/termbits.h>, which
        // declares it, clashes with <termios.h>.
        struct {
            tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
            cc_t c_line, c_cc[19];
            speed_t c_ispeed, c_ospeed;
        } tio2{};
        if (::ioctl(m_pair.slave(), _IOR('T', 0x2A, decltype(tio2)), &tio2) != 0)
            fail("TCGETS2", errno);
        return qint32(tio2.c_ospeed);
#else
        termios tio{};
        if (::tcgetattr(m_pair.slave(), &tio) != 0)
            fail("tcgetattr", errno);
        return qint32(::cfgetospeed(&tio)); // the BSDs' speed_t is the rate itself
#endif
    }

private:
    [[noreturn]] static void fail(const char *what, int error)
    {
        throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
    }

    kurvomat::pty::RawPty m_pair;
};
