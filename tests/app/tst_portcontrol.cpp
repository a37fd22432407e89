// SPDX-License-Identifier: GPL-3.0-or-later
// START/STOP, PORT, SETTINGS and the status display, driven with scripted dialogs against
// real pseudo-terminals standing in for serial ports.

#include "app/Widgets.h"
#include "support/WindowFixture.h"

#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {
// A port whose state and count reads fail, as a serial driver's may, once `readsLeft` reads
// have succeeded (-1: never). After 10 failures it recovers, so that a procedure that retries a
// failing read ends and the count of failures shows it.
class FailingPort : public MSComm {
public:
    using MSComm::MSComm;
    qint16 InBufferCount() const override { return check(), MSComm::InBufferCount(); }
    bool PortOpen() const override { return check(), MSComm::PortOpen(); }
    mutable int readsLeft = -1;
    mutable int failures = 0;

private:
    void check() const
    {
        if (readsLeft > 0)
            --readsLeft;
        else if (readsLeft == 0 && failures < 10 && ++failures)
            throw PortError("device error");
    }
};
} // namespace

class TestPortControl : public QObject, WindowSuite {
    Q_OBJECT

    PseudoTerminal m_two, m_four; // ports 2 and 4; port 1 is the fixture's, others lead nowhere

    // Also the X length (2.5) in the regional format.
    void statusShows(bool open)
    {
        m_w->refreshStatus();
        QCOMPARE(field(*m_w, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE")->text(), QStringLiteral("2,5"));
        QCOMPARE(port(*m_w)->PortOpen(), open);
        const QColor colour = open ? colours::kLightGreen : colours::kLightRed;
        QCOMPARE(button(*m_w, "Command1")->text(), QString::fromLatin1(open ? "STOP" : "START"));
        QCOMPARE(backColor(field(*m_w, "Text2")), colour);
        QCOMPARE(backColor(control(*m_w, "Label5")), colour);
    }

    void makeWindow(const std::function<MSComm *(QObject *)> &makePort = {})
    {
        open([&](Environment &env) {
            env.serialDevice = [this, one = env.serialDevice](int n) {
                return n == 2 ? m_two.slavePath() : n == 4 ? m_four.slavePath() : one(n);
            };
            env.makePort = makePort;
        });
        m_w->state().xLength = 2.5;
    }

private slots:
    void init() { makeWindow(); }
    void cleanup() { m_f.reset(); }

    // START opens the port at the starting 56000 baud and selects "||", and toggles it; a port
    // that does not open stays closed silently.
    void startToggles()
    {
        statusShows(false);
        button(*m_w, "Option3")->setChecked(true);
        button(*m_w, "Command1")->click();
        QVERIFY(button(*m_w, "Option4")->isChecked());
        statusShows(true);
        QCOMPARE(field(*m_w, "Text2")->text(), QStringLiteral("COM1 56000,n,8,1"));
        QCOMPARE(m_f->pty->baudRate(), 56000);
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
        QTest::newRow("half to even down") << "2.5" << 2 << false;
        QTest::newRow("half to even up") << "3.5" << 4 << false;
        QTest::newRow("leading number") << "2abc" << 2 << false;
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
        QCOMPARE(int(port(*m_w)->CommPort()), number);
        QCOMPARE(m_dialogs->texts("message"),
                 reported ? QStringList{"Portnummer falsch !!!"} : QStringList{});
        statusShows(!reported);
        if (!reported)
            QVERIFY(field(*m_w, "Text2")->text().startsWith(QStringLiteral("COM%1 ").arg(number)));
    }

    // Cancel keeps the settings and opens the closed port; new settings reach the line. Each
    // refused text is named, and the port stays closed with the settings it had.
    void settings()
    {
        QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown[0].text + '|' + m_dialogs->shown[0].defaultText,
                 QStringLiteral("SETTINGS|56000,n,8,1"));
        statusShows(true);
        m_dialogs->inputAnswers << "9600,e,7,2";
        QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
        statusShows(true);
        QCOMPARE(field(*m_w, "Text2")->text(), QStringLiteral("COM1 9600,e,7,2"));
        QCOMPARE(m_f->pty->baudRate(), 9600);
        const QStringList refused{"fast please", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3",
                                  "-5,n,8,1"};
        for (const QString &answer : refused) {
            m_dialogs->inputAnswers << answer;
            QTest::mouseDClick(field(*m_w, "Text2"), Qt::LeftButton);
            statusShows(false);
            QVERIFY(m_dialogs->shown.last().text.contains(u'"' + answer + u'"'));
        }
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).size(), refused.size());
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
        QVERIFY(m_f->pty->write(QByteArray("####\3\0\7", 7)));
        QTRY_COMPARE(int(failing->InBufferCount()), 7);
        const auto failsOnce = [&](int readsBefore, const std::function<void()> &action) {
            failing->readsLeft = readsBefore;
            failing->failures = 0;
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
        QCOMPARE(m_dialogs->texts("message"), QStringList{"Portnummer falsch !!!"});
        QVERIFY(m_dialogs->texts(QStringLiteral("warning")).isEmpty());
    }
};

QTEST_MAIN(TestPortControl)
#include "tst_portcontrol.moc"
