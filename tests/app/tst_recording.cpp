// SPDX-License-Identifier: GPL-3.0-or-later
// The storage step of each frame through the window: recording, counter, size cap, snapshots;
// loading snapshots and playing the recording back.

#include "app/Widgets.h"
#include "support/Files.h"
#include "support/WindowFixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace kurvomat;
using namespace kurvomat::testing;
using Values = QList<int>;

// A record (number and date in `head`) at 14:03:27:41, ERGEBNIS 1234567, as the window writes it.
QByteArray record(const char *count, Values values, const char *head = "000.012 05.12.05")
{
    QByteArray r = head + QByteArray("  14:03:27:41 01.234.567 ") + count + "  DATEN: #";
    for (int v : values)
        r += (v < 0 ? "" : " ") + QByteArray::number(v) + " #";
    return r + "*****";
}

// Snapshot A (null: no file), the refusal shown, the samples stored, the X axis automatic.
struct Load {
    QByteArray file;
    QString message;
    Values stored;
    bool autoAxis = true;
};
// Recording; steps R "RUN", P "||", T tick, A load A; after each: day, timer +/-, messages shown.
struct Run {
    QByteArray recording;
    QString steps;
    QString states;
};
Q_DECLARE_METATYPE(Load)
Q_DECLARE_METATYPE(Run)

// The worked example: record 12 on 05.12.2005 14:03:27,41, ERGEBNIS 1234567, N = 5.
const QByteArray kWorkedExample = record("0.005", {128, 130, 255, 0, 7}) + "\r\n";

QByteArray workedExample(const char *n)
{
    return QByteArray(kWorkedExample).replace(0, 7, n);
}

class TestRecording : public QObject, WindowSuite {
    Q_OBJECT

    QString file(const QString &s = {}) const { return m_f->file("AUSGABE_OSZI" + s + ".txt"); }

    // After start-up, the frame of the worked example.
    void workedExampleFrame()
    {
        m_w->startUp();
        m_w->state().correlationMaximum = 1234567;
        m_w->state().xLength = 5;
        for (int k = 0; int sample : {128, 130, 255, 0, 7, 99}) // the sixth is beyond N
            m_w->state().samples(++k) = static_cast<std::int16_t>(sample);
    }

private slots:
    void init() { open(); }
    void cleanup() { m_f.reset(); }

    // Mode "on" appends to a file (a hole). Past 10,000,000 bytes the file replaces the older
    // ..._ALT.txt, the size field turns light red and stays so, and the next record starts a new
    // file.
    void appendsTheRecord_data()
    {
        QTest::addColumn<qint64>("after");
        QTest::addColumn<QString>("size");
        QTest::newRow("at the cap") << qint64(10'000'000) << "10,000 Mb";
        QTest::newRow("one byte past the cap") << qint64(10'000'001) << "vorher";
    }
    void appendsTheRecord()
    {
        QFETCH(qint64, after);
        QFETCH(QString, size);
        workedExampleFrame();
        const bool moved = after > 10'000'000;
        QVERIFY(writeBytes(file(), "") && QFile::resize(file(), after - kWorkedExample.size()));
        QVERIFY(writeBytes(file("_ALT"), "older"));
        button(*m_w, "Option_ON")->click();
        field(*m_w, "Text_GROESSE")->setText("vorher");
        m_w->state().recordCounter = 11;

        m_w->storeFrame();
        const QByteArray kept = readBytes(file(moved ? "_ALT" : ""));
        QCOMPARE(kept.size(), after);
        QVERIFY(kept.endsWith(kWorkedExample));
        QCOMPARE(field(*m_w, "Text_GROESSE")->text(), size);
        QCOMPARE(backColor(field(*m_w, "Text_GROESSE")),
                 moved ? colours::kLightRed : colours::kGrey);
        if (!moved)
            return;
        m_w->storeFrame();
        QCOMPARE(readBytes(file()), workedExample("000.013"));
        QCOMPARE(backColor(field(*m_w, "Text_GROESSE")), colours::kLightRed);
    }

    // The first frame after start-up only counts to 0 ("100" cuts the file to 99 lines); the
    // next is record 1. Mode "off" counts nothing. A full disk leaves the recording as it was.
    void startUp_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("keptLines"); // of 500 after the first frame
        QTest::newRow("on") << "Option_ON" << false << 500;
        QTest::newRow("100") << "Option_100" << false << 99;
        QTest::newRow("100, disk full") << "Option_100" << true << 500;
        QTest::newRow("off") << "Option_OFF" << false << 500;
    }
    void startUp()
    {
        QFETCH(QString, mode);
        QFETCH(bool, diskFull);
        QFETCH(int, keptLines);
        workedExampleFrame();
        QByteArray lines; // 62 bytes each
        for (int i = 1; i <= 500; ++i)
            lines += QByteArray::number(i).leftJustified(60, 'x') + "\r\n";
        QVERIFY(writeBytes(file(), lines));
        m_w->findChild<QPushButton *>(mode)->click();
        field(*m_w, "Text_ANZAHL")->setText("vorher");
        FileSizeLimit limit(diskFull ? 4000 : RLIM_INFINITY); // less than 99 lines
        QVERIFY(!diskFull || limit.active());

        m_w->storeFrame();
        const QByteArray kept = lines.right(keptLines * 62);
        QCOMPARE(readBytes(file()), kept);
        QCOMPARE(field(*m_w, "Text_ANZAHL")->text(),
                 QString(mode == "Option_OFF" ? "vorher" : "0"));
        m_w->storeFrame();
        const bool written = mode != "Option_OFF" && !diskFull;
        QCOMPARE(readBytes(file()), kept + (written ? workedExample("000.001") : ""));
        QCOMPARE(m_w->state().recordCounter, mode == "Option_OFF" ? -1.0 : 1.0);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Requests A and C at one frame: port closed, A written and reported, then C; B untouched.
    // A snapshot that cannot be written is reported by a warning naming it; C is still served.
    void snapshotsServedInOrder_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QStringList>("seenAtMessages"); // 1: snapshot holds the frame / port open
        QTest::newRow("both saved") << false << QStringList{"A1 B0 C0 port0", "A1 B0 C1 port0"};
        QTest::newRow("folder in A's place") << true << QStringList{"A0 B0 C1 port0"};
    }
    void snapshotsServedInOrder()
    {
        QFETCH(bool, blocked);
        QFETCH(QStringList, seenAtMessages);
        workedExampleFrame();
        QVERIFY(port(*m_w)->PortOpen()); // opened at start-up
        QVERIFY(!blocked || QDir().mkdir(file("_A")));
        button(*m_w, "Option_OFF")->click(); // the counter is written as it stands
        m_w->state().recordCounter = 12;
        for (const char *request : {"Command6", "Command18", "Command6"})
            button(*m_w, request)->click();
        QStringList seen;
        const auto has = [&](const char *l) { return int(readBytes(file(l)) == kWorkedExample); };
        m_dialogs->whileMessageOpen = [&] {
            seen << QString::asprintf("A%d B%d C%d port%d", has("_A"), has("_B"), has("_C"),
                                      int(port(*m_w)->PortOpen()));
        };

        m_w->storeFrame();
        QCOMPARE(seen, seenAtMessages);
        QCOMPARE(m_dialogs->texts("message"), QStringList(seen.size(), "gespeichert"));
        QCOMPARE(m_dialogs->texts("warning").size(), int(blocked));
        QVERIFY(!blocked || m_dialogs->shown[0].text.contains(file("_A")));
        for (const bool requested : m_w->state().snapshotRequests)
            QVERIFY(!requested);
        QVERIFY(!QFile::exists(file("_B")));
    }

    // A record with "DATEN:" in place shows its date and time; unless refused, its samples are
    // stored and drawn up to the first that does not fit, and N follows if automatic.
    void load_data()
    {
        QTest::addColumn<Load>("load");
        const QString ok, bad = "DATENSATZ nicht korrekt";
        const Values worked{128, 130, 255, 0, 7}, none, fives(300, 5);
        QTest::newRow("worked example") << Load{record("0.005", worked), ok, worked};
        QTest::newRow("X axis fixed at 1000") << Load{record("0.300", fives), ok, fives, false};
        QTest::newRow("no DATEN:") << Load{"Messung vom Montag", bad, none};
        QTest::newRow("count 0.000")
            << Load{record("0.000", {1}), bad + " => DIAGRAMM_MAX_ANZ_DATENPUNKTE", none};
        QTest::newRow("outside 16 bits")
            << Load{record("0.004", {32767, -32768, 32768, 3}), ok, {32767, -32768}};
        QTest::newRow("1101 values") << Load{record("1.000", Values(1101, 9)), ok, Values(1100, 9)};
        QTest::newRow("missing file") << Load{QByteArray(), ok, none};
    }
    void load()
    {
        QFETCH(Load, load);
        m_w->state().xLength = 1000;
        for (int k = 1; k <= 1100; ++k) // older values
            m_w->state().samples(k) = -7;
        const qsizetype n = load.stored.size();
        QVERIFY(load.file.isNull() || writeBytes(file("_A"), load.file));
        button(*m_w, "Check_AUTO")->setChecked(load.autoAxis);
        m_w->state().pointCount = 42; // points drawn before

        button(*m_w, "Command17")->click();
        const bool dated = load.file.contains("DATEN:");
        QCOMPARE(m_dialogs->texts("message").join('|'), load.message);
        QCOMPARE(field(*m_w, "Text_DATUM")->text(), QString(dated ? "05.12.05" : "__.__.__"));
        QCOMPARE(field(*m_w, "Text_ZEIT")->text(), QString(dated ? "14:03:27:41" : "__:__:__:__"));
        QCOMPARE(m_w->state().xLength, load.autoAxis && n > 0 ? n : 1000.0);
        QCOMPARE(int(m_w->state().pointCount), n > 0 ? int(n) : 42);
        for (int k = 1; k <= n; ++k) // stored and drawn
            QCOMPARE(QPair(int(m_w->state().samples(k)), chart(*m_w)->value(k)),
                     QPair(load.stored[k - 1], double(load.stored[k - 1])));
        if (n < 1100)
            QCOMPARE(int(m_w->state().samples(n + 1)), -7);
    }

    // Playback shows one record per tick and ends at an empty line; "||" ends it at the next
    // tick, "RUN" starts over; "RUN" clicked again (the port closed) plays on where it stands. A
    // load ends it. A tick inside a refusal's message does nothing.
    void playback_data()
    {
        QTest::addColumn<Run>("run");
        QByteArrayList days;
        for (const char *head : {"000.001 01.02.03", "000.002 02.02.03", "000.003 03.02.03"})
            days << record("0.001", {1}, head);
        const QByteArray three = days.join("\r\n") + "\r\n";
        QTest::newRow("one per tick") << Run{three, "RTTTT", "__+0 01+0 02+0 03+0 03-0"};
        QTest::newRow("empty line") << Run{days[0] + "\r\n\r\n" + days[1], "RTT", "__+0 01+0 01-0"};
        QTest::newRow("|| and RUN") << Run{three, "RTTPTRT", "__+0 01+0 02+0 02+0 02-0 02+0 01+0"};
        QTest::newRow("RUN again plays on") << Run{three, "RTRT", "__+0 01+0 01+0 02+0"};
        QTest::newRow("load ends it") << Run{three, "RTAT", "__+0 01+0 05-0 05-0"};
        QTest::newRow("refusals do not pile up")
            << Run{"kein Datensatz\r\n" + record("0.000", {1}) + "\r\n" + days[0], "RTTT",
                   "__+0 __+1 05+2 01+2"};
    }
    void playback()
    {
        QFETCH(Run, run);
        QVERIFY(writeBytes(file(), run.recording));
        QVERIFY(writeBytes(file("_A"), record("0.001", {1})));
        m_dialogs->whileMessageOpen = [this] { m_w->playNextRecord(); }; // a tick
        QStringList seen;
        for (QChar step : run.steps) {
            if (step == 'T')
                m_w->playNextRecord();
            else
                button(*m_w,
                       step == 'R'       ? "Option3"
                           : step == 'P' ? "Option4"
                                         : "Command17")
                    ->click();
            const char on = timer(*m_w, "Timer_WIEDERGABE")->isActive() ? '+' : '-';
            seen << field(*m_w, "Text_DATUM")->text().left(2) + on
                    + QString::number(m_dialogs->shown.size());
        }
        QCOMPARE(seen.join(' '), run.states);
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
