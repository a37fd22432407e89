// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty/RawPty.h"

#include <cerrno>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <pty.h>
#elif defined(__APPLE__)
#include <util.h>
#else
#include <libutil.h>
#endif

namespace kurvomat::pty {

RawPty::RawPty()
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        fail(Failure::Open);
        return;
    }
    termios raw{};
    if (::tcgetattr(m_slave, &raw) != 0) {
        fail(Failure::Configure);
        return;
    }
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0) {
        fail(Failure::Configure);
        return;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) == -1) {
        fail(Failure::Configure);
        return;
    }
    const char *name = ::ttyname(m_slave);
    if (!name) {
        fail(Failure::NoName);
        return;
    }
    m_slavePath = name;
}

RawPty::~RawPty()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

void RawPty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void RawPty::fail(Failure step)
{
    m_failure = step;
    m_failureErrno = errno;
}

} // namespace kurvomat::pty
