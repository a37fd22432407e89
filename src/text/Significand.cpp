// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Significand.h"

#include <charconv>
#include <cstddef>
#include <cstdint>

namespace kurvomat::text::detail {

namespace {

constexpr std::array<std::uint64_t, 23> kPow5 = [] {
    std::array<std::uint64_t, 23> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 5;
    return p;
}();

constexpr std::uint64_t pow10u(int n)
{
    std::uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// Whether the positive finite value a is exactly a decimal number of precision + 1 significant
// digits whose last digit is 5, that is, a tie when rounding to precision digits. On a tie
// 'tieDigits' receives those precision + 1 digits as an integer and 'tieScale' their scale:
// a = tieDigits * 10^tieScale.
//
// a = m * 2^e with m odd. For e < 0 that is m * 5^-e / 10^-e, whose last digit is always 5;
// for e >= 0 the value is an integer whose lowest set bit is 2^e, and a decimal ending in 5 at
// the position 10^k has exactly 2^k as its lowest set bit, so k = e and 5^e must divide m.
bool isExactTie(double a, int precision, std::uint64_t &tieDigits, int &tieScale)
{
    int binaryExponent = 0;
    const double fraction = std::frexp(a, &binaryExponent);
    auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    int e = binaryExponent - 53;
    while ((m & 1U) == 0) {
        m >>= 1;
        ++e;
    }
    const std::uint64_t low = pow10u(precision);
    const std::uint64_t high = low * 10;
    std::uint64_t d = 0;
    if (e >= 0) {
        if (e >= static_cast<int>(kPow5.size()) || m % kPow5[static_cast<std::size_t>(e)] != 0)
            return false;
        d = m / kPow5[static_cast<std::size_t>(e)];
    } else {
        if (-e >= static_cast<int>(kPow5.size()))
            return false;
        const std::uint64_t p5 = kPow5[static_cast<std::size_t>(-e)];
        if (m > high / p5)
            return false;
        d = m * p5;
    }
    if (d < low || d >= high || d % 10 != 5)
        return false;
    tieDigits = d;
    tieScale = e;
    return true;
}

} // namespace

Significand roundSignificant(double value, int precision)
{
    Significand s;
    s.negative = std::signbit(value);
    if (value == 0)
        return s;

    const double magnitude = std::fabs(value);
    std::uint64_t tieDigits = 0;
    int tieScale = 0;
    if (isExactTie(magnitude, precision, tieDigits, tieScale)) {
        // Away from zero: drop the final 5 and round up; 99..95 carries into a new digit.
        std::uint64_t kept = tieDigits / 10 + 1;
        s.exponent = tieScale + precision;
        if (kept == pow10u(precision)) {
            kept /= 10;
            ++s.exponent;
        }
        std::array<char, 24> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), kept);
        s.count = static_cast<int>(result.ptr - buffer.data());
        for (int i = 0; i < s.count; ++i)
            s.digits[static_cast<std::size_t>(i)] = buffer[static_cast<std::size_t>(i)];
    } else {
        // Correctly rounded; without an exact tie half-to-even and away-from-zero agree.
        // Layout: "d.ddddde+XX" (the magnitude, so no sign).
        std::array<char, 48> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                          std::chars_format::scientific, precision - 1);
        const char *p = buffer.data();
        const char *end = result.ptr;
        while (p != end && *p != 'e') {
            if (*p != '.')
                s.digits[static_cast<std::size_t>(s.count++)] = *p;
            ++p;
        }
        int exponent = 0;
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
        s.exponent = exponent;
    }
    while (s.count > 0 && s.digits[static_cast<std::size_t>(s.count - 1)] == '0')
        --s.count;
    return s;
}

} // namespace kurvomat::text::detail
