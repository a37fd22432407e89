// Start-up, the simulator buttons and the correlation boxes, driven through the window.

#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "display/MSChart.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"
#include "support/Files.h"
#include "support/PseudoTerminal.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestSimulationWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<MainWindow> m_w;
    int m_eventRounds = 0;
    std::function<void()> m_firstEventRound; // what the user does when the sweep first yields

    QString results() const { return m_dir->filePath(QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt")); }
    QString boxes() const
    {
        return field(*m_w, "Text_ERGEBNIS")->text() + '|' + field(*m_w, "Text_ERGEBNIS_256")->text() + '|'
               + field(*m_w, "TEXT_ERGEBNIS_PHASE")->text();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_pty = std::make_unique<PseudoTerminal>();
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        env.serialDevice = [path = m_pty->slavePath()](int) { return path; };
        m_eventRounds = 0;
        // A second sweep click while the first lets events run is ignored.
        m_firstEventRound = [this] { button(*m_w, "Command15")->click(); };
        env.letEventsRun = [this] {
            if (++m_eventRounds == 1)
                m_firstEventRound();
        };
        m_w = std::make_unique<MainWindow>(env);
        m_w->setWindowTitle(QStringLiteral("design title"));
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void startUp_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "8.063.322|31.497|1";
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "8,063,322|31,497|1";
    }

    void startUp()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        timer(*m_w, "Timer_START")->start();
        m_w->startUp();
        QVERIFY(!timer(*m_w, "Timer_START")->isActive()); // runs once
        QCOMPARE(m_w->windowTitle(), QStringLiteral("KURVOMAT V:1.0.21"));
        QCOMPARE(m_w->state().pi, 4 * std::atan(1.0));
        QCOMPARE(m_w->state().recordCounter, -1.0);
        QCOMPARE(m_w->state().xLength, 1000.0);
        const int first[] = {1, 2, 2, 3, 4, 5, 6};
        for (int k = 1; k <= 7; ++k)
            QCOMPARE(int(m_w->state().samples(k)), first[k - 1]);
        QVERIFY(m_w->state().samples(250) == 127 && m_w->state().samples(500) == 0 && m_w->state().samples(1000) == 0);
        QCOMPARE(m_w->state().correlationMaximum, 8063322.0);
        QCOMPARE(boxes(), shown);
        QCOMPARE(chart(*m_w)->value(250), 127.0);
        QVERIFY(port(*m_w)->PortOpen()); // opened last, after the simulation closed nothing
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Without a port, or with a level the simulation cannot draw, start-up still completes
    // silently.
    void startUpCarriesOnSilently()
    {
        auto env = testEnvironment(m_dir->path(), m_dialogs); // no port leads anywhere
        MainWindow w(env);
        field(w, "Text_PEGEL_SIMULATION")->setText(QStringLiteral("50000"));
        w.startUp();
        QVERIFY(!port(w)->PortOpen());
        QCOMPARE(w.state().recordCounter, -1.0);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void singleRun_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<int>("at250");
        QTest::newRow("decimal comma reads 0") << "127" << "0,5" << 0;
        QTest::newRow("letters read 0") << "abc" << "1.0" << 0;
        QTest::newRow("half the frequency") << "127" << "0.5" << 90; // 127·sin 45° = 89.8
        QTest::newRow("blanks ignored") << " 1 00" << "1" << 100;
    }

    void singleRun()
    {
        QFETCH(QString, level);
        QFETCH(QString, factor);
        QFETCH(int, at250);
        m_w->startUp();
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(level);
        field(*m_w, "Text_SIMULATION")->setText(factor);
        button(*m_w, "Command16")->click();
        QCOMPARE(int(m_w->state().samples(250)), at250);
        QVERIFY(!port(*m_w)->PortOpen());
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // A level whose samples leave 16 bits is named, and nothing is drawn half-way.
    void singleRunWithTooHighALevel()
    {
        m_w->startUp();
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(QStringLiteral("40000"));
        button(*m_w, "Command16")->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QVERIFY(warnings.size() == 1 && warnings[0].contains(QStringLiteral("40000")));
        QCOMPARE(chart(*m_w)->value(250), 127.0);
        QCOMPARE(m_w->state().correlationMaximum, 8063322.0);
    }

    void correlationBoxes_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters only") << "abc" << "0.000|0|0";
        QTest::newRow("empty") << "" << "0.000|0|0";
        QTest::newRow("beyond 16 bits: no result") << "40000" << "kein Ergebnis|-|-";
    }

    // No stale result is ever shown: a level without a number correlates to 0, one that does
    // not fit 16 bits has no result.
    void correlationBoxes()
    {
        QFETCH(QString, reference);
        QFETCH(QString, shown);
        m_w->startUp();
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(reference);
        m_w->correlate();
        QCOMPARE(m_w->state().correlationMaximum, 0.0);
        QCOMPARE(int(m_w->state().correlationShift), 0);
        QCOMPARE(boxes(), shown);
    }

    // Level 200 with a sample 255 at the peak overflowed 16-bit products; the sum is exact.
    void largeProductsGiveTheExactSum()
    {
        m_w->startUp();
        button(*m_w, "Check_AUTO")->setChecked(false);
        m_w->state().xLength = 4;
        for (int k = 1; k <= 4; ++k)
            m_w->state().samples(k) = k == 1 ? 255 : 0;
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(QStringLiteral("12,5 is read as 12"));
        m_w->correlate();
        QCOMPARE(m_w->state().correlationMaximum, 255.0 * 12.0); // level 12: reference 12, 0, -12, -1
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(QStringLiteral("200"));
        m_w->correlate();
        QCOMPARE(m_w->state().correlationMaximum, 255.0 * 200.0); // reference 200, 0, -200, -1
        QCOMPARE(boxes(), QStringLiteral("51.000|199|1"));
    }

    void helpText()
    {
        button(*m_w, "Command24")->click();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].kind + '|' + m_dialogs->shown[0].title, QStringLiteral("message|KURVOMAT"));
        QVERIFY(m_dialogs->shown[0].text.startsWith(QStringLiteral("Bei der Kreuzkorrelation handelt es sich um")));
    }

    void sweepAnsweredNo()
    {
        m_w->startUp();
        button(*m_w, "Command15")->click();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Warnung"));
        QCOMPARE(m_dialogs->shown[0].text,
                 QStringLiteral("Die Berechnung kann etwas dauern\n\t\n\tMöchten Sie fortfahren ?"));
        QVERIFY(port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("1.0"));
        QVERIFY(!QFile::exists(results()));
    }

    void sweepAtStartUpSettings()
    {
        m_w->startUp();
        QVERIFY(writeBytes(results(), QByteArray(100000, 'x'))); // replaced, not extended
        m_dialogs->confirmAnswers << true << true;
        button(*m_w, "Command15")->click();
        QCOMPARE(m_eventRounds, 200); // after every fifth of 1000 steps
        QCOMPARE(m_dialogs->texts(QStringLiteral("confirm")).size(), 1);
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("10,0099999999998"));
        QCOMPARE(m_w->state().xLength, 1000.0);
        QCOMPARE(m_w->state().sweepMaxima(1), 159138.0);
        for (int k = 1; k <= 1000; ++k)
            QCOMPARE(chart(*m_w)->value(k), m_w->state().sweepMaxima(k));
        const QList<QByteArray> lines = readBytes(results()).split('\n');
        QCOMPARE(lines.size(), 1001); // 1000 lines ended by CR LF
        QVERIFY(std::all_of(lines.begin(), lines.end() - 1, [](const QByteArray &l) { return l.endsWith('\r'); }));
        QCOMPARE(lines[0], QByteArray("0,01          159.138\r"));
        QVERIFY(lines[95].startsWith("0,96          ") && lines[999].startsWith("10,00         "));
        button(*m_w, "Command16")->click(); // the factor text reads as 10 by the leading-number rule
        QCOMPARE(double(m_w->state().samples(1)), std::round(127 * std::sin(m_w->state().pi * (360.0 * 10 / 1000) / 180)));
    }

    // EXIT while the sweep lets events run: the sweep goes no further (no later step, no curve,
    // no results file), no timer runs, nothing is shown, and the event loop ends.
    void exitDuringTheSweepEndsEverything()
    {
        m_w->startUp();
        m_firstEventRound = [this] { button(*m_w, "Command5")->click(); };
        m_dialogs->confirmAnswers << true;
        QTimer::singleShot(0, button(*m_w, "Command15"), &QPushButton::click);
        QTimer hang; // a sweep that ran on would end the loop only here, failing the test
        hang.callOnTimeout([] { QCoreApplication::exit(1); });
        hang.start(60000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(m_eventRounds, 1);
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("0,06")); // after the fifth step
        QCOMPARE(m_w->state().sweepMaxima(6), 0.0);
        QVERIFY(!QFile::exists(results()));
        QCOMPARE(m_dialogs->shown.size(), 1); // the question only
        for (QTimer *t : m_w->findChildren<QTimer *>())
            QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
    }

    void sweepReportsAnUnwritableResultsFile()
    {
        m_w->startUp();
        QVERIFY(QDir(m_dir->path()).mkdir(QFileInfo(results()).fileName())); // a folder in the way
        m_dialogs->confirmAnswers << true;
        button(*m_w, "Command15")->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QVERIFY(warnings.size() == 1 && warnings[0].contains(QFileInfo(results()).fileName()));
    }
};

QTEST_MAIN(TestSimulationWindow)
#include "tst_simulation_window.moc"
