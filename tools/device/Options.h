// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of kurvomat-device: the options it declares (with the text --help shows)
// and their reading into Options. Every value is checked against its range; numbers are read
// the same way whatever the user's locale. A bad command line raises UsageError.

#include "acquisition/FrameEncoder.h"
#include "acquisition/LineSettings.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>

class QCommandLineParser;

namespace kurvomat::device {

// What is wrong with the command line, as the user is told it.
struct UsageError {
    QString text;
};

struct Options {
    QString portPath; // empty with pty
    bool pty = false;
    acquisition::LineSettings line;
    acquisition::Waveform wave = acquisition::Waveform::Sine;
    QString waveName = QStringLiteral("sine");
    int count = 1000;
    double level = 100;
    double offset = 0;
    double periods = 2;
    double rate = 5; // frames per second
    qint64 frames = 0; // 0: until stopped
    bool signedSamples = true;
    std::uint32_t seed = 0;
    // Fault injection: bytes after every frame, and probabilities per frame.
    int garbage = 0;
    double truncate = 0;
    double oversize = 0;
    double hashes = 0;
};

// Declares the options, --help and --version, and the description --help shows.
void addOptions(QCommandLineParser &parser);

// The options of a parsed command line. Without --seed a random seed is drawn. Throws
// UsageError for a missing, contradictory or out-of-range option, a positional argument, or
// --pty on a system without pseudo-terminals.
[[nodiscard]] Options readOptions(const QCommandLineParser &parser);

} // namespace kurvomat::device
