// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <QCommandLineParser>
#include <QStringList>

namespace kurvomat::exporter {

namespace {

QString helpDescription()
{
    return QStringLiteral(
        "Writes a KURVOMAT recording or snapshot file (AUSGABE_OSZI*.txt) as CSV, read with\n"
        "the program's own record reader. One row per record: record number, date, time with\n"
        "hundredths, correlation maximum, sample count, the samples; with --long one row per\n"
        "sample: record number, sample index (from 1), value. The first row names the columns.\n"
        "\n"
        "Lines the program would refuse are named with their line number on standard error and\n"
        "skipped. Exit status: 0 every line converted, 1 some lines refused (the others are\n"
        "converted), 2 bad command line, 3 the file cannot be read or the CSV not written.\n"
        "\n"
        "  kurvomat-export ~/AUSGABE_OSZI.txt -o recording.csv\n"
        "  kurvomat-export --locale de --long ~/AUSGABE_OSZI_A.txt > a.csv");
}

// An ASCII separator (one byte in the UTF-8 output) that cannot be taken for part of a number
// or of a quoted field.
bool usableSeparator(QChar c)
{
    return c.unicode() < 128 && !c.isLetterOrNumber() && c != u'-' && c != u'+' && c != u'"'
        && c != u'\r' && c != u'\n';
}

} // namespace

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(helpDescription());
    parser.addOptions({
        {QStringLiteral("long"), QStringLiteral("One row per sample instead of one per record.")},
        {QStringLiteral("locale"),
         QStringLiteral("\"en\": separator \",\" and decimal mark \".\" (the default); \"de\": "
                        "separator \";\" and decimal mark \",\"."),
         QStringLiteral("en|de")},
        {{QStringLiteral("s"), QStringLiteral("separator")},
         QStringLiteral("Field separator: one ASCII character, or \"tab\"."),
         QStringLiteral("char")},
        {QStringLiteral("decimal"), QStringLiteral("Decimal mark: \".\" or \",\"."),
         QStringLiteral("mark")},
        {{QStringLiteral("o"), QStringLiteral("output")},
         QStringLiteral("Write the CSV to <file> (replaced whole, only when the record file "
                        "could be read) instead of standard output."),
         QStringLiteral("file")},
    });
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The recording or snapshot file to convert."));
    parser.addHelpOption();
    parser.addVersionOption();
}

Options readOptions(const QCommandLineParser &parser)
{
    Options options;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        throw UsageError{files.isEmpty() ? QStringLiteral("no record file given")
                                         : QStringLiteral("one record file at a time")};
    options.inputPath = files.front();
    options.outputPath = parser.value(QStringLiteral("output"));
    options.format.longForm = parser.isSet(QStringLiteral("long"));

    const QString locale = parser.value(QStringLiteral("locale"));
    if (locale == QStringLiteral("de")) {
        options.format.separator = u';';
        options.format.decimalMark = u',';
    } else if (!locale.isEmpty() && locale != QStringLiteral("en")) {
        throw UsageError{QStringLiteral("--locale takes \"en\" or \"de\", not \"%1\"").arg(locale)};
    }

    if (parser.isSet(QStringLiteral("separator"))) {
        const QString text = parser.value(QStringLiteral("separator"));
        const QChar separator = text == QStringLiteral("tab") ? QChar(u'\t')
            : text.size() == 1                                ? text[0]
                                                              : QChar();
        if (separator.isNull() || !usableSeparator(separator))
            throw UsageError{
                QStringLiteral(
                    "--separator takes one ASCII character that is not a letter, a digit, "
                    "a sign or a quote, or \"tab\"; not \"%1\"")
                    .arg(text)};
        options.format.separator = separator;
    }
    if (parser.isSet(QStringLiteral("decimal"))) {
        const QString text = parser.value(QStringLiteral("decimal"));
        if (text != QStringLiteral(".") && text != QStringLiteral(","))
            throw UsageError{
                QStringLiteral("--decimal takes \".\" or \",\", not \"%1\"").arg(text)};
        options.format.decimalMark = text[0];
    }
    if (options.format.separator == options.format.decimalMark)
        throw UsageError{QStringLiteral("separator and decimal mark are both \"%1\"")
                             .arg(options.format.separator)};
    return options;
}

} // namespace kurvomat::exporter
