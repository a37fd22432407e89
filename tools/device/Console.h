// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How kurvomat-device answers its user besides the frames: messages on standard error, each
// headed by the program's name, and the exit status.

#include <QString>

namespace kurvomat::device {

// After --frames frames or on Ctrl+C/SIGTERM.
constexpr int kExitOk = 0;
// The port cannot be opened or fails.
constexpr int kExitFailure = 1;
// Bad options.
constexpr int kExitUsage = 2;

// "kurvomat-device: <text>" on standard error.
void printError(const QString &text);

} // namespace kurvomat::device
