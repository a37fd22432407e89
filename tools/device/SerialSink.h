// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial port as kurvomat-device's sink, set to the line settings without flow control.
// The port's own output buffer queues the frames; the line sets the pace.

#include "Sink.h"

#include "acquisition/LineSettings.h"

#include <QSerialPort>

namespace kurvomat::device {

class SerialSink final : public Sink {
public:
    // A port that cannot be opened or configured is reported by failure().
    SerialSink(const QString &path, const acquisition::LineSettings &line);

    [[nodiscard]] qint64 pending() const override { return m_port.bytesToWrite(); }
    [[nodiscard]] bool drained() const override { return m_port.bytesToWrite() == 0; }
    void send(const QByteArray &bytes) override;

private:
    QSerialPort m_port;
};

} // namespace kurvomat::device
