// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/CsvExport.h"

#include "core/Errors.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "text/Int16.h"
#include "text/NumberWriting.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kurvomat::storage {

namespace {

// Whole numbers below 1e15 in magnitude as plain digits (exact, and the common case: every
// value the writer writes); any other value as its standard text with the decimal mark.
void appendNumber(QByteArray &out, double value, QChar decimalMark)
{
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char digits[24];
        const auto result =
            std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value));
        out.append(digits, result.ptr - digits);
        return;
    }
    const QLocale &locale = decimalMark == u',' ? text::germanLocale() : QLocale::c();
    out.append(text::doubleText(value, locale).toUtf8());
}

void appendOptional(QByteArray &out, const std::optional<double> &value, QChar decimalMark)
{
    if (value)
        appendNumber(out, *value, decimalMark);
}

void appendText(QByteArray &out, const QString &field, QChar separator)
{
    const bool quote = field.contains(separator) || field.contains(u'"') || field.contains(u'\r')
        || field.contains(u'\n');
    if (!quote) {
        out.append(field.toUtf8());
        return;
    }
    out.append('"');
    out.append(QString(field).replace(u'"', QStringLiteral("\"\"")).toUtf8());
    out.append('"');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "14:03:27:41" as "14:03:27.41" (or ",41"): a time a spreadsheet reads. A hundredths field that
// does not hold two digits (early in the day it may hold ".5") stays as written.
QString csvTime(const QString &time, QChar decimalMark)
{
    if (time.size() == 11 && time[8] == u':' && isDigit(time[9]) && isDigit(time[10]))
        return time.first(8) + decimalMark + time.sliced(9);
    return time;
}

} // namespace

CsvLine readCsvRecord(QStringView line, CsvRecord &out, QString &reason)
{
    RecordHeader header;
    qsizetype samplesFrom = 0;
    RecordCheck check = RecordCheck::Empty;
    try {
        check = checkRecord(line, header, samplesFrom);
    } catch (const OverflowError &) {
        reason = QStringLiteral("sample count beyond the number range");
        return CsvLine::Refused;
    }
    switch (check) {
    case RecordCheck::Empty:
        return CsvLine::Empty;
    case RecordCheck::BadMarker:
        reason = QStringLiteral("no \"DATEN:\" where a record has it");
        return CsvLine::Refused;
    case RecordCheck::BadCount:
        reason = QStringLiteral("sample count not in 1..1000");
        return CsvLine::Refused;
    case RecordCheck::Ok:
        break;
    }

    out.number = header.recordNumber;
    out.date = header.date;
    out.time = header.time;
    out.correlation = header.correlation;
    out.count = header.count;
    out.samples.clear();
    // The window stores each value in its 16-bit sample buffer, entries 1..1100.
    SampleScanner scanner(line.sliced(samplesFrom));
    try {
        while (const std::optional<double> value = scanner.next()) {
            if (out.samples.size() == std::size_t{kLastSampleIndex}) {
                reason = QStringLiteral("more than %1 samples").arg(kLastSampleIndex);
                return CsvLine::Refused;
            }
            (void)text::toInt16(*value);
            out.samples.push_back(*value);
        }
    } catch (const OverflowError &) {
        reason = QStringLiteral("sample %1 outside -32768..32767").arg(out.samples.size() + 1);
        return CsvLine::Refused;
    }
    return CsvLine::Record;
}

QByteArray csvHeader(const CsvFormat &format, qsizetype sampleColumns)
{
    const char separator = static_cast<char>(format.separator.unicode());
    QByteArray header;
    if (format.longForm) {
        header = QByteArray("record") + separator + "index" + separator + "value";
    } else {
        header = QByteArray("record") + separator + "date" + separator + "time" + separator
            + "correlation" + separator + "count";
        for (qsizetype i = 1; i <= sampleColumns; ++i)
            header += separator + QByteArray("sample") + QByteArray::number(i);
    }
    return header + '\n';
}

void appendCsvRows(QByteArray &out, const CsvRecord &record, const CsvFormat &format,
                   qsizetype sampleColumns)
{
    const QChar mark = format.decimalMark;
    const char separator = static_cast<char>(format.separator.unicode());
    if (format.longForm) {
        for (std::size_t i = 0; i < record.samples.size(); ++i) {
            appendOptional(out, record.number, mark);
            out.append(separator);
            appendNumber(out, static_cast<double>(i + 1), mark);
            out.append(separator);
            appendNumber(out, record.samples[i], mark);
            out.append('\n');
        }
        return;
    }
    appendOptional(out, record.number, mark);
    out.append(separator);
    appendText(out, record.date, format.separator);
    out.append(separator);
    appendText(out, csvTime(record.time, mark), format.separator);
    out.append(separator);
    appendOptional(out, record.correlation, mark);
    out.append(separator);
    appendNumber(out, record.count, mark);
    for (const double sample : record.samples) {
        out.append(separator);
        appendNumber(out, sample, mark);
    }
    for (auto i = static_cast<qsizetype>(record.samples.size()); i < sampleColumns; ++i)
        out.append(separator);
    out.append('\n');
}

CsvSummary exportCsv(const QString &path, const CsvFormat &format, QByteArray &out,
                     const std::function<void(qint64 line, const QString &reason)> &onRefused)
{
    LineReader reader;
    if (!reader.open(path))
        throw FileError(
            QStringLiteral("cannot open for reading \"%1\": no such file").arg(path).toStdString());
    // The wide header names as many sample columns as the longest record has, so every record
    // is read before the first row is written.
    std::vector<CsvRecord> records;
    CsvSummary summary;
    qsizetype sampleColumns = 0;
    QString line;
    QString reason;
    CsvRecord record;
    for (qint64 number = 1; reader.nextLine(line); ++number) {
        switch (readCsvRecord(line, record, reason)) {
        case CsvLine::Empty:
            break;
        case CsvLine::Refused:
            ++summary.refused;
            if (onRefused)
                onRefused(number, reason);
            break;
        case CsvLine::Record:
            sampleColumns = std::max(sampleColumns, static_cast<qsizetype>(record.samples.size()));
            records.push_back(std::move(record));
            record = CsvRecord();
            break;
        }
    }
    summary.records = static_cast<qint64>(records.size());
    out.append(csvHeader(format, sampleColumns));
    for (const CsvRecord &r : records)
        appendCsvRows(out, r, format, sampleColumns);
    return summary;
}

} // namespace kurvomat::storage
