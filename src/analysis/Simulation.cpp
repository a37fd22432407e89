// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Simulation.h"

#include "core/Errors.h"
#include "text/PatternFormat.h"

#include <QString>

#include <cmath>
#include <string>

namespace kurvomat::analysis {

double singleSample(double k, double f, double n, double amplitude, double pi)
{
    const double angle = ((k * 360) * f) / n;
    return std::sin((pi * angle) / 180) * amplitude;
}

double sweepSample(double k, double frequency, double p, double amplitude, double pi)
{
    double w = ((k * 360) * frequency) / p;
    w = amplitude * std::sin((w * pi) / 180);
    return w;
}

QByteArray sweepResults(std::span<const double> resultList, int steps, const QLocale &locale)
{
    if (steps > 0 && static_cast<std::size_t>(steps) >= resultList.size())
        throw IndexError("result index " + std::to_string(steps) + " outside 0.."
                         + std::to_string(static_cast<long long>(resultList.size()) - 1));

    constexpr int kFactorColumns = 14;
    QString text;
    double factor = 0;
    for (int k = 1; k <= steps; ++k) {
        factor += 0.01;
        // The factor stays below 12 for any list the size of the window's (0..1100), so its
        // text never needs more than the 14 columns.
        text += text::formatPattern(factor, u"0.00", locale).leftJustified(kFactorColumns, u' ');
        text += text::formatPattern(resultList[static_cast<std::size_t>(k)], u"0,000", locale);
        text += u"\r\n";
    }
    return text.toLatin1();
}

} // namespace kurvomat::analysis
