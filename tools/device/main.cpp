// SPDX-License-Identifier: GPL-3.0-or-later
// kurvomat-device: a stand-in for the measuring device. Sends frames ("####", count low,
// count high, 8-bit samples) to a serial port or, on POSIX systems, to a pseudo-terminal whose
// slave side KURVOMAT opens as its port, so the program can be tried without an instrument.
// Faults can be injected to see how the receiver copes: garbage between frames, frames cut
// short, headers announcing more than 1000 samples, "####" inside the samples.
//
// This file reads the command line, opens the sink, announces the run, transmits and sums up.
// Exit codes: see Console.h.
#include "Console.h"
#include "FrameSource.h"
#include "Options.h"
#include "SerialSink.h"
#include "Statistics.h"
#include "Transmission.h"

#include "core/Version.h"

#if defined(Q_OS_UNIX)
#include "PtySink.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace kurvomat::device;

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void requestStop(int)
{
    g_stopRequested = 1;
}

int usageFailure(const QString &text)
{
    printError(text);
    std::fputs("Try 'kurvomat-device --help'.\n", stderr);
    return kExitUsage;
}

// The sink the options name, and its path for the user.
std::unique_ptr<Sink> openSink(const Options &options, QString &target)
{
#if defined(Q_OS_UNIX)
    if (options.pty) {
        auto pty = std::make_unique<PtySink>(options.line.charactersPerSecond());
        target = pty->slavePath();
        return pty;
    }
#endif
    target = options.portPath;
    return std::make_unique<SerialSink>(options.portPath, options.line);
}

// What is sent where, and a note when the line cannot carry the frames at the rate asked.
void announce(const Options &options, const QString &target)
{
    if (options.pty) {
        std::printf("Port: %s\n", qPrintable(target));
        std::fflush(stdout);
    }
    std::fprintf(stderr, "kurvomat-device: %s frames of %d %s samples, %s per second, to %s.%s\n",
                 qPrintable(options.waveName), options.count,
                 options.signedSamples ? "signed" : "unsigned",
                 qPrintable(QString::number(options.rate)), qPrintable(target),
                 options.frames == 0 ? " Ctrl+C ends." : "");
    const double burst = longestFrameBytes(options);
    const double lineCapacity = options.line.charactersPerSecond();
    if (burst * options.rate > lineCapacity)
        printError(QStringLiteral("note: %1 frames per second of %2 bytes need %3 bytes per "
                                  "second, the line carries about %4; frames it cannot take "
                                  "are skipped")
                       .arg(QString::number(options.rate), QString::number(burst),
                            QString::number(qRound64(burst * options.rate)),
                            QString::number(qRound64(lineCapacity))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kurvomat-device"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kurvomat::kVersionText));

    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return usageFailure(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(kExitOk);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    Options options;
    try {
        options = readOptions(parser);
    } catch (const UsageError &error) {
        return usageFailure(error.text);
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#if defined(Q_OS_UNIX)
    // A closed standard output (the reader of "Port:" gone) must not end the device.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    QString target;
    const std::unique_ptr<Sink> sink = openSink(options, target);
    if (!sink->failure().isEmpty()) {
        printError(sink->failure());
        return kExitFailure;
    }
    announce(options, target);

    Statistics stats;
    const int exitCode = transmit(options, *sink, stats, g_stopRequested);
    printSummary(stats, options.seed);
    return exitCode;
}
