// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// Numbers written after a digit pattern ("#,##0", "0.000 Mb"). Pure; the locale is explicit and
// defaults to QLocale().
namespace kurvomat::text {

// Pattern formatting. In the pattern "0" is a digit that is always written, "#" a digit
// written only when significant, "." the locale's decimal separator, a "," between digit
// positions groups the integer digits by threes with the locale's group separator; any other
// character after the digits is copied literally (" Mb"). More integer digits are written
// where the value needs them. The value is first taken to 15 significant decimal digits and
// then rounded to the pattern's decimals, halves away from zero. A value that rounds to zero
// is written without a minus sign; a minus sign stands before any literal prefix. Decimal
// positions "#" after the "0" ones are dropped when zero; a pattern "." is always written.
// Supported: "000,000", "00000,000", "0,000", "#,##0", "0.00", "0.000 Mb" and patterns of the
// same shape (no scaling by a trailing ",", no "%", no sections, no exponent).
[[nodiscard]] QString formatPattern(double value, QStringView pattern,
                                    const QLocale &locale = QLocale());

} // namespace kurvomat::text
