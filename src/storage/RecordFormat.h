// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <cstdint>
#include <optional>
#include <span>

// The record line: one frame as one line of text, in fixed columns up to the sample list.
//
//   000.012 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: # 128 # 130 # 255 # 0 # 7 #*****
//
// columns (from 1)  1-7 record number "000,000" | 9-16 date dd.mm.yy | 19-26 hh:mm:ss, 27 ":",
// 28-29 hundredths | 31-40 correlation maximum "00000,000" | 42-46 sample count "0,000" |
// 48-56 " DATEN: #" | samples, each " v #" (or "-v #") | "*****" | CR LF.
//
// Lines are always written in the German layout (group separator ".", dd.mm.yy, 24-hour time),
// whatever the host's regional settings, so that a file reads back on every host.
//
// A record number below 0 or from 1,000,000 on makes the first field wider ("-000.001",
// "1.000.000"), and a correlation maximum from 100,000,000 on the fifth ("101.068.766"); each
// pushes every later column right by its extra width. The reader follows both, so every record
// the writer writes loads back.
namespace kurvomat::storage {

// 0-based index of "DATEN:" in a record with a first field of standard width (column 49).
inline constexpr qsizetype kMarkerIndex = 48;
// Width of the first field (record number) in the standard layout.
inline constexpr qsizetype kRecordNumberWidth = 7;
// Highest index of the sample buffer; entry 0 is never written or read.
inline constexpr int kLastSampleIndex = 1100;

// Builds one record line, CR LF included.
// - recordNumber, ergebnis, n: written with the patterns "000,000", "00000,000", "0,000".
// - samples: the whole sample buffer (index 0 .. 1100); entries 1 .. N are written, where N is
//   n converted to a 16-bit integer (ties to even). N <= 0 writes no samples.
// - date, time: the current date and time of day (whole seconds are written);
//   secondsSinceMidnight gives the hundredths field (see hundredthsField).
// Throws OverflowError when n does not convert to a 16-bit integer, IndexError when N reaches
// beyond index 1100 or beyond the end of `samples`, Error for an invalid date or time. Nothing is
// returned then, so no partial record can reach a file.
[[nodiscard]] QByteArray formatRecord(double recordNumber, double ergebnis, double n,
                                      std::span<const std::int16_t> samples, QDate date, QTime time,
                                      double secondsSinceMidnight);

// The two characters after the seconds in a record and in the live time display: the last two
// characters of the 7-digit text form of (seconds as a 32-bit float) × 100, the product taken in
// 32-bit float. From 02:46:40 on these are the hundredths of the second; earlier in the day the
// text form may end in a fraction, and the field then holds e.g. ".5".
[[nodiscard]] QString hundredthsField(double secondsSinceMidnight);

// Header fields of a record, as they are shown before the record is checked further.
struct RecordHeader {
    QString date;     // 8 characters at columns 9-16 (shifted for a widened record number)
    QString time;     // 11 characters at columns 19-29, time of day and hundredths
    double count = 0; // the count field read with the leading-number rule, times 1000
    // Record number and correlation maximum, when their fields hold the writer's form (a
    // hand-edited line may hold anything there: such a line still loads, without them).
    std::optional<double> recordNumber;
    std::optional<double> correlation;
};

enum class RecordCheck {
    Empty,     // the line is empty: nothing is shown, nothing changes
    BadMarker, // "DATEN:" does not begin where a record has it: "DATENSATZ nicht korrekt"
    BadCount,  // sample count not in 1..1000 (header filled): "... => DIAGRAMM_MAX_ANZ_DATENPUNKTE"
    Ok,
};

// Checks a record line and takes its header fields.
// - Empty line: Empty, `out` untouched.
// - The first "DATEN:" (case-sensitive) must begin at column 49. It may begin at 49 + w (w > 0)
//   when the record number (columns 1 .. up to the first blank) and the correlation maximum
//   (from column 31 on) are together w wider than their patterns, each widened one in the
//   writer's form (optional "-", one to three digits, then groups of "." and three digits) and
//   followed by a blank; the date and time are then taken the record number's extra width to
//   the right, the count w to the right. Otherwise BadMarker, `out` untouched.
// - out.recordNumber, out.correlation, out.date, out.time and out.count are filled, in this
//   order. The count field is read with the leading-number rule, which throws OverflowError
//   for a value beyond the double range (date and time are filled by then). A count below 1
//   or above 1000: BadCount.
// - Ok: samplesFrom is the index of the first "#" in the line (the line's length when there is
//   none). The sample list is read from the whole line, header included; SampleScanner over
//   line.sliced(samplesFrom) yields exactly those values.
[[nodiscard]] RecordCheck checkRecord(QStringView line, RecordHeader &out, qsizetype &samplesFrom);

// Yields the values of a record's sample list in order: every "#" that has a later "#" gives the
// leading-number value of the text between the two ("abc" gives 0, "2,5" gives 2, "1.5" gives
// 1.5). The marker's "#" opens the first value; the last "#" yields nothing.
//
// Values are produced one at a time, so the caller can store and draw each before the next is
// read and stop at the first value that does not fit its buffer. next() throws OverflowError for
// a value beyond the double range; a later call goes on with the value after it. The work is
// linear in the length of the line. The line must outlive the scanner.
class SampleScanner {
public:
    explicit SampleScanner(QStringView line);

    [[nodiscard]] std::optional<double> next();

private:
    QStringView m_line;
    qsizetype m_open; // index of the "#" that opens the next value, -1 when done
};

} // namespace kurvomat::storage
