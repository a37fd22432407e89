// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>

namespace kurvomat::device {

using acquisition::LineSettings;
using acquisition::parseLineSettings;
using acquisition::Waveform;
using acquisition::waveformFromName;

namespace {

constexpr int kMaxGarbage = 100000;
constexpr double kMaxRate = 1000.0;

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

} // namespace

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

} // namespace kurvomat::device
