// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

// The standard texts of numbers. All functions are pure; the ones that depend on the regional
// settings take the locale explicitly and default to QLocale().
namespace kurvomat::text {

// Standard text of a 64-bit float: at most 15 significant digits, trailing zeros dropped,
// the locale's decimal separator, no grouping; -0 gives "0". Magnitudes from 1e15 on and
// below 1e-4 use the exponent form "1E+15", "1E-05", "1,5E-07" (mantissa with the locale's
// separator, "E", the exponent's sign always, at least two exponent digits); the limits apply
// to the value after rounding, so 999999999999999.9 gives "1E+15". The exact binary value is
// rounded to 15 digits, an exact tie away from zero. NaN and infinities give "NaN", "Inf",
// "-Inf" (the program never produces them: its conversions throw first).
[[nodiscard]] QString doubleText(double value, const QLocale &locale = QLocale());

// Standard text of a 16-bit integer: plain decimal digits, "-" for negatives, no blank.
[[nodiscard]] QString int16Text(std::int16_t value);

// Text form of a 32-bit float as the numeric-to-text conversion writes it: at most 7
// significant digits, no trailing zeros after the decimal point, "." as decimal point, a
// leading blank when the value is not negative ("-" otherwise). 1000000.0f gives " 1000000",
// 500050.5f gives " 500050.5". Magnitudes from 1e7 on use the form " 1.234568E+07", and
// below 1e-4 the form " 1E-05". A magnitude below 1 has no "0" before the point (" .5",
// "-.25"). The exact binary value is rounded to 7 digits, an exact tie away from zero
// (1234566.5f gives " 1234567").
[[nodiscard]] QString singleText(float value);

// The German regional settings for which record files are laid out (group ".", decimal ",").
[[nodiscard]] const QLocale &germanLocale();

} // namespace kurvomat::text
