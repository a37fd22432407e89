// SPDX-License-Identifier: GPL-3.0-or-later
// Frames from a real pseudo-terminal through the window's receiver: drawn, recorded,
// correlated, with the status texts and colours; bursts, EXIT mid-frame, the device going away
// and the device simulator.

#include "acquisition/FrameEncoder.h"
#include "app/Widgets.h"
#include "support/Files.h"
#include "support/WindowFixture.h"

#include <QProcess>
#include <QtTest>

#include <vector>

using namespace kurvomat;
using namespace kurvomat::testing;

static QByteArray frame(const std::vector<std::uint8_t> &s)
{
    return acquisition::encodeFrame(s);
}

class TestReceiver : public QObject, WindowSuite {
    Q_OBJECT

    std::function<void()> m_duringEvents; // what the user does while a frame lets events run

    // Sends bytes and waits until the port holds all of them (bytes arrive through the event
    // loop, as they do in the running program). The receive timer is stopped first: the test
    // runs the ticks itself.
    void send(const QByteArray &bytes)
    {
        timer(*m_w, "Timer_DATEN")->stop();
        const int before = port(*m_w)->InBufferCount();
        QVERIFY(m_f->pty->write(bytes));
        QTRY_COMPARE_WITH_TIMEOUT(int(port(*m_w)->InBufferCount()), before + bytes.size(), 5000);
    }
    QString recording() const { return m_f->file(QStringLiteral("AUSGABE_OSZI.txt")); }
    QList<QByteArray> recordLines() const
    {
        QList<QByteArray> lines = readBytes(recording()).split('\n');
        lines.removeAll(QByteArray());
        return QFile::exists(recording()) ? lines : QList<QByteArray>{};
    }
    QString shown(std::initializer_list<const char *> names) const { return texts(*m_w, names); }

private slots:
    void init()
    {
        m_duringEvents = nullptr;
        open([this](Environment &env) {
            env.letEventsRun = [this] {
                if (m_duringEvents)
                    m_duringEvents();
                QCoreApplication::processEvents();
            };
        });
        m_w->startUp();
        QVERIFY(port(*m_w)->PortOpen());
    }
    void cleanup() { m_f.reset(); }

    void aFrameIsDrawnRecordedAndCorrelated()
    {
        // The first frame after start-up is not recorded (tst_recording).
        send(frame({10, 20, 30}));
        m_w->pollPort();
        m_w->flushPointFields();
        QCOMPARE(shown({"Text_STATUS", "Text_INPUT_BUFFER_COUNT", "Text_DATUM", "Text_ZEIT",
                        "Text_WERT_MAX", "Text_WERT_MIN", "Text_DIAGRAMM_ZAEHLER"}),
                 QStringLiteral("fertig|9|05.12.05|14:03:27:41|30|10|3 DATEN-Punkte"));
        QCOMPARE(backColor(field(*m_w, "Text_STATUS")), colours::kLightGreen);
        QCOMPARE(backColor(field(*m_w, "Text_INPUT_BUFFER_COUNT")), colours::kLightGreen);
        // Reset before drawing: the chart has the previous picture's length (1000 rows); the
        // automatic length takes 3 for the next picture.
        QCOMPARE(int(chart(*m_w)->RowCount()), 1000);
        QVERIFY(chart(*m_w)->value(3) == 30 && chart(*m_w)->value(4) == 0);
        QCOMPARE(m_w->state().xLength, 3.0);
        // Against a period-3 sine of level 127 (109, -110, -1, 109, -110): S(1) = -1140,
        // S(2) = -1100 - 20 + 3270 = 2150, S(3) = -1130.
        QCOMPARE(shown({"Text_ERGEBNIS", "TEXT_ERGEBNIS_PHASE"}), QStringLiteral("2.150|2"));

        // The second frame is written as record 1, with the correlation of the frame before.
        send(frame({128, 130, 255, 0, 7}));
        m_w->pollPort();
        const QByteArray record = "000.001 05.12.05  14:03:27:41 00.002.150 0.005  DATEN: "
                                  "#-128 #-126 #-1 # 0 # 7 #*****\r";
        QCOMPARE(recordLines(), QList<QByteArray>{record});
        QCOMPARE(shown({"Text_ANZAHL"}), QStringLiteral("1"));
    }

    // At most one frame per tick, the rest waits; a header shows "wait..." (also a refused
    // one) until its frame is complete; unsigned samples as they came.
    void oneFramePerTickAndTheStatus()
    {
        button(*m_w, "Option2")->setChecked(true);
        send(frame({1, 2}) + frame({3, 200, 127}).left(7));
        m_w->pollPort();
        QCOMPARE(m_w->state().pointCount, std::int16_t(2));
        QCOMPARE(int(port(*m_w)->InBufferCount()), 7); // the second frame still waits
        QVERIFY(timer(*m_w, "Timer_DATEN")->isActive());
        m_w->pollPort();
        QCOMPARE(shown({"Text_STATUS"}), QStringLiteral("wait..."));
        QCOMPARE(backColor(field(*m_w, "Text_STATUS")), colours::kGrey);
        send(QByteArray("\xC8\x7F", 2) + "####\xE9\x03"); // its last samples, then 1001 announced
        m_w->pollPort();
        QVERIFY(m_w->state().samples(2) == 200 && m_w->state().samples(3) == 127);
        QCOMPARE(shown({"Text_STATUS"}), QStringLiteral("fertig"));
        m_w->pollPort();
        QCOMPARE(shown({"Text_STATUS"}), QStringLiteral("wait..."));
        QVERIFY(!m_w->frameDecoder().receiving());
    }

    // Boards with a native USB port send a whole frame at once, and frames pile up while the
    // program is busy: the newest 1006 characters (one largest frame) are kept with their
    // header, the older ones dropped unseen. Every byte value arrives as sent.
    void wholeFramesArriveInBursts()
    {
        button(*m_w, "Option2")->setChecked(true);
        std::vector<std::uint8_t> older(1000, 9), newer(1000);
        for (int i = 0; i < 1000; ++i)
            newer[std::size_t(i)] = std::uint8_t(i);
        send(frame(older) + frame(newer));
        m_w->pollPort();
        QCOMPARE(shown({"Text_STATUS"}), QStringLiteral("fertig"));
        QCOMPARE(m_w->state().recordCounter, 0.0); // exactly one frame reached the storage step
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(m_w->state().samples(i + 1), std::int16_t(newer[std::size_t(i)]));

        // A whole frame alone in one write is shown and recorded too.
        send(frame(older));
        m_w->pollPort();
        QCOMPARE(recordLines().size(), 1);
        QVERIFY(recordLines().first().contains(" 1.000  DATEN: # 9 # 9 #"));
    }

    // EXIT while a frame lets events run: none of the frame's later steps happens (no storage
    // step, which counts first, no correlation, no "fertig"), no timer runs again, nothing is
    // shown, and the event loop ends.
    void exitDuringAFrameEndsEverything()
    {
        m_w->state().recordCounter = 5;
        const QString result = shown({"Text_ERGEBNIS"});
        m_duringEvents = [this] { button(*m_w, "Command5")->click(); };
        send(frame({10, 20, 30}));
        timer(*m_w, "Timer_DATEN")->start();
        QVERIFY(WindowFixture::runUntilTheProgramEnds());
        QCOMPARE(m_w->state().samples(3), std::int16_t(30)); // drawn before EXIT
        QCOMPARE(m_w->state().recordCounter, 5.0);
        QCOMPARE(shown({"Text_ERGEBNIS", "Text_STATUS"}), result + QStringLiteral("|wait..."));
        QVERIFY(m_f->dialogs->shown.isEmpty());
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(runningTimers(*m_w), QStringList());
    }

    // The device goes away in the middle of a frame: the port shows closed at the next display
    // tick, ticks end at once, nothing is reported, and START opens the port again once a
    // device is back; the half frame is completed by the next frame's characters.
    void deviceGoneMidFrame()
    {
        send(frame({1, 2, 3, 4}).left(7));
        m_w->pollPort();
        QVERIFY(m_w->frameDecoder().receiving());
        m_f->pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!port(*m_w)->PortOpen(), 5000);
        m_w->pollPort();
        QCOMPARE(backColor(field(*m_w, "Text_INPUT_BUFFER_COUNT")), colours::kGrey);
        m_w->refreshStatus();
        QCOMPARE(button(*m_w, "Command1")->text(), QStringLiteral("START"));
        QVERIFY(m_f->dialogs->shown.isEmpty());

        m_f->pty = std::make_unique<PseudoTerminal>();
        m_f->device = m_f->pty->slavePath();
        button(*m_w, "Command1")->click();
        QVERIFY(port(*m_w)->PortOpen());
        send(QByteArray("\x05\x06\x07", 3));
        m_w->pollPort();
        QCOMPARE(shown({"Text_STATUS"}), QStringLiteral("fertig"));
        QVERIFY(m_w->state().samples(1) == 1 && m_w->state().samples(4) == 7);
    }

    // The device simulator on a pseudo-terminal, entered at PORT: its 1000-sample frames reach
    // the running window whole, and the running timers pick them up.
    void deviceSimulatorFramesArrive()
    {
        QProcess device;
        device.start(QStringLiteral(KURVOMAT_DEVICE_TOOL),
                     {"--pty", "--count", "1000", "--rate", "4", "--frames", "5", "--seed", "7"});
        QTRY_VERIFY_WITH_TIMEOUT(device.canReadLine(), 5000);
        const QString line = QString::fromLocal8Bit(device.readLine()).trimmed();
        QVERIFY2(line.startsWith(QStringLiteral("Port: ")), qPrintable(line));
        m_f->dialogs->inputAnswers << line.mid(6);
        button(*m_w, "Command22")->click();
        QVERIFY(port(*m_w)->PortOpen());
        timer(*m_w, "Timer_DATEN")->start();
        // Five frames; the first may be cut by the port's opening (input waiting at the open is
        // discarded), every later one arrives whole. The first received only brings the record
        // counter from -1 to 0; the others are written.
        QTRY_COMPARE_WITH_TIMEOUT(device.state(), QProcess::NotRunning, 20000);
        QCOMPARE(device.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(shown({"Text_STATUS"}) == QStringLiteral("fertig")
                                     && port(*m_w)->InBufferCount() == 0,
                                 5000);
        const double records = m_w->state().recordCounter;
        QVERIFY2(records == 3 || records == 4, qPrintable(QString::number(records)));
        QCOMPARE(recordLines().size(), qsizetype(records));
        QCOMPARE(m_w->state().pointCount, std::int16_t(1000));
    }
};

QTEST_MAIN(TestReceiver)
#include "tst_receiver.moc"
