// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialSink.h"

namespace kurvomat::device {

SerialSink::SerialSink(const QString &path, const acquisition::LineSettings &line)
{
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::WriteOnly)) {
        m_failure = QStringLiteral("cannot open %1: %2").arg(path, m_port.errorString());
        return;
    }
    if (!m_port.setBaudRate(line.baudRate) || !m_port.setParity(line.parity)
        || !m_port.setDataBits(line.dataBits) || !m_port.setStopBits(line.stopBits)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_failure = QStringLiteral("cannot configure %1: %2").arg(path, m_port.errorString());
        m_port.close();
        return;
    }
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) {
                         if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
                             return;
                         if (m_failure.isEmpty())
                             m_failure = m_port.errorString();
                     });
}

void SerialSink::send(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size() && m_failure.isEmpty())
        m_failure = m_port.errorString();
}

} // namespace kurvomat::device
