// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/PatternFormat.h"

#include "text/Significand.h"

#include <QVarLengthArray>

#include <cmath>
#include <cstddef>

namespace kurvomat::text {

namespace {

struct Pattern {
    QStringView prefix;
    QStringView suffix;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
    bool hasPoint = false;
};

bool isPlaceholder(QChar c)
{
    return c == u'0' || c == u'#';
}

// The number part starts at the first "0" or "#" (or at a "." directly before one) and runs
// over placeholders, "," between placeholders and one "."; text before and after it is literal.
Pattern parsePattern(QStringView pattern)
{
    Pattern p;
    const qsizetype n = pattern.size();
    qsizetype start = 0;
    while (start < n) {
        if (isPlaceholder(pattern[start]))
            break;
        if (pattern[start] == u'.' && start + 1 < n && isPlaceholder(pattern[start + 1]))
            break;
        ++start;
    }
    p.prefix = pattern.first(start);

    qsizetype i = start;
    int integerPlaceholders = 0;
    bool zeroSeen = false;
    for (; i < n; ++i) {
        const QChar c = pattern[i];
        if (isPlaceholder(c)) {
            zeroSeen = zeroSeen || c == u'0';
            if (zeroSeen)
                ++p.minIntegerDigits;
            ++integerPlaceholders;
        } else if (c == u',' && integerPlaceholders > 0 && i + 1 < n && isPlaceholder(pattern[i + 1])) {
            p.grouping = true;
        } else {
            break;
        }
    }
    if (i < n && pattern[i] == u'.') {
        p.hasPoint = true;
        for (++i; i < n && isPlaceholder(pattern[i]); ++i) {
            ++p.maxDecimals;
            if (pattern[i] == u'0')
                p.minDecimals = p.maxDecimals;
        }
    }
    p.suffix = pattern.sliced(i);
    return p;
}

} // namespace

QString formatPattern(double value, QStringView pattern, const QLocale &locale)
{
    if (!std::isfinite(value))
        return detail::nonFiniteText(value);
    const Pattern p = parsePattern(pattern);
    const detail::Significand s = detail::roundSignificant(value, 15);

    // Round the significant digits to the pattern's decimals, halves away from zero. The digit
    // with index i stands at 10^(exponent - i); the first one dropped has index exponent +
    // maxDecimals + 1.
    QVarLengthArray<char, 32> kept;
    int exponent = s.exponent;
    if (s.count > 0) {
        const int cut = s.exponent + p.maxDecimals + 1;
        if (cut >= s.count) {
            kept.append(s.digits.data(), s.count);
        } else if (cut >= 0) {
            kept.append(s.digits.data(), cut);
            if (s.digits[static_cast<std::size_t>(cut)] >= '5') {
                qsizetype i = kept.size() - 1;
                while (i >= 0 && kept[i] == '9')
                    kept[i--] = '0';
                if (i >= 0) {
                    ++kept[i];
                } else {
                    kept.insert(kept.begin(), '1');
                    ++exponent;
                }
            }
            while (!kept.isEmpty() && kept.back() == '0')
                kept.removeLast();
        }
        // cut < 0: every digit lies more than one place below the last decimal; rounds to 0.
    }
    const auto digitAt = [&](int position) { // the digit at 10^position
        const int index = exponent - position;
        return index >= 0 && index < kept.size() ? kept[index] : '0';
    };

    QString integerDigits;
    for (int position = exponent; position >= 0 && !kept.isEmpty(); --position)
        integerDigits += QLatin1Char(digitAt(position));
    if (integerDigits.size() < p.minIntegerDigits)
        integerDigits.prepend(QString(p.minIntegerDigits - integerDigits.size(), u'0'));

    int decimals = p.maxDecimals;
    while (decimals > p.minDecimals && digitAt(-decimals) == '0')
        --decimals;

    QString out;
    out.reserve(p.prefix.size() + integerDigits.size() * 2 + decimals + p.suffix.size() + 2);
    if (s.negative && !kept.isEmpty())
        out += QLatin1Char('-');
    out += p.prefix;
    if (p.grouping) {
        const QString separator = locale.groupSeparator();
        for (qsizetype i = 0; i < integerDigits.size(); ++i) {
            if (i > 0 && (integerDigits.size() - i) % 3 == 0)
                out += separator;
            out += integerDigits[i];
        }
    } else {
        out += integerDigits;
    }
    if (p.hasPoint) {
        out += locale.decimalPoint();
        for (int position = -1; position >= -decimals; --position)
            out += QLatin1Char(digitAt(position));
    }
    out += p.suffix;
    return out;
}

} // namespace kurvomat::text
