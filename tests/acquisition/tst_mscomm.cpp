// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port class against real pseudo-terminals: the test writes to the master side,
// MSComm reads the slave side by its path, as it would read a USB adapter.
#include "acquisition/MSComm.h"
#include "core/Errors.h"
#include "support/PseudoTerminal.h"

#include <QTest>

using namespace kurvomat;

namespace {
constexpr int kWaitMs = 5000;
const QString kMissing = QStringLiteral("/nonexistent-kurvomat-dir/ttyNONE");
} // namespace

class TestMSComm : public QObject {
    Q_OBJECT
private slots:
    void badSettingsRefusedKeepOld_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *text : {"", "abc", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "-5,n,8,1"})
            QTest::addRow("\"%s\"", text) << QString::fromLatin1(text);
    }
    void badSettingsRefusedKeepOld()
    {
        QFETCH(QString, text);
        MSComm comm;
        comm.setSettings(QStringLiteral("19200,e,7,2"));
        QVERIFY_THROWS_EXCEPTION(PortError, comm.setSettings(text));
        QCOMPARE(comm.Settings(), QStringLiteral("19200,e,7,2"));
    }
    // A port's life. Closed, or after a failed open by name or number: closed, 0 and "". Opened
    // by number through the resolver at the starting 56000 baud: every byte value comes out in
    // order, taken in parts, InBufferCount counts down, and the port cannot be changed while
    // open. The peer closing closes the port; a new device opens by name.
    void portLifeCycle()
    {
        PseudoTerminal pty;
        MSComm comm;
        comm.setDeviceResolver([&](int port) { return port == 7 ? pty.slavePath() : kMissing; });
        comm.setPortOpen(false); // closing a closed port is fine
        comm.setDeviceName(kMissing);
        QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
        comm.setCommPort(2); // resolved to the missing device
        QVERIFY_THROWS_EXCEPTION(PortError, comm.setPortOpen(true));
        QVERIFY(!comm.PortOpen());
        QCOMPARE(comm.InBufferCount(), qint16(0));
        QVERIFY(comm.waitingInput().isEmpty());
        comm.setCommPort(7);
        comm.setPortOpen(true);
        QCOMPARE(pty.lineSettings().baudRate, 56000);
        QByteArray sent;
        for (int value = 0; value < 256; ++value)
            sent.append(char(value));
        QVERIFY(pty.write(sent));
        QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(256), kWaitMs);
        QCOMPARE(comm.waitingInput().toByteArray(), sent); // looking takes nothing
        for (int value = 0; value < 256; value += 64) { // no events run: nothing new arrives
            QCOMPARE(comm.InBufferCount(), qint16(256 - value));
            QCOMPARE(comm.waitingInput().first(64).toByteArray(), sent.mid(value, 64));
            comm.takeInput(64);
        }
        comm.takeInput(1); // nothing waits: nothing to take
        QVERIFY(comm.waitingInput().isEmpty());
        QVERIFY_THROWS_EXCEPTION(PortError, comm.setCommPort(2));
        QCOMPARE(comm.CommPort(), qint16(7));

        QVERIFY(pty.write("abc"));
        QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(3), kWaitMs);
        pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!comm.PortOpen(), kWaitMs);
        for (int i = 0; i < 50; ++i) { // unread bytes dropped; polling neither throws nor reopens
            QCOMPARE(comm.InBufferCount(), qint16(0));
            QVERIFY(comm.waitingInput().isEmpty());
            QCoreApplication::processEvents();
        }
        QVERIFY(!comm.PortOpen());
        PseudoTerminal fresh;
        comm.setDeviceName(fresh.slavePath());
        comm.setPortOpen(true);
        QVERIFY(fresh.write("Z"));
        QTRY_COMPARE_WITH_TIMEOUT(comm.InBufferCount(), qint16(1), kWaitMs);
        QCOMPARE(comm.waitingInput().toByteArray(), QByteArray("Z"));
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
