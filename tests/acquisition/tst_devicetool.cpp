// kurvomat-device end to end: the tool runs as a process, this suite opens the pseudo-terminal
// it prints, reads what arrives there and decodes it with the receiver's own decoding step.
// POSIX only.
#include "acquisition/FrameDecoder.h"
#include "app/SharedState.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <memory>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace kurvomat;
using namespace kurvomat::acquisition;

Q_DECLARE_METATYPE(QList<int>)

namespace {

const QString kTool = QStringLiteral(KURVOMAT_DEVICE_TOOL);

struct Run {
    QByteArray received;
    QByteArray errors;
    int exitCode = -1;
    bool finished = false;
};

// Starts the tool on a new pseudo-terminal and returns the opened slave side, or -1.
int startOnPty(QProcess &tool, const QStringList &arguments)
{
    tool.start(kTool, QStringList{QStringLiteral("--pty")} + arguments);
    if (!tool.waitForStarted(5000))
        return -1;
    QByteArray line;
    const QDeadlineTimer deadline(5000);
    while (!line.contains('\n') && !deadline.hasExpired()) {
        tool.waitForReadyRead(100);
        line += tool.readAllStandardOutput();
    }
    if (!line.startsWith("Port: "))
        return -1;
    const QByteArray path = line.mid(6).trimmed();
    return ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
}

// Reads until the tool has ended and nothing more arrives, or until `stopAfter` bytes.
void readUntilDone(QProcess &tool, int fd, Run &run, qsizetype stopAfter = -1)
{
    const QDeadlineTimer deadline(20000);
    bool toolEnded = false;
    while (!deadline.hasExpired()) {
        bool gotData = false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                run.received.append(buffer, n);
                gotData = true;
                if (stopAfter >= 0 && run.received.size() >= stopAfter)
                    return;
            }
        }
        if (toolEnded && !gotData)
            break;
        if (!toolEnded)
            toolEnded = tool.state() == QProcess::NotRunning || tool.waitForFinished(1);
    }
    run.finished = tool.state() == QProcess::NotRunning || tool.waitForFinished(5000);
    run.exitCode = tool.exitCode();
    run.errors = tool.readAllStandardError();
}

Run runOnPty(const QStringList &arguments)
{
    Run run;
    QProcess tool;
    const int fd = startOnPty(tool, arguments);
    if (fd < 0) {
        tool.kill();
        tool.waitForFinished();
        run.errors = tool.readAllStandardError();
        return run;
    }
    readUntilDone(tool, fd, run);
    ::close(fd);
    return run;
}

struct Decoded {
    QList<QList<int>> frames;
    int refused = 0;
};

Decoded decode(const QByteArray &bytes, bool signedSamples)
{
    Decoded d;
    auto s = std::make_unique<SharedState>();
    for (const char c : bytes) {
        const ByteEvent e = receiveByte(*s, static_cast<unsigned char>(c), signedSamples);
        if (e == ByteEvent::HeaderRefused)
            ++d.refused;
        if (e == ByteEvent::FrameComplete) {
            QList<int> frame;
            for (int i = 1; i <= s->EMPFANG_ANZAHL; ++i)
                frame.append(s->DATENPUNKTE(i));
            d.frames.append(frame);
        }
    }
    return d;
}

QStringList args(const char *text)
{
    return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestDeviceTool : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void hashesInsideFrames_keepFramesWhole();
    void oversizeHeaders_areRefused();
    void garbage_betweenFrames();
    void truncate_cutsEveryFrame();
    void interrupt_endsCleanly();
    void badOptions_data();
    void badOptions();
    void missingPort_failsWithExitCode1();
};

void TestDeviceTool::frames_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("signedSamples");
    QTest::addColumn<QList<int>>("expected");

    // Two periods over 10 samples: phases 0, .2, .4, .6, .8 twice.
    QTest::newRow("square signed") << args("--wave square --count 10 --level 50") << true
                                   << QList<int>{50, 50, 50, -50, -50, 50, 50, 50, -50, -50};
    // Unsigned samples are centred on 128 unless --offset says otherwise.
    QTest::newRow("ramp unsigned") << args("--unsigned --wave ramp --count 4 --level 100 "
                                           "--periods 1")
                                   << false << QList<int>{28, 78, 128, 178};
    QTest::newRow("triangle with offset, clamped")
        << args("--wave triangle --count 4 --level 100 --offset 50 --periods 1") << true
        << QList<int>{50, 127, 50, -50};
    QTest::newRow("no samples") << args("--count 0") << true << QList<int>{};
}

void TestDeviceTool::frames()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, signedSamples);
    QFETCH(QList<int>, expected);

    const Run run = runOnPty(arguments + args("--frames 3 --rate 50"));
    QVERIFY2(run.finished, run.errors.constData());
    QCOMPARE(run.exitCode, 0);
    const Decoded d = decode(run.received, signedSamples);
    QCOMPARE(run.received.size(), 3 * (6 + expected.size()));
    QCOMPARE(d.frames, (QList<QList<int>>(3, expected)));
    QCOMPARE(d.refused, 0);
}

// "####" replaces four samples; the receiver stores them as samples and the frame keeps its
// length, so every frame still completes.
void TestDeviceTool::hashesInsideFrames_keepFramesWhole()
{
    const QList<int> square{50, 50, 50, -50, -50, 50, 50, 50, -50, -50};
    const Run run =
        runOnPty(args("--wave square --count 10 --level 50 --hashes 1 --frames 5 --rate 50"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.received.size(), 5 * 16);
    const Decoded d = decode(run.received, true);
    QCOMPARE(d.frames.size(), 5);
    for (const QList<int> &frame : d.frames) {
        QCOMPARE(frame.size(), 10);
        int first = -1;
        for (int i = 0; i < frame.size(); ++i) {
            if (frame[i] != square[i]) {
                QCOMPARE(frame[i], 35);
                if (first < 0)
                    first = i;
                QVERIFY(i < first + 4);
            }
        }
        QVERIFY(first >= 0 && first <= 6);
    }
    QVERIFY(run.errors.contains("5 with \"####\""));
}

void TestDeviceTool::oversizeHeaders_areRefused()
{
    const Run run =
        runOnPty(args("--wave square --count 10 --level 50 --oversize 1 --frames 3 --rate 50 --seed 3"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.received.size(), 3 * 16);
    const Decoded d = decode(run.received, true);
    QCOMPARE(d.refused, 3);
    QCOMPARE(d.frames.size(), 0);
    for (int f = 0; f < 3; ++f) {
        const auto low = static_cast<unsigned char>(run.received[f * 16 + 4]);
        const auto high = static_cast<unsigned char>(run.received[f * 16 + 5]);
        QVERIFY(high * 256 + low > 1000);
    }
}

void TestDeviceTool::garbage_betweenFrames()
{
    const Run run = runOnPty(
        args("--wave square --count 10 --level 50 --garbage 7 --frames 3 --rate 50 --seed 9"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.received.size(), 3 * (16 + 7));
    QByteArray frame("####\x0a\x00", 6);
    for (const int v : {50, 50, 50, -50, -50, 50, 50, 50, -50, -50})
        frame.append(static_cast<char>(v));
    for (int f = 0; f < 3; ++f)
        QCOMPARE(run.received.mid(f * 23, 16), frame);
    // The same seed gives the same garbage.
    const Run again = runOnPty(
        args("--wave square --count 10 --level 50 --garbage 7 --frames 3 --rate 50 --seed 9"));
    QCOMPARE(again.received, run.received);
}

void TestDeviceTool::truncate_cutsEveryFrame()
{
    const Run run = runOnPty(args("--count 20 --truncate 1 --frames 4 --rate 50"));
    QCOMPARE(run.exitCode, 0);
    // Each frame loses at least one byte and keeps at least one.
    QVERIFY(run.received.size() >= 4);
    QVERIFY(run.received.size() <= 4 * 25);
    QVERIFY(run.errors.contains("4 frames sent (4 cut short"));
}

void TestDeviceTool::interrupt_endsCleanly()
{
    QProcess tool;
    const int fd = startOnPty(tool, args("--count 100 --rate 50"));
    QVERIFY(fd >= 0);
    Run run;
    readUntilDone(tool, fd, run, 3 * 106);
    QVERIFY(run.received.size() >= 3 * 106);
    ::kill(static_cast<pid_t>(tool.processId()), SIGINT);
    QVERIFY(tool.waitForFinished(5000));
    ::close(fd);
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    QVERIFY(tool.readAllStandardError().contains("frames sent"));
}

void TestDeviceTool::badOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("mentioned");

    QTest::newRow("neither port nor pty") << args("--count 10") << QByteArray("--pty");
    QTest::newRow("port and pty") << args("--pty --port /dev/null") << QByteArray("--port");
    QTest::newRow("count 1001") << args("--pty --count 1001") << QByteArray("--count");
    QTest::newRow("count -1") << args("--pty --count -1") << QByteArray("--count");
    QTest::newRow("count not a number") << args("--pty --count ten") << QByteArray("--count");
    QTest::newRow("unknown wave") << args("--pty --wave saw") << QByteArray("--wave");
    QTest::newRow("rate 0") << args("--pty --rate 0") << QByteArray("--rate");
    QTest::newRow("level nan") << args("--pty --level nan") << QByteArray("--level");
    QTest::newRow("truncate above 1") << args("--pty --truncate 1.5") << QByteArray("--truncate");
    QTest::newRow("oversize negative") << args("--pty --oversize -0.1")
                                       << QByteArray("--oversize");
    QTest::newRow("count with group separator") << args("--pty --count 1,000")
                                               << QByteArray("--count");
    QTest::newRow("garbage too much") << args("--pty --garbage 100001")
                                      << QByteArray("--garbage");
    QTest::newRow("signed and unsigned") << args("--pty --signed --unsigned")
                                         << QByteArray("--unsigned");
    QTest::newRow("settings parity") << args("--port /dev/null --settings 9600,x,8,1")
                                     << QByteArray("--settings");
    QTest::newRow("settings data bits") << args("--port /dev/null --settings 9600,n,9,1")
                                        << QByteArray("--settings");
    QTest::newRow("unknown option") << args("--pty --bogus") << QByteArray("bogus");
    QTest::newRow("stray argument") << args("--pty extra") << QByteArray("extra");
}

// Refused before anything is opened or sent: exit code 2 and the option named on stderr.
void TestDeviceTool::badOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, mentioned);

    QProcess tool;
    tool.start(kTool, arguments);
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.exitCode(), 2);
    QCOMPARE(tool.readAllStandardOutput(), QByteArray());
    const QByteArray errors = tool.readAllStandardError();
    QVERIFY2(errors.contains(mentioned), errors.constData());
    QVERIFY(errors.contains("--help"));
}

void TestDeviceTool::missingPort_failsWithExitCode1()
{
    QProcess tool;
    tool.start(kTool, args("--port /nonexistent/ttyKURVOMAT --frames 1"));
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(tool.readAllStandardError().contains("/nonexistent/ttyKURVOMAT"));
}

QTEST_GUILESS_MAIN(TestDeviceTool)
#include "tst_devicetool.moc"
