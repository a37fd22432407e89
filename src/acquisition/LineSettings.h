// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringView>

#include <optional>

namespace kurvomat::acquisition {

// The settings of a serial line, as the text "baud,parity,data bits,stop bits" describes them
// ("56000,n,8,1"). Shared by the program's port and the device simulator, so both read the
// same texts the same way.
struct LineSettings {
    qint32 baudRate = 56000;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // The normalised text: lower-case parity, no blanks, the baud rate without leading zeros.
    [[nodiscard]] QString text() const;
    // Characters per second the line carries: start bit, data bits, parity bit, stop bits.
    [[nodiscard]] double charactersPerSecond() const;
};

// Reads "baud,parity,data bits,stop bits": the baud rate a positive 32-bit integer in plain
// digits, parity one of n/e/o/m/s in either case, data bits 5..8, stop bits 1, 1.5 or 2;
// blanks around the fields are allowed. Anything else gives nothing.
[[nodiscard]] std::optional<LineSettings> parseLineSettings(QStringView text);

} // namespace kurvomat::acquisition
