// SPDX-License-Identifier: GPL-3.0-or-later
// Loading snapshots and playing the recording back through the window.

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

class TestPlayback : public QObject, WindowSuite {
    Q_OBJECT

private slots:
    void init()
    {
        open();
        m_w->state().xLength = 1000;
        for (int k = 1; k <= 1100; ++k) // older values
            m_w->state().samples(k) = -7;
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
        const qsizetype n = load.stored.size();
        QVERIFY(load.file.isNull() || writeBytes(m_f->file("AUSGABE_OSZI_A.txt"), load.file));
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
        QVERIFY(writeBytes(m_f->file("AUSGABE_OSZI.txt"), run.recording));
        QVERIFY(writeBytes(m_f->file("AUSGABE_OSZI_A.txt"), record("0.001", {1})));
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

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
