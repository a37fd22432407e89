// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/LineSettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

namespace kurvomat {

// The serial port component MSComm1: a small class over QSerialPort with the five properties
// the program uses (CommPort, InBufferCount, PortOpen, Settings, Input) and nothing more.
//
// Contracts:
// - CommPort, the device name and Settings change only while the port is closed; a refused
//   value throws PortError and keeps the previous one.
// - setPortOpen(true) throws PortError when the device cannot be opened or configured and
//   leaves the port closed; setPortOpen(false) on a closed port is accepted silently.
// - While the port is closed InBufferCount() reads 0 and waitingInput() is empty: no byte is
//   ever delivered from a closed port, and none of the input members throws.
// - InBufferCount() and PortOpen() are virtual only so that tests can stand in a port whose
//   reads fail, as other serial components' do; the window must survive that too.
// - Bytes are collected by the Qt event loop; the input members never block. inputArrived()
//   follows every collection.
// - When the device goes away while open (USB adapter pulled, pseudo-terminal peer closed),
//   the port closes itself: PortOpen() reads false from then on, bytes not yet read are
//   dropped, and portLost() is emitted once. A later setPortOpen(true) tries again.
//
// Not thread-safe: lives on the window's thread like every other control.
class MSComm : public QObject {
    Q_OBJECT

public:
    // Maps a port number (1..255) to the device that QSerialPort opens: a name ("COM3",
    // "ttyS2") or a full path ("/dev/ttyS2"). Tests use it to put a pseudo-terminal behind a
    // port number.
    using DeviceResolver = std::function<QString(int port)>;

    static constexpr qint16 kMinPort = 1;
    static constexpr qint16 kMaxPort = 255;
    static constexpr qint64 kInputBufferSize = 10000;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    MSComm(const MSComm &) = delete;
    MSComm &operator=(const MSComm &) = delete;

    // The platform's device for a port number: "COMn" on Windows, "/dev/ttyS(n-1)" elsewhere.
    [[nodiscard]] static QString defaultDevice(int port);

    // Replaces the mapping from port numbers to devices; an empty function restores the
    // default. Takes effect at the next open.
    void setDeviceResolver(DeviceResolver resolver);

    // Port number used by the next open (1 at start). Throws PortError for a number outside
    // 1..255 or while open. Selecting a number clears any device name.
    [[nodiscard]] qint16 CommPort() const { return m_commPort; }
    void setCommPort(qint16 port);

    // A device chosen by name or path instead of a number ("/dev/ttyUSB0", "ttyACM0", "COM3"),
    // used as given by the next open; "" when a port number is in force. Throws PortError for
    // an empty name or while open. CommPort() keeps the last number meanwhile.
    [[nodiscard]] QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString &name);

    // The port as the status display shows it: "COM" and the number, or the device name.
    [[nodiscard]] QString portText() const;

    // Received bytes not yet read, at most 32767; 0 while closed.
    [[nodiscard]] virtual qint16 InBufferCount() const;

    // True only while the port is open.
    [[nodiscard]] virtual bool PortOpen() const { return isOpen(); }
    void setPortOpen(bool open);

    // "baud,parity,data bits,stop bits" as stored ("56000,n,8,1" at start). The baud rate is a
    // positive integer, parity one of n/e/o/m/s in either case, data bits 5..8, stop bits 1,
    // 1.5 or 2; blanks around the fields are allowed. The text is kept normalised: lower-case
    // parity, no blanks, the baud rate without leading zeros ("09600, E,7,2" -> "9600,e,7,2").
    // Any other text, or a change while open, throws PortError and keeps the old settings.
    [[nodiscard]] QString Settings() const { return m_settingsText; }
    void setSettings(const QString &text);

    // The received bytes not yet taken, oldest first, every byte value 0..255 as it came; empty
    // while the port is closed. Valid until the next call of a non-const member or the next
    // event-loop turn. Reading them takes nothing: takeInput() does.
    [[nodiscard]] QByteArrayView waitingInput();
    // Takes the oldest `count` waiting bytes (all of them when fewer wait), as read or dropped.
    void takeInput(qsizetype count);

signals:
    // The device went away while open and the port closed itself.
    void portLost();
    // Bytes came in from the device: InBufferCount() may have grown. A count that read 0
    // stays 0 until this is emitted.
    void inputArrived();

private:
    [[nodiscard]] bool isOpen() const { return m_port.isOpen() && !m_lost; }
    [[nodiscard]] QString systemDevice() const;
    void closePort();
    // Moves what QSerialPort holds behind the bytes not yet taken.
    void fetch();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void finishLoss();

    QSerialPort m_port;
    DeviceResolver m_resolver;
    qint16 m_commPort = 1;
    QString m_deviceName;
    QString m_settingsText = QStringLiteral("56000,n,8,1");
    acquisition::LineSettings m_settings;
    // Bytes taken from QSerialPort and not yet handed out: m_chunk[m_chunkPos..].
    QByteArray m_chunk;
    qsizetype m_chunkPos = 0;
    // The device failed while open; the port reads as closed and is closed for good on the
    // next event-loop turn (not inside QSerialPort's own notification, which must not delete
    // its notifier under itself).
    bool m_lost = false;
};

} // namespace kurvomat
