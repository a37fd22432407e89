// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pty/RawPty.h"

#include <QByteArray>
#include <QString>

// A pseudo-terminal for tests that drive the program's serial class through a real device:
// the test writes to the master side, the program opens the slave side by its path.
// POSIX only (openpty); link the library kurvomat_test_support.
class PseudoTerminal {
public:
    // Opens a pair in raw mode; throws std::runtime_error when the system gives none.
    PseudoTerminal();

    // Path of the slave side, e.g. "/dev/pts/3".
    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    // Sends bytes to the program's side; while the pseudo-terminal is full (it holds a few
    // kilobytes) lets Qt events run so the reader can drain it, for at most timeoutMs.
    // Returns whether every byte was written; false after closeMaster().
    bool write(const QByteArray &bytes, int timeoutMs = 5000);
    // Sends what the pseudo-terminal takes now, without waiting; returns how many bytes.
    qsizetype writeSome(const QByteArray &bytes);
    // Closes the master side: to the program the device has gone away (hang-up).
    void closeMaster();
    // The baud rate the program configured (a pseudo-terminal keeps any rate).
    [[nodiscard]] qint32 baudRate() const;

private:
    kurvomat::pty::RawPty m_pair;
    QString m_slavePath;
};
