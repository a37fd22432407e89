// The storage step of each frame through the window: recording modes, the record counter, the
// size and count fields, the size cap, snapshot requests and their files, and what a data
// folder that refuses writing leaves behind.

#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "support/Fakes.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include "support/Files.h"

#ifdef Q_OS_UNIX
#include "support/PseudoTerminal.h"

#endif

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {

// The worked example: record 12 on 05.12.2005 at 14:03:27, hundredths 41, ERGEBNIS 1234567,
// N = 5, samples 128, 130, 255, 0, 7 (87 characters and CR LF).
const QByteArray kWorkedExample =
    "000.012 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: # 128 # 130 # 255 # 0 # 7 #*****\r\n";
// The same frame as record 13.
const QByteArray kWorkedExample13 =
    "000.013 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: # 128 # 130 # 255 # 0 # 7 #*****\r\n";

QByteArrayList linesOf(const QByteArray &bytes)
{
    QByteArrayList lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// Lines "Zeile 001" .. "Zeile <last>", each padded with "x" to `width` characters, CR LF.
QByteArray numberedLines(int first, int last, int width)
{
    QByteArray bytes;
    for (int i = first; i <= last; ++i)
        bytes += ("Zeile " + QByteArray::number(i).rightJustified(3, '0')).leftJustified(width, 'x')
            + "\r\n";
    return bytes;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<frmHAUPT> m_w;

    QString file(const QString &name) const { return m_dir->filePath(name); }
    QString recording() const { return file(QStringLiteral("AUSGABE_OSZI.txt")); }
    QString snapshot(char letter) const
    {
        return file(QStringLiteral("AUSGABE_OSZI_%1.txt").arg(QLatin1Char(letter)));
    }

    // The frame of the worked example, with the counter one below its record number.
    void workedExampleFrame(frmHAUPT &w, double recordNumber)
    {
        w.DATENSATZ_ZAEHLER = recordNumber;
        w.ERGEBNIS = 1234567;
        w.DIAGRAMM_MAX_ANZ_DATENPUNKTE = 5;
        const int samples[] = {128, 130, 255, 0, 7};
        for (int k = 1; k <= 5; ++k)
            w.DATENPUNKTE(k) = static_cast<std::int16_t>(samples[k - 1]);
        w.DATENPUNKTE(6) = 99; // beyond N: never written
    }
    void sentinelBuffer()
    {
        for (int k = 1; k <= 1100; ++k)
            m_w->DATENPUNKTE(k) = -7;
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_w = std::make_unique<frmHAUPT>(testEnvironment(m_dir->path(), m_dialogs));
    }
    void cleanup()
    {
        m_w.reset();
        QLocale::setDefault(QLocale::c());
    }

    // A record goes to the end of the recording file, byte for byte in the German layout on
    // every host; the fields show the counter and the file's size in the host's notation.
    void recordingAppendsTheFrame_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("size");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "0,123 Mb";
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << "0.123 Mb";
    }
    void recordingAppendsTheFrame()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, size);
        QLocale::setDefault(locale);
        // 123367 bytes before, 89 appended: 123456 bytes.
        const QByteArray before = QByteArray(123365, 'x') + "\r\n";
        QVERIFY(writeBytes(recording(), before));
        m_w->Option_ON->click();
        workedExampleFrame(*m_w, 11);

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();

        QCOMPARE(readBytes(recording()), before + kWorkedExample);
        QCOMPARE(m_w->DATENSATZ_ZAEHLER, 12.0);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("12"));
        QCOMPARE(m_w->Text_GROESSE->text(), size);
        QCOMPARE(m_w->DATEI_NAME, recording());
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Records written as snapshots and loaded back: every record the program writes loads,
    // including the widened record numbers -1 and 1,000,000.
    void recordsLoadBack_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("recordNumber");
        QTest::addColumn<double>("ergebnis");
        QTest::addColumn<QList<int>>("samples");
        QTest::addColumn<QByteArray>("expected");

        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QList<int> worked{128, 130, 255, 0, 7};
        QTest::newRow("worked example") << german << 12.0 << 1234567.0 << worked << kWorkedExample;
        QTest::newRow("worked example, English host")
            << english << 12.0 << 1234567.0 << worked << kWorkedExample;
        QTest::newRow("N = 1") << german << 0.0 << 0.0 << QList<int>{42}
                               << QByteArray("000.000 05.12.05  14:03:27:41 00.000.000 0.001  "
                                             "DATEN: # 42 #*****\r\n");
        QTest::newRow("negative samples")
            << german << 999999.0 << 99999999.0 << QList<int>{-128, -5, 0, 32767, -32768}
            << QByteArray("999.999 05.12.05  14:03:27:41 99.999.999 0.005  "
                          "DATEN: #-128 #-5 # 0 # 32767 #-32768 #*****\r\n");
        QTest::newRow("record -1")
            << german << -1.0 << 0.0 << QList<int>{-128}
            << QByteArray("-000.001 05.12.05  14:03:27:41 00.000.000 0.001  DATEN: #-128 #*****\r\n");
        QTest::newRow("record 1,000,000")
            << german << 1000000.0 << 255.0 << QList<int>{1, 2, 3}
            << QByteArray("1.000.000 05.12.05  14:03:27:41 00.000.255 0.003  "
                          "DATEN: # 1 # 2 # 3 #*****\r\n");
        QTest::newRow("record 1,000,000, English host")
            << english << 1000000.0 << 255.0 << QList<int>{1, 2, 3}
            << QByteArray("1.000.000 05.12.05  14:03:27:41 00.000.255 0.003  "
                          "DATEN: # 1 # 2 # 3 #*****\r\n");
        QByteArray full = "000.000 05.12.05  14:03:27:41 00.000.000 1.000  DATEN: #";
        for (int i = 0; i < 1000; ++i)
            full += " 255 #";
        full += "*****\r\n";
        QTest::newRow("N = 1000, all 255") << german << 0.0 << 0.0 << QList<int>(1000, 255)
                                           << full;
    }
    void recordsLoadBack()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, recordNumber);
        QFETCH(double, ergebnis);
        QFETCH(QList<int>, samples);
        QFETCH(QByteArray, expected);
        QLocale::setDefault(locale);
        m_w->Option_OFF->click(); // the counter is written as it stands
        m_w->DATENSATZ_ZAEHLER = recordNumber;
        m_w->ERGEBNIS = ergebnis;
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = samples.size();
        for (int k = 1; k <= samples.size(); ++k)
            m_w->DATENPUNKTE(k) = static_cast<std::int16_t>(samples[k - 1]);
        m_w->Command6->click();
        QCOMPARE(m_w->SPEICHERN_A, kTrue);
        QVERIFY(!QFile::exists(snapshot('A'))); // the button only asks

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();

        const QByteArray written = readBytes(snapshot('A'));
        QCOMPARE(written, expected);
        if (samples.size() == 1000)
            QCOMPARE(written.size(), 6061 + 2);
        QCOMPARE(m_w->SPEICHERN_A, kFalse);
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")), QStringList{"gespeichert"});
        QCOMPARE(m_dialogs->shown.first().title, QStringLiteral("KURVOMAT"));
        QVERIFY(!QFile::exists(recording()));

        // Loaded back into a buffer and an axis that held something else.
        sentinelBuffer();
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 777;
        m_w->Check_AUTO->setChecked(true);
        m_w->Command17->click();
        m_w->flushPointFields();

        QCOMPARE(m_dialogs->shown.size(), 1); // no refusal
        QCOMPARE(m_w->Text_DATUM->text(), QStringLiteral("05.12.05"));
        QCOMPARE(m_w->Text_ZEIT->text(), QStringLiteral("14:03:27:41"));
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, double(samples.size()));
        QCOMPARE(int(m_w->DIAGRAMM_ZAEHLER), int(samples.size()));
        for (int k = 1; k <= samples.size(); ++k) {
            QCOMPARE(int(m_w->DATENPUNKTE(k)), samples[k - 1]);
            QCOMPARE(m_w->MSChart1->value(k), double(samples[k - 1]));
        }
        QCOMPARE(int(m_w->DATENPUNKTE(samples.size() + 1)), -7);
        QCOMPARE(readBytes(snapshot('A')), expected); // loading leaves the file alone
    }

    // The first frame after start-up only brings the counter to 0; the second is record 1.
    void firstFrameIsCountedNotWritten_data()
    {
        QTest::addColumn<bool>("limited");
        QTest::addColumn<QString>("sizeAfterFirst");
        // Mode "on" finds no file to measure; mode "100" has just made an empty one.
        QTest::newRow("on") << false << "vorher";
        QTest::newRow("100") << true << "0,000 Mb";
    }
    void firstFrameIsCountedNotWritten()
    {
        QFETCH(bool, limited);
        QFETCH(QString, sizeAfterFirst);
        m_w->Timer_START_Timer();
        (limited ? m_w->Option_100 : m_w->Option_ON)->click();
        m_w->Text_GROESSE->setText(QStringLiteral("vorher"));

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(m_w->DATENSATZ_ZAEHLER, 0.0);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("0"));
        QCOMPARE(m_w->Text_GROESSE->text(), sizeAfterFirst);
        QCOMPARE(QFile::exists(recording()), limited);
        QCOMPARE(QFileInfo(recording()).size(), qint64(0));

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        const QByteArrayList lines = linesOf(readBytes(recording()));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith("000.001 05.12.05  14:03:27:41 "), lines[0].left(40));
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("1"));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Mode "100" with a file of 500 lines: cut to its newest 99 at the first frame after
    // start-up (nothing written); the next frame appends the 100th line.
    void modeHundredKeepsTheNewest()
    {
        QVERIFY(writeBytes(recording(), numberedLines(1, 500, 1000)));
        m_w->Timer_START_Timer();
        QVERIFY(m_w->Option_100->isChecked()); // the mode at start

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(readBytes(recording()), numberedLines(402, 500, 1000));
        QCOMPARE(m_w->DATEI_ZEILE, QString::fromLatin1(numberedLines(500, 500, 1000).chopped(2)));
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("0"));
        QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("0,099 Mb")); // 99 × 1002 bytes

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        const QByteArray after = readBytes(recording());
        const QByteArrayList lines = linesOf(after);
        QCOMPARE(lines.size(), 100);
        QVERIFY(after.startsWith(numberedLines(402, 500, 1000)));
        QVERIFY2(lines.last().startsWith("000.001 05.12.05  14:03:27:41 "), lines.last().left(40));
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("1"));

        // The counter goes on beyond 100; the file stays at 100 records.
        for (int i = 0; i < 150; ++i)
            m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        const QByteArrayList later = linesOf(readBytes(recording()));
        QCOMPARE(later.size(), 100);
        QVERIFY2(later.first().startsWith("000.052 "), later.first().left(10));
        QVERIFY2(later.last().startsWith("000.151 "), later.last().left(10));
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("151"));
    }

    // Mode "off" from start-up: nothing counted, nothing written; a snapshot then carries
    // record number -1 and still loads back. Switching the mode on does not reset the counter.
    void modeOffFromStartUp()
    {
        m_w->Timer_START_Timer();
        m_w->Option_OFF->click();
        m_w->Text_ANZAHL->setText(QStringLiteral("vorher"));
        for (int i = 0; i < 3; ++i)
            m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(m_w->DATENSATZ_ZAEHLER, -1.0);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("vorher"));
        QVERIFY(!QFile::exists(recording()));

        m_w->Command6->click();
        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QVERIFY(readBytes(snapshot('A')).startsWith("-000.001 05.12.05  14:03:27:41 "));
        m_w->Command17->click();
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")), QStringList{"gespeichert"});
        QCOMPARE(m_w->Text_ZEIT->text(), QStringLiteral("14:03:27:41"));

        m_w->Option_ON->click();
        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(m_w->DATENSATZ_ZAEHLER, 0.0);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("0"));
    }

    // Requests A and C at one frame: A is written and reported, then C; B stays untouched;
    // the port is closed; each snapshot file then holds exactly one record.
    void snapshotsServedInOrder()
    {
#ifdef Q_OS_UNIX
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        const QString device = pty.slavePath();
        env.serialDevice = [device](int port) { return port == 1 ? device : QString(); };
        m_w = std::make_unique<frmHAUPT>(env);
        m_w->MSComm1->setPortOpen(true);
        QVERIFY(m_w->MSComm1->PortOpen());
#endif
        QVERIFY(writeBytes(snapshot('A'), "old line 1\r\nold line 2\r\n"));
        m_w->Option_OFF->click();
        workedExampleFrame(*m_w, 12);
        m_w->Command6->click();
        m_w->Command18->click();
        m_w->Command6->click(); // asking twice changes nothing

        struct Seen {
            bool portOpen;
            bool a, b, c;
            Boolean requestA, requestC;
        };
        QList<Seen> seen;
        m_dialogs->whileMessageOpen = [&] {
            seen.append({m_w->MSComm1->PortOpen(), readBytes(snapshot('A')) == kWorkedExample,
                         QFile::exists(snapshot('B')), readBytes(snapshot('C')) == kWorkedExample,
                         m_w->SPEICHERN_A, m_w->SPEICHERN_C});
        };

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();

        QCOMPARE(m_dialogs->texts(QStringLiteral("message")),
                 QStringList({"gespeichert", "gespeichert"}));
        QCOMPARE(seen.size(), 2);
        // At the first message A is written and cleared, C still pending and absent.
        QVERIFY(!seen[0].portOpen);
        QVERIFY(seen[0].a);
        QVERIFY(!seen[0].c);
        QCOMPARE(seen[0].requestA, kFalse);
        QCOMPARE(seen[0].requestC, kTrue);
        QVERIFY(seen[1].c);
        QCOMPARE(seen[1].requestC, kFalse);
        QVERIFY(!seen[0].b && !seen[1].b);
        QCOMPARE(m_w->SPEICHERN_B, kFalse);
        QVERIFY(!QFile::exists(snapshot('B')));
        QCOMPARE(readBytes(snapshot('A')), kWorkedExample);
        QCOMPARE(readBytes(snapshot('C')), kWorkedExample);
        QCOMPARE(m_w->DATEI_NAME, snapshot('C'));
        QVERIFY(!m_w->MSComm1->PortOpen());
        QVERIFY(m_dialogs->texts(QStringLiteral("warning")).isEmpty());
        // Served once: the next frame shows nothing.
        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(m_dialogs->shown.size(), 2);
    }

    // A snapshot that cannot be written is reported as not saved, naming the file and the
    // reason; the request is cleared, the old snapshot stays as it was, and a later request
    // at the same frame is still served.
    void failedSnapshotIsReported_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("folder in the way") << false;
        QTest::newRow("disk full") << true;
    }
    void failedSnapshotIsReported()
    {
        QFETCH(bool, diskFull);
        const QByteArray old = "old snapshot\r\n";
        if (diskFull) {
            QVERIFY(writeBytes(snapshot('A'), old));
        } else {
            QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("AUSGABE_OSZI_A.txt")));
        }
        m_w->Option_OFF->click();
        workedExampleFrame(*m_w, 12);
        m_w->Command6->click();
        m_w->Command18->click();

        if (diskFull) {
#ifdef Q_OS_UNIX
            FileSizeLimit limit(50); // less than one record
            QVERIFY(limit.active());
            m_w->ABFRAGE_AUF_HDD_SPEICHERN();
#else
            QSKIP("needs a per-process file size limit");
#endif
        } else {
            m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        }

        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), diskFull ? 2 : 1);
        const QStringList parts = warnings.first().split(u'\n');
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts[1], QDir::toNativeSeparators(snapshot('A')));
        QVERIFY2(!parts[2].trimmed().isEmpty(), qPrintable(warnings.first()));
        QCOMPARE(m_dialogs->shown.first().kind, QStringLiteral("warning"));
        QCOMPARE(m_dialogs->shown.first().title, QStringLiteral("KURVOMAT"));
        // C was served after A: saved unless the disk is full for it as well.
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")),
                 diskFull ? QStringList{} : QStringList{"gespeichert"});
        if (diskFull)
            QVERIFY(!QFile::exists(snapshot('C')));
        else
            QCOMPARE(readBytes(snapshot('C')), kWorkedExample);
        QCOMPARE(m_w->SPEICHERN_A, kFalse);
        QCOMPARE(m_w->SPEICHERN_C, kFalse);
        if (diskFull)
            QCOMPARE(readBytes(snapshot('A')), old);
        else
            QVERIFY(QFileInfo(snapshot('A')).isDir());
        // Nothing half-written is left beside the snapshot.
        const QStringList expectedFiles =
            diskFull ? QStringList{"AUSGABE_OSZI_A.txt"}
                     : QStringList{"AUSGABE_OSZI_A.txt", "AUSGABE_OSZI_C.txt"};
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 expectedFiles);
    }

    // The size cap: a record that takes the recording past 10,000,000 bytes moves the file,
    // with that record as its last line, to AUSGABE_OSZI_ALT.txt (replacing an older one); the
    // next record starts a new file; the size field turns light red and stays so. A file of
    // exactly 10,000,000 bytes is not full.
    void sizeCap_data()
    {
        QTest::addColumn<qint64>("after");
        QTest::newRow("one byte past the cap") << qint64(10'000'001);
        QTest::newRow("at the cap") << qint64(10'000'000);
    }
    void sizeCap()
    {
        QFETCH(qint64, after);
        const bool moved = after > 10'000'000;
        const qint64 before = after - kWorkedExample.size();
        {
            // Mostly a hole: ends in CR LF so that the next record starts a line.
            QFile full(recording());
            QVERIFY(full.open(QIODevice::WriteOnly));
            QVERIFY(full.resize(before - 2));
            QVERIFY(full.seek(before - 2));
            QCOMPARE(full.write("\r\n"), qint64(2));
        }
        const QString aged = file(QStringLiteral("AUSGABE_OSZI_ALT.txt"));
        QVERIFY(writeBytes(aged, "older generation\r\n"));
        m_w->Option_ON->click();
        m_w->Text_GROESSE->setText(QStringLiteral("vorher"));
        workedExampleFrame(*m_w, 11);

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();

        if (!moved) {
            QCOMPARE(QFileInfo(recording()).size(), after);
            QCOMPARE(readBytes(aged), QByteArray("older generation\r\n"));
            QCOMPARE(backColor(m_w->Text_GROESSE), colours::kGrey);
            QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("10,000 Mb"));
            return;
        }
        QVERIFY(!QFile::exists(recording()));
        QCOMPARE(QFileInfo(aged).size(), after);
        {
            QFile agedFile(aged);
            QVERIFY(agedFile.open(QIODevice::ReadOnly));
            QVERIFY(agedFile.seek(before - 2));
            QCOMPARE(agedFile.readAll(), "\r\n" + kWorkedExample);
        }
        QCOMPARE(backColor(m_w->Text_GROESSE), colours::kLightRed);
        QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("vorher")); // nothing to measure
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("12"));

        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        QCOMPARE(readBytes(recording()), kWorkedExample13);
        QCOMPARE(QFileInfo(aged).size(), after);
        QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("0,000 Mb"));
        QCOMPARE(backColor(m_w->Text_GROESSE), colours::kLightRed);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // A full disk in mode "100": the limit step cannot write the trimmed file and the append
    // cannot write the record, so the recording stays exactly as it was; nothing is shown,
    // the counter and the fields go on.
    void fullDiskKeepsTheRecording()
    {
#ifdef Q_OS_UNIX
        QVERIFY(writeBytes(recording(), numberedLines(1, 500, 60)));
        m_w->Timer_START_Timer();
        m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        const QByteArray kept = numberedLines(402, 500, 60); // 99 × 62 bytes
        QCOMPARE(readBytes(recording()), kept);
        {
            FileSizeLimit limit(4000); // less than the trimmed file
            QVERIFY(limit.active());
            m_w->ABFRAGE_AUF_HDD_SPEICHERN();
        }
        QCOMPARE(readBytes(recording()), kept);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("1"));
        QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("0,006 Mb"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"AUSGABE_OSZI.txt"});
        QVERIFY(m_dialogs->shown.isEmpty());
#else
        QSKIP("needs a per-process file size limit");
#endif
    }

    // A data folder that allows no new file: no record is lost and no file is damaged. The
    // limit step cannot replace the recording, so it stays whole; the snapshot is reported as
    // not saved and keeps its old record; the counter goes on.
    void readOnlyFolderDamagesNothing()
    {
        const QString folder = m_dir->filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkdir(folder));
        const QByteArray records = numberedLines(1, 500, 60);
        const QByteArray oldSnapshot = kWorkedExample13;
        QVERIFY(writeBytes(QDir(folder).filePath(QStringLiteral("AUSGABE_OSZI.txt")), records));
        QVERIFY(writeBytes(QDir(folder).filePath(QStringLiteral("AUSGABE_OSZI_A.txt")), oldSnapshot));
        const auto writable = QFile::permissions(folder);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                                  | QFileDevice::ReadOther | QFileDevice::ExeOther));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, writable); });
        {
            QFile probe(QDir(folder).filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.close();
                probe.remove();
                QSKIP("this user may write to a read-only folder (root?)");
            }
        }
        m_w = std::make_unique<frmHAUPT>(testEnvironment(folder, m_dialogs));
        m_w->Timer_START_Timer();
        workedExampleFrame(*m_w, -1);
        m_w->Command6->click();

        m_w->ABFRAGE_AUF_HDD_SPEICHERN(); // mode "100": limit fails, first frame not written

        QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("AUSGABE_OSZI.txt"))), records);
        QCOMPARE(readBytes(QDir(folder).filePath(QStringLiteral("AUSGABE_OSZI_A.txt"))),
                 oldSnapshot);
        QCOMPARE(m_w->Text_ANZAHL->text(), QStringLiteral("0"));
        QCOMPARE(m_w->Text_GROESSE->text(), QStringLiteral("0,031 Mb")); // 500 × 62 bytes
        QCOMPARE(m_w->SPEICHERN_A, kFalse);
        QVERIFY(m_dialogs->texts(QStringLiteral("message")).isEmpty());
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).size(), 1);
        QVERIFY(m_dialogs->texts(QStringLiteral("warning"))
                    .first()
                    .contains(QDir::toNativeSeparators(
                        QDir(folder).filePath(QStringLiteral("AUSGABE_OSZI_A.txt")))));
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 QStringList({"AUSGABE_OSZI.txt", "AUSGABE_OSZI_A.txt"}));
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
