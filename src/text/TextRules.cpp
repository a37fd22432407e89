#include "text/TextRules.h"

#include "core/Errors.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace kurvomat::text {

namespace {

// ---------------------------------------------------------------------------------------------
// Significant-digit rounding shared by the number-to-text rules.

// A finite number rounded to a number of significant digits: value = 0.d1 d2 ... dn, shifted so
// that d1 stands at the decimal position 10^exponent. Trailing zeros are removed; a zero has
// count 0.
struct Significand {
    std::array<char, 24> digits{};
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

constexpr std::array<std::uint64_t, 23> kPow5 = [] {
    std::array<std::uint64_t, 23> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 5;
    return p;
}();

constexpr std::uint64_t pow10u(int n)
{
    std::uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// Whether the positive finite value a is exactly a decimal number of precision + 1 significant
// digits whose last digit is 5, that is, a tie when rounding to precision digits. On a tie
// 'tieDigits' receives those precision + 1 digits as an integer and 'tieScale' their scale:
// a = tieDigits * 10^tieScale.
//
// a = m * 2^e with m odd. For e < 0 that is m * 5^-e / 10^-e, whose last digit is always 5;
// for e >= 0 the value is an integer whose lowest set bit is 2^e, and a decimal ending in 5 at
// the position 10^k has exactly 2^k as its lowest set bit, so k = e and 5^e must divide m.
bool isExactTie(double a, int precision, std::uint64_t &tieDigits, int &tieScale)
{
    int binaryExponent = 0;
    const double fraction = std::frexp(a, &binaryExponent);
    auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    int e = binaryExponent - 53;
    while ((m & 1U) == 0) {
        m >>= 1;
        ++e;
    }
    const std::uint64_t low = pow10u(precision);
    const std::uint64_t high = low * 10;
    std::uint64_t d = 0;
    if (e >= 0) {
        if (e >= static_cast<int>(kPow5.size()) || m % kPow5[static_cast<std::size_t>(e)] != 0)
            return false;
        d = m / kPow5[static_cast<std::size_t>(e)];
    } else {
        if (-e >= static_cast<int>(kPow5.size()))
            return false;
        const std::uint64_t p5 = kPow5[static_cast<std::size_t>(-e)];
        if (m > high / p5)
            return false;
        d = m * p5;
    }
    if (d < low || d >= high || d % 10 != 5)
        return false;
    tieDigits = d;
    tieScale = e;
    return true;
}

// Rounds a finite value to 'precision' significant digits (at most 16), halves away from zero.
// The exact binary value is rounded, so 0.125 gives 0.13 at two digits, and 2.675 (stored as
// 2.67499999999999982...) gives 2.67 at three digits but 2.675 at fifteen.
Significand roundSignificant(double value, int precision)
{
    Significand s;
    s.negative = std::signbit(value);
    if (value == 0)
        return s;

    const double magnitude = std::fabs(value);
    std::uint64_t tieDigits = 0;
    int tieScale = 0;
    if (isExactTie(magnitude, precision, tieDigits, tieScale)) {
        // Away from zero: drop the final 5 and round up; 99..95 carries into a new digit.
        std::uint64_t kept = tieDigits / 10 + 1;
        s.exponent = tieScale + precision;
        if (kept == pow10u(precision)) {
            kept /= 10;
            ++s.exponent;
        }
        std::array<char, 24> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), kept);
        s.count = static_cast<int>(result.ptr - buffer.data());
        for (int i = 0; i < s.count; ++i)
            s.digits[static_cast<std::size_t>(i)] = buffer[static_cast<std::size_t>(i)];
    } else {
        // Correctly rounded; without an exact tie half-to-even and away-from-zero agree.
        // Layout: "d.ddddde+XX" (the magnitude, so no sign).
        std::array<char, 48> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                          std::chars_format::scientific, precision - 1);
        const char *p = buffer.data();
        const char *end = result.ptr;
        while (p != end && *p != 'e') {
            if (*p != '.')
                s.digits[static_cast<std::size_t>(s.count++)] = *p;
            ++p;
        }
        int exponent = 0;
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
        s.exponent = exponent;
    }
    while (s.count > 0 && s.digits[static_cast<std::size_t>(s.count - 1)] == '0')
        --s.count;
    return s;
}

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

QString nonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// ---------------------------------------------------------------------------------------------
// Number patterns.

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

// ---------------------------------------------------------------------------------------------
// Readers.

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

// ---------------------------------------------------------------------------------------------

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

QString doubleText(double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    const Significand s = roundSignificant(value, 15);
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

QString formatPattern(double value, QStringView pattern, const QLocale &locale)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    const Pattern p = parsePattern(pattern);
    const Significand s = roundSignificant(value, 15);

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

QString singleText(float value)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    const Significand s = roundSignificant(static_cast<double>(value), 7);
    QString out;
    out.reserve(16);
    if (s.count == 0)
        return QStringLiteral(" 0");
    out += QLatin1Char(s.negative ? '-' : ' ');
    appendGeneral(out, s, 7, u".", false);
    return out;
}

std::int16_t toInt16(double value)
{
    // NaN fails both comparisons.
    if (!(value >= -32768.5 && value <= 32767.5))
        throw OverflowError("Overflow");
    double rounded = std::floor(value);
    const double rest = value - rounded; // exact for this range
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0))
        rounded += 1;
    if (rounded > 32767 || rounded < -32768)
        throw OverflowError("Overflow");
    return static_cast<std::int16_t>(rounded);
}

std::int16_t add16(std::int16_t a, std::int16_t b)
{
    const int sum = int(a) + int(b);
    if (sum > 32767 || sum < -32768)
        throw OverflowError("Overflow");
    return static_cast<std::int16_t>(sum);
}

std::int16_t mul16(std::int16_t a, std::int16_t b)
{
    const int product = int(a) * int(b);
    if (product > 32767 || product < -32768)
        throw OverflowError("Overflow");
    return static_cast<std::int16_t>(product);
}

const QLocale &germanLocale()
{
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

} // namespace kurvomat::text
