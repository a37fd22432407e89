// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where kurvomat-device's frames go. send() queues bytes and never blocks; a sink that fails
// says so through failure() and the run ends.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace kurvomat::device {

class Sink {
public:
    virtual ~Sink() = default;
    // Bytes queued here and not yet handed to the system.
    [[nodiscard]] virtual qint64 pending() const = 0;
    // Everything sent has left this program's hands and, where that can be seen, the reader
    // has taken it.
    [[nodiscard]] virtual bool drained() const = 0;
    virtual void send(const QByteArray &bytes) = 0;
    // Non-empty once the sink has failed for good.
    [[nodiscard]] QString failure() const { return m_failure; }

protected:
    QString m_failure;
};

} // namespace kurvomat::device
