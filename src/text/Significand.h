// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <cmath>

// Internal to src/text: the decimal digits from which the number-to-text rules write a double.
namespace kurvomat::text::detail {

// A finite number rounded to a number of significant digits: value = 0.d1 d2 ... dn, shifted so
// that d1 stands at the decimal position 10^exponent. Trailing zeros are removed; a zero has
// count 0.
struct Significand {
    std::array<char, 24> digits{};
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// Rounds a finite value to 'precision' significant digits (at most 16), halves away from zero.
// The exact binary value is rounded, so 0.125 gives 0.13 at two digits, and 2.675 (stored as
// 2.67499999999999982...) gives 2.67 at three digits but 2.675 at fifteen.
[[nodiscard]] Significand roundSignificant(double value, int precision);

// What every number-to-text rule writes for a value without a significand: "NaN", "Inf", "-Inf".
[[nodiscard]] inline QString nonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

} // namespace kurvomat::text::detail
