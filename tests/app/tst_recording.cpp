// SPDX-License-Identifier: GPL-3.0-or-later
// The storage step of each frame through the window: recording, counter, size cap, snapshots.

#include "app/Widgets.h"
#include "support/Files.h"
#include "support/WindowFixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace kurvomat;
using namespace kurvomat::testing;

// The worked example: record 12 on 05.12.2005 14:03:27,41, ERGEBNIS 1234567, N = 5.
const QByteArray kWorkedExample =
    "000.012 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: # 128 # 130 # 255 # 0 # 7 #*****\r\n";

QByteArray workedExample(const char *n)
{
    return QByteArray(kWorkedExample).replace(0, 7, n);
}

class TestRecording : public QObject, WindowSuite {
    Q_OBJECT

    QString file(const QString &s = {}) const { return m_f->file("AUSGABE_OSZI" + s + ".txt"); }

private slots:
    void init()
    {
        open();
        m_w->startUp(); // then the frame of the worked example
        m_w->state().correlationMaximum = 1234567;
        m_w->state().xLength = 5;
        for (int k = 0; int sample : {128, 130, 255, 0, 7, 99}) // the sixth is beyond N
            m_w->state().samples(++k) = static_cast<std::int16_t>(sample);
    }
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
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
