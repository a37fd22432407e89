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
// A value too large for a double throws OverflowError.
[[nodiscard]] double leadingNumber(QStringView text);

// Locale rule: the whole text, blanks around it allowed, must be a number written with the
// locale's decimal separator (digit-group separators allowed, optional sign and exponent).
// Any other text, the empty text included, throws ConversionError.
[[nodiscard]] double localeNumber(QStringView text, const QLocale &locale = QLocale());

// Standard text of a 64-bit float: at most 15 significant digits, trailing zeros dropped,
// the locale's decimal separator, no grouping; -0 gives "0". Magnitudes from 1e15 on and
// below 1e-4 use the exponent form "1E+15", "1E-05" (mantissa with the locale's separator).
[[nodiscard]] QString doubleText(double value, const QLocale &locale = QLocale());

// Standard text of a 16-bit integer: plain decimal digits, "-" for negatives, no blank.
[[nodiscard]] QString int16Text(std::int16_t value);

// Pattern formatting. In the pattern "0" is a digit that is always written, "#" a digit
// written only when significant, "." the locale's decimal separator, a "," between digit
// positions groups the integer digits by threes with the locale's group separator; any other
// character after the digits is copied literally (" Mb"). More integer digits are written
// where the value needs them. The value is first taken to 15 significant decimal digits and
// then rounded to the pattern's decimals, halves away from zero. A value that rounds to zero
// is written without a minus sign. Supported: "000,000", "00000,000", "0,000", "#,##0",
// "0.00", "0.000 Mb" and patterns of the same shape.
[[nodiscard]] QString formatPattern(double value, QStringView pattern,
                                    const QLocale &locale = QLocale());

// Text form of a 32-bit float as the numeric-to-text conversion writes it: at most 7
// significant digits, no trailing zeros after the decimal point, "." as decimal point, a
// leading blank when the value is not negative ("-" otherwise). 1000000.0f gives " 1000000",
// 500050.5f gives " 500050.5". Magnitudes from 1e7 on use the form " 1.234568E+07".
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
