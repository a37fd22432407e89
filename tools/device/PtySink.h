// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pseudo-terminal as kurvomat-device's sink (POSIX only): KURVOMAT opens the slave side by
// its path, this program writes to the master. A pseudo-terminal takes any amount at once,
// but the program reads its port like a serial line: every 10 ms, keeping only the newest
// frame's worth of waiting characters. Bytes therefore go out at the speed of the line the
// settings describe, as a real device's UART would send them. Whatever the program sends back
// is read and dropped, so it never waits on us.

#include "Pacing.h"
#include "Sink.h"

#include "pty/RawPty.h"

#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace kurvomat::device {

class PtySink final : public Sink {
public:
    // A pseudo-terminal that cannot be set up is reported by failure().
    explicit PtySink(double charactersPerSecond);

    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    [[nodiscard]] qint64 pending() const override { return m_buffer.size(); }
    // Also waits for the reader to take what the pseudo-terminal holds.
    [[nodiscard]] bool drained() const override;
    void send(const QByteArray &bytes) override;

private:
    // Hands on what the line has carried since the last call.
    void flush();
    void discardInput();

    // Declared before the notifier on its master, so it is closed after the notifier is gone.
    pty::RawPty m_pair;
    QString m_slavePath;
    QByteArray m_buffer;
    LinePace m_linePace;
    QTimer m_pace;
    std::unique_ptr<QSocketNotifier> m_readable;
};

} // namespace kurvomat::device
