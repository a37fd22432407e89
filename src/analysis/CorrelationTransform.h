// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Internal to src/analysis: what Correlation.cpp and CorrelationTransform.cpp share, the
// instruction-set switches and the transform path's entries, one per instruction set.

#include "analysis/Correlation.h"

#include <cstdint>
#include <optional>

// Run-time choice of an AVX2 variant needs GCC or Clang (target attribute, CPU detection)
// on x86; every other build uses the portable variant only.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define KURVOMAT_CORRELATION_AVX2 1
#else
#define KURVOMAT_CORRELATION_AVX2 0
#endif

// Forced inlining, so that each instruction-set variant gets its own code of a helper; and a
// loop whose iterations the compiler may take as independent (the transform's work arrays
// never overlap, which it cannot prove once their pointers come from one block).
#if defined(__clang__)
#define KURVOMAT_ALWAYS_INLINE [[gnu::always_inline]] inline
#define KURVOMAT_INDEPENDENT_ITERATIONS _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define KURVOMAT_ALWAYS_INLINE [[gnu::always_inline]] inline
#define KURVOMAT_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#elif defined(_MSC_VER)
#define KURVOMAT_ALWAYS_INLINE __forceinline
#define KURVOMAT_INDEPENDENT_ITERATIONS __pragma(loop(ivdep))
#else
#define KURVOMAT_ALWAYS_INLINE inline
#define KURVOMAT_INDEPENDENT_ITERATIONS
#endif

namespace kurvomat::analysis::detail {

// The sums S(1..m) of a = samples + 1 and r = reference + 1 through the FFT, reduced to the
// result; nothing when the rounding-error bound for these inputs is not below errorLimit, or
// when this build's arithmetic does not round each operation once to double. m >= 1, reads
// already checked.
std::optional<CorrelationResult> transformPortable(const std::int16_t *a, const std::int16_t *r,
                                                   int m, double errorLimit);
#if KURVOMAT_CORRELATION_AVX2
std::optional<CorrelationResult> transformAvx2(const std::int16_t *a, const std::int16_t *r,
                                               int m, double errorLimit);
#endif

} // namespace kurvomat::analysis::detail
