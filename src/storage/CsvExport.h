// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

// Record files as CSV, for spreadsheets and analysis scripts. Lines are read with the record
// reader the window uses (checkRecord, SampleScanner), so a line converts exactly when the window
// would load it.
namespace kurvomat::storage {

struct CsvFormat {
    QChar separator = u',';
    QChar decimalMark = u'.'; // "." or ","; must differ from the separator
    // One row per record (record, date, time, correlation, count, samples...), or with longForm
    // one row per sample (record, index, value).
    bool longForm = false;
};

// One record as the reader takes it from its line.
struct CsvRecord {
    std::optional<double> number; // empty for a hand-edited number field
    QString date; // as written, dd.mm.yy
    QString time; // as written, hh:mm:ss:HH
    std::optional<double> correlation; // empty for a hand-edited field
    double count = 0; // 1..1000
    std::vector<double> samples; // the values of the sample list, in order
};

enum class CsvLine { Empty, Record, Refused };

// Reads one line of a record file. Empty: an empty line (the window shows nothing for it).
// Refused, with the reason in `reason`: a line the window refuses ("DATEN:" not where a record has
// it, a count outside 1..1000 or beyond the number range) or cannot load whole (a sample outside
// -32768..32767, more than 1100 samples). Record: `out` filled.
[[nodiscard]] CsvLine readCsvRecord(QStringView line, CsvRecord &out, QString &reason);

// The header row and the rows of one record, each ended by LF. Fields holding the separator, a
// double quote, CR or LF are quoted (RFC 4180). Numbers are written without grouping, whole
// numbers as plain digits, others with the decimal mark; the time as hh:mm:ss, the decimal mark
// and the hundredths when its hundredths field holds two digits, else as written. In the wide
// form the header names `sampleColumns` sample columns and each row is filled up to them with
// empty fields, so that the table is rectangular.
[[nodiscard]] QByteArray csvHeader(const CsvFormat &format, qsizetype sampleColumns);
void appendCsvRows(QByteArray &out, const CsvRecord &record, const CsvFormat &format,
                   qsizetype sampleColumns);

struct CsvSummary {
    qint64 records = 0; // records converted
    qint64 refused = 0; // lines refused and skipped
};

// Converts the record file at `path` into CSV (header row first) appended to `out`. Each refused
// line is handed to onRefused with its line number (from 1) and reason, and skipped; empty lines
// are skipped silently. Throws FileError when the file is missing or cannot be read.
CsvSummary exportCsv(const QString &path, const CsvFormat &format, QByteArray &out,
                     const std::function<void(qint64 line, const QString &reason)> &onRefused);

} // namespace kurvomat::storage
