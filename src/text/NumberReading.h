// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QStringView>

// The two rules by which the program reads a number from a text. Both are pure; the locale rule
// takes the locale explicitly and defaults to QLocale().
namespace kurvomat::text {

// Leading-number rule: blanks (space, tab, CR, LF) anywhere are ignored; the longest leading
// part that reads as a decimal number (optional sign, digits, "." as the only decimal point,
// optional exponent "E"/"e" with optional sign and digits) gives the value; a text without
// such a part gives 0. "12,5" gives 12, "abc" gives 0, "7abc" gives 7, " 1 2.5" gives 12.5.
// "1e" gives 1 (an exponent needs a digit). Only ASCII digits count; there is no "D" exponent
// and no "&H" prefix. A value too large for a double throws OverflowError; one too small for
// it gives 0. A zero result is always +0 ("-0" gives +0).
[[nodiscard]] double leadingNumber(QStringView text);

// Locale rule: the whole text, blanks around it allowed, must be a number written with the
// locale's decimal separator (digit-group separators allowed, optional sign and exponent).
// Any other text, the empty text included, throws ConversionError.
// Group separators are checked as QLocale::toDouble checks them: each one must be followed by
// exactly three digits, so under German settings "1.000,5" and "1.000" are read (1000.5, 1000)
// but "2.5" and "1.00,5" are conversion errors. The exponent is "E" or "e". The words "inf"
// and "nan" are conversion errors. A number too large for a double throws OverflowError, one
// too small for it gives 0; a zero result is always +0. doubleText() output reads back.
[[nodiscard]] double localeNumber(QStringView text, const QLocale &locale = QLocale());

} // namespace kurvomat::text
