// The serial port class against real pseudo-terminals: the test writes to the master side,
// MSComm reads the slave side by its path, as it would read a USB adapter.

#include "acquisition/MSComm.h"
#include "core/Errors.h"
#include "support/PseudoTerminal.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using kurvomat::MSComm;
using kurvomat::PortError;

namespace {

constexpr int kWaitMs = 5000;

const QString kMissingDevice = QStringLiteral("/nonexistent-kurvomat-dir/ttyNONE");

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

// Reads everything that waits, one byte per Input() as the frame receiver does, and checks
// that each read gives exactly one character in the byte range and counts the buffer down.
QByteArray drain(MSComm &comm)
{
    QByteArray bytes;
    while (comm.InBufferCount() > 0) {
        const qint16 before = comm.InBufferCount();
        const QString text = comm.Input();
        if (text.size() != 1 || text.at(0).unicode() > 255) {
            qWarning("Input() gave %lld characters", qlonglong(text.size()));
            return bytes;
        }
        bytes.append(char(text.at(0).unicode()));
        // New bytes may arrive between the two reads, never fewer than one less may wait.
        if (comm.InBufferCount() < before - 1) {
            qWarning("InBufferCount fell from %d to %d after one Input()", before,
                     comm.InBufferCount());
            return bytes;
        }
    }
    return bytes;
}

void openOn(MSComm &comm, const PseudoTerminal &pty)
{
    comm.setDeviceName(pty.slavePath());
    comm.setPortOpen(true);
}

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT

private slots:
    void startsWithSavedConfiguration();
    void defaultDeviceMapping();
    void settingsAccepted_data();
    void settingsAccepted();
    void settingsRefusedKeepOld_data();
    void settingsRefusedKeepOld();
    void portSelection();
    void closedPortGivesNothing();
    void failedOpenThrowsAndStaysClosed();
    void opensByDeviceNameAt56000();
    void settingsReachTheLine();
    void opensPortNumberThroughResolver();
    void everyByteValueInOrder();
    void orderKeptAcrossLaterArrivals();
    void burstLargerThanInputBuffer();
    void closeDropsWaitingBytes();
    void changesRefusedWhileOpen();
    void peerClosingClosesThePort();
};

void TestMSComm::startsWithSavedConfiguration()
{
    MSComm comm;
    QCOMPARE(comm.CommPort(), qint16(1));
    QCOMPARE(comm.Settings(), QStringLiteral("56000,n,8,1"));
    QCOMPARE(comm.portText(), QStringLiteral("COM1"));
    QCOMPARE(comm.deviceName(), QString());
    QVERIFY(!comm.PortOpen());
}

void TestMSComm::defaultDeviceMapping()
{
#ifdef Q_OS_WIN
    QCOMPARE(MSComm::defaultDevice(1), QStringLiteral("COM1"));
    QCOMPARE(MSComm::defaultDevice(255), QStringLiteral("COM255"));
#else
    QCOMPARE(MSComm::defaultDevice(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(MSComm::defaultDevice(255), QStringLiteral("/dev/ttyS254"));
#endif
}

void TestMSComm::settingsAccepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("start") << "56000,n,8,1" << "56000,n,8,1";
    QTest::newRow("upper-case parity") << "9600,E,7,2" << "9600,e,7,2";
    QTest::newRow("odd, 5 bits, 1.5 stop") << "110,o,5,1.5" << "110,o,5,1.5";
    QTest::newRow("mark") << "115200,M,6,1" << "115200,m,6,1";
    QTest::newRow("space") << "300,s,8,2" << "300,s,8,2";
    QTest::newRow("blanks and leading zero") << " 09600 , N , 8 , 1 " << "9600,n,8,1";
    QTest::newRow("lowest baud") << "1,n,8,1" << "1,n,8,1";
}

void TestMSComm::settingsAccepted()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    MSComm comm;
    comm.setSettings(text);
    QCOMPARE(comm.Settings(), stored);
}

void TestMSComm::settingsRefusedKeepOld_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("word") << "abc";
    QTest::newRow("parity x") << "9600,x,8,1";
    QTest::newRow("parity word") << "9600,none,8,1";
    QTest::newRow("parity empty") << "9600,,8,1";
    QTest::newRow("9 data bits") << "9600,n,9,1";
    QTest::newRow("4 data bits") << "9600,n,4,1";
    QTest::newRow("3 stop bits") << "9600,n,8,3";
    QTest::newRow("stop 1.0") << "9600,n,8,1.0";
    QTest::newRow("stop 0") << "9600,n,8,0";
    QTest::newRow("negative baud") << "-5,n,8,1";
    QTest::newRow("plus sign baud") << "+9600,n,8,1";
    QTest::newRow("zero baud") << "0,n,8,1";
    QTest::newRow("fractional baud") << "9600.5,n,8,1";
    QTest::newRow("baud beyond 32 bits") << "4294967296,n,8,1";
    QTest::newRow("three fields") << "9600,n,8";
    QTest::newRow("five fields") << "9600,n,8,1,1";
    QTest::newRow("semicolons") << "9600;n;8;1";
}

void TestMSComm::settingsRefusedKeepOld()
{
    QFETCH(QString, text);
    MSComm comm;
    comm.setSettings(QStringLiteral("19200,e,7,2"));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setSettings(text));
    QCOMPARE(comm.Settings(), QStringLiteral("19200,e,7,2"));
}

void TestMSComm::portSelection()
{
    MSComm comm;
    comm.setCommPort(255);
    QCOMPARE(comm.CommPort(), qint16(255));
    comm.setCommPort(3);
    QCOMPARE(comm.portText(), QStringLiteral("COM3"));

    for (const qint16 bad : {qint16(0), qint16(-1), qint16(256), qint16(-32768)}) {
        QVERIFY_THROWS_EXCEPTION(PortError, comm.setCommPort(bad));
        QCOMPARE(comm.CommPort(), qint16(3));
    }

    // A device name takes the place of the number until a number is chosen again.
    comm.setDeviceName(QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(comm.portText(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(comm.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setDeviceName(QString()));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setDeviceName(QStringLiteral("  ")));
    QCOMPARE(comm.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setCommPort(0));
    QCOMPARE(comm.portText(), QStringLiteral("/dev/ttyUSB0"));
    comm.setCommPort(4);
    QCOMPARE(comm.deviceName(), QString());
    QCOMPARE(comm.portText(), QStringLiteral("COM4"));
}

void TestMSComm::closedPortGivesNothing()
{
    MSComm comm;
    comm.setPortOpen(false);
    comm.setPortOpen(false);
    QVERIFY(!comm.PortOpen());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(comm.InBufferCount(), qint16(0));
        QCOMPARE(comm.Input(), QString());
    }
}

void TestMSComm::failedOpenThrowsAndStaysClosed()
{
    PseudoTerminal pty;
    MSComm comm([&](int port) { return port == 2 ? pty.slavePath() : kMissingDevice; });

    comm.setDeviceName(kMissingDevice);
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
    QVERIFY(!comm.PortOpen());
    QCOMPARE(comm.InBufferCount(), qint16(0));
    QCOMPARE(comm.Input(), QString());
    comm.setPortOpen(false);

    comm.setCommPort(7);
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
    QVERIFY(!comm.PortOpen());

    // Not stuck: the next open of a working device succeeds.
    comm.setCommPort(2);
    comm.setPortOpen(true);
    QVERIFY(comm.PortOpen());
}

void TestMSComm::opensByDeviceNameAt56000()
{
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.portText(), pty.slavePath());
    QCOMPARE(pty.lineSettings().baudRate, 56000);

    // Opening an open port is accepted and leaves it working.
    comm.setPortOpen(true);
    QVERIFY(comm.PortOpen());
    QVERIFY(pty.write("ab"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(2), kWaitMs);
    QCOMPARE(comm.Input(), QStringLiteral("a"));
}

void TestMSComm::settingsReachTheLine()
{
    // A pseudo-terminal keeps the rate and the stop bits it is given (it forces 8 data bits
    // without parity), and accepts the other fields without complaint.
    PseudoTerminal pty;
    MSComm comm;
    comm.setSettings(QStringLiteral("9600,E,7,2"));
    openOn(comm, pty);
    PseudoTerminal::LineSettings line = pty.lineSettings();
    QCOMPARE(line.baudRate, 9600);
    QCOMPARE(line.stopBits, 2);

    // New settings take effect at the next open.
    comm.setPortOpen(false);
    comm.setSettings(QStringLiteral("115200,o,5,1"));
    comm.setPortOpen(true);
    line = pty.lineSettings();
    QCOMPARE(line.baudRate, 115200);
    QCOMPARE(line.stopBits, 1);
}

void TestMSComm::opensPortNumberThroughResolver()
{
    PseudoTerminal pty;
    MSComm comm([&](int port) { return port == 7 ? pty.slavePath() : kMissingDevice; });
    comm.setCommPort(7);
    comm.setPortOpen(true);
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.portText(), QStringLiteral("COM7"));
    QVERIFY(pty.write(QByteArray("\x01\x02", 2)));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(2), kWaitMs);
    QCOMPARE(drain(comm), QByteArray("\x01\x02", 2));

    // A resolver set later is used by the next open.
    comm.setPortOpen(false);
    comm.setDeviceResolver([](int) { return kMissingDevice; });
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
    QVERIFY(!comm.PortOpen());
}

void TestMSComm::everyByteValueInOrder()
{
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);
    const QByteArray sent = allByteValues();
    QVERIFY(pty.write(sent));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(256), kWaitMs);

    // No events run in this loop, so nothing new arrives: the count goes down by exactly one.
    for (int value = 0; value < 256; ++value) {
        QCOMPARE(comm.InBufferCount(), qint16(256 - value));
        const QString text = comm.Input();
        QCOMPARE(text.size(), 1);
        QCOMPARE(int(text.at(0).unicode()), value);
    }
    QCOMPARE(comm.InBufferCount(), qint16(0));
    QCOMPARE(comm.Input(), QString());
}

void TestMSComm::orderKeptAcrossLaterArrivals()
{
    // Bytes that arrive while earlier ones are half read are counted with them and come out
    // after them.
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);
    QByteArray first;
    for (int i = 0; i < 100; ++i)
        first.append(char(i));
    QByteArray second;
    for (int i = 0; i < 50; ++i)
        second.append(char(200 + i));

    QVERIFY(pty.write(first));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(100), kWaitMs);
    QByteArray received;
    for (int i = 0; i < 10; ++i)
        received.append(char(comm.Input().at(0).unicode()));
    QCOMPARE(comm.InBufferCount(), qint16(90));

    QVERIFY(pty.write(second));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(140), kWaitMs);
    received += drain(comm);
    QCOMPARE(received, first + second);
}

void TestMSComm::burstLargerThanInputBuffer()
{
    // More bytes than the input buffer holds: once it is full the rest waits in the device,
    // and reading the buffer lets it come on, without loss and in order. The buffer is read
    // only when it is full, so that this stall is reached again and again.
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);
    QByteArray sent;
    for (int i = 0; i < 3 * int(MSComm::kInputBufferSize) + 123; ++i)
        sent.append(char((i * 7 + i / 256) & 0xFF));

    QByteArray received;
    qsizetype written = 0;
    int timesFull = 0;
    const QDeadlineTimer deadline(30000);
    while (received.size() < sent.size() && !deadline.hasExpired()) {
        written += pty.writeSome(sent.mid(written, 4096));
        QCoreApplication::processEvents();
        const qint16 waiting = comm.InBufferCount();
        QVERIFY(waiting <= MSComm::kInputBufferSize);
        if (waiting == MSComm::kInputBufferSize)
            ++timesFull;
        if (waiting == MSComm::kInputBufferSize || written == sent.size())
            received += drain(comm);
    }
    QCOMPARE(received.size(), sent.size());
    QCOMPARE(received, sent);
    QVERIFY(timesFull >= 2);
}

void TestMSComm::closeDropsWaitingBytes()
{
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);
    QVERIFY(pty.write("0123456789"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(10), kWaitMs);
    QCOMPARE(comm.Input(), QStringLiteral("0"));

    comm.setPortOpen(false);
    QVERIFY(!comm.PortOpen());
    QCOMPARE(comm.InBufferCount(), qint16(0));
    QCOMPARE(comm.Input(), QString());

    // After reopening only new bytes come, none of those left unread before the close.
    comm.setPortOpen(true);
    QCOMPARE(comm.InBufferCount(), qint16(0));
    QVERIFY(pty.write("XY"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(2), kWaitMs);
    QCOMPARE(drain(comm), QByteArray("XY"));
}

void TestMSComm::changesRefusedWhileOpen()
{
    PseudoTerminal pty;
    MSComm comm;
    openOn(comm, pty);

    QVERIFY_THROWS_EXCEPTION(PortError, comm.setCommPort(2));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setDeviceName(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setSettings(QStringLiteral("9600,n,8,1")));
    QVERIFY(comm.PortOpen());
    QCOMPARE(comm.CommPort(), qint16(1));
    QCOMPARE(comm.portText(), pty.slavePath());
    QCOMPARE(comm.Settings(), QStringLiteral("56000,n,8,1"));

    comm.setPortOpen(false);
    comm.setSettings(QStringLiteral("9600,n,8,1"));
    comm.setCommPort(2);
    QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(comm.portText(), QStringLiteral("COM2"));
}

void TestMSComm::peerClosingClosesThePort()
{
    auto pty = std::make_unique<PseudoTerminal>();
    const QString lostPath = pty->slavePath();
    MSComm comm;
    QSignalSpy lost(&comm, &MSComm::portLost);
    openOn(comm, *pty);
    QVERIFY(pty->write("abcdef"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(6), kWaitMs);
    QCOMPARE(comm.Input(), QStringLiteral("a"));

    pty->closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!comm.PortOpen(), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kWaitMs);

    // Polling a lost port, with events running in between, neither throws nor reopens it.
    for (int i = 0; i < 200; ++i) {
        QCOMPARE(comm.InBufferCount(), qint16(0));
        QCOMPARE(comm.Input(), QString());
        QCoreApplication::processEvents();
    }
    QVERIFY(!comm.PortOpen());
    QCOMPARE(lost.count(), 1);
    comm.setPortOpen(false);

    // Opening the dead device again is tried and fails cleanly.
    QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
    QVERIFY(!comm.PortOpen());
    pty.reset();

    PseudoTerminal fresh;
    openOn(comm, fresh);
    QVERIFY(comm.PortOpen());
    QVERIFY(fresh.write("Z"));
    QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(1), kWaitMs);
    QCOMPARE(comm.Input(), QStringLiteral("Z"));
    QCOMPARE(lost.count(), 1);
}

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
