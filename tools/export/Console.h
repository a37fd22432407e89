// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How kurvomat-export answers its user besides the CSV: messages on standard error, each headed
// by the program's name, and the exit status.

#include <QString>

namespace kurvomat::exporter {

// Every line converted (empty lines are skipped silently).
constexpr int kExitOk = 0;
// Some lines were refused: each is named on standard error, the others are converted.
constexpr int kExitRefused = 1;
// Bad command line.
constexpr int kExitUsage = 2;
// The record file cannot be read or the CSV cannot be written; no CSV is written.
constexpr int kExitFileError = 3;

// "kurvomat-export: <text>" on standard error.
void printError(const QString &text);

} // namespace kurvomat::exporter
