// Start-up, the simulator buttons and the correlation boxes, driven through the window.

#include "acquisition/MSComm.h"
#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"

#include <QCheckBox>
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

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<frmHAUPT> m_w;

    QString resultsPath() const
    {
        return m_dir->filePath(QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt"));
    }
    void started()
    {
        m_w->Timer_START_Timer();
        m_w->flushPointFields();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_w = std::make_unique<frmHAUPT>(testEnvironment(m_dir->path(), m_dialogs));
    }
    void cleanup()
    {
        m_w.reset();
        QLocale::setDefault(QLocale::c());
    }

    void startUpWithoutPort_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("sum256");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "8.063.322"
                                << "31.497";
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << "8,063,322" << "31,497";
    }

    void startUpWithoutPort()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, sum);
        QFETCH(QString, sum256);
        QLocale::setDefault(locale);
        m_w->Timer_START->start();
        m_w->setWindowTitle(QStringLiteral("design title"));
        started();
        QVERIFY(!m_w->Timer_START->isActive());
        QCOMPARE(m_w->windowTitle(), QStringLiteral("KURVOMAT V:1.0.21"));
        QCOMPARE(m_w->PI, 4 * std::atan(1.0));
        QCOMPARE(m_w->DATENSATZ_ZAEHLER, -1.0);
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
        const int first[] = {1, 2, 2, 3, 4, 5, 6};
        for (int k = 1; k <= 7; ++k)
            QCOMPARE(int(m_w->DATENPUNKTE(k)), first[k - 1]);
        QCOMPARE(int(m_w->DATENPUNKTE(250)), 127);
        QCOMPARE(int(m_w->DATENPUNKTE(500)), 0);
        QCOMPARE(int(m_w->DATENPUNKTE(1000)), 0);
        QCOMPARE(m_w->ERGEBNIS, 8063322.0);
        QCOMPARE(int(m_w->ERGEBNIS_PHASE), 1);
        QCOMPARE(m_w->Text_ERGEBNIS->text(), sum);
        QCOMPARE(m_w->Text_ERGEBNIS_256->text(), sum256);
        QCOMPARE(m_w->TEXT_ERGEBNIS_PHASE->text(), QStringLiteral("1"));
        QCOMPARE(m_w->DIAGRAMM_ZAEHLER, std::int16_t(1000));
        QCOMPARE(m_w->Text_WERT_MAX->text(), QStringLiteral("127"));
        QCOMPARE(m_w->MSChart1->value(250), 127.0);
        QVERIFY(!m_w->MSComm1->PortOpen());
        QVERIFY(m_dialogs->shown.isEmpty());
        // Runs once only.
        m_w->PI = 3;
        QVERIFY(!m_w->Timer_START->isActive());
    }

    void startUpOpensThePort()
    {
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        const QString path = pty.slavePath();
        env.serialDevice = [path](int port) { return port == 1 ? path : QString(); };
        frmHAUPT w(env);
        w.Timer_START_Timer();
        QVERIFY(w.MSComm1->PortOpen());
        QCOMPARE(w.ERGEBNIS, 8063322.0); // the einzel run before it did not leave it closed
    }

    void startUpGoesOnWhenTheSimulationFails()
    {
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        frmHAUPT w(env);
        w.Text_PEGEL_SIMULATION->setText(QStringLiteral("50000"));
        w.Timer_START_Timer();
        QVERIFY(w.MSComm1->PortOpen());
        QCOMPARE(w.DATENSATZ_ZAEHLER, -1.0);
        QVERIFY(m_dialogs->shown.isEmpty()); // silent at start-up
    }

    void singleRunReadsLeadingNumbers_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<int>("at250");
        QTest::newRow("decimal comma reads 0") << "127" << "0,5" << 0;
        QTest::newRow("letters read 0") << "abc" << "1.0" << 0;
        QTest::newRow("half the frequency") << "127" << "0.5" << 90; // sin(45°)·127 = 89.8
        QTest::newRow("blanks ignored") << " 1 00" << "1" << 100;
    }

    void singleRunReadsLeadingNumbers()
    {
        QFETCH(QString, level);
        QFETCH(QString, factor);
        QFETCH(int, at250);
        m_w->Timer_START_Timer();
        m_w->Text_PEGEL_SIMULATION->setText(level);
        m_w->Text_SIMULATION->setText(factor);
        m_w->Command16->click();
        QCOMPARE(int(m_w->DATENPUNKTE(250)), at250);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void singleRunWithTooHighALevelDrawsNothing()
    {
        m_w->Timer_START_Timer();
        const double before = m_w->MSChart1->value(250);
        m_w->Text_PEGEL_SIMULATION->setText(QStringLiteral("40000"));
        m_w->Command16->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("40000")));
        QCOMPARE(m_w->MSChart1->value(250), before);
        QCOMPARE(int(m_w->DATENPUNKTE(250)), 127);
        QCOMPARE(m_w->ERGEBNIS, 8063322.0);
    }

    void correlationBoxes_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::newRow("letters only") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
    }

    // A reference level without a leading number is 0: every sum is 0, no shift wins.
    void correlationBoxes()
    {
        QFETCH(QString, reference);
        m_w->Timer_START_Timer();
        m_w->Text_PEGEL_REFERENZ->setText(reference);
        m_w->BERECHNUNG_KREUZ_KORRELATION();
        QCOMPARE(m_w->PEGEL_REFERENZ, 0.0);
        QCOMPARE(m_w->ERGEBNIS, 0.0);
        QCOMPARE(int(m_w->ERGEBNIS_PHASE), 0);
        QCOMPARE(m_w->Text_ERGEBNIS->text(), QStringLiteral("0.000"));
        QCOMPARE(m_w->Text_ERGEBNIS_256->text(), QStringLiteral("0"));
        QCOMPARE(m_w->TEXT_ERGEBNIS_PHASE->text(), QStringLiteral("0"));
    }

    void referenceLevelReadsTheLeadingNumber()
    {
        m_w->Timer_START_Timer();
        m_w->Text_PEGEL_REFERENZ->setText(QStringLiteral("12,5"));
        m_w->BERECHNUNG_KREUZ_KORRELATION();
        QCOMPARE(m_w->PEGEL_REFERENZ, 12.0);
        QCOMPARE(int(m_w->REFERENZ_SIGNAL(250)), 12);
    }

    // A reference level of 200 with a sample 255 at the peak overflowed 16-bit products;
    // here the sum is exact and current.
    void largeProductsGiveTheExactSum()
    {
        m_w->Timer_START_Timer();
        m_w->Check_AUTO->setChecked(false);
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 4;
        for (int k = 1; k <= 4; ++k)
            m_w->DATENPUNKTE(k) = 0;
        m_w->DATENPUNKTE(1) = 255;
        m_w->Text_PEGEL_REFERENZ->setText(QStringLiteral("200"));
        m_w->BERECHNUNG_KREUZ_KORRELATION();
        // Reference (N = 4, level 200): 200, 0 (sin π is tiny positive), -200, -1, ...
        QCOMPARE(m_w->ERGEBNIS, 255.0 * 200.0);
        QCOMPARE(int(m_w->ERGEBNIS_PHASE), 1);
        QCOMPARE(m_w->Text_ERGEBNIS->text(), QStringLiteral("51.000"));
        QCOMPARE(m_w->Text_ERGEBNIS_256->text(), QStringLiteral("199")); // 199.2
    }

    void referenceLevelBeyond16BitsHasNoResult()
    {
        m_w->Timer_START_Timer();
        QCOMPARE(m_w->ERGEBNIS, 8063322.0);
        m_w->Text_PEGEL_REFERENZ->setText(QStringLiteral("40000"));
        m_w->BERECHNUNG_KREUZ_KORRELATION();
        QCOMPARE(m_w->ERGEBNIS, 0.0);
        QCOMPARE(int(m_w->ERGEBNIS_PHASE), 0);
        QVERIFY(!m_w->Text_ERGEBNIS->text().contains(QStringLiteral("8.063")));
        QVERIFY(!m_w->Text_ERGEBNIS->text().isEmpty());
        QCOMPARE(m_w->TEXT_ERGEBNIS_PHASE->text(), QStringLiteral("-"));
    }

    void helpTexts()
    {
        m_w->Command24->click();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].kind, QStringLiteral("message"));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("KURVOMAT"));
        QCOMPARE(m_dialogs->shown[0].text,
                 QStringLiteral("Bei der Kreuzkorrelation handelt es sich um ein mathematisches "
                                "Verfahren, welches ein bekanntes Signal in einem Wirrwarr von "
                                "Signalen finden kann"));
    }

    void sweepAnsweredNoChangesNothing()
    {
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        frmHAUPT w(env);
        w.Timer_START_Timer();
        QVERIFY(w.MSComm1->PortOpen());
        w.Command15->click();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].kind, QStringLiteral("confirm"));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Warnung"));
        QCOMPARE(m_dialogs->shown[0].text,
                 QStringLiteral("Die Berechnung kann etwas dauern\n\t\n\tMöchten Sie fortfahren ?"));
        QVERIFY(w.MSComm1->PortOpen());
        QCOMPARE(w.Text_SIMULATION->text(), QStringLiteral("1.0"));
        QVERIFY(!QFile::exists(resultsPath()));
    }

    void sweepAtStartUpSettings()
    {
        int eventRounds = 0;
        frmHAUPT *target = nullptr;
        auto env = testEnvironment(m_dir->path(), m_dialogs);
        // The second click, arriving while events run mid-sweep, is ignored.
        env.letEventsRun = [&] {
            if (++eventRounds == 1)
                target->Command15->click();
        };
        m_w = std::make_unique<frmHAUPT>(env);
        target = m_w.get();
        m_w->Timer_START_Timer();
        {
            // A results file from an earlier sweep is replaced, not extended.
            QFile old(resultsPath());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(100000, 'x'));
        }
        m_dialogs->confirmAnswers << true << true;
        m_w->Command15->click();
        QCOMPARE(eventRounds, 200); // after every fifth of 1000 steps
        QCOMPARE(m_dialogs->texts(QStringLiteral("confirm")).size(), 1);

        QCOMPARE(m_w->FREQUENZ_SIMULATION, 10.009999999999831);
        QCOMPARE(m_w->Text_SIMULATION->text(), QStringLiteral("10,0099999999998"));
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
        QCOMPARE(m_w->ERGEBNIS_LISTE(1), 159138.0);
        for (int k = 1; k <= 1000; ++k)
            QCOMPARE(m_w->MSChart1->value(k), m_w->ERGEBNIS_LISTE(k));

        QFile file(resultsPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        const QList<QByteArray> lines = content.split('\n');
        QCOMPARE(lines.size(), 1001); // 1000 lines, each ended by CR LF
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 1000; ++i)
            QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(lines[0], QByteArray("0,01          159.138\r"));
        QVERIFY(lines[999].startsWith("10,00         "));
        QVERIFY(lines[95].startsWith("0,96          "));
        QVERIFY(!content.contains('x'));

        // A later single run reads the factor text by the leading-number rule: 10.
        m_w->Command16->click();
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
        const double expected = std::round(127 * std::sin(m_w->PI * (1 * 360.0 * 10 / 1000) / 180));
        QCOMPARE(double(m_w->DATENPUNKTE(1)), expected);
    }

    void sweepWithAnUnwritableResultsFileSaysSo()
    {
        m_w->Timer_START_Timer();
        // A folder in place of the file makes it unwritable whoever runs the test.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt")));
        m_dialogs->confirmAnswers << true;
        m_w->Command15->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt")));
        QCOMPARE(m_w->FREQUENZ_SIMULATION, 10.009999999999831);
    }
};

QTEST_MAIN(TestSimulationWindow)
#include "tst_simulation_window.moc"
