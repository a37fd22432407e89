// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the simulator buttons and the correlation boxes, driven through the window; the
// program's end by EXIT and by closing the window.

#include "support/Files.h"
#include "support/WindowFixture.h"

#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestSimulationWindow : public QObject, WindowSuite {
    Q_OBJECT

    int m_eventRounds = 0;
    std::function<void()> m_firstEventRound; // what the user does when the sweep first yields

    QString results() const { return m_f->file(u"AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt"_qs); }
    QString boxes() const
    {
        return texts(*m_w, {"Text_ERGEBNIS", "Text_ERGEBNIS_256", "TEXT_ERGEBNIS_PHASE"});
    }

private slots:
    // After start-up.
    void init()
    {
        m_eventRounds = 0;
        // A second sweep click while the first lets events run is ignored.
        m_firstEventRound = [this] { button(*m_w, "Command15")->click(); };
        open([this](Environment &env) {
            env.letEventsRun = [this] {
                if (++m_eventRounds == 1)
                    m_firstEventRound();
            };
        });
        timer(*m_w, "Timer_START")->start();
        m_w->startUp();
    }
    void cleanup() { m_f.reset(); }

    // The start-up's known answers (the correlation maximum pins the picture, tst_correlation
    // computes it independently); the results with German, then English separators.
    void startUp()
    {
        QVERIFY(!timer(*m_w, "Timer_START")->isActive()); // runs once
        QCOMPARE(m_w->state().recordCounter, -1.0);
        QCOMPARE(m_w->state().xLength, 1000.0);
        QCOMPARE(chart(*m_w)->value(250), 127.0);
        QCOMPARE(m_w->state().correlationMaximum, 8063322.0);
        QCOMPARE(boxes(), QStringLiteral("8.063.322|31.497|1"));
        QVERIFY(port(*m_w)->PortOpen()); // opened last, after the simulation closed nothing
        QVERIFY(m_dialogs->shown.isEmpty());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_w->correlate();
        QCOMPARE(boxes(), QStringLiteral("8,063,322|31,497|1"));
        // A level the simulation cannot draw, or a port that does not open, is passed over
        // silently: start-up goes on to its last step.
        port(*m_w)->setPortOpen(false);
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(QStringLiteral("50000"));
        m_w->startUp();
        QVERIFY(port(*m_w)->PortOpen()); // the last step
        port(*m_w)->setPortOpen(false);
        port(*m_w)->setCommPort(2); // leads nowhere
        m_w->startUp();
        QVERIFY(!port(*m_w)->PortOpen() && m_dialogs->shown.isEmpty());
    }

    void singleRun_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<int>("at250");
        QTest::addColumn<bool>("refused");
        QTest::newRow("decimal comma reads 0") << "127" << "0,5" << 0 << false;
        QTest::newRow("half the frequency") << "127" << "0.5" << 90 << false; // 127·sin 45°
        QTest::newRow("blanks ignored") << " 1 00" << "1" << 100 << false;
        QTest::newRow("largest level") << "32767" << "1" << 32767 << false;
        QTest::newRow("beyond 16 bits") << "32768" << "1" << 127 << true; // start-up's sine
    }

    // A level whose samples leave 16 bits is named, and nothing is drawn half-way.
    void singleRun()
    {
        QFETCH(QString, level);
        QFETCH(QString, factor);
        QFETCH(int, at250);
        QFETCH(bool, refused);
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(level);
        field(*m_w, "Text_SIMULATION")->setText(factor);
        button(*m_w, "Command16")->click();
        QCOMPARE(int(m_w->state().samples(250)), at250);
        QCOMPARE(qRound(chart(*m_w)->value(250)), at250);
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).size(), m_dialogs->shown.size());
        QCOMPARE(m_dialogs->shown.size(), int(refused));
        QVERIFY(!refused || m_dialogs->shown[0].text.contains(level));
    }

    void correlationBoxes_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters only") << "abc" << 0.0 << "0.000|0|0";
        QTest::newRow("beyond 16 bits: no result") << "40000" << 0.0 << "kein Ergebnis|-|-";
        // Reference 12, 0, -12, -1 against the samples 255, 0, 0, 0.
        QTest::newRow("leading number") << "12,5 is read as 12" << 3060.0 << "3.060|12|1";
    }

    // No stale result of the start-up is ever shown: a level without a number correlates to 0,
    // one that does not fit 16 bits has no result.
    void correlationBoxes()
    {
        QFETCH(QString, reference);
        QFETCH(double, maximum);
        QFETCH(QString, shown);
        m_w->state().xLength = 4;
        for (int k = 1; k <= 4; ++k)
            m_w->state().samples(k) = k == 1 ? 255 : 0;
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(QStringLiteral("1000"));
        m_w->correlate(); // the same period with another level before
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(reference);
        m_w->correlate();
        QCOMPARE(m_w->state().correlationMaximum, maximum);
        QCOMPARE(boxes(), shown);
    }

    // The sweep answered No changes nothing. Answered Yes at the start-up's settings it draws the
    // maxima and replaces the results file; a second click meanwhile is ignored. A results file
    // that cannot be written is named.
    void sweep()
    {
        button(*m_w, "Command15")->click();
        QVERIFY(port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("1.0"));
        QVERIFY(!QFile::exists(results()));
        QVERIFY(writeBytes(results(), QByteArray(100000, 'x'))); // replaced, not extended
        m_dialogs->confirmAnswers << true << true;
        button(*m_w, "Command15")->click();
        QCOMPARE(m_eventRounds, 200); // after every fifth of 1000 steps
        QCOMPARE(m_dialogs->texts(QStringLiteral("confirm")).size(), 2);
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("10,0099999999998"));
        QCOMPARE(m_w->state().xLength, 1000.0);
        QCOMPARE(m_w->state().sweepMaxima(1), 159138.0);
        for (int k = 1; k <= 1000; ++k)
            QCOMPARE(chart(*m_w)->value(k), m_w->state().sweepMaxima(k));
        const QList<QByteArray> lines = readBytes(results()).split('\n');
        QCOMPARE(lines.size(), 1001); // 1000 lines ended by CR LF
        QCOMPARE(lines[0], QByteArray("0,01          159.138\r"));
        QVERIFY(lines[95].startsWith("0,96          ") && lines[999].startsWith("10,00         "));
        const QString name = QFileInfo(results()).fileName();
        QVERIFY(QFile::remove(results()) && QDir(m_f->dir.path()).mkdir(name)); // in the way
        button(*m_w, "Command15")->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QVERIFY(warnings.size() == 1 && warnings[0].contains(name));
    }

    // EXIT while the sweep lets events run: the sweep goes no further (no later step, no curve,
    // no results file), no timer runs, nothing is shown, and the event loop ends.
    void exitDuringTheSweepEndsEverything()
    {
        m_firstEventRound = [this] { button(*m_w, "Command5")->click(); };
        m_dialogs->confirmAnswers << true;
        QTimer::singleShot(0, button(*m_w, "Command15"), &QAbstractButton::click);
        QVERIFY(WindowFixture::runUntilTheProgramEnds());
        QCOMPARE(m_eventRounds, 1);
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("0,06")); // 5 steps
        QVERIFY(!QFile::exists(results()));
        QCOMPARE(m_dialogs->shown.size(), 1); // the question only
        QCOMPARE(runningTimers(*m_w), QStringList());
    }

    // Closing the window ends the program as EXIT does: the port closed and every timer stopped
    // (the design-time ones run from the window's creation, playback does not), asking nothing.
    void closing()
    {
        open([](Environment &env) { env.runTimers = true; });
        QCOMPARE(runningTimers(*m_w).join(u' '), u"Timer_ANZEIGE Timer_DATEN Timer_START"_qs);
        port(*m_w)->setPortOpen(true);
        m_w->show();
        QVERIFY(m_w->close());
        QVERIFY(!port(*m_w)->PortOpen() && !m_w->isVisible());
        QCOMPARE(runningTimers(*m_w), QStringList());
        QVERIFY(m_dialogs->shown.isEmpty());
    }
};

QTEST_MAIN(TestSimulationWindow)
#include "tst_simulation_window.moc"
