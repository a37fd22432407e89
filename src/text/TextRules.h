#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>

// The number and text rules every part of the program shares. All functions are pure; the
// ones that depend on the regional settings take the locale explicitly and default to QLocale().
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

// Text form of a 32-bit float as the numeric-to-text conversion writes it: at most 7
// significant digits, no trailing zeros after the decimal point, "." as decimal point, a
// leading blank when the value is not negative ("-" otherwise). 1000000.0f gives " 1000000",
// 500050.5f gives " 500050.5". Magnitudes from 1e7 on use the form " 1.234568E+07", and
// below 1e-4 the form " 1E-05". A magnitude below 1 has no "0" before the point (" .5",
// "-.25"). The exact binary value is rounded to 7 digits, an exact tie away from zero
// (1234566.5f gives " 1234567").
[[nodiscard]] QString singleText(float value);

// Conversion of a 64-bit float to a 16-bit signed integer: rounds to the nearest integer,
// halves to the even neighbour; a result outside -32768..32767 (or NaN) throws OverflowError.
[[nodiscard]] std::int16_t toInt16(double value);

// 16-bit integer arithmetic: a result outside -32768..32767 throws OverflowError.
[[nodiscard]] std::int16_t add16(std::int16_t a, std::int16_t b);
[[nodiscard]] std::int16_t mul16(std::int16_t a, std::int16_t b);

// The German regional settings for which record files are laid out (group ".", decimal ",").
[[nodiscard]] const QLocale &germanLocale();

} // namespace kurvomat::text
