// SPDX-License-Identifier: GPL-3.0-or-later
// START/STOP, PORT, SETTINGS and the status display, driven with scripted dialogs against
// real pseudo-terminals standing in for serial ports.

#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"
#include "support/WindowAccess.h"

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {
// A port whose state and count reads fail, as a serial driver's may, once `readsLeft` reads
// have succeeded (-1: never). After kMaxFailures failures it recovers, so that a procedure that
// retries a failing read ends and the count of failures shows it.
class FailingPort : public MSComm {
public:
    static constexpr int kMaxFailures = 10;
    using MSComm::MSComm;
    qint16 InBufferCount() const override { return check(), MSComm::InBufferCount(); }
    bool PortOpen() const override { return check(), MSComm::PortOpen(); }
    void failAfter(int reads)
    {
        readsLeft = reads;
        failures = 0;
    }
    mutable int readsLeft = -1;
    mutable int failures = 0;

private:
    void check() const
    {
        if (readsLeft > 0)
            --readsLeft;
        else if (readsLeft == 0 && failures < kMaxFailures && ++failures)
            throw PortError("device error");
    }
};
} // namespace

class TestPortControl : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // Port numbers 1, 2, 3, 4 and 7 lead to pseudo-terminals; every other number to nothing.
    QMap<int, std::shared_ptr<PseudoTerminal>> m_ports;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<MainWindow> m_w;

    void statusShows(bool open)
    {
        m_w->refreshStatus();
        QCOMPARE(port(*m_w)->PortOpen(), open);
        const QColor colour = open ? colours::kLightGreen : colours::kLightRed;
        QCOMPARE(button(*m_w, "Command1")->text(), QString::fromLatin1(open ? "STOP" : "START"));
        QCOMPARE(backColor(field(*m_w, "Text2")), colour);
        QCOMPARE(backColor(control(*m_w, "Label5")), colour);
    }
    QStringList messages() const { return m_dialogs->texts(QStringLiteral("message")); }

    void makeWindow(const std::function<MSComm *(QObject *)> &makePort = {})
    {
        m_ports.clear();
        for (int port : {1, 2, 3, 4, 7})
            m_ports.insert(port, std::make_shared<PseudoTerminal>());
        m_dialogs = std::make_shared<ScriptedDialogs>();
        auto env = testEnvironment(m_dir.path(), m_dialogs);
        env.serialDevice = [ports = m_ports](int port) {
            return ports.contains(port) ? ports.value(port)->slavePath()
                                        : QStringLiteral("/nonexistent/ttyK%1").arg(port);
        };
        env.makePort = makePort;
        m_w = std::make_unique<MainWindow>(env);
    }

private slots:
    void init() { makeWindow(); }
    void cleanup() { m_w.reset(); }

    // START toggles the port and selects "||"; a port that does not open stays closed silently.
    void startToggles()
    {
        statusShows(false);
        button(*m_w, "Option3")->setChecked(true);
        button(*m_w, "Command1")->click();
        QVERIFY(button(*m_w, "Option4")->isChecked());
        statusShows(true);
        QCOMPARE(field(*m_w, "Text2")->text(), QStringLiteral("COM1 56000,n,8,1"));
        button(*m_w, "Command1")->click();
        statusShows(false);
        m_dialogs->inputAnswers << "9"; // leads nowhere
        button(*m_w, "Command22")->click();
        m_dialogs->shown.clear();
        button(*m_w, "Command1")->click();
        statusShows(false);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    void portAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("reported");
        QTest::newRow("three") << "3" << 3 << false;
        QTest::newRow("half to even down") << "2.5" << 2 << false;
        QTest::newRow("half to even up") << "3.5" << 4 << false;
        QTest::newRow("leading number") << "7abc" << 7 << false;
        QTest::newRow("cancel keeps") << "" << 1 << false;
        QTest::newRow("zero refused, old kept") << "0" << 1 << false;
        QTest::newRow("beyond 16 bits, old kept") << "70000" << 1 << false;
        QTest::newRow("does not open") << "9" << 9 << true;
        QTest::newRow("no such device name") << "ttyKURVOMAT_NONE" << 1 << true;
    }

    // Whatever the answer, the port is closed first and reopened after; only a failed reopen
    // is reported, once.
    void portAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(int, number);
        QFETCH(bool, reported);
        button(*m_w, "Command1")->click();
        m_dialogs->inputAnswers << answer;
        button(*m_w, "Command22")->click();
        const auto &asked = m_dialogs->shown.first();
        QCOMPARE(asked.text + '|' + asked.title + '|' + asked.defaultText,
                 QStringLiteral("PORT-Nummer eingeben|PORT|1"));
        QCOMPARE(int(port(*m_w)->CommPort()), number);
        QCOMPARE(messages(), reported ? QStringList{"Portnummer falsch !!!"} : QStringList{});
        statusShows(!reported);
        if (!reported)
            QVERIFY(field(*m_w, "Text2")->text().startsWith(QStringLiteral("COM%1 ").arg(number)));
    }

    void portTakesADevicePath()
    {
        PseudoTerminal other;
        m_dialogs->inputAnswers << other.slavePath() << "4";
        button(*m_w, "Command22")->click();
        statusShows(true);
        QCOMPARE(field(*m_w, "Text2")->text(), other.slavePath() + u" 56000,n,8,1"_qs);
        // The device is offered as the default; a number switches back.
        button(*m_w, "Command22")->click();
        QCOMPARE(m_dialogs->shown.last().defaultText, other.slavePath());
        QCOMPARE(int(port(*m_w)->CommPort()), 4);
        QVERIFY(port(*m_w)->deviceName().isEmpty() && port(*m_w)->PortOpen());
    }

    void settings()
    {
        // Cancel: the settings are kept, and the closed port is opened.
        QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown[0].text + '|' + m_dialogs->shown[0].defaultText,
                 QStringLiteral("SETTINGS|56000,n,8,1"));
        statusShows(true);
        m_dialogs->inputAnswers << "9600,e,7,2";
        QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
        statusShows(true);
        QCOMPARE(field(*m_w, "Text2")->text(), QStringLiteral("COM1 9600,e,7,2"));
        QCOMPARE(m_ports.value(1)->lineSettings().baudRate, 9600);
        m_dialogs->inputAnswers << "fast please"; // refused: named, port stays closed
        QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
        statusShows(false);
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("\"fast please\"")));
        QCOMPARE(port(*m_w)->Settings(), QStringLiteral("9600,e,7,2"));
    }

    // A read of the port that fails counts as the test holding: a tick ends as on an empty
    // buffer, at its start or midway, and the receiver goes on listening; START takes the port
    // as closed and opens it; PORT reports the port as failed.
    void aPortWhoseReadsFail()
    {
        FailingPort *failing = nullptr;
        makeWindow([&](QObject *parent) { return failing = new FailingPort(parent); });
        button(*m_w, "Command1")->click();
        QVERIFY(m_ports.value(1)->write(QByteArray("####\3\0\7", 7)));
        QTRY_COMPARE(int(failing->InBufferCount()), 7);
        const auto failsOnce = [&](int readsBefore, const std::function<void()> &action) {
            failing->failAfter(readsBefore);
            action();
            failing->readsLeft = -1;
            QCOMPARE(failing->failures, 1); // not retried
        };
        failsOnce(1, [&] { m_w->pollPort(); }); // midway, after the count that started it
        QVERIFY(m_w->frameDecoder().receiving());
        QVERIFY(timer(*m_w, "Timer_DATEN")->isActive());
        failsOnce(0, [&] { m_w->pollPort(); });
        QCOMPARE(backColor(field(*m_w, "Text_INPUT_BUFFER_COUNT")), colours::kGrey);

        button(*m_w, "Command1")->click();
        failsOnce(0, [&] { button(*m_w, "Command1")->click(); });
        QVERIFY(failing->PortOpen());
        failsOnce(0, [&] { button(*m_w, "Command22")->click(); });
        QCOMPARE(messages(), QStringList{"Portnummer falsch !!!"});
        QVERIFY(m_dialogs->texts(QStringLiteral("warning")).isEmpty());
    }

    void displayShowsTheXLength()
    {
        m_w->state().xLength = 2.5;
        for (auto [locale, text] :
             {std::pair{QLocale::German, "2,5"}, std::pair{QLocale::English, "2.5"}}) {
            QLocale::setDefault(QLocale(locale));
            m_w->refreshStatus();
            QCOMPARE(field(*m_w, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE")->text(),
                     QString::fromLatin1(text));
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestPortControl)
#include "tst_portcontrol.moc"
