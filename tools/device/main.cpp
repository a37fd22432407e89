// kurvomat-device: a stand-in for the measuring device. Sends frames ("####", count low,
// count high, 8-bit samples) to a serial port or, on POSIX systems, to a pseudo-terminal whose
// slave side KURVOMAT opens as its port, so the program can be tried without an instrument.
// Faults can be injected to see how the receiver copes: garbage between frames, frames cut
// short, headers announcing more than 1000 samples, "####" inside the samples.
//
// Output never blocks: a frame that falls due while the previous one has not yet been taken
// by the line (or by the reader of the pseudo-terminal) is skipped and counted, as a real
// device's frames are lost when nobody listens.
//
// Exit codes: 0 after --frames frames or on Ctrl+C/SIGTERM, 1 when the port cannot be opened
// or fails, 2 for bad options.
#include "acquisition/FrameEncoder.h"
#include "acquisition/LineSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <pty.h>
#elif defined(__APPLE__)
#include <util.h>
#else
#include <libutil.h>
#endif
#endif

#ifndef KURVOMAT_VERSION
#define KURVOMAT_VERSION "0"
#endif

using namespace kurvomat::acquisition;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxGarbage = 100000;
constexpr double kMaxRate = 1000.0;

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void requestStop(int)
{
    g_stopRequested = 1;
}

void printError(const QString &text)
{
    std::fprintf(stderr, "kurvomat-device: %s\n", qPrintable(text));
}

// Raised while reading the options; main() prints it with a hint to --help.
struct UsageError {
    QString text;
};

struct Options {
    QString portPath;
    bool pty = false;
    LineSettings line;
    bool settingsGiven = false;
    Waveform wave = Waveform::Sine;
    QString waveName = QStringLiteral("sine");
    int count = 1000;
    double level = 100;
    double offset = 0;
    double periods = 2;
    double rate = 5;
    qint64 frames = 0;
    bool signedSamples = true;
    std::uint32_t seed = 0;
    int garbage = 0;
    double truncate = 0;
    double oversize = 0;
    double hashes = 0;
};

// Numbers are read in the C locale ("0.5"), whatever the user's settings, so that commands
// work the same everywhere; "1,000" is refused rather than read as 1000 or 1.
QLocale numberLocale()
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    return c;
}

// A value of lo itself is refused when loExcluded ("above 0").
double readDouble(const QCommandLineParser &parser, const QString &name, double lo, double hi,
                  double fallback, bool loExcluded = false)
{
    if (!parser.isSet(name))
        return fallback;
    const QString text = parser.value(name).trimmed();
    bool ok = false;
    const double value = numberLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value < lo || value > hi || (loExcluded && value == lo))
        throw UsageError{QStringLiteral("--%1 takes a number %2 %3 up to %4, not \"%5\"")
                             .arg(name, loExcluded ? QStringLiteral("above") : QStringLiteral("from"),
                                  QString::number(lo, 'g', 10), QString::number(hi, 'g', 10),
                                  text)};
    return value;
}

qint64 readInteger(const QCommandLineParser &parser, const QString &name, qint64 lo, qint64 hi,
                   qint64 fallback)
{
    if (!parser.isSet(name))
        return fallback;
    const QString text = parser.value(name).trimmed();
    bool ok = false;
    const qint64 value = numberLocale().toLongLong(text, &ok);
    if (!ok || value < lo || value > hi)
        throw UsageError{QStringLiteral("--%1 takes a whole number from %2 up to %3, not \"%4\"")
                             .arg(name, QString::number(lo), QString::number(hi), text)};
    return value;
}

double readProbability(const QCommandLineParser &parser, const QString &name)
{
    return readDouble(parser, name, 0.0, 1.0, 0.0);
}

Options readOptions(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{QStringLiteral("unexpected argument \"%1\"")
                             .arg(parser.positionalArguments().constFirst())};

    Options o;
    o.pty = parser.isSet(QStringLiteral("pty"));
    if (parser.isSet(QStringLiteral("port")))
        o.portPath = parser.value(QStringLiteral("port")).trimmed();
    if (o.pty == parser.isSet(QStringLiteral("port")))
        throw UsageError{QStringLiteral("choose exactly one of --port <device> and --pty")};
    if (!o.pty && o.portPath.isEmpty())
        throw UsageError{QStringLiteral("--port needs a device, such as /dev/ttyUSB0 or COM3")};
#if !defined(Q_OS_UNIX)
    if (o.pty)
        throw UsageError{QStringLiteral("--pty needs a POSIX system; on Windows use --port with "
                                        "one end of a virtual null-modem pair")};
#endif

    if (parser.isSet(QStringLiteral("settings"))) {
        const QString text = parser.value(QStringLiteral("settings"));
        const std::optional<LineSettings> line = parseLineSettings(text);
        if (!line)
            throw UsageError{QStringLiteral("--settings takes baud,parity,data bits,stop bits "
                                            "such as 56000,n,8,1 (parity n, e, o, m or s; data "
                                            "bits 5 to 8; stop bits 1, 1.5 or 2), not \"%1\"")
                                 .arg(text)};
        o.line = *line;
        o.settingsGiven = true;
    }

    if (parser.isSet(QStringLiteral("wave"))) {
        o.waveName = parser.value(QStringLiteral("wave")).trimmed().toLower();
        const std::optional<Waveform> wave = waveformFromName(o.waveName);
        if (!wave)
            throw UsageError{QStringLiteral("--wave takes sine, square, triangle, noise or ramp, "
                                            "not \"%1\"")
                                 .arg(parser.value(QStringLiteral("wave")))};
        o.wave = *wave;
    }

    if (parser.isSet(QStringLiteral("signed")) && parser.isSet(QStringLiteral("unsigned")))
        throw UsageError{QStringLiteral("choose one of --signed and --unsigned")};
    o.signedSamples = !parser.isSet(QStringLiteral("unsigned"));

    o.count = static_cast<int>(readInteger(parser, QStringLiteral("count"), 0, 1000, 1000));
    o.level = readDouble(parser, QStringLiteral("level"), -1e6, 1e6, 100);
    o.offset = readDouble(parser, QStringLiteral("offset"), -1e6, 1e6, o.signedSamples ? 0 : 128);
    o.periods = readDouble(parser, QStringLiteral("periods"), -1e6, 1e6, 2);
    o.rate = readDouble(parser, QStringLiteral("rate"), 0, kMaxRate, 5, true);
    o.frames = readInteger(parser, QStringLiteral("frames"), 0, INT64_MAX / 2, 0);
    o.garbage = static_cast<int>(readInteger(parser, QStringLiteral("garbage"), 0, kMaxGarbage, 0));
    o.truncate = readProbability(parser, QStringLiteral("truncate"));
    o.oversize = readProbability(parser, QStringLiteral("oversize"));
    o.hashes = readProbability(parser, QStringLiteral("hashes"));
    o.seed = parser.isSet(QStringLiteral("seed"))
                 ? static_cast<std::uint32_t>(
                       readInteger(parser, QStringLiteral("seed"), 0, UINT32_MAX, 0))
                 : std::random_device{}();
    return o;
}

// Where the frames go. send() queues bytes and never blocks.
class Sink {
public:
    virtual ~Sink() = default;
    // Bytes queued here and not yet handed to the system.
    [[nodiscard]] virtual qint64 pending() const = 0;
    // Everything sent has left this program's hands and, where that can be seen, the reader
    // has taken it.
    [[nodiscard]] virtual bool drained() const = 0;
    virtual void send(const QByteArray &bytes) = 0;
    // Non-empty once the sink has failed for good.
    [[nodiscard]] QString failure() const { return m_failure; }

protected:
    QString m_failure;
};

class SerialSink final : public Sink {
public:
    // A port that cannot be opened or configured is reported by failure().
    SerialSink(const QString &path, const LineSettings &line)
    {
        m_port.setPortName(path);
        if (!m_port.open(QIODevice::WriteOnly)) {
            m_failure = QStringLiteral("cannot open %1: %2").arg(path, m_port.errorString());
            return;
        }
        if (!m_port.setBaudRate(line.baudRate) || !m_port.setParity(line.parity)
            || !m_port.setDataBits(line.dataBits) || !m_port.setStopBits(line.stopBits)
            || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
            m_failure = QStringLiteral("cannot configure %1: %2").arg(path, m_port.errorString());
            m_port.close();
            return;
        }
        QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                         [this](QSerialPort::SerialPortError error) {
                             if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
                                 return;
                             if (m_failure.isEmpty())
                                 m_failure = m_port.errorString();
                         });
    }

    [[nodiscard]] qint64 pending() const override { return m_port.bytesToWrite(); }
    [[nodiscard]] bool drained() const override { return m_port.bytesToWrite() == 0; }
    void send(const QByteArray &bytes) override
    {
        if (m_port.write(bytes) != bytes.size() && m_failure.isEmpty())
            m_failure = m_port.errorString();
    }

private:
    QSerialPort m_port;
};

#if defined(Q_OS_UNIX)
// A pseudo-terminal: KURVOMAT opens the slave side by its path, this program writes to the
// master. The slave is held open here as well, in raw mode, so that the line neither echoes
// nor translates bytes before the program has configured it, and so that the program closing
// and reopening its port does not hang up the line.
class PtySink final : public Sink {
public:
    // A pseudo-terminal takes any amount at once, but the program reads its port like a serial
    // line: every 10 ms, keeping the newest 1000 waiting characters. Bytes therefore go out at
    // the speed of the line the settings describe, as a real device's UART would send them.
    explicit PtySink(double charactersPerSecond) : m_charactersPerSecond(charactersPerSecond)
    {
        m_pace.setInterval(2);
        m_pace.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_pace, &QTimer::timeout, &m_pace, [this] { flush(); });
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
            m_failure = QStringLiteral("cannot create a pseudo-terminal: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        termios raw{};
        if (::tcgetattr(m_slave, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_slave, TCSANOW, &raw);
        }
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        if (const char *name = ::ttyname(m_slave))
            m_slavePath = QString::fromLocal8Bit(name);
        else
            m_failure = QStringLiteral("the pseudo-terminal has no name: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));

        // Whatever the program might send back is read and dropped, so it never waits on us.
        m_readable = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_readable.get(), &QSocketNotifier::activated, m_readable.get(),
                         [this] { discardInput(); });
    }

    ~PtySink() override
    {
        m_readable.reset();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }

    PtySink(const PtySink &) = delete;
    PtySink &operator=(const PtySink &) = delete;

    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    [[nodiscard]] qint64 pending() const override { return m_buffer.size(); }

    [[nodiscard]] bool drained() const override
    {
        if (!m_buffer.isEmpty())
            return false;
        int waiting = 0;
        return ::ioctl(m_slave, FIONREAD, &waiting) != 0 || waiting == 0;
    }

    void send(const QByteArray &bytes) override
    {
        if (m_buffer.isEmpty()) {
            m_clock.start(); // the line was idle: its allowance starts now
            m_allowance = 0;
        }
        m_buffer.append(bytes);
        if (!m_pace.isActive())
            m_pace.start();
        flush();
    }

private:
    void flush()
    {
        // Characters the line has carried since the last call.
        m_allowance += m_clock.nsecsElapsed() * 1e-9 * m_charactersPerSecond;
        m_clock.restart();
        while (!m_buffer.isEmpty() && m_allowance >= 1) {
            const qsizetype due = std::min<qsizetype>(m_buffer.size(), qsizetype(m_allowance));
            const ssize_t n = ::write(m_master, m_buffer.constData(), static_cast<size_t>(due));
            if (n > 0) {
                m_buffer.remove(0, n);
                m_allowance -= double(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && m_failure.isEmpty())
                m_failure = QStringLiteral("writing to the pseudo-terminal failed: %1")
                                .arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (m_buffer.isEmpty()) {
            m_pace.stop();
            m_allowance = 0;
        }
    }

    void discardInput()
    {
        char scrap[512];
        const ssize_t n = ::read(m_master, scrap, sizeof scrap);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
            m_readable->setEnabled(false); // hung up: stop listening instead of spinning
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_buffer;
    double m_charactersPerSecond;
    double m_allowance = 0;
    QElapsedTimer m_clock;
    QTimer m_pace;
    std::unique_ptr<QSocketNotifier> m_readable;
};
#endif

struct Statistics {
    qint64 sent = 0;
    qint64 skipped = 0;
    qint64 truncated = 0;
    qint64 oversize = 0;
    qint64 withHashes = 0;
    qint64 bytes = 0;
};

// Builds each frame's bytes with the faults drawn for it.
class FrameSource {
public:
    explicit FrameSource(const Options &o) : m_o(o), m_random(o.seed)
    {
        if (o.wave != Waveform::Noise)
            m_samples = makeWaveform(o.wave, o.count, o.level, o.offset, o.signedSamples,
                                     o.periods, o.seed);
    }

    QByteArray next(Statistics &stats)
    {
        std::vector<std::uint8_t> samples =
            m_o.wave == Waveform::Noise
                ? makeWaveform(m_o.wave, m_o.count, m_o.level, m_o.offset, m_o.signedSamples,
                               m_o.periods, m_o.seed + static_cast<std::uint32_t>(m_frame))
                : m_samples;
        ++m_frame;

        const int n = static_cast<int>(samples.size());
        if (n > 0 && chance(m_o.hashes)) {
            // Replaces, so the frame keeps its announced length; the receiver must store them
            // as samples. Any position, including the last four.
            const int at = pick(0, std::max(0, n - 4));
            std::fill_n(samples.begin() + at, std::min(4, n - at), std::uint8_t{'#'});
            ++stats.withHashes;
        }

        QByteArray bytes;
        if (chance(m_o.oversize)) {
            bytes = encodeHeader(pick(1001, 65535));
            bytes.append(reinterpret_cast<const char *>(samples.data()), n);
            ++stats.oversize;
        } else {
            bytes = encodeFrame(samples);
        }

        if (chance(m_o.truncate)) {
            bytes.truncate(pick(1, static_cast<int>(bytes.size()) - 1));
            ++stats.truncated;
        }

        for (int i = 0; i < m_o.garbage; ++i)
            bytes.append(static_cast<char>(pick(0, 255)));
        return bytes;
    }

private:
    bool chance(double p)
    {
        // Not drawn at all for 0, so a run without faults uses the generator only for garbage.
        return p > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < p;
    }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

    const Options &m_o;
    std::mt19937 m_random;
    std::vector<std::uint8_t> m_samples;
    qint64 m_frame = 0;
};

QString helpDescription()
{
    return QStringLiteral(
        "Sends frames as KURVOMAT's measuring device does: \"####\", the sample count as low\n"
        "byte and high byte, then the 8-bit samples. Try KURVOMAT without an instrument:\n"
        "  kurvomat-device --pty            prints \"Port: /dev/pts/N\"; enter that path at\n"
        "                                   KURVOMAT's PORT button\n"
        "  kurvomat-device --port /dev/ttyUSB0 --settings 56000,n,8,1\n"
        "\n"
        "Frames go out at --rate per second; a frame that falls due while the line or the\n"
        "reader has not yet taken the previous one is skipped (counted in the summary).\n"
        "Fault injection (probabilities 0 to 1, drawn per frame; --seed repeats a run):\n"
        "  --garbage N   N random bytes after every frame\n"
        "  --truncate P  the frame is cut short at a random byte\n"
        "  --oversize P  the header announces 1001..65535 samples\n"
        "  --hashes P    four samples at a random place become \"####\"\n"
        "\n"
        "Ctrl+C ends; a summary goes to standard error. Exit status: 0 done, 1 port failure,\n"
        "2 bad options.");
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(helpDescription());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serial device to send to (/dev/ttyUSB0, COM3)."),
         QStringLiteral("device")},
        {QStringLiteral("pty"),
         QStringLiteral("Create a pseudo-terminal and print its path (POSIX only).")},
        {QStringLiteral("settings"),
         QStringLiteral("Line settings: baud,parity,data bits,stop bits (default "
                        "56000,n,8,1). A pseudo-terminal sends at the speed they describe."),
         QStringLiteral("settings")},
        {QStringLiteral("wave"),
         QStringLiteral("sine, square, triangle, noise or ramp (default sine)."),
         QStringLiteral("name")},
        {QStringLiteral("count"), QStringLiteral("Samples per frame, 0 to 1000 (default 1000)."),
         QStringLiteral("n")},
        {QStringLiteral("level"), QStringLiteral("Amplitude in sample units (default 100)."),
         QStringLiteral("value")},
        {QStringLiteral("offset"),
         QStringLiteral("Value added to the wave (default 0 with --signed, 128 with "
                        "--unsigned). Values are clamped to the sample range."),
         QStringLiteral("value")},
        {QStringLiteral("periods"),
         QStringLiteral("Periods of the wave per frame (default 2)."), QStringLiteral("value")},
        {QStringLiteral("rate"),
         QStringLiteral("Frames per second, above 0 up to 1000 (default 5)."),
         QStringLiteral("value")},
        {QStringLiteral("frames"),
         QStringLiteral("Frames to send, then wait until they are read and end; 0 sends until "
                        "Ctrl+C (default 0)."),
         QStringLiteral("n")},
        {QStringLiteral("signed"),
         QStringLiteral("Samples -128..127 as two's complement, for KURVOMAT's \"-128 ... "
                        "+127\" axis (default).")},
        {QStringLiteral("unsigned"), QStringLiteral("Samples 0..255.")},
        {QStringLiteral("seed"),
         QStringLiteral("Seed of noise, garbage and faults (default: a random one, shown in "
                        "the summary)."),
         QStringLiteral("n")},
        {QStringLiteral("garbage"),
         QStringLiteral("Random bytes after every frame, 0 to 100000 (default 0)."),
         QStringLiteral("n")},
        {QStringLiteral("truncate"),
         QStringLiteral("Probability that a frame is cut short (default 0)."),
         QStringLiteral("p")},
        {QStringLiteral("oversize"),
         QStringLiteral("Probability of a header announcing more than 1000 samples (default 0)."),
         QStringLiteral("p")},
        {QStringLiteral("hashes"),
         QStringLiteral("Probability that \"####\" is written inside a frame's samples "
                        "(default 0)."),
         QStringLiteral("p")},
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kurvomat-device"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KURVOMAT_VERSION));

    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        std::fputs("Try 'kurvomat-device --help'.\n", stderr);
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kExitOk);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    Options options;
    try {
        options = readOptions(parser);
    } catch (const UsageError &error) {
        printError(error.text);
        std::fputs("Try 'kurvomat-device --help'.\n", stderr);
        return kExitUsage;
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#if defined(Q_OS_UNIX)
    // A closed standard output (the reader of "Port:" gone) must not end the device.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    std::unique_ptr<Sink> sink;
    QString target;
    double lineCapacity = 0; // characters per second; 0 when the line sets no limit
#if defined(Q_OS_UNIX)
    if (options.pty) {
        auto pty = std::make_unique<PtySink>(options.line.charactersPerSecond());
        target = pty->slavePath();
        sink = std::move(pty);
        lineCapacity = options.line.charactersPerSecond();
    }
#endif
    if (!sink) {
        sink = std::make_unique<SerialSink>(options.portPath, options.line);
        target = options.portPath;
        lineCapacity = options.line.charactersPerSecond();
    }
    if (!sink->failure().isEmpty()) {
        printError(sink->failure());
        return kExitFailure;
    }

    if (options.pty) {
        std::printf("Port: %s\n", qPrintable(target));
        std::fflush(stdout);
    }
    const double burst = 6.0 + options.count + options.garbage;
    std::fprintf(stderr, "kurvomat-device: %s frames of %d %s samples, %s per second, to %s.%s\n",
                 qPrintable(options.waveName), options.count,
                 options.signedSamples ? "signed" : "unsigned",
                 qPrintable(QString::number(options.rate)), qPrintable(target),
                 options.frames == 0 ? " Ctrl+C ends." : "");
    if (lineCapacity > 0 && burst * options.rate > lineCapacity)
        printError(QStringLiteral("note: %1 frames per second of %2 bytes need %3 bytes per "
                                  "second, the line carries about %4; frames it cannot take "
                                  "are skipped")
                       .arg(QString::number(options.rate), QString::number(burst),
                            QString::number(qRound64(burst * options.rate)),
                            QString::number(qRound64(lineCapacity))));

    Statistics stats;
    FrameSource source(options);
    QElapsedTimer clock;
    clock.start();
    qint64 slot = 0;       // frame slots since `base`, sent or skipped
    qint64 baseMs = 0;     // start of the schedule; moved on when the program falls far behind
    qint64 drainDeadline = -1;
    int exitCode = kExitOk;
    const double periodMs = 1000.0 / options.rate;

    const auto onTick = [&] {
        if (g_stopRequested) {
            app.exit(kExitOk);
            return;
        }
        if (!sink->failure().isEmpty()) {
            printError(sink->failure());
            exitCode = kExitFailure;
            app.exit(kExitFailure);
            return;
        }
        const qint64 now = clock.elapsed();
        if (drainDeadline >= 0) {
            if (sink->drained() || now >= drainDeadline) {
                if (!sink->drained())
                    printError(QStringLiteral("note: the reader did not take every byte"));
                app.exit(kExitOk);
            }
            return;
        }
        // After a stall (suspended machine, stopped process) start the schedule afresh instead
        // of sending a burst of overdue frames.
        if (now - (baseMs + static_cast<qint64>(slot * periodMs)) > 1000) {
            baseMs = now;
            slot = 0;
        }
        while (baseMs + static_cast<qint64>(slot * periodMs) <= now) {
            ++slot;
            if (sink->pending() > 0) {
                ++stats.skipped;
                continue;
            }
            const QByteArray bytes = source.next(stats);
            sink->send(bytes);
            ++stats.sent;
            stats.bytes += bytes.size();
            if (options.frames > 0 && stats.sent >= options.frames) {
                drainDeadline = now + 5000
                                + (lineCapacity > 0
                                       ? static_cast<qint64>(1000.0 * burst / lineCapacity)
                                       : 0);
                break;
            }
        }
    };
    // The tick also polls for Ctrl+C, so it runs at least every 50 ms whatever the rate.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(std::clamp(static_cast<int>(periodMs / 2), 1, 50));
    QObject::connect(&tick, &QTimer::timeout, &app, onTick);
    tick.start();
    QTimer::singleShot(0, &app, onTick);

    const int loopResult = app.exec();
    tick.stop();
    if (exitCode == kExitOk)
        exitCode = loopResult;

    std::fprintf(stderr,
                 "kurvomat-device: %lld frames sent (%lld cut short, %lld oversize headers, "
                 "%lld with \"####\"), %lld skipped while the line was busy, %lld bytes, seed "
                 "%u.\n",
                 static_cast<long long>(stats.sent), static_cast<long long>(stats.truncated),
                 static_cast<long long>(stats.oversize), static_cast<long long>(stats.withHashes),
                 static_cast<long long>(stats.skipped), static_cast<long long>(stats.bytes),
                 static_cast<unsigned>(options.seed));
    return exitCode;
}
