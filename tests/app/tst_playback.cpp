// Loading snapshots and playing the recording back through the window: the record reader with
// its refusals, the playback states, loads during playback, refusal messages that must not
// pile up, and bad input that must neither crash nor damage a file.

#include "acquisition/MSComm.h"
#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "support/Fakes.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "support/Files.h"

#ifdef Q_OS_UNIX
#include "support/PseudoTerminal.h"
#endif

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {

// Three records of the recording, told apart by date, time and samples.
const QByteArray kRecord1 =
    "000.001 01.02.03  04:05:06:07 00.000.000 0.003  DATEN: # 10 # 20 # 30 #*****";
const QByteArray kRecord2 = "000.002 02.02.03  04:05:07:08 00.000.000 0.002  DATEN: #-1 # 2 #*****";
const QByteArray kRecord3 =
    "000.003 03.02.03  04:05:08:09 00.000.000 0.004  DATEN: # 5 # 6 # 7 # 8 #*****";
// A snapshot, different from all three.
const QByteArray kSnapshotA =
    "000.042 24.12.99  23:59:59:99 00.000.000 0.001  DATEN: # 123 #*****";
// The header of a record of N = 1000 (the marker's "#" opens the sample list).
const QByteArray kHeader1000 = "000.000 05.12.05  14:03:27:41 00.000.000 1.000  DATEN: #";

const QString kNotCorrect = QStringLiteral("DATENSATZ nicht korrekt");
const QString kBadCount = QStringLiteral("DATENSATZ nicht korrekt => DIAGRAMM_MAX_ANZ_DATENPUNKTE");

QByteArray lines(const QByteArrayList &list)
{
    QByteArray out;
    for (const QByteArray &line : list)
        out += line + "\r\n";
    return out;
}

// The worked example with its count field replaced (5 characters).
QByteArray withCount(const QByteArray &count)
{
    QByteArray line = "000.012 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: # 128 # 130 # 255 # 0 # 7 #*****";
    return line.replace(41, 5, count);
}

// How many of this process's file descriptors refer to `path`; -1 where that cannot be told.
int openHandlesTo(const QString &path)
{
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            ++count;
    return count;
#else
    Q_UNUSED(path);
    return -1;
#endif
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<frmHAUPT> m_w;
#ifdef Q_OS_UNIX
    std::unique_ptr<PseudoTerminal> m_pty;
#endif

    QString recording() const { return m_dir->filePath(QStringLiteral("AUSGABE_OSZI.txt")); }
    QString snapshotA() const { return m_dir->filePath(QStringLiteral("AUSGABE_OSZI_A.txt")); }

    void tick() { m_w->Timer_WIEDERGABE_Timer(); }
    void sentinelBuffer()
    {
        for (int k = 1; k <= 1100; ++k)
            m_w->DATENPUNKTE(k) = -7;
    }
    // The record shown: date, time, N and the samples 1..N.
    QString shown() const
    {
        QString out = m_w->Text_DATUM->text() + u' ' + m_w->Text_ZEIT->text() + QStringLiteral(" N=")
            + QString::number(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE) + u':';
        for (int k = 1; k <= m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE && k <= 1100; ++k)
            out += u' ' + QString::number(m_w->DATENPUNKTE(k));
        return out;
    }
    // Opens the port on a pseudo-terminal, so that closing it shows.
    void openPort()
    {
#ifdef Q_OS_UNIX
        m_w->MSComm1->setPortOpen(true);
        QVERIFY(m_w->MSComm1->PortOpen());
#endif
    }
    bool portOpen() const { return m_w->MSComm1->PortOpen(); }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_dialogs = std::make_shared<ScriptedDialogs>();
        auto env = testEnvironment(m_dir->path(), m_dialogs);
#ifdef Q_OS_UNIX
        m_pty = std::make_unique<PseudoTerminal>();
        const QString device = m_pty->slavePath();
        env.serialDevice = [device](int port) { return port == 1 ? device : QString(); };
#endif
        m_w = std::make_unique<frmHAUPT>(env);
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
        QVERIFY(m_w->Check_AUTO->isChecked());
        QVERIFY(m_w->Option4->isChecked());
    }
    void cleanup()
    {
        m_w.reset();
#ifdef Q_OS_UNIX
        m_pty.reset();
#endif
        QLocale::setDefault(QLocale::c());
    }

    // "RUN" closes the port and starts the one-second timer; each tick shows the next record
    // (older samples beyond a shorter record stay); the tick after the last stops the timer.
    void playbackStepsOneRecordPerTick()
    {
        QVERIFY(writeBytes(recording(), lines({kRecord1, kRecord2, kRecord3})));
        openPort();
        m_w->Text_ERGEBNIS->setText(QStringLiteral("x"));

        m_w->Option3->click();
        QVERIFY(m_w->Option3->isChecked());
        QVERIFY(!portOpen());
        QVERIFY(m_w->Timer_WIEDERGABE->isActive());
        QCOMPARE(m_w->Timer_WIEDERGABE->interval(), 1000);
        QCOMPARE(m_w->Text_DATUM->text(), QStringLiteral("__.__.__")); // nothing before a tick

        tick();
        QCOMPARE(shown(), QStringLiteral("01.02.03 04:05:06:07 N=3: 10 20 30"));
        QVERIFY(m_w->Text_ERGEBNIS->text() != QStringLiteral("x")); // correlated
        tick();
        QCOMPARE(shown(), QStringLiteral("02.02.03 04:05:07:08 N=2: -1 2"));
        QCOMPARE(int(m_w->DATENPUNKTE(3)), 30);
        tick();
        QCOMPARE(shown(), QStringLiteral("03.02.03 04:05:08:09 N=4: 5 6 7 8"));
        QVERIFY(m_w->Timer_WIEDERGABE->isActive());
        tick();
        QVERIFY(!m_w->Timer_WIEDERGABE->isActive());
        QCOMPARE(shown(), QStringLiteral("03.02.03 04:05:08:09 N=4: 5 6 7 8"));
        QVERIFY(m_w->Option3->isChecked()); // ended, not stopped
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Playback ends at the first tick that yields no line: an empty line in the middle, or a
    // missing recording file.
    void playbackEndsWithoutALine_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("lastShown");
        QTest::newRow("empty line in the middle")
            << true << lines({kRecord1, "", kRecord2}) << "01.02.03 04:05:06:07 N=3: 10 20 30";
        QTest::newRow("empty line, LF only")
            << true << (kRecord1 + "\n\n" + kRecord2 + "\n") << "01.02.03 04:05:06:07 N=3: 10 20 30";
        QTest::newRow("empty file") << true << QByteArray() << "__.__.__ __:__:__:__ N=3: -7 -7 -7";
        QTest::newRow("missing file")
            << false << QByteArray() << "__.__.__ __:__:__:__ N=3: -7 -7 -7";
    }
    void playbackEndsWithoutALine()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        QFETCH(QString, lastShown);
        if (exists)
            QVERIFY(writeBytes(recording(), content));
        sentinelBuffer();
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 3;
        m_w->Option3->click();
        QVERIFY(m_w->Timer_WIEDERGABE->isActive());
        for (int i = 0; i < 2 && m_w->Timer_WIEDERGABE->isActive(); ++i)
            tick();
        QVERIFY(!m_w->Timer_WIEDERGABE->isActive());
        QCOMPARE(shown(), lastShown);
        QVERIFY(m_dialogs->shown.isEmpty());
        if (exists)
            QCOMPARE(readBytes(recording()), content);
    }

    // "||" closes the file and leaves the timer, whose next tick finds no line and stops it;
    // "RUN" afterwards starts again from the first record.
    void pauseStopsAndRunStartsOver()
    {
        QVERIFY(writeBytes(recording(), lines({kRecord1, kRecord2, kRecord3})));
        m_w->Option3->click();
        tick();
        tick();
        QCOMPARE(shown(), QStringLiteral("02.02.03 04:05:07:08 N=2: -1 2"));

        m_w->Option4->click();
        QVERIFY(m_w->Option4->isChecked());
        QVERIFY(m_w->Timer_WIEDERGABE->isActive()); // stopping: the timer is not touched
        if (openHandlesTo(recording()) >= 0)
            QCOMPARE(openHandlesTo(recording()), 0);
        tick();
        QVERIFY(!m_w->Timer_WIEDERGABE->isActive());
        QCOMPARE(shown(), QStringLiteral("02.02.03 04:05:07:08 N=2: -1 2"));

        m_w->Option3->click();
        tick();
        QCOMPARE(shown(), QStringLiteral("01.02.03 04:05:06:07 N=3: 10 20 30"));

        // "RUN" while stopping, before the tick: also from the start.
        tick();
        m_w->Option4->click();
        m_w->Option3->click();
        tick();
        QCOMPARE(shown(), QStringLiteral("01.02.03 04:05:06:07 N=3: 10 20 30"));
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // A load during playback, while it is stopping, or after it has run to its end always loads
    // its snapshot, and ends playback: "||" selected, timer off, file closed, so no later tick
    // replaces the snapshot.
    void loadEndsPlayback_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("pause");
        QTest::newRow("playing") << 1 << false;
        QTest::newRow("stopping") << 1 << true;
        QTest::newRow("ended") << 4 << false;
    }
    void loadEndsPlayback()
    {
        QFETCH(int, ticks);
        QFETCH(bool, pause);
        QVERIFY(writeBytes(recording(), lines({kRecord1, kRecord2, kRecord3})));
        QVERIFY(writeBytes(snapshotA(), lines({kSnapshotA})));
        m_w->Option3->click();
        for (int i = 0; i < ticks; ++i)
            tick();
        if (pause)
            m_w->Option4->click();
        openPort();

        m_w->Command17->click();

        QCOMPARE(shown(), QStringLiteral("24.12.99 23:59:59:99 N=1: 123"));
        QVERIFY(!portOpen());
        QVERIFY(!m_w->Timer_WIEDERGABE->isActive());
        QVERIFY(m_w->Option4->isChecked());
        QVERIFY(!m_w->Option3->isChecked());
        QCOMPARE(m_w->DATEI_NAME, snapshotA());
        if (openHandlesTo(recording()) >= 0)
            QCOMPARE(openHandlesTo(recording()), 0);
        tick(); // a tick already on its way finds nothing
        QCOMPARE(shown(), QStringLiteral("24.12.99 23:59:59:99 N=1: 123"));
        QVERIFY(m_dialogs->shown.isEmpty());
        QCOMPARE(readBytes(snapshotA()), lines({kSnapshotA}));
    }

    // A refused line does not end playback, and while its message is open a tick does
    // nothing: it neither reads a line nor opens a second message. The line after the refused
    // one is read by the first tick after the message has been closed.
    void refusalsDoNotPileUp()
    {
        QVERIFY(writeBytes(recording(), lines({"kein Datensatz", withCount("0.000"), kRecord1})));
        m_w->Option3->click();
        int depth = 0;
        QStringList seenDuring;
        m_dialogs->whileMessageOpen = [&] {
            if (++depth < 3) { // without the guard, nested ticks would recurse
                const QString before = m_w->DATEI_ZEILE;
                tick();
                seenDuring << QStringLiteral("%1|%2").arg(m_dialogs->shown.size())
                                  .arg(m_w->DATEI_ZEILE == before ? "same" : "changed");
            }
            --depth;
        };

        tick();
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")), QStringList{kNotCorrect});
        QCOMPARE(seenDuring, QStringList{"1|same"});
        QVERIFY(m_w->Timer_WIEDERGABE->isActive());
        QCOMPARE(m_w->Text_DATUM->text(), QStringLiteral("__.__.__"));

        tick();
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")), QStringList({kNotCorrect, kBadCount}));
        QCOMPARE(seenDuring, QStringList({"1|same", "2|same"}));
        QCOMPARE(m_w->Text_DATUM->text(), QStringLiteral("05.12.05")); // shown before refusing
        QVERIFY(m_w->Timer_WIEDERGABE->isActive());

        tick();
        QCOMPARE(shown(), QStringLiteral("01.02.03 04:05:06:07 N=3: 10 20 30"));
        QCOMPARE(m_dialogs->shown.size(), 2);
        for (const auto &message : m_dialogs->shown)
            QCOMPARE(message.title, QStringLiteral("KURVOMAT"));
    }

    // The reader's answer to every kind of line a snapshot file may hold: the specified
    // message or none, the date shown or not, the samples stored up to the first that cannot
    // be; the correlation is recomputed in every case and the file is never changed.
    void badInputIsHandled_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<double>("axis");

        const QString none;
        const QString untouched = QStringLiteral("__.__.__");
        const QString date = QStringLiteral("05.12.05");
        const QList<int> nothing;
        const QByteArray worked = withCount("0.005");

        QTest::newRow("missing file") << false << QByteArray() << none << untouched << nothing
                                      << 777.0;
        QTest::newRow("empty file") << true << QByteArray() << none << untouched << nothing << 777.0;
        QTest::newRow("empty first line")
            << true << lines({"", worked}) << none << untouched << nothing << 777.0;
        QTest::newRow("no DATEN:") << true << lines({"Messung vom Montag"}) << kNotCorrect
                                   << untouched << nothing << 777.0;
        QTest::newRow("lower-case daten:")
            << true << lines({QByteArray(worked).replace("DATEN:", "daten:")}) << kNotCorrect
            << untouched << nothing << 777.0;
        QTest::newRow("DATEN: in column 48")
            << true << lines({worked.mid(1)}) << kNotCorrect << untouched << nothing << 777.0;
        QTest::newRow("DATEN: in column 50")
            << true << lines({" " + worked}) << kNotCorrect << untouched << nothing << 777.0;
        QTest::newRow("wider first field that is no record number")
            << true << lines({"x" + worked}) << kNotCorrect << untouched << nothing << 777.0;
        QTest::newRow("two blanks after the record number")
            << true << lines({QByteArray(worked).insert(7, ' ')}) << kNotCorrect << untouched
            << nothing << 777.0;
        QTest::newRow("count 0.000") << true << lines({withCount("0.000")}) << kBadCount << date
                                     << nothing << 777.0;
        QTest::newRow("count 1.001") << true << lines({withCount("1.001")}) << kBadCount << date
                                     << nothing << 777.0;
        QTest::newRow("count -.005") << true << lines({withCount("-.005")}) << kBadCount << date
                                     << nothing << 777.0;
        QTest::newRow("count beyond the number range")
            << true << lines({withCount("9E999")}) << none << date << nothing << 777.0;
        QTest::newRow("count 1.000 with 5 values")
            << true << lines({withCount("1.000")}) << none << date
            << QList<int>{128, 130, 255, 0, 7} << 5.0;
        QTest::newRow("values read by the leading-number rule")
            << true << lines({withCount("0.004").replace("# 128 # 130 # 255 # 0 # 7 #",
                                                         "# abc # 2,5 # 1.5 # 2.5 #")})
            << none << date << QList<int>{0, 2, 2, 2} << 4.0;
        QTest::newRow("value above 16 bits ends the parse")
            << true << lines({withCount("0.003").replace("# 128 # 130 # 255 # 0 # 7 #",
                                                         "# 1 # 32768 # 3 #")})
            << none << date << QList<int>{1} << 1.0;
        QTest::newRow("value below 16 bits ends the parse")
            << true << lines({withCount("0.003").replace("# 128 # 130 # 255 # 0 # 7 #",
                                                         "# -32768 # -32769 # 3 #")})
            << none << date << QList<int>{-32768} << 1.0;
        QTest::newRow("value beyond the number range ends the parse")
            << true << lines({withCount("0.003").replace("# 128 # 130 # 255 # 0 # 7 #",
                                                         "# 4 # 1E999 # 3 #")})
            << none << date << QList<int>{4} << 1.0;

        QByteArray tooMany = kHeader1000;
        for (int i = 0; i < 1101; ++i)
            tooMany += " 9 #";
        tooMany += "*****";
        QTest::newRow("1101 values") << true << lines({tooMany}) << none << date
                                     << QList<int>(1100, 9) << 1100.0;

        QByteArray huge = kHeader1000;
        for (int i = 0; i < 1'000'000; ++i)
            huge += " 1 #";
        QTest::newRow("4 MB of values") << true << lines({huge}) << none << date
                                        << QList<int>(1100, 1) << 1100.0;
        QTest::newRow("4 MB without marker")
            << true << QByteArray(4 * 1024 * 1024, 'x') << kNotCorrect << untouched << nothing
            << 777.0;

        QRandomGenerator random(4711);
        QByteArray junk;
        while (junk.size() < 5000) {
            const char c = char(random.bounded(256));
            if (c != '\r' && c != '\n')
                junk += c;
        }
        QTest::newRow("binary junk") << true << junk << kNotCorrect << untouched << nothing
                                     << 777.0;
    }
    void badInputIsHandled()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QString, date);
        QFETCH(QList<int>, stored);
        QFETCH(double, axis);
        if (exists)
            QVERIFY(writeBytes(snapshotA(), content));
        sentinelBuffer();
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 777;
        m_w->Text_ERGEBNIS->setText(QStringLiteral("x"));

        m_w->Command17->click();

        QCOMPARE(m_dialogs->texts(QStringLiteral("message")),
                 message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY(m_dialogs->texts(QStringLiteral("warning")).isEmpty());
        QCOMPARE(m_w->Text_DATUM->text(), date);
        for (int k = 1; k <= stored.size(); ++k)
            QCOMPARE(int(m_w->DATENPUNKTE(k)), stored[k - 1]);
        if (stored.size() < 1100)
            QCOMPARE(int(m_w->DATENPUNKTE(stored.size() + 1)), -7);
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, axis);
        // Recomputed also when nothing was loaded; N = 1100 is beyond what can be correlated.
        if (axis <= 1050)
            QVERIFY(m_w->Text_ERGEBNIS->text() != QStringLiteral("x"));
        if (exists)
            QCOMPARE(readBytes(snapshotA()), content);
        else
            QVERIFY(!QFile::exists(snapshotA()));
    }

    // Binary junk after a valid header: the values it happens to hold are read up to the
    // first that does not fit; no message, no crash, the file unchanged.
    void junkAfterTheMarker()
    {
        QRandomGenerator random(815);
        QByteArray line = withCount("0.005").left(56);
        while (line.size() < 100'000) {
            const char c = char(random.bounded(256));
            if (c != '\r' && c != '\n')
                line += c;
        }
        QVERIFY(line.count('#') > 100);
        QVERIFY(writeBytes(snapshotA(), line));
        m_w->Command17->click();
        QVERIFY(m_dialogs->shown.isEmpty());
        QCOMPARE(m_w->Text_DATUM->text(), QStringLiteral("05.12.05"));
        QVERIFY(m_w->DIAGRAMM_ZAEHLER >= 0 && m_w->DIAGRAMM_ZAEHLER <= 1100);
        QCOMPARE(readBytes(snapshotA()), line);
    }

    // With the automatic X axis off, a record of 300 samples leaves N at 1000: the chart is
    // reset for 1000 points, 300 are drawn, and the buffer beyond keeps older values.
    void manualAxisKeepsItsLength()
    {
        QByteArray line = "000.001 05.12.05  14:03:27:41 00.000.000 0.300  DATEN: #";
        for (int i = 1; i <= 300; ++i)
            line += ' ' + QByteArray::number(i % 100) + " #";
        QVERIFY(writeBytes(snapshotA(), lines({line + "*****"})));
        sentinelBuffer();
        m_w->Check_AUTO->setChecked(false);
        m_w->Command17->click();
        m_w->flushPointFields();
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
        QCOMPARE(int(m_w->MSChart1->RowCount()), 1000);
        QCOMPARE(int(m_w->DIAGRAMM_ZAEHLER), 300);
        QCOMPARE(int(m_w->DATENPUNKTE(300)), 0);
        QCOMPARE(int(m_w->DATENPUNKTE(299)), 99);
        QCOMPARE(int(m_w->DATENPUNKTE(301)), -7);
        QCOMPARE(m_w->MSChart1->value(299), 99.0);
        QCOMPARE(m_w->MSChart1->value(301), 0.0);
    }

    // Every load button reads its own file and closes the port.
    void loadButtonsReadTheirFiles_data()
    {
        QTest::addColumn<char>("letter");
        QTest::newRow("A") << 'A';
        QTest::newRow("B") << 'B';
        QTest::newRow("C") << 'C';
    }
    void loadButtonsReadTheirFiles()
    {
        QFETCH(char, letter);
        for (char l : {'A', 'B', 'C'}) {
            const QByteArray record = "000.001 0" + QByteArray(1, char('1' + l - 'A'))
                + ".01.01  00:00:00:00 00.000.000 0.001  DATEN: # 1 #*****";
            QVERIFY(writeBytes(m_dir->filePath(QStringLiteral("AUSGABE_OSZI_%1.txt").arg(l)),
                               lines({record})));
        }
        openPort();
        QPushButton *button =
            letter == 'A' ? m_w->Command17 : letter == 'B' ? m_w->Command20 : m_w->Command21;
        button->click();
        QCOMPARE(m_w->Text_DATUM->text(),
                 QStringLiteral("0%1.01.01").arg(QChar(u'1' + (letter - 'A'))));
        QVERIFY(!portOpen());
    }

    // Unloading the window closes the playback file and stops its timer.
    void unloadClosesPlayback()
    {
        QVERIFY(writeBytes(recording(), lines({kRecord1, kRecord2})));
        m_w->Option3->click();
        tick();
        if (openHandlesTo(recording()) >= 0)
            QCOMPARE(openHandlesTo(recording()), 1);
        m_w->Form_Unload();
        QVERIFY(!m_w->Timer_WIEDERGABE->isActive());
        if (openHandlesTo(recording()) < 0)
            QSKIP("open files cannot be counted here");
        QCOMPARE(openHandlesTo(recording()), 0);
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
