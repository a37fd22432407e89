#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal for tests that drive the program's serial class through a real device:
// the test writes to the master side, the program opens the slave side by its path.
// POSIX only (openpty); link the library kurvomat_test_support.
class PseudoTerminal {
public:
    // The line as the program configured it, read from the slave side. Only the rate and the
    // stop bits: a Linux pseudo-terminal forces 8 data bits without parity whatever is set.
    struct LineSettings {
        qint32 baudRate = 0;
        int stopBits = 0; // 1 or 2 (the line cannot tell 1.5 from 1)
    };

    // Opens a pair in raw mode. Throws std::runtime_error when the system gives none.
    PseudoTerminal();
    ~PseudoTerminal();

    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Path of the slave side, e.g. "/dev/pts/3".
    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    // Sends bytes to the program's side. When the pseudo-terminal is full it lets pending Qt
    // events run (so the reader can drain it) and tries again, for at most timeoutMs.
    // Returns whether every byte was written; false after closeMaster(). A pseudo-terminal
    // holds only a few kilobytes that nobody has read.
    bool write(const QByteArray &bytes, int timeoutMs = 5000);

    // Sends as many of the bytes as the pseudo-terminal takes now, without waiting; returns
    // how many (0 when it is full or the master is closed).
    qsizetype writeSome(const QByteArray &bytes);

    // Closes the master side: to the program the device has gone away (hang-up).
    void closeMaster();

    [[nodiscard]] LineSettings lineSettings() const;

private:
    qsizetype writeFrom(const char *data, qsizetype size);

    int m_master = -1;
    // Held open for the pair's whole life, so the line keeps its settings between the
    // program's close and reopen.
    int m_slave = -1;
    QString m_slavePath;
};
