// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Correlation.h"

#include "analysis/CorrelationTransform.h"
#include "core/Errors.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

namespace kurvomat::analysis {

void buildReference(std::span<std::int16_t> reference, double n, double amplitude, double pi)
{
    const double bound = 2 * n;
    // k is a whole number below 2^53 whenever the loop body runs past the index check, so
    // the conversions to an index are exact. An infinite n ends at the array's end.
    for (double k = 1; k <= bound; k += 1) {
        const double angle = (k * 360) / n;
        const double s = std::sin((pi * angle) / 180);
        const double v = std::floor(s * amplitude);
        if (k >= static_cast<double>(reference.size()))
            throw IndexError("reference index " + std::to_string(static_cast<long long>(k))
                             + " outside 0.." + std::to_string(reference.size() - 1));
        if (!(v >= -32768.0 && v <= 32767.0))
            throw OverflowError("reference value " + std::to_string(v)
                                + " outside the 16-bit range");
        reference[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(v);
    }
}

namespace {

// Throws unless samples[1..m] and reference[1..2m-1] lie inside the spans; m >= 1.
void checkReads(std::span<const std::int16_t> samples, std::span<const std::int16_t> reference,
                int m)
{
    const auto length = static_cast<std::size_t>(m);
    if (m > std::numeric_limits<std::int16_t>::max() || length >= samples.size()
        || 2 * length > reference.size())
        throw IndexError("correlation length " + std::to_string(m) + " reads samples 1.."
                         + std::to_string(m) + " and reference 1.." + std::to_string(2 * m - 1)
                         + " of arrays 0.." + std::to_string(samples.size() - 1) + " and 0.."
                         + std::to_string(reference.size() - 1));
}

// Scans all m shifts. a points at samples[1], r at reference[1], so that
//   S(i) = sum_{j=0}^{m-1} a[j] * r[i - 1 + j],  i = 1..m,
// and every inner loop is a contiguous dot product that the compiler vectorises (at -O3
// for GCC; into pmaddwd for 32-bit sums). B neighbouring shifts are summed in one pass so
// that they share each load of a[j]; B = 8 measured best for 32-bit sums, 4 for 64-bit.
// Acc must hold every partial sum in any order of summation; the caller guarantees this
// for 32-bit sums from the value bounds, which is what makes the reordering exact.
// Always inlined so that each instruction-set variant below gets its own code.
template <typename Acc, int B>
KURVOMAT_ALWAYS_INLINE CorrelationResult scanShifts(const std::int16_t *a,
                                                    const std::int16_t *r, int m)
{
    Acc best = 0; // only a sum strictly greater than the best so far (start 0) counts
    int bestShift = 0;
    int i = 0; // shift minus 1
    for (; i + B <= m; i += B) {
        const std::int16_t *b = r + i;
        Acc sums[B] = {};
        for (int j = 0; j < m; ++j) {
            const Acc x = a[j];
            for (int t = 0; t < B; ++t)
                sums[t] += x * static_cast<Acc>(b[j + t]);
        }
        for (int t = 0; t < B; ++t) {
            if (sums[t] > best) {
                best = sums[t];
                bestShift = i + t + 1;
            }
        }
    }
    for (; i < m; ++i) {
        const std::int16_t *b = r + i;
        Acc sum = 0;
        for (int j = 0; j < m; ++j)
            sum += static_cast<Acc>(a[j]) * static_cast<Acc>(b[j]);
        if (sum > best) {
            best = sum;
            bestShift = i + 1;
        }
    }
    return {static_cast<double>(best), static_cast<std::int16_t>(bestShift)};
}

CorrelationResult scanPortable(const std::int16_t *a, const std::int16_t *r, int m, bool narrow)
{
    return narrow ? scanShifts<std::int32_t, 8>(a, r, m) : scanShifts<std::int64_t, 4>(a, r, m);
}

#if KURVOMAT_CORRELATION_AVX2
[[gnu::target("avx2")]] CorrelationResult scanAvx2(const std::int16_t *a, const std::int16_t *r,
                                                   int m, bool narrow)
{
    return narrow ? scanShifts<std::int32_t, 8>(a, r, m) : scanShifts<std::int64_t, 4>(a, r, m);
}

bool cpuHasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

} // namespace

bool isAvailable(CorrelationKernel kernel)
{
    switch (kernel) {
    case CorrelationKernel::Portable:
        return true;
    case CorrelationKernel::Avx2:
#if KURVOMAT_CORRELATION_AVX2
        return cpuHasAvx2();
#else
        return false;
#endif
    }
    return false;
}

CorrelationKernel preferredCorrelationKernel()
{
    return isAvailable(CorrelationKernel::Avx2) ? CorrelationKernel::Avx2
                                                : CorrelationKernel::Portable;
}

const char *kernelName(CorrelationKernel kernel)
{
    switch (kernel) {
    case CorrelationKernel::Portable:
        return "portable";
    case CorrelationKernel::Avx2:
        return "avx2";
    }
    return "unknown";
}

namespace {

// From this m on the transform is faster than the direct 64-bit sums (bench_correlation,
// BM_CorrelateMethod); the direct 32-bit sums of 8-bit device values stay ahead a little
// longer, but below a few hundred both take a few microseconds.
constexpr int kTransformFrom = 128;

void checkKernel(CorrelationKernel kernel)
{
    if (!isAvailable(kernel))
        throw std::invalid_argument(std::string("correlation kernel not available: ")
                                    + kernelName(kernel));
}

CorrelationResult direct(CorrelationKernel kernel, const std::int16_t *a, const std::int16_t *r,
                         int m)
{
    // Every partial sum of a shift, in any order, is at most sum|a| * max|r| in magnitude;
    // both factors are at most 32767 * 32768 and 32768, so their product fits 64 bits.
    std::int64_t sumAbsSamples = 0;
    for (int j = 0; j < m; ++j)
        sumAbsSamples += std::abs(static_cast<int>(a[j]));
    int maxAbsReference = 0;
    for (int k = 0; k < 2 * m - 1; ++k) {
        const int value = std::abs(static_cast<int>(r[k]));
        if (value > maxAbsReference)
            maxAbsReference = value;
    }
    const bool narrow = sumAbsSamples * maxAbsReference
                        <= std::numeric_limits<std::int32_t>::max();

#if KURVOMAT_CORRELATION_AVX2
    if (kernel == CorrelationKernel::Avx2)
        return scanAvx2(a, r, m, narrow);
#endif
    return scanPortable(a, r, m, narrow);
}

std::optional<CorrelationResult> transform(CorrelationKernel kernel, const std::int16_t *a,
                                           const std::int16_t *r, int m, double errorLimit)
{
#if KURVOMAT_CORRELATION_AVX2
    if (kernel == CorrelationKernel::Avx2)
        return detail::transformAvx2(a, r, m, errorLimit);
#endif
    return detail::transformPortable(a, r, m, errorLimit);
}

// The checks of every entry, before any work: false for m <= 0 (nothing is read, the result
// is {0, 0}); throws for an unavailable kernel or reads outside the spans.
bool checkedInputs(CorrelationKernel kernel, std::span<const std::int16_t> samples,
                   std::span<const std::int16_t> reference, int m)
{
    checkKernel(kernel);
    if (m <= 0)
        return false;
    checkReads(samples, reference, m);
    return true;
}

} // namespace

CorrelationResult correlateWith(CorrelationKernel kernel, std::span<const std::int16_t> samples,
                                std::span<const std::int16_t> reference, int m)
{
    if (!checkedInputs(kernel, samples, reference, m))
        return {};
    const std::int16_t *a = samples.data() + 1;
    const std::int16_t *r = reference.data() + 1;
    if (m >= kTransformFrom)
        if (const auto result = transform(kernel, a, r, m, kTransformErrorLimit))
            return *result;
    return direct(kernel, a, r, m);
}

CorrelationResult correlateDirect(CorrelationKernel kernel, std::span<const std::int16_t> samples,
                                  std::span<const std::int16_t> reference, int m)
{
    if (!checkedInputs(kernel, samples, reference, m))
        return {};
    return direct(kernel, samples.data() + 1, reference.data() + 1, m);
}

std::optional<CorrelationResult> correlateByTransform(CorrelationKernel kernel,
                                                      std::span<const std::int16_t> samples,
                                                      std::span<const std::int16_t> reference,
                                                      int m, double errorLimit)
{
    if (!checkedInputs(kernel, samples, reference, m))
        return CorrelationResult{};
    return transform(kernel, samples.data() + 1, reference.data() + 1, m, errorLimit);
}

CorrelationResult correlate(std::span<const std::int16_t> samples,
                            std::span<const std::int16_t> reference, int m)
{
    return correlateWith(preferredCorrelationKernel(), samples, reference, m);
}

CorrelationResult correlateNaive(std::span<const std::int16_t> samples,
                                 std::span<const std::int16_t> reference, int m)
{
    if (m <= 0)
        return {};
    checkReads(samples, reference, m);

    CorrelationResult result;
    for (int i = 1; i <= m; ++i) {
        double sum = 0;
        for (int j = 1; j <= m; ++j) {
            const int product = samples[static_cast<std::size_t>(j)]
                                * reference[static_cast<std::size_t>(i + j - 1)];
            sum += product;
        }
        if (sum > result.maximum) {
            result.maximum = sum;
            result.shift = static_cast<std::int16_t>(i);
        }
    }
    return result;
}

} // namespace kurvomat::analysis
