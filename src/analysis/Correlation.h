// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The reference sine and the cross-correlation of the sample buffer against it. Pure
// functions over the window's arrays: they know nothing of widgets, fields or the window.
namespace kurvomat::analysis {

// Writes the reference sine into reference[1..2n]: for k = 1, 2, 3, ... while k <= 2n (k
// counts in double, 2n is taken once), in exactly this order of double operations:
//   angle = (k * 360) / n;  s = sin((pi * angle) / 180);  v = floor(s * amplitude);
// and reference[k] = v. Element 0 and the elements above 2n are never written.
// Each k is checked before its element is written, so on a failure the elements 1..k-1 hold
// their new values and the rest their old ones:
//   k beyond the span (k >= reference.size()) throws IndexError;
//   v outside -32768..32767 (or not a number) throws OverflowError.
// An n with 2n < 1, or NaN, writes nothing.
void buildReference(std::span<std::int16_t> reference, double n, double amplitude, double pi);

// Largest correlation sum and the shift (1..m) at which it occurs first. maximum is never
// negative; a computation in which no sum is greater than 0 gives {0, 0}.
struct CorrelationResult {
    double maximum = 0;
    std::int16_t shift = 0;

    friend bool operator==(const CorrelationResult &, const CorrelationResult &) = default;
};

// Cross-correlation of samples[1..m] with reference[1..2m-1]:
//   S(i) = sum over j = 1..m of samples[j] * reference[i + j - 1],  for shifts i = 1..m.
// The result is the first shift whose sum is strictly greater than every earlier sum and
// than 0. Products and sums are exact integers for every 16-bit input (the sums reach at
// most about 2^40, so maximum as a double is exact as well).
// m <= 0 gives {0, 0} without reading anything. An m whose reads fall outside the spans
// (m >= samples.size(), 2m - 1 >= reference.size(), or m > 32767) throws IndexError before
// any work; with the window's arrays (0..1100 and 0..2100) that is m > 1050.
// Speed: from m = 128 on the sums come from a double-precision FFT with the reference's
// spectrum kept between calls (the window correlates every frame against the same sine),
// each rounded to its integer; a rounding-error bound proven for the given inputs must stay
// below 1/4, else (never for 16-bit inputs with m <= 1050) the sums are taken directly. The
// direct sums run in 32-bit integers whenever the value bounds prove that no partial sum can
// leave the 32-bit range (sum of |samples| times max |reference| < 2^31), otherwise in 64-bit
// integers. See CorrelationKernel below for the instruction-set variants.
[[nodiscard]] CorrelationResult correlate(std::span<const std::int16_t> samples,
                                          std::span<const std::int16_t> reference, int m);

// The same result, computed the straightforward way: each product as a plain int, each sum
// accumulated in double. Slow; the yardstick for correlate() in tests and benchmarks.
[[nodiscard]] CorrelationResult correlateNaive(std::span<const std::int16_t> samples,
                                               std::span<const std::int16_t> reference, int m);

// Instruction-set variants of correlate(). All give identical results; correlate() uses the
// preferred one, which is the fastest the running processor supports. Exposed so that tests
// can check every variant this processor can run and benchmarks can compare them.
enum class CorrelationKernel {
    Portable, // the baseline instruction set of the build (SSE2 on x86-64)
    Avx2,     // x86 AVX2, chosen at run time; GCC and Clang builds only
};

[[nodiscard]] bool isAvailable(CorrelationKernel kernel);
[[nodiscard]] CorrelationKernel preferredCorrelationKernel();
[[nodiscard]] const char *kernelName(CorrelationKernel kernel);

// correlate() with a chosen variant; an unavailable one throws std::invalid_argument.
[[nodiscard]] CorrelationResult correlateWith(CorrelationKernel kernel,
                                              std::span<const std::int16_t> samples,
                                              std::span<const std::int16_t> reference, int m);

// The two ways correlateWith() computes, each on its own with the same checks and result, so
// that tests reach both whatever m selects and benchmarks can compare them.
// The sums one by one in integers:
[[nodiscard]] CorrelationResult correlateDirect(CorrelationKernel kernel,
                                                std::span<const std::int16_t> samples,
                                                std::span<const std::int16_t> reference, int m);
// Through the FFT; nothing when the proven bound on its rounding error for these inputs is not
// below errorLimit (correlateWith() then sums directly).
inline constexpr double kTransformErrorLimit = 0.25;
[[nodiscard]] std::optional<CorrelationResult>
correlateByTransform(CorrelationKernel kernel, std::span<const std::int16_t> samples,
                     std::span<const std::int16_t> reference, int m,
                     double errorLimit = kTransformErrorLimit);

} // namespace kurvomat::analysis
