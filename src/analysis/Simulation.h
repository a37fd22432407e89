// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLocale>

#include <span>

// Sample generation of the signal simulator and the format of its sweep results file. Pure
// functions; reading the text boxes, drawing and correlating stay with the window.
namespace kurvomat::analysis {

// One sample of the single simulation, exactly in this order of double operations:
//   angle = ((k * 360) * f) / n;  w = sin((pi * angle) / 180) * amplitude.
// k is the sample number (1..n), f the frequency factor, n the number of samples.
[[nodiscard]] double singleSample(double k, double f, double n, double amplitude, double pi);

// One sample of a sweep step, exactly in this order of double operations:
//   w = ((k * 360) * frequency) / p;  w = amplitude * sin((w * pi) / 180).
[[nodiscard]] double sweepSample(double k, double frequency, double p, double amplitude,
                                 double pi);

// Content of the sweep results file for the steps 1..steps, one line per step, in order:
// the factor f(k), accumulated in double from 0 by adding 0.01 before each line, in the
// pattern "0.00", left-aligned and filled with blanks to 14 characters; then resultList[k]
// in the pattern "0,000"; then CR LF. Separators follow the locale. The text is returned as
// Latin-1 bytes (a separator outside Latin-1 becomes "?").
// steps <= 0 gives no lines; steps >= resultList.size() throws IndexError before any line.
[[nodiscard]] QByteArray sweepResults(std::span<const double> resultList, int steps,
                                      const QLocale &locale = QLocale());

} // namespace kurvomat::analysis
