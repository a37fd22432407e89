// START/STOP, PORT, SETTINGS and the status display, driven with scripted dialogs against
// real pseudo-terminals standing in for serial ports.

#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestPortControl : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    // Port numbers 1, 2, 3, 4 and 7 lead to pseudo-terminals; every other number to nothing.
    QMap<int, std::shared_ptr<PseudoTerminal>> m_ports;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<frmHAUPT> m_w;

    void statusShows(bool open)
    {
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Command1->text(), open ? QStringLiteral("STOP") : QStringLiteral("START"));
        const QColor expected = open ? colours::kLightGreen : colours::kLightRed;
        QCOMPARE(backColor(m_w->Text2), expected);
        QCOMPARE(backColor(m_w->Label5), expected);
    }

private slots:
    void init()
    {
        m_ports.clear();
        for (int port : {1, 2, 3, 4, 7})
            m_ports.insert(port, std::make_shared<PseudoTerminal>());
        m_dialogs = std::make_shared<ScriptedDialogs>();
        auto env = testEnvironment(m_dir.path(), m_dialogs);
        auto ports = m_ports;
        env.serialDevice = [ports](int port) {
            return ports.contains(port) ? ports.value(port)->slavePath()
                                        : QStringLiteral("/nonexistent/ttyK%1").arg(port);
        };
        m_w = std::make_unique<frmHAUPT>(env);
    }

    void cleanup()
    {
        m_w.reset();
        m_ports.clear();
    }

    void startToggles()
    {
        statusShows(false);
        m_w->Command1_Click();
        QVERIFY(m_w->MSComm1->PortOpen());
        statusShows(true);
        QCOMPARE(m_w->Text2->text(), QStringLiteral("COM1 56000,n,8,1"));
        m_w->Command1_Click();
        QVERIFY(!m_w->MSComm1->PortOpen());
        statusShows(false);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void startSelectsTheStopOption()
    {
        m_w->Option3->setChecked(true);
        m_w->Command1_Click();
        QVERIFY(m_w->Option4->isChecked());
        QVERIFY(!m_w->Option3->isChecked());
    }

    void startWithoutDeviceStaysClosedSilently()
    {
        auto dialogs = std::make_shared<ScriptedDialogs>();
        auto env = testEnvironment(m_dir.path(), dialogs); // no port number leads anywhere
        frmHAUPT w(env);
        w.Command1_Click();
        QVERIFY(!w.MSComm1->PortOpen());
        w.Timer_ANZEIGE_Timer();
        QCOMPARE(w.Command1->text(), QStringLiteral("START"));
        QCOMPARE(backColor(w.Text2), colours::kLightRed);
        QVERIFY(dialogs->shown.isEmpty());
    }

    void portAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("port");
        QTest::newRow("three") << "3" << 3;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("leading number") << "7abc" << 7;
        QTest::newRow("blanks inside") << " 3 " << 3;
        QTest::newRow("cancel keeps") << "" << 1;
    }

    void portAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(int, port);
        m_dialogs->inputAnswers << answer;
        m_w->Command22_Click();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].kind, QStringLiteral("input"));
        QCOMPARE(m_dialogs->shown[0].text, QStringLiteral("PORT-Nummer eingeben"));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("PORT"));
        QCOMPARE(m_dialogs->shown[0].defaultText, QStringLiteral("1"));
        QCOMPARE(int(m_w->MSComm1->CommPort()), port);
        QVERIFY(m_w->MSComm1->PortOpen()); // always reopened
        statusShows(true);
        QVERIFY(m_w->Text2->text().startsWith(QStringLiteral("COM%1 ").arg(port)));
    }

    void portClosesFirstEvenWhenOpen()
    {
        m_w->Command1_Click();
        QVERIFY(m_w->MSComm1->PortOpen());
        m_dialogs->inputAnswers << "2";
        m_w->Command22_Click(); // a change of number needs the port closed first
        QCOMPARE(int(m_w->MSComm1->CommPort()), 2);
        QVERIFY(m_w->MSComm1->PortOpen());
    }

    void portThatDoesNotOpenIsReportedOnce()
    {
        m_dialogs->inputAnswers << "9";
        m_w->Command22_Click();
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Portnummer falsch !!!")});
        QCOMPARE(m_dialogs->shown.last().title, QStringLiteral("KURVOMAT"));
        QVERIFY(!m_w->MSComm1->PortOpen());
        QCOMPARE(int(m_w->MSComm1->CommPort()), 9);
        statusShows(false);
    }

    void portNumbersTheComponentRefusesKeepTheOld_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("zero") << "0";
        QTest::newRow("letters give zero") << ".x";
        QTest::newRow("negative") << "-3";
        QTest::newRow("beyond 16 bits") << "70000";
    }

    void portNumbersTheComponentRefusesKeepTheOld()
    {
        QFETCH(QString, answer);
        m_dialogs->inputAnswers << answer;
        m_w->Command22_Click();
        QCOMPARE(int(m_w->MSComm1->CommPort()), 1);
        QVERIFY(m_w->MSComm1->PortOpen()); // the reopen uses the previous number
        QVERIFY(m_dialogs->texts(QStringLiteral("message")).isEmpty());
    }

    void portTakesADevicePath()
    {
        PseudoTerminal other;
        m_dialogs->inputAnswers << other.slavePath();
        m_w->Command22_Click();
        QVERIFY(m_w->MSComm1->PortOpen());
        QCOMPARE(m_w->MSComm1->deviceName(), other.slavePath());
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text2->text(), other.slavePath() + QStringLiteral(" 56000,n,8,1"));
        // The next entry offers the device as its default, and a number switches back.
        m_dialogs->inputAnswers << "4";
        m_w->Command22_Click();
        QCOMPARE(m_dialogs->shown.last().defaultText, other.slavePath());
        QCOMPARE(int(m_w->MSComm1->CommPort()), 4);
        QVERIFY(m_w->MSComm1->deviceName().isEmpty());
        QVERIFY(m_w->MSComm1->PortOpen());
    }

    void portNameThatDoesNotExistIsReported()
    {
        m_dialogs->inputAnswers << "ttyKURVOMAT_NONE";
        m_w->Command22_Click();
        QCOMPARE(m_dialogs->texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Portnummer falsch !!!")});
        QVERIFY(!m_w->MSComm1->PortOpen());
    }

    void settingsCancelReopensEvenAClosedPort()
    {
        QVERIFY(!m_w->MSComm1->PortOpen());
        m_w->Text2_DblClick();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].text, QStringLiteral("SETTINGS"));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("SETTINGS"));
        QCOMPARE(m_dialogs->shown[0].defaultText, QStringLiteral("56000,n,8,1"));
        QCOMPARE(m_w->MSComm1->Settings(), QStringLiteral("56000,n,8,1"));
        QVERIFY(m_w->MSComm1->PortOpen());
    }

    void settingsTakesANewText()
    {
        m_w->Command1_Click();
        m_dialogs->inputAnswers << "9600,e,7,2";
        m_w->Text2_DblClick();
        QVERIFY(m_w->MSComm1->PortOpen());
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text2->text(), QStringLiteral("COM1 9600,e,7,2"));
        QCOMPARE(m_w->MSComm1->Settings(), QStringLiteral("9600,e,7,2"));
        // A pseudo-terminal keeps the speed and stop bits it was given (it forces 8N).
        const auto line = m_ports.value(1)->lineSettings();
        QCOMPARE(line.baudRate, 9600);
        QCOMPARE(line.stopBits, 2);
    }

    void settingsRefusedIsNamedAndThePortStaysClosed()
    {
        m_w->Command1_Click();
        m_dialogs->inputAnswers << "fast please";
        m_w->Text2_DblClick();
        QVERIFY(!m_w->MSComm1->PortOpen());
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("\"fast please\"")));
        QCOMPARE(m_w->MSComm1->Settings(), QStringLiteral("56000,n,8,1"));
        statusShows(false);
    }

    void settingsReopenFailureIsReported()
    {
        m_dialogs->inputAnswers << "9";
        m_w->Command22_Click(); // port 9 leads nowhere
        m_dialogs->shown.clear();
        m_w->Text2_DblClick();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].startsWith(QStringLiteral("COM9 56000,n,8,1")));
        QVERIFY(!m_w->MSComm1->PortOpen());
    }

    void displayShowsTheXLength()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE->text(), QStringLiteral("1000"));
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 2.5;
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE->text(), QStringLiteral("2,5"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE->text(), QStringLiteral("2.5"));
        QLocale::setDefault(QLocale::c());
    }

    void deviceLossShowsClosedAtTheNextTick()
    {
        m_w->Command1_Click();
        statusShows(true);
        m_ports.value(1)->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_w->MSComm1->PortOpen(), 5000);
        statusShows(false);
        QVERIFY(m_dialogs->shown.isEmpty());
    }
};

QTEST_MAIN(TestPortControl)
#include "tst_portcontrol.moc"
