// SPDX-License-Identifier: GPL-3.0-or-later
// kurvomat-export: a KURVOMAT recording or snapshot file as CSV, for spreadsheets and analysis
// scripts. The file is read with the program's own record reader, so a line converts exactly
// when the program would load it; refused lines are named on standard error and skipped.
//
// This file reads the command line, converts, writes the CSV and sets the exit status (see
// Console.h).
#include "Console.h"
#include "Options.h"
#include "Output.h"

#include "core/Errors.h"
#include "core/Version.h"
#include "storage/CsvExport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace kurvomat::exporter;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kurvomat-export"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kurvomat::kVersionText));

    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText() + QStringLiteral("\nTry 'kurvomat-export --help'."));
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kExitOk);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    Options options;
    try {
        options = readOptions(parser);
    } catch (const UsageError &error) {
        printError(error.text + QStringLiteral("\nTry 'kurvomat-export --help'."));
        return kExitUsage;
    }

    QByteArray csv;
    kurvomat::storage::CsvSummary summary;
    try {
        summary = kurvomat::storage::exportCsv(
            options.inputPath, options.format, csv, [&](qint64 line, const QString &reason) {
                printError(QStringLiteral("%1:%2: refused: %3")
                               .arg(options.inputPath, QString::number(line), reason));
            });
        writeOutput(options.outputPath, csv);
    } catch (const kurvomat::Error &error) {
        printError(QString::fromUtf8(error.what()));
        return kExitFileError;
    }
    if (summary.refused > 0) {
        printError(QStringLiteral("%1 records converted, %2 lines refused")
                       .arg(summary.records)
                       .arg(summary.refused));
        return kExitRefused;
    }
    return kExitOk;
}
