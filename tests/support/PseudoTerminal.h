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
    // The line as the program configured it. A Linux pseudo-terminal keeps the rate and the
    // stop bits (1 or 2; 1.5 reads as 1) and forces 8 data bits without parity.
    struct LineSettings {
        qint32 baudRate = 0;
        int stopBits = 0;
    };

    // Opens a pair in raw mode. Throws std::runtime_error when the system gives none.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

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
    [[nodiscard]] LineSettings lineSettings() const;

private:
    kurvomat::pty::RawPty m_pair;
    QString m_slavePath;
};
