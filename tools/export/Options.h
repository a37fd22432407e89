// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of kurvomat-export: the options it declares (with the text --help shows) and
// their reading into Options. A bad command line raises UsageError.

#include "storage/CsvExport.h"

#include <QString>

class QCommandLineParser;

namespace kurvomat::exporter {

// What is wrong with the command line, as the user is told it.
struct UsageError {
    QString text;
};

struct Options {
    QString inputPath;
    QString outputPath; // empty: standard output
    storage::CsvFormat format;
};

// Declares the options, --help and --version, and the description --help shows.
void addOptions(QCommandLineParser &parser);

// The options of a parsed command line: --locale sets separator and decimal mark together,
// --separator and --decimal override either. Throws UsageError for no input file or more than
// one, an unknown locale, a separator that is not one ASCII character (or "tab") or could be part
// of a number or a quoted field, a decimal mark other than "." and ",", or the two alike.
[[nodiscard]] Options readOptions(const QCommandLineParser &parser);

} // namespace kurvomat::exporter
