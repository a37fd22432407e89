// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/NumberWriting.h"

#include "text/Significand.h"

#include <QStringView>

#include <cmath>
#include <cstddef>

namespace kurvomat::text {

namespace {

using detail::Significand;

// Appends "E+05" style exponents: "E", the sign always, at least two digits.
void appendExponent(QString &out, int exponent)
{
    out += QLatin1Char('E');
    out += QLatin1Char(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        out += QLatin1Char('0');
    out += QString::number(magnitude);
}

// Writes a significand in the general layout: plain decimal for exponents from -4 up to
// precision - 1, otherwise "d.dddE+XX". 'zeroBeforePoint' chooses "0.5" or ".5".
void appendGeneral(QString &out, const Significand &s, int precision, QStringView decimalPoint,
                   bool zeroBeforePoint)
{
    const auto digit = [&s](int i) { return QLatin1Char(s.digits[static_cast<std::size_t>(i)]); };
    if (s.exponent >= precision || s.exponent < -4) {
        out += digit(0);
        if (s.count > 1) {
            out += decimalPoint;
            for (int i = 1; i < s.count; ++i)
                out += digit(i);
        }
        appendExponent(out, s.exponent);
        return;
    }
    if (s.exponent >= 0) {
        for (int i = 0; i <= s.exponent; ++i)
            out += i < s.count ? digit(i) : QLatin1Char('0');
        if (s.count > s.exponent + 1) {
            out += decimalPoint;
            for (int i = s.exponent + 1; i < s.count; ++i)
                out += digit(i);
        }
        return;
    }
    if (zeroBeforePoint)
        out += QLatin1Char('0');
    out += decimalPoint;
    for (int i = -1; i > s.exponent; --i)
        out += QLatin1Char('0');
    for (int i = 0; i < s.count; ++i)
        out += digit(i);
}

} // namespace

QString doubleText(double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return detail::nonFiniteText(value);
    const Significand s = detail::roundSignificant(value, 15);
    QString out;
    out.reserve(24);
    if (s.count == 0)
        return QStringLiteral("0");
    if (s.negative)
        out += QLatin1Char('-');
    appendGeneral(out, s, 15, locale.decimalPoint(), true);
    return out;
}

QString int16Text(std::int16_t value)
{
    return QString::number(value);
}

QString singleText(float value)
{
    if (!std::isfinite(value))
        return detail::nonFiniteText(value);
    const Significand s = detail::roundSignificant(static_cast<double>(value), 7);
    QString out;
    out.reserve(16);
    if (s.count == 0)
        return QStringLiteral(" 0");
    out += QLatin1Char(s.negative ? '-' : ' ');
    appendGeneral(out, s, 7, u".", false);
    return out;
}

const QLocale &germanLocale()
{
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

} // namespace kurvomat::text
