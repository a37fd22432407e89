// SPDX-License-Identifier: GPL-3.0-or-later
// kurvomat-export run as a user runs it, on record files written by the program's own writer.
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "support/Files.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace kurvomat::storage;
using namespace kurvomat::testing;

// A record as the window writes it (5 December 2005, 14:03:27, hundredths 41).
static QByteArray record(double number, double correlation,
                         std::initializer_list<std::int16_t> values)
{
    std::array<std::int16_t, kLastSampleIndex + 1> buffer{};
    std::copy(values.begin(), values.end(), buffer.begin() + 1);
    return formatRecord(number, correlation, double(values.size()), buffer, QDate(2005, 12, 5),
                        QTime(14, 3, 27), 50607.41);
}

// Exit code, standard output and standard error of one run.
static std::tuple<int, QByteArray, QByteArray> exportTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KURVOMAT_EXPORT_TOOL), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

class TestExport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Record numbers -1 and 1.000.000 and a correlation maximum above 99.999.999 widen their
    // fields and shift every later column; a hand-edited fraction shows the decimal mark.
    void columns_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("en") << QStringList()
                            << QByteArray(
                                   "record,date,time,correlation,count,sample1,sample2,sample3\n"
                                   "-1,05.12.05,14:03:27.41,1234567,2,0,-128,\n"
                                   "1000000,05.12.05,14:03:27.41,101068766,3,1,2.5,32767\n");
        QTest::newRow("de") << QStringList{"--locale", "de"}
                            << QByteArray(
                                   "record;date;time;correlation;count;sample1;sample2;sample3\n"
                                   "-1;05.12.05;14:03:27,41;1234567;2;0;-128;\n"
                                   "1000000;05.12.05;14:03:27,41;101068766;3;1;2,5;32767\n");
        QTest::newRow("de, long, tab")
            << QStringList{"--locale", "de", "--long", "-s", "tab"}
            << QByteArray("record\tindex\tvalue\n-1\t1\t0\n-1\t2\t-128\n1000000\t1\t1\n"
                          "1000000\t2\t2,5\n1000000\t3\t32767\n");
    }
    void columns()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        const QString file = m_dir.filePath(QTest::currentDataTag());
        appendLine(file, record(-1, 1234567, {0, -128}));
        appendLine(file, record(1000000, 101068766, {1, 2, 32767}).replace("# 2 #", "# 2.5 #"));
        QCOMPARE(exportTool(options << file), std::make_tuple(0, expected, QByteArray()));
    }

    // Refused lines (also a count beyond the number range) are named with their line number and
    // skipped, empty lines pass silently; a file that cannot be read leaves an older CSV alone.
    void refusedLinesAndFailures()
    {
        const QString file = m_dir.filePath(QStringLiteral("AUSGABE_OSZI.txt"));
        const QString csv = m_dir.filePath(QStringLiteral("out.csv"));
        QVERIFY(writeBytes(file,
                           record(7, 0, {5}) + "kein Datensatz\r\n\r\n" + record(8, 0, {})
                               + record(9, 0, {1, 7}).replace("# 7 #", "# 40000 #")
                               + record(10, 0, {6, 6})
                               + record(11, 0, {1}).replace("0.001  D", "1E999  D")));
        const auto [code, out, err] = exportTool({QStringLiteral("-o"), csv, file});
        QCOMPARE(std::make_tuple(code, out), std::make_tuple(1, QByteArray()));
        QCOMPARE(readBytes(csv),
                 QByteArray("record,date,time,correlation,count,sample1,sample2\n"
                            "7,05.12.05,14:03:27.41,0,1,5,\n"
                            "10,05.12.05,14:03:27.41,0,2,6,6\n"));
        QCOMPARE(QString(err).remove(file),
                 "kurvomat-export: :2: refused: no \"DATEN:\" where a record has it\n"
                 "kurvomat-export: :4: refused: sample count not in 1..1000\n"
                 "kurvomat-export: :5: refused: sample 2 outside -32768..32767\n"
                 "kurvomat-export: :7: refused: sample count beyond the number range\n"
                 "kurvomat-export: 2 records converted, 4 lines refused\n");
        QCOMPARE(std::get<0>(exportTool({"-o", csv, m_dir.filePath("missing.txt")})), 3);
        QCOMPARE(readBytes(csv).count('\n'), 3);
    }
};

QTEST_APPLESS_MAIN(TestExport)
#include "tst_export.moc"
