// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the CSV goes: a file, replaced in one step, or standard output.

#include <QByteArray>
#include <QString>

namespace kurvomat::exporter {

// Writes `csv` to `path`, replacing the file only once all of it is written (an older file stays
// as it was on failure), or to standard output when `path` is empty. Throws FileError naming the
// file and the reason.
void writeOutput(const QString &path, const QByteArray &csv);

} // namespace kurvomat::exporter
