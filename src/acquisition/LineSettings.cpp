// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/LineSettings.h"

#include <QList>

#include <limits>

namespace kurvomat::acquisition {

namespace {

bool isAsciiDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

QString LineSettings::text() const
{
    static constexpr char kParityLetters[] = {'n', '?', 'e', 'o', 's', 'm'}; // QSerialPort::Parity
    const QString stop = stopBits == QSerialPort::OneStop          ? QStringLiteral("1")
                         : stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                   : QStringLiteral("2");
    return QString::number(baudRate) + u',' + QLatin1Char(kParityLetters[int(parity)]) + u','
           + QString::number(int(dataBits)) + u',' + stop;
}

double LineSettings::charactersPerSecond() const
{
    const double stop = stopBits == QSerialPort::OneStop          ? 1.0
                        : stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                  : 2.0;
    const double bits =
        1.0 + static_cast<int>(dataBits) + (parity == QSerialPort::NoParity ? 0 : 1) + stop;
    return baudRate / bits;
}

std::optional<LineSettings> parseLineSettings(QStringView text)
{
    const QList<QStringView> fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;
    const QStringView baudField = fields[0].trimmed();
    const QStringView parityField = fields[1].trimmed();
    const QStringView dataField = fields[2].trimmed();
    const QStringView stopField = fields[3].trimmed();

    LineSettings parsed;
    if (!isAsciiDigits(baudField))
        return std::nullopt;
    bool ok = false;
    const qlonglong baud = baudField.toLongLong(&ok);
    if (!ok || baud <= 0 || baud > std::numeric_limits<qint32>::max())
        return std::nullopt;
    parsed.baudRate = qint32(baud);

    if (parityField.size() != 1)
        return std::nullopt;
    switch (parityField.front().toLower().unicode()) {
    case u'n': parsed.parity = QSerialPort::NoParity; break;
    case u'e': parsed.parity = QSerialPort::EvenParity; break;
    case u'o': parsed.parity = QSerialPort::OddParity; break;
    case u'm': parsed.parity = QSerialPort::MarkParity; break;
    case u's': parsed.parity = QSerialPort::SpaceParity; break;
    default: return std::nullopt;
    }

    if (dataField.size() != 1 || dataField.front() < u'5' || dataField.front() > u'8')
        return std::nullopt;
    parsed.dataBits = static_cast<QSerialPort::DataBits>(dataField.front().unicode() - u'0');

    if (stopField == u"1")
        parsed.stopBits = QSerialPort::OneStop;
    else if (stopField == u"1.5")
        parsed.stopBits = QSerialPort::OneAndHalfStop;
    else if (stopField == u"2")
        parsed.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return parsed;
}

} // namespace kurvomat::acquisition
