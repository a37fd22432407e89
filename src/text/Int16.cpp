// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Int16.h"

#include "core/Errors.h"

#include <cmath>

namespace kurvomat::text {

std::int16_t toInt16(double value)
{
    // NaN fails both comparisons.
    if (!(value >= -32768.5 && value <= 32767.5))
        throw OverflowError("Overflow");
    double rounded = std::floor(value);
    const double rest = value - rounded; // exact for this range
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0))
        rounded += 1;
    if (rounded > 32767 || rounded < -32768)
        throw OverflowError("Overflow");
    return static_cast<std::int16_t>(rounded);
}

std::int16_t add16(std::int16_t a, std::int16_t b)
{
    const int sum = int(a) + int(b);
    if (sum > 32767 || sum < -32768)
        throw OverflowError("Overflow");
    return static_cast<std::int16_t>(sum);
}

} // namespace kurvomat::text
