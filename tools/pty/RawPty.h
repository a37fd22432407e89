// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pseudo-terminal pair standing in for a serial line, shared by the device simulator and the
// test suites. POSIX only (openpty); link the library kurvomat_pty.
//
// Once set up, the slave side is in raw mode (no echo, no CR/LF translation, no signal
// characters, 8 data bits, receiver on, modem lines ignored), so that bytes written before the
// program configures its port arrive unchanged. The slave is held open for the pair's whole
// life, so the line keeps its settings between the program's close and reopen, and the
// program closing its port does not hang the line up. The master does not block; both sides
// are closed on exec and by the destructor.

#include <string>

namespace kurvomat::pty {

class RawPty {
public:
    // The step of the set-up that failed; failureErrno() holds the system's reason.
    enum class Failure { None, Open, Configure, NoName };

    RawPty();
    ~RawPty();
    RawPty(const RawPty &) = delete;
    RawPty &operator=(const RawPty &) = delete;

    [[nodiscard]] Failure failure() const { return m_failure; }
    [[nodiscard]] int failureErrno() const { return m_failureErrno; }
    // -1 when the pair could not be opened; the master also after closeMaster().
    [[nodiscard]] int master() const { return m_master; }
    [[nodiscard]] int slave() const { return m_slave; }
    // Path of the slave side, e.g. "/dev/pts/3"; empty unless failure() is None.
    [[nodiscard]] const std::string &slavePath() const { return m_slavePath; }
    // To the program on the slave side the device has gone away (hang-up).
    void closeMaster();

private:
    void fail(Failure step);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    Failure m_failure = Failure::None;
    int m_failureErrno = 0;
};

} // namespace kurvomat::pty
