// SPDX-License-Identifier: GPL-3.0-or-later
// Record lines: writing to the character, checking and scanning, and agreement of both sides.
// Record files: keeping the newest lines, reading lines back. Appending and the size cap are
// checked through the window (tst_window).
#include "core/Errors.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "support/Files.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cmath>

using namespace kurvomat;
using namespace kurvomat::storage;
using namespace kurvomat::testing;

namespace {

using enum RecordCheck;
using Buffer = std::array<std::int16_t, kLastSampleIndex + 1>;

// A record of 2005-12-05 14:03:27 with ergebnis 1234567, by default the worked example (N 5).
QByteArray rec(const char *number = "000.012", const char *hundredths = "41",
               const char *count = "0.005", QByteArray list = " 128 # 130 # 255 # 0 # 7 #")
{
    return number + (" 05.12.05  14:03:27:" + QByteArray(hundredths)) + " 01.234.567 " + count
        + "  DATEN: #" + list + "*****\r\n";
}

// Checks the line (CR LF dropped) and, when accepted, returns the samples read from samplesFrom.
QList<double> checkAndScan(const QByteArray &bytes, RecordHeader &header, RecordCheck expected)
{
    const QString line = QString::fromLatin1(bytes.endsWith("\r\n") ? bytes.chopped(2) : bytes);
    qsizetype from = -3;
    const RecordCheck check = checkRecord(line, header, from);
    [&] { QCOMPARE(check, expected); }();
    QList<double> values;
    SampleScanner scanner(QStringView(line).sliced(check == Ok ? from : line.size()));
    while (const auto value = scanner.next())
        values.append(*value);
    return values;
}

// Lines first to last ("L001"), each ended by CR LF.
QByteArray lines(int first, int last)
{
    QByteArray bytes;
    for (int i = first; i <= last; ++i)
        bytes += 'L' + QByteArray::number(i).rightJustified(3, '0') + "\r\n";
    return bytes;
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_test = 0;
    QString m_file; // a new name for every test

private slots:
    void init() { m_file = m_dir.filePath(u"AUSGABE_OSZI_%1.txt"_qs.arg(++m_test)); }

    // The hundredths as the original wrote them; fields that widen, any N and sample are checked
    // by the read-back below, the worked example through the window (tst_window).
    void written_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("before 02:46:40") << 12.0 << 9285.02 << rec("000.012", ".9");
        QTest::newRow("after 02:46:40") << 12.0 << 10000.004 << rec("000.012", "00");
    }
    void written()
    {
        QFETCH(double, number);
        QFETCH(double, seconds);
        QFETCH(QByteArray, line);
        const Buffer buffer{99, 128, 130, 255, 0, 7}; // entry 0 is never written
        for (const QLocale &l : {QLocale(QLocale::English), QLocale(QLocale::French), QLocale()}) {
            QLocale::setDefault(l); // the layout is German whatever the host's settings
            QCOMPARE(formatRecord(number, 1234567, 5, buffer, {2005, 12, 5}, {14, 3, 27}, seconds),
                     line);
        }
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<RecordCheck>("check");
        QTest::addColumn<QList<double>>("values");
        const QList<double> none;
        QTest::newRow("DATEN: at column 48") << rec("000.01") << BadMarker << none;
        QTest::newRow("DATEN: at column 50") << rec("000.012 ") << BadMarker << none;
        QTest::newRow("widened field not a number") << rec("1.00.000") << BadMarker << none;
        QTest::newRow("widened correlation not a number")
            << rec().replace("01.234.567", "01.234.5678") << BadMarker << none;
        QTest::newRow("count below 1") << rec("000.012", "41", "5e-04") << BadCount << none;
        QTest::newRow("count 1.001") << rec("000.012", "41", "1.001") << BadCount << none;
        QTest::newRow("decimals; a comma ends a number; text gives 0")
            << rec("000.012", "41", "0.005", " 1.5 #-2.25 # 2,5 # abc ##") << Ok
            << QList<double>{1.5, -2.25, 2, 0, 0};
    }
    void read()
    {
        QFETCH(QByteArray, line);
        QFETCH(RecordCheck, check);
        QFETCH(QList<double>, values);
        RecordHeader header{u"untouched"_qs, u"untouched"_qs, -7, {}, {}};
        QCOMPARE(checkAndScan(line, header, check), values);
        QCOMPARE(header.date == u"untouched", check == Empty || check == BadMarker);
    }

    // Every record the writer can produce reads back with the same values: record numbers
    // from -1 up, correlation maxima from 0 up to the largest exact sum (32767 * 32768 * 1000),
    // every N from 1 to 1000, any 16-bit samples, any date and time of day.
    void everyWrittenRecordReadsBack()
    {
        QRandomGenerator random(0x4B555256); // fixed: a failure reproduces
        const double numbers[] = {-1, 0, 999999, 1e6, 99999999, 1e12};
        const double maxima[] = {0, 99999999, 1e8, 101068766, 8.4e9, 32767.0 * 32768 * 1000};
        // Whole numbers spread over every width: 0 .. 2^40 (about 1.1e12).
        const auto wide = [&] { return std::floor(std::exp2(random.generateDouble() * 40)) - 1; };
        for (int n = 1; n <= 1000; ++n) {
            const double number = n <= 6 ? numbers[n - 1] : wide();
            const double maximum = n <= 6 ? maxima[n - 1] : wide();
            Buffer buffer{};
            for (int i = 1; i <= n; ++i)
                buffer[i] = static_cast<std::int16_t>(random.bounded(-32768, 32768));
            const QDateTime at = QDateTime::fromSecsSinceEpoch(
                random.bounded(Q_INT64_C(4'600'000'000)) - Q_INT64_C(631'152'000), Qt::UTC);
            RecordHeader header;
            const QByteArray line = formatRecord(number, maximum, n, buffer, at.date(), at.time(),
                                                 at.time().msecsSinceStartOfDay() / 1000.0);
            QCOMPARE(checkAndScan(line, header, Ok),
                     QList<double>(buffer.begin() + 1, buffer.begin() + 1 + n));
            QCOMPARE(header.recordNumber, std::optional<double>(number));
            QCOMPARE(header.correlation, std::optional<double>(maximum));
            QCOMPARE(header.date + header.time.left(8), at.toString(u"dd.MM.yyhh:mm:ss"));
            QCOMPARE(header.count, double(n));
        }
    }

    void keepNewest_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty lines count among the 99")
            << lines(1, 140) + QByteArray("\r\n").repeated(10) << lines(52, 140);
        QTest::newRow("LF, CR, CR LF, empty lines dropped")
            << QByteArray("\r\nL001\n\r\nL002\rL003") << lines(1, 3);
        QTest::newRow("missing file becomes empty") << QByteArray() << QByteArray("");
    }
    void keepNewest()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QVERIFY(content.isNull() || writeBytes(m_file, content));
        keepNewestLines(m_file);
        QCOMPARE(readBytes(m_file), expected);
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        const QString longLine(65535, u'x');
        QTest::newRow("lone CR, LF, empty, Latin-1") << QByteArray("a\rb\n\r\n\xb5")
            << QStringList{u"a"_qs, u"b"_qs, QString(), u"\u00b5"_qs};
        QTest::newRow("CR LF split at 64 KiB")
            << longLine.toLatin1() + "\r\ny\r\n" << QStringList{longLine, u"y"_qs};
    }
    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QCOMPARE(readFirstLine(m_file), QString()); // missing
        QVERIFY(writeBytes(m_file, content));
        QCOMPARE(readFirstLine(m_file), lines.value(0));
        LineReader reader;
        QVERIFY(reader.open(m_file));
        for (const QString &line : lines) // one line per call
            QCOMPARE(reader.readLine(), line);
        QCOMPARE(reader.readLine(), QString()); // "" at the end,
        QCOMPARE(reader.readLine(), QString()); // and at every call after it: nothing left over
    }
};

QTEST_APPLESS_MAIN(TestStorage)
#include "tst_storage.moc"
