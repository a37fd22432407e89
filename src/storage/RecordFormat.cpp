// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/RecordFormat.h"

#include "core/Errors.h"
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"
#include "text/PatternFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace kurvomat::storage {

namespace {

constexpr char kMarker[] = " DATEN: #";
// 0-based start of the header fields in the standard layout.
constexpr qsizetype kDateIndex = 8;
constexpr qsizetype kTimeIndex = 18;
constexpr qsizetype kCorrelationIndex = 30;
constexpr qsizetype kCorrelationWidth = 10;
constexpr qsizetype kCountIndex = 41;
constexpr char kEndMark[] = "*****\r\n";
constexpr qsizetype kEndMarkSize = sizeof(kEndMark) - 1;
// Widest sample with its separators: "-32768 #".
constexpr qsizetype kMaxSampleChars = 8;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline char *putPair(char *p, unsigned value) // value 0..99
{
    std::memcpy(p, kDigitPairs + 2 * value, 2);
    return p + 2;
}

// One sample of the list: " v #" for v >= 0, "-v #" for v < 0. At most kMaxSampleChars.
inline char *putSample(char *p, std::int16_t sample)
{
    unsigned u;
    if (sample >= 0) {
        *p++ = ' ';
        u = static_cast<unsigned>(sample);
    } else {
        *p++ = '-';
        u = static_cast<unsigned>(-static_cast<int>(sample)); // up to 32768
    }
    if (u < 10) {
        *p++ = static_cast<char>('0' + u);
    } else if (u < 100) {
        p = putPair(p, u);
    } else if (u < 1000) {
        *p++ = static_cast<char>('0' + u / 100);
        p = putPair(p, u % 100);
    } else if (u < 10000) {
        p = putPair(p, u / 100);
        p = putPair(p, u % 100);
    } else {
        *p++ = static_cast<char>('0' + u / 10000);
        u %= 10000;
        p = putPair(p, u / 100);
        p = putPair(p, u % 100);
    }
    *p++ = ' ';
    *p++ = '#';
    return p;
}

// A digit pattern such as "000,000" for a whole number: at least minDigits digits, grouped by
// three with ".", "-" in front of a negative value. Whole numbers below 1e15 in magnitude are
// exact in 15 significant digits and need no rounding, so they are written here directly (this
// runs for every frame); every other value goes through the general pattern formatting, which
// owns the rounding rules. Returns false, appending nothing, in that case.
bool appendWholeGrouped(QByteArray &out, double value, int minDigits)
{
    if (!(std::fabs(value) < 1e15) || value != std::trunc(value))
        return false;
    const auto whole = static_cast<long long>(value);
    const bool negative = whole < 0; // -0.0 converts to 0 and gets no sign
    auto magnitude = static_cast<unsigned long long>(negative ? -whole : whole);

    char digits[24]; // least significant first
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count < minDigits)
        digits[count++] = '0';

    if (negative)
        out.append('-');
    for (int i = count - 1; i >= 0; --i) {
        out.append(digits[i]);
        if (i > 0 && i % 3 == 0)
            out.append('.');
    }
    return true;
}

void appendPattern(QByteArray &out, double value, int minDigits, QStringView pattern)
{
    if (!appendWholeGrouped(out, value, minDigits))
        out.append(text::formatPattern(value, pattern, text::germanLocale()).toLatin1());
}

void appendTwoDigits(QByteArray &out, int value) // value 0..99
{
    char pair[2];
    putPair(pair, static_cast<unsigned>(value));
    out.append(pair, 2);
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The value of a whole number in the form the writer gives a grouped digit pattern: optional
// "-", one to three digits, then at least one group of "." and three digits ("-000.001",
// "01.234.567", "101.068.766"). Empty for any other text.
std::optional<double> groupedValue(QStringView field)
{
    const qsizetype sign = field.startsWith(u'-') ? 1 : 0;
    const qsizetype size = field.size() - sign;
    const qsizetype lead = size % 4; // digits before the first "."
    if (lead == 0 || size < 4 + lead)
        return std::nullopt;
    double value = 0;
    for (qsizetype k = 0; k < size; ++k) {
        const QChar c = field[sign + k];
        if (k >= lead && (k - lead) % 4 == 0) {
            if (c != u'.')
                return std::nullopt;
        } else if (isAsciiDigit(c)) {
            value = value * 10 + (c.unicode() - u'0');
        } else {
            return std::nullopt;
        }
    }
    return sign ? -value : value;
}

} // namespace

QString hundredthsField(double secondsSinceMidnight)
{
    // The product is formed in 32-bit float on purpose: the field shows what that product's
    // 7-digit text ends in, including its rounding.
    const float product = static_cast<float>(static_cast<float>(secondsSinceMidnight) * 100.0f);
    return text::singleText(product).right(2);
}

QByteArray formatRecord(double recordNumber, double ergebnis, double n,
                        std::span<const std::int16_t> samples, QDate date, QTime time,
                        double secondsSinceMidnight)
{
    const std::int16_t count = text::toInt16(n);
    if (count > 0) {
        const auto available = static_cast<qsizetype>(
            std::min<std::size_t>(samples.size(), std::size_t{kLastSampleIndex} + 1));
        if (count >= available)
            throw IndexError("sample index " + std::to_string(available) + " outside 0.."
                             + std::to_string(available - 1));
    }
    if (!date.isValid() || !time.isValid())
        throw Error("record written with an invalid date or time");

    const qsizetype sampleChars = count > 0 ? qsizetype{count} * kMaxSampleChars : 0;
    QByteArray line;
    line.reserve(96 + sampleChars + kEndMarkSize);

    appendPattern(line, recordNumber, 6, u"000,000");
    line.append(' ');
    appendTwoDigits(line, date.day());
    line.append('.');
    appendTwoDigits(line, date.month());
    line.append('.');
    appendTwoDigits(line, ((date.year() % 100) + 100) % 100);
    line.append("  ", 2);
    appendTwoDigits(line, time.hour());
    line.append(':');
    appendTwoDigits(line, time.minute());
    line.append(':');
    appendTwoDigits(line, time.second());
    line.append(':');
    for (const QChar c : hundredthsField(secondsSinceMidnight))
        line.append(c.toLatin1());
    line.append(' ');
    appendPattern(line, ergebnis, 8, u"00000,000");
    line.append(' ');
    appendPattern(line, n, 4, u"0,000");
    line.append(' ');
    line.append(kMarker, sizeof(kMarker) - 1);

    const qsizetype listStart = line.size();
    line.resize(listStart + sampleChars + kEndMarkSize);
    char *const begin = line.data();
    char *p = begin + listStart;
    for (int i = 1; i <= count; ++i)
        p = putSample(p, samples[static_cast<std::size_t>(i)]);
    std::memcpy(p, kEndMark, kEndMarkSize);
    p += kEndMarkSize;
    line.resize(p - begin);
    return line;
}

RecordCheck checkRecord(QStringView line, RecordHeader &out, qsizetype &samplesFrom)
{
    if (line.isEmpty())
        return RecordCheck::Empty;

    const qsizetype marker = line.indexOf(u"DATEN:");
    if (marker < kMarkerIndex)
        return RecordCheck::BadMarker; // missing (-1) or too far left

    // A record number below 0 or from 1,000,000 on, and a correlation maximum from 100,000,000
    // on, are wider than their patterns and push every later column right: the date and time
    // by the record number's extra width, the count and the marker by both together.
    const qsizetype shift = marker - kMarkerIndex;
    qsizetype numberShift = 0;
    std::optional<double> number;
    std::optional<double> correlation;
    if (shift == 0) {
        // The standard layout: the fields are taken where they stand, whatever they hold.
        number = groupedValue(line.first(kRecordNumberWidth));
        correlation = groupedValue(line.sliced(kCorrelationIndex, kCorrelationWidth));
    } else {
        // The extra width must come from these two fields in the writer's form, and only so.
        const qsizetype numberEnd = line.indexOf(u' ');
        numberShift = numberEnd - kRecordNumberWidth;
        const qsizetype correlationShift = shift - numberShift;
        if (numberShift < 0 || correlationShift < 0)
            return RecordCheck::BadMarker;
        const qsizetype correlationStart = kCorrelationIndex + numberShift;
        const qsizetype correlationEnd = kCorrelationIndex + kCorrelationWidth + shift;
        number = groupedValue(line.first(numberEnd));
        correlation = groupedValue(line.sliced(correlationStart, correlationEnd - correlationStart));
        if ((numberShift > 0 && !number)
            || (correlationShift > 0
                && (!correlation || line[correlationStart - 1] != u' '
                    || line[correlationEnd] != u' ')))
            return RecordCheck::BadMarker;
    }

    // "DATEN:" at index 48 + shift means the line is at least 54 + shift long, so the header
    // fields below always lie inside it.
    out.recordNumber = number;
    out.correlation = correlation;
    out.date = line.sliced(kDateIndex + numberShift, 8).toString();
    out.time = line.sliced(kTimeIndex + numberShift, 11).toString();
    out.count = text::leadingNumber(line.sliced(kCountIndex + shift, 5)) * 1000.0;
    // The count becomes the X-axis length, which never leaves 1 .. 1000.
    if (!(out.count >= 1.0) || out.count > 1000.0)
        return RecordCheck::BadCount;

    const qsizetype firstHash = line.indexOf(u'#');
    samplesFrom = firstHash < 0 ? line.size() : firstHash;
    return RecordCheck::Ok;
}

SampleScanner::SampleScanner(QStringView line) : m_line(line), m_open(line.indexOf(u'#')) { }

std::optional<double> SampleScanner::next()
{
    if (m_open < 0)
        return std::nullopt;
    const qsizetype open = m_open;
    const qsizetype close = m_line.indexOf(u'#', open + 1);
    m_open = close; // advance first, so a value that throws is passed over by the next call
    if (close < 0)
        return std::nullopt;
    return text::leadingNumber(m_line.sliced(open + 1, close - open - 1));
}

} // namespace kurvomat::storage
