// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/MSComm.h"

#include "core/Errors.h"

#include <QMetaObject>
#include <QStringView>

#include <algorithm>
#include <limits>
#include <utility>

namespace kurvomat {

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw PortError(message.toStdString());
}

} // namespace

MSComm::MSComm(QObject *parent) : QObject(parent)
{
    m_port.setReadBufferSize(kInputBufferSize);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::inputArrived);
}

MSComm::~MSComm()
{
    // Close before the members go, so that no error signal reaches a half-destroyed object.
    disconnect(&m_port, nullptr, this, nullptr);
    if (m_port.isOpen())
        m_port.close();
}

QString MSComm::defaultDevice(int port)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

void MSComm::setDeviceResolver(DeviceResolver resolver)
{
    m_resolver = std::move(resolver);
}

void MSComm::setCommPort(qint16 port)
{
    if (isOpen())
        fail(QStringLiteral("The port number cannot change while the port is open"));
    if (port < kMinPort || port > kMaxPort)
        fail(QStringLiteral("Invalid port number %1").arg(port));
    m_commPort = port;
    m_deviceName.clear();
}

void MSComm::setDeviceName(const QString &name)
{
    if (isOpen())
        fail(QStringLiteral("The device cannot change while the port is open"));
    if (name.trimmed().isEmpty())
        fail(QStringLiteral("Empty device name"));
    m_deviceName = name;
}

QString MSComm::portText() const
{
    if (!m_deviceName.isEmpty())
        return m_deviceName;
    return QStringLiteral("COM%1").arg(m_commPort);
}

QString MSComm::systemDevice() const
{
    if (!m_deviceName.isEmpty())
        return m_deviceName;
    return m_resolver ? m_resolver(m_commPort) : defaultDevice(m_commPort);
}

void MSComm::setSettings(const QString &text)
{
    if (isOpen())
        fail(QStringLiteral("The settings cannot change while the port is open"));
    const std::optional<acquisition::LineSettings> parsed = acquisition::parseLineSettings(text);
    if (!parsed)
        fail(QStringLiteral("Invalid settings \"%1\"").arg(text));
    m_settings = *parsed;
    m_settingsText = parsed->text();
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        closePort();
        return;
    }
    if (isOpen())
        return;
    closePort(); // finishes a loss that has not been wound up yet

    const QString device = systemDevice();
    if (device.isEmpty())
        fail(QStringLiteral("No device for port %1").arg(portText()));

    // While closed the setters only record the values; open() applies them to the device and
    // fails when the device refuses one of them (a baud rate it cannot do, say).
    m_port.setPortName(device);
    if (!m_port.setBaudRate(m_settings.baudRate) || !m_port.setParity(m_settings.parity)
        || !m_port.setDataBits(m_settings.dataBits) || !m_port.setStopBits(m_settings.stopBits)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        fail(QStringLiteral("%1: settings %2 refused: %3")
                 .arg(device, m_settingsText, m_port.errorString()));
    }
    // The program only receives; reading alone keeps write-protected devices usable.
    if (!m_port.open(QIODevice::ReadOnly)) {
        const QString reason = m_port.errorString();
        if (m_port.isOpen())
            m_port.close();
        fail(QStringLiteral("%1: cannot open: %2").arg(device, reason));
    }
    m_chunk.clear();
    m_chunkPos = 0;
}

void MSComm::closePort()
{
    m_lost = false;
    m_chunk.clear();
    m_chunkPos = 0;
    if (m_port.isOpen())
        m_port.close();
}

qint16 MSComm::InBufferCount() const
{
    if (!isOpen())
        return 0;
    const qint64 waiting = (m_chunk.size() - m_chunkPos) + m_port.bytesAvailable();
    return qint16(qMin<qint64>(waiting, std::numeric_limits<qint16>::max()));
}

QByteArrayView MSComm::waitingInput()
{
    if (!isOpen())
        return {};
    fetch();
    return QByteArrayView(m_chunk).sliced(m_chunkPos);
}

void MSComm::takeInput(qsizetype count)
{
    if (!isOpen() || count <= 0)
        return;
    if (count > m_chunk.size() - m_chunkPos)
        fetch();
    m_chunkPos = std::min(m_chunkPos + count, m_chunk.size());
}

void MSComm::fetch()
{
    if (m_port.bytesAvailable() <= 0)
        return;
    // readAll() also lets QSerialPort resume reading from the device once its input buffer
    // (kInputBufferSize) had filled up.
    m_chunk.remove(0, m_chunkPos);
    m_chunkPos = 0;
    m_chunk.append(m_port.readAll());
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // Failures of open() arrive here too, while the port is not open yet: open() reports them.
    // NoError comes from clearError(); a timeout only concerns the blocking waits, unused here.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError
        || error == QSerialPort::NotOpenError)
        return;
    if (!m_port.isOpen() || m_lost)
        return;
    // Any other error while open means the device failed: reads report it again and again
    // (a hung-up line reads as ReadError on every notification), so the port must close.
    // It reads as closed at once; the actual close waits for the next event-loop turn because
    // this runs inside QSerialPort's read notification.
    m_lost = true;
    m_chunk.clear();
    m_chunkPos = 0;
    QMetaObject::invokeMethod(this, &MSComm::finishLoss, Qt::QueuedConnection);
}

void MSComm::finishLoss()
{
    if (!m_lost)
        return; // closed or reopened by the program meanwhile
    closePort();
    emit portLost();
}

} // namespace kurvomat
