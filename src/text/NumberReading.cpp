// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/NumberReading.h"

#include "core/Errors.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace kurvomat::text {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Power of ten of the leading nonzero digit of a collected number text
// "[sign]ddd[.ddd][e[sign]dd]", used only to tell an overflow from an underflow. The exponent
// saturates; a text of zeros gives the lowest value.
long long leadingMagnitude(const char *begin, const char *end)
{
    constexpr long long kNone = std::numeric_limits<long long>::min();
    const char *p = begin;
    if (p != end && (*p == '+' || *p == '-'))
        ++p;
    const char *const integerStart = p;
    while (p != end && isDigit(static_cast<unsigned char>(*p)))
        ++p;
    const long long integerDigits = p - integerStart;
    long long firstNonZero = kNone;
    for (const char *q = integerStart; q != p && firstNonZero == kNone; ++q) {
        if (*q != '0')
            firstNonZero = integerDigits - 1 - (q - integerStart);
    }
    if (p != end && *p == '.') {
        ++p;
        for (long long power = -1; p != end && isDigit(static_cast<unsigned char>(*p)); ++p, --power) {
            if (firstNonZero == kNone && *p != '0')
                firstNonZero = power;
        }
    }
    long long exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        for (; p != end; ++p) {
            if (exponent < 100000000)
                exponent = exponent * 10 + (*p - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return firstNonZero == kNone ? kNone : firstNonZero + exponent;
}

// Converts an ASCII number text of the form [sign]digits[.digits][e[sign]digits]; a value
// beyond the double range throws, one below the smallest subnormal gives 0.
double convertCollected(const char *begin, const char *end)
{
    const char *p = begin;
    if (*p == '+')
        ++p; // from_chars takes no "+"
    double value = 0;
    const auto result = std::from_chars(p, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (leadingMagnitude(begin, end) >= 0)
            throw OverflowError("Overflow");
        return 0.0;
    }
    return value == 0 ? 0.0 : value; // a zero result is +0
}

// The common plain forms ("-123", "12,5", ",5"): ASCII digits, an optional leading "-" and at
// most one decimal separator, read without the locale reader, which accepts them alike.
// Returns false for every other text, which then goes to the locale reader.
bool readPlainNumber(QStringView text, char16_t decimalPoint, double &value)
{
    constexpr qsizetype kMaxLength = 40;
    if (text.size() > kMaxLength)
        return false;
    std::array<char, kMaxLength> buffer{};
    qsizetype length = 0;
    bool digits = false;
    bool point = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isDigit(c)) {
            digits = true;
            buffer[static_cast<std::size_t>(length++)] = static_cast<char>(c);
        } else if (c == decimalPoint && !point) {
            point = true;
            buffer[static_cast<std::size_t>(length++)] = '.';
        } else if (c == u'-' && i == 0) {
            buffer[static_cast<std::size_t>(length++)] = '-';
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    const auto result = std::from_chars(buffer.data(), buffer.data() + length, value);
    return result.ec == std::errc();
}

} // namespace

double leadingNumber(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    const auto skipBlanks = [&] {
        while (p != end && isBlank(*p))
            ++p;
    };

    QVarLengthArray<char, 64> number;
    skipBlanks();
    if (p != end && (*p == u'+' || *p == u'-')) {
        number.append(static_cast<char>(*p++));
        skipBlanks();
    }
    int mantissaDigits = 0;
    for (; p != end && (isDigit(*p) || isBlank(*p)); ++p) {
        if (!isBlank(*p)) {
            number.append(static_cast<char>(*p));
            ++mantissaDigits;
        }
    }
    if (p != end && *p == u'.') {
        number.append('.');
        for (++p; p != end && (isDigit(*p) || isBlank(*p)); ++p) {
            if (!isBlank(*p)) {
                number.append(static_cast<char>(*p));
                ++mantissaDigits;
            }
        }
    }
    if (mantissaDigits == 0)
        return 0.0;

    // The exponent counts only when at least one digit follows "E" and its sign; "1e" is 1.
    if (p != end && (*p == u'e' || *p == u'E')) {
        const qsizetype mantissaLength = number.size();
        number.append('e');
        ++p;
        skipBlanks();
        if (p != end && (*p == u'+' || *p == u'-')) {
            number.append(static_cast<char>(*p++));
            skipBlanks();
        }
        bool exponentDigits = false;
        for (; p != end && (isDigit(*p) || isBlank(*p)); ++p) {
            if (!isBlank(*p)) {
                number.append(static_cast<char>(*p));
                exponentDigits = true;
            }
        }
        if (!exponentDigits)
            number.resize(mantissaLength);
    }
    return convertCollected(number.cbegin(), number.cend());
}

double localeNumber(QStringView text, const QLocale &locale)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw ConversionError("Type mismatch: empty text");

    const QString decimalPoint = locale.decimalPoint();
    if (decimalPoint.size() == 1 && !(locale.numberOptions() & QLocale::RejectTrailingZeroesAfterDot)) {
        double plain = 0;
        if (readPlainNumber(trimmed, decimalPoint.front().unicode(), plain))
            return plain == 0 ? 0.0 : plain;
    }

    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (ok) {
        // The locale reader also takes "inf" and "nan"; those are words, not numbers.
        if (!std::isfinite(value))
            throw ConversionError("Type mismatch: not a number");
        return value == 0 ? 0.0 : value;
    }
    if (std::isinf(value))
        throw OverflowError("Overflow");

    // The locale reader gives 0 and failure for an underflow as for any bad text: a valid
    // mantissa with a negative exponent made of digits is an underflow and reads as 0.
    const QString exponential = locale.exponential();
    qsizetype at = trimmed.lastIndexOf(exponential, -1, Qt::CaseInsensitive);
    qsizetype markLength = exponential.size();
    if (at < 0) {
        at = trimmed.lastIndexOf(u'e', -1, Qt::CaseInsensitive);
        markLength = 1;
    }
    if (at > 0) {
        QStringView exponentText = trimmed.sliced(at + markLength);
        const QString negativeSign = locale.negativeSign();
        bool negative = false;
        if (exponentText.startsWith(u'-')) {
            exponentText = exponentText.sliced(1);
            negative = true;
        } else if (!negativeSign.isEmpty() && exponentText.startsWith(negativeSign)) {
            exponentText = exponentText.sliced(negativeSign.size());
            negative = true;
        }
        const bool digitsOnly = !exponentText.isEmpty()
                                && std::all_of(exponentText.begin(), exponentText.end(),
                                               [](QChar c) { return isDigit(c.unicode()); });
        bool mantissaOk = false;
        const double mantissa = locale.toDouble(trimmed.first(at), &mantissaOk);
        if (negative && digitsOnly && mantissaOk && std::isfinite(mantissa))
            return 0.0;
    }
    throw ConversionError("Type mismatch");
}

} // namespace kurvomat::text
