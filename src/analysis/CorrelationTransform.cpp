// SPDX-License-Identifier: GPL-3.0-or-later
// The correlation sums through a double-precision FFT, each rounded to its exact integer.
//
// With a = samples[1..m] and r = reference[1..2m-1] as zero-based sequences, the sums are the
// linear correlation c(s) = sum_j a(j) r(s + j), s = 0..m-1, S(s + 1) = c(s). For a length L,
// a power of two >= 2m - 1, the cyclic correlation of r and a, both zero-padded to L, equals
// c(s) for these s (s + j <= 2m - 2 < L never wraps). In the frequency domain it is
// C = conj(A) R; the reference spectrum R is kept between calls, so a frame costs one forward
// and one inverse real transform. Each real transform of length L is a complex transform of
// length H = L / 2 on the packed sequence z(j) = x(2j) + i x(2j+1), with a split (forward) or
// merge (inverse) pass that pairs the frequencies k and H - k.
//
// Complex transforms: Stockham radix-4 stages (one radix-2 stage when H is not a power of
// four), natural order in and out, split real and imaginary arrays, so that every inner loop
// is a contiguous loop the compiler vectorises. The first stage runs along the twiddles
// (stride 1), the others along the blocks.
//
// Exactness. The sums are integers, so a computed value within 0.5 of its sum rounds to it.
// The rounding-error bound follows Percival (Math. Comp. 72 (2003), 387-395), adapted to
// these steps. Every double operation rounds once to nearest (unit roundoff e = 2^-53; the
// file is built without contraction into FMA, and the transform is off where intermediates
// carry excess precision); a complex product errs by at most sqrt(5) e relatively; a stored
// twiddle is within b = 4e of its root (see unitRoot). A radix-2 level (an addition and a
// twiddle product per path) multiplies errors by at most rho = (1+e)(1+sqrt5 e)(1+b); a
// radix-4 stage does less than two such levels, a level without twiddle less than one.
//  - Forward real transform, length 2^n: n-1 complex levels, the split's addition and one
//    level, phi = (1+e)^(n+1) (1+sqrt5 e)^n (1+b)^n. Every step is a multiple of a unitary map,
//    so by Percival's induction ||A' - A||2 <= (phi - 1) ||A||2 = (phi - 1) sqrt(L) ||a||2
//    over the full spectrum (the half computed mirrors exactly), and the same for R'.
//  - Products C' = conj(A') R' (1 + d), |d| <= sqrt5 e. By Cauchy-Schwarz
//    ||C' - C||1 <= L ||a|| ||r|| ((1+sqrt5 e) phi^2 - 1), ||C'||1 <= L ||a|| ||r|| (1+sqrt5 e) phi^2.
//  - Inverse: the merge (additions, one twiddle product) and n-1 levels, at most phi - 1
//    relative along each path from an input to an output; the paths into one packed output
//    carry (2/L) ||C'||1 (every half-spectrum value reaches it along four paths).
// Altogether, at every shift
//   |computed - S| <= ||a||2 ||r||2 ((1+sqrt5 e) phi^2 (2 phi - 1) - 1)
//                  <= ||a||2 ||r||2 expm1(sqrt5 e + 4 t),   t = expm1((n+1) e + n (sqrt5 e + b)).
// No value comes near overflow; underflow could add less than 2^-900 in all. The transform
// answers only when ||a|| ||r|| times this factor is below the caller's limit (0.25 in
// correlateWith: a factor two for the rounding of the bound itself). For 16-bit values and
// m <= 1050 the bound stays below 0.08.

#include "analysis/CorrelationTransform.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kurvomat::analysis::detail {
namespace {

constexpr double kUnitRoundoff = 0x1p-53;
constexpr double kSqrt5 = 2.2360679774997898; // rounded up
constexpr double kTwiddleError = 4 * kUnitRoundoff;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

// ||a||2 ||r||2 times this bounds the error of every computed sum (see above); n = log2 L.
double roundingFactor(int n)
{
    const double e = kUnitRoundoff;
    const double t = std::expm1((n + 1) * e + n * (kSqrt5 * e + kTwiddleError));
    return std::expm1(kSqrt5 * e + 4 * t);
}

struct Root {
    double re, im;
};

// W_L^j = exp(-2 pi i j / L), L a power of two >= 4. The angle is reduced by exact symmetries
// to [0, pi/4], its cosine and sine evaluated in long double and rounded once to double. Where
// long double has 64 bits of significand each part is then within 0.52 e of the root; where it
// is double, sin and cos within 1 ulp and the rounded angle give 2.6 e. Either way the complex
// error is below b = 4 e.
Root unitRoot(std::size_t j, std::size_t length)
{
    const std::size_t quarter = length / 4;
    j %= length;
    const std::size_t quadrant = j / quarter;
    std::size_t k = j % quarter; // angle 2 pi k / L in [0, pi/2)
    const bool reflect = 2 * k > quarter;
    if (reflect)
        k = quarter - k;
    const long double angle = 2 * kPi * static_cast<long double>(k) / static_cast<long double>(length);
    double c = static_cast<double>(std::cos(angle));
    double s = static_cast<double>(std::sin(angle));
    if (reflect) {
        const double swapped = c;
        c = s;
        s = swapped;
    }
    switch (quadrant) {
    case 0:
        return {c, -s};
    case 1:
        return {-s, -c};
    case 2:
        return {-c, s};
    default:
        return {s, c};
    }
}

// What a kernel keeps between calls: the roots for the current length, the reference it last
// transformed (exact copy and m) with its spectrum, and work arrays. Nothing is allocated
// while m and the length stay.
struct TransformState {
    int m = 0; // 0: no reference held
    int log2Length = 0;
    std::int64_t referenceSquares = 0;
    std::vector<std::int16_t> reference;
    std::vector<double> stageRoots; // per radix-4 stage: w1, w2, w3 as re, im arrays
    std::vector<double> splitRoots; // W_L^k, k = 0..H/2: re, then im
    std::vector<double> spectrum;   // R scaled by 1/(4L), k = 0..H: re, then im
    std::vector<double> work;       // two complex arrays of H: re, im, re, im
};

void prepareLength(TransformState &state, int log2Length)
{
    state.m = 0;
    state.log2Length = 0;
    const std::size_t length = std::size_t{1} << log2Length;
    const std::size_t half = length / 2;

    state.stageRoots.clear();
    for (std::size_t n = half, stride = 1; n >= 4; n /= 4, stride *= 4) {
        const std::size_t quarter = n / 4;
        const std::size_t base = state.stageRoots.size();
        state.stageRoots.resize(base + 6 * quarter);
        for (std::size_t p = 0; p < quarter; ++p)
            for (std::size_t power = 1; power <= 3; ++power) {
                // W_n^(power p) = W_L^(2 stride power p)
                const Root w = unitRoot(2 * stride * power * p, length);
                state.stageRoots[base + (2 * power - 2) * quarter + p] = w.re;
                state.stageRoots[base + (2 * power - 1) * quarter + p] = w.im;
            }
    }
    state.splitRoots.resize(2 * (half / 2 + 1));
    for (std::size_t k = 0; k <= half / 2; ++k) {
        const Root w = unitRoot(k, length);
        state.splitRoots[k] = w.re;
        state.splitRoots[half / 2 + 1 + k] = w.im;
    }
    state.spectrum.resize(2 * (half + 1));
    state.work.resize(4 * half);
    state.log2Length = log2Length;
}

// One radix-4 butterfly of a Stockham stage (decimation in frequency): the 4-point transform
// of x0..x3, its outputs 1 to 3 multiplied by w1..w3 (their conjugates in the inverse); x and
// w as {re, im} pairs.
template <bool Inverse>
KURVOMAT_ALWAYS_INLINE void butterfly4(const double *x, const double *w, double *y)
{
    const double apcr = x[0] + x[4], apci = x[1] + x[5];
    const double amcr = x[0] - x[4], amci = x[1] - x[5];
    const double bpdr = x[2] + x[6], bpdi = x[3] + x[7];
    const double bmdr = x[2] - x[6], bmdi = x[3] - x[7];
    // u1 = (x0 - x2) - i (x1 - x3) forward, + i (x1 - x3) inverse; u3 the other sign.
    const double u[6] = {Inverse ? amcr - bmdi : amcr + bmdi, Inverse ? amci + bmdr : amci - bmdr,
                         apcr - bpdr,                         apci - bpdi,
                         Inverse ? amcr + bmdi : amcr - bmdi, Inverse ? amci - bmdr : amci + bmdr};
    y[0] = apcr + bpdr;
    y[1] = apci + bpdi;
    for (int t = 0; t < 3; ++t) {
        const double ur = u[2 * t], ui = u[2 * t + 1], wr = w[2 * t], wi = w[2 * t + 1];
        y[2 + 2 * t] = Inverse ? ur * wr + ui * wi : ur * wr - ui * wi;
        y[3 + 2 * t] = Inverse ? ui * wr - ur * wi : ur * wi + ui * wr;
    }
}

// A radix-4 stage: n = 4 quarter, stride s; y[q + s (4p + t)] from x[q + s (p + t quarter)].
template <bool Inverse>
KURVOMAT_ALWAYS_INLINE void radix4Stage(int quarter, int s, const double *xr,
                                        const double *xi,
                                        double *yr,
                                        double *yi,
                                        const double *roots)
{
    if (s == 1) { // along the roots, writing groups of four
        KURVOMAT_INDEPENDENT_ITERATIONS
        for (int p = 0; p < quarter; ++p) {
            const double w[6] = {roots[p],               roots[quarter + p],
                                 roots[2 * quarter + p], roots[3 * quarter + p],
                                 roots[4 * quarter + p], roots[5 * quarter + p]};
            const double x[8] = {xr[p],               xi[p],
                                 xr[p + quarter],     xi[p + quarter],
                                 xr[p + 2 * quarter], xi[p + 2 * quarter],
                                 xr[p + 3 * quarter], xi[p + 3 * quarter]};
            double y[8];
            butterfly4<Inverse>(x, w, y);
            for (int t = 0; t < 4; ++t) {
                yr[4 * p + t] = y[2 * t];
                yi[4 * p + t] = y[2 * t + 1];
            }
        }
        return;
    }
    const int jump = quarter * s;
    for (int p = 0; p < quarter; ++p) {
        const double w[6] = {roots[p],               roots[quarter + p],
                             roots[2 * quarter + p], roots[3 * quarter + p],
                             roots[4 * quarter + p], roots[5 * quarter + p]};
        const int from = s * p, to = 4 * s * p;
        KURVOMAT_INDEPENDENT_ITERATIONS
        for (int q = 0; q < s; ++q) {
            const double x[8] = {xr[from + q],            xi[from + q],
                                 xr[from + q + jump],     xi[from + q + jump],
                                 xr[from + q + 2 * jump], xi[from + q + 2 * jump],
                                 xr[from + q + 3 * jump], xi[from + q + 3 * jump]};
            double y[8];
            butterfly4<Inverse>(x, w, y);
            for (int t = 0; t < 4; ++t) {
                yr[to + q + t * s] = y[2 * t];
                yi[to + q + t * s] = y[2 * t + 1];
            }
        }
    }
}

// The complex transform of length H = 2^(n-1) in natural order, from work array `from` (0 or
// 1); returns the array holding the result. Unnormalised; the inverse uses conjugate roots.
template <bool Inverse>
KURVOMAT_ALWAYS_INLINE int transform(TransformState &state, int from)
{
    const int half = 1 << (state.log2Length - 1);
    double *arrays = state.work.data();
    const double *roots = state.stageRoots.data();
    int n = half;
    int s = 1;
    for (; n >= 4; n /= 4, s *= 4) {
        const int to = 1 - from;
        radix4Stage<Inverse>(n / 4, s, arrays + 2 * from * half, arrays + (2 * from + 1) * half,
                             arrays + 2 * to * half, arrays + (2 * to + 1) * half, roots);
        roots += 6 * (n / 4);
        from = to;
    }
    if (n == 2) { // the last stage, radix 2: y[q] = x[q] + x[q + s], y[q + s] = x[q] - x[q + s]
        const int to = 1 - from;
        const double *xr = arrays + 2 * from * half;
        const double *xi = xr + half;
        double *yr = arrays + 2 * to * half;
        double *yi = yr + half;
        KURVOMAT_INDEPENDENT_ITERATIONS
        for (int q = 0; q < s; ++q) {
            const double ar = xr[q], ai = xi[q], br = xr[q + s], bi = xi[q + s];
            yr[q] = ar + br;
            yi[q] = ai + bi;
            yr[q + s] = ar - br;
            yi[q + s] = ai - bi;
        }
        from = to;
    }
    return from;
}

// Writes x(0..count-1) * scale, zero-padded, packed as z(j) = x(2j) + i x(2j+1) into the
// work array `to`.
KURVOMAT_ALWAYS_INLINE void pack(TransformState &state, int to, const std::int16_t *x, int count,
                                 double scale)
{
    const int half = 1 << (state.log2Length - 1);
    double *re = state.work.data() + 2 * to * half;
    double *im = re + half;
    const int pairs = count / 2;
    KURVOMAT_INDEPENDENT_ITERATIONS
    for (int j = 0; j < pairs; ++j) {
        re[j] = x[2 * j] * scale;
        im[j] = x[2 * j + 1] * scale;
    }
    int j = pairs;
    if (count % 2 != 0) {
        re[j] = x[count - 1] * scale;
        im[j] = 0;
        ++j;
    }
    for (; j < half; ++j) {
        re[j] = 0;
        im[j] = 0;
    }
}

// The split of frequencies k and H - k (k = 0: 0 and H) from the packed spectrum Z:
// 2 X(k) = E + T and 2 X(H - k) = conj(E - T), with E = Z(k) + conj Z(H - k) and
// T = W_L^k (-i) (Z(k) - conj Z(H - k)).
KURVOMAT_ALWAYS_INLINE void split(double zkr, double zki, double zjr, double zji, double wr,
                                  double wi, double &xkr, double &xki, double &xjr, double &xji)
{
    const double er = zkr + zjr, ei = zki - zji;
    const double dr = zkr - zjr, di = zki + zji;
    const double tr = di * wr + dr * wi, ti = di * wi - dr * wr;
    xkr = er + tr;
    xki = ei + ti;
    xjr = er - tr;
    xji = ti - ei;
}

// The merge, the split's inverse up to the factor 2: from C(k) and C(H - k), with
// Q = C(k) + conj C(H - k) and T = conj(W_L^k) (C(k) - conj C(H - k)), the packed spectrum
// values Q + i T at k and conj(Q - i T) at H - k.
KURVOMAT_ALWAYS_INLINE void merge(double ckr, double cki, double cjr, double cji, double wr,
                                  double wi, double &zkr, double &zki, double &zjr, double &zji)
{
    const double qr = ckr + cjr, qi = cki - cji;
    const double dr = ckr - cjr, di = cki + cji;
    const double tr = dr * wr + di * wi, ti = di * wr - dr * wi;
    zkr = qr - ti;
    zki = qi + tr;
    zjr = qr + ti;
    zji = tr - qi;
}

// The reference's spectrum, scaled by 1/(4L) (exact, a power of two) so that the inverse
// transform yields the sums themselves, and the reference with its sum of squares as the key.
KURVOMAT_ALWAYS_INLINE void prepareReference(TransformState &state, const std::int16_t *r, int m,
                                             std::int64_t squares)
{
    state.m = 0;
    const int count = 2 * m - 1;
    state.reference.assign(r, r + count);
    state.referenceSquares = squares;

    const int half = 1 << (state.log2Length - 1);
    pack(state, 0, r, count, std::ldexp(1.0, -(state.log2Length + 2)));
    const int at = transform<false>(state, 0);
    const double *zr = state.work.data() + 2 * at * half, *zi = zr + half;
    double *sr = state.spectrum.data(), *si = sr + half + 1;
    const double *wr = state.splitRoots.data(), *wi = wr + half / 2 + 1;
    split(zr[0], zi[0], zr[0], zi[0], wr[0], wi[0], sr[0], si[0], sr[half], si[half]);
    for (int k = 1; k <= half / 2; ++k)
        split(zr[k], zi[k], zr[half - k], zi[half - k], wr[k], wi[k], sr[k], si[k],
              sr[half - k], si[half - k]);
    state.m = m;
}

// The samples' packed spectrum (work array `from`) split into A, the products C = conj(A) R,
// merged back into the packed spectrum of the sums (work array `to`).
KURVOMAT_ALWAYS_INLINE void multiplySpectra(TransformState &state, int from, int to)
{
    const int half = 1 << (state.log2Length - 1);
    const double *zr = state.work.data() + 2 * from * half;
    const double *zi = zr + half;
    double *outr = state.work.data() + 2 * to * half;
    double *outi = outr + half;
    const double *sr = state.spectrum.data();
    const double *si = sr + half + 1;
    const double *wr = state.splitRoots.data();
    const double *wi = wr + half / 2 + 1;
    // Frequencies k and j = H - k; k = 0 pairs with H (both from Z(0)), k = H/2 with itself.
    double ar[2], ai[2], cr[2], ci[2], unused[2];
    const auto products = [&](int k, int j) {
        cr[0] = ar[0] * sr[k] + ai[0] * si[k];
        ci[0] = ar[0] * si[k] - ai[0] * sr[k];
        cr[1] = ar[1] * sr[j] + ai[1] * si[j];
        ci[1] = ar[1] * si[j] - ai[1] * sr[j];
    };
    split(zr[0], zi[0], zr[0], zi[0], wr[0], wi[0], ar[0], ai[0], ar[1], ai[1]);
    products(0, half);
    merge(cr[0], ci[0], cr[1], ci[1], wr[0], wi[0], outr[0], outi[0], unused[0], unused[1]);
    KURVOMAT_INDEPENDENT_ITERATIONS
    for (int k = 1; k < half / 2; ++k) {
        const int j = half - k;
        double akr, aki, ajr, aji;
        split(zr[k], zi[k], zr[j], zi[j], wr[k], wi[k], akr, aki, ajr, aji);
        const double ckr = akr * sr[k] + aki * si[k], cki = akr * si[k] - aki * sr[k];
        const double cjr = ajr * sr[j] + aji * si[j], cji = ajr * si[j] - aji * sr[j];
        merge(ckr, cki, cjr, cji, wr[k], wi[k], outr[k], outi[k], outr[j], outi[j]);
    }
    const int k = half / 2;
    split(zr[k], zi[k], zr[k], zi[k], wr[k], wi[k], ar[0], ai[0], ar[1], ai[1]);
    products(k, k);
    merge(cr[0], ci[0], cr[1], ci[1], wr[k], wi[k], outr[k], outi[k], unused[0], unused[1]);
}

KURVOMAT_ALWAYS_INLINE std::optional<CorrelationResult>
transformCorrelate(TransformState &state, const std::int16_t *a, const std::int16_t *r, int m,
                   double errorLimit)
{
    // The bound needs every operation rounded once to double.
    if (FLT_EVAL_METHOD != 0)
        return std::nullopt;

    int log2Length = 2;
    while ((1 << log2Length) < 2 * m - 1)
        ++log2Length;
    const int half = 1 << (log2Length - 1);

    std::int64_t sampleSquares = 0;
    for (int j = 0; j < m; ++j)
        sampleSquares += a[j] * a[j];
    const bool held = state.m == m && state.log2Length == log2Length
                      && std::equal(r, r + 2 * m - 1, state.reference.data());
    std::int64_t referenceSquares = state.referenceSquares;
    if (!held) {
        referenceSquares = 0;
        for (int k = 0; k < 2 * m - 1; ++k)
            referenceSquares += r[k] * r[k];
    }
    const double bound = std::sqrt(static_cast<double>(sampleSquares))
                         * std::sqrt(static_cast<double>(referenceSquares))
                         * roundingFactor(log2Length);
    if (!(bound < errorLimit))
        return std::nullopt;
    if (!held) {
        if (state.log2Length != log2Length)
            prepareLength(state, log2Length);
        prepareReference(state, r, m, referenceSquares);
    }

    pack(state, 0, a, m, 1.0);
    const int at = transform<false>(state, 0);
    multiplySpectra(state, at, 1 - at);
    const int result = transform<true>(state, 1 - at);

    // c(2j) and c(2j+1) are the real and imaginary parts of output j. Adding and subtracting
    // 1.5 * 2^52 rounds to the nearest integer (|c| < 2^51); the first strictly greater
    // positive sum wins, as in the direct sums: the first shift whose sum is the largest, when
    // that is positive. The largest is found with four running maxima, which do not wait on
    // each other, then its first shift.
    const double *cr = state.work.data() + 2 * result * half, *ci = cr + half;
    constexpr double kRound = 0x1.8p52;
    const auto rounded = [](double value) { return (value + kRound) - kRound; };
    const auto sumAt = [&](int s) { return rounded(s % 2 == 0 ? cr[s / 2] : ci[s / 2]); };
    double most[4] = {0, 0, 0, 0};
    int s = 0;
    for (; s + 4 <= m; s += 4) {
        most[0] = std::max(most[0], rounded(cr[s / 2]));
        most[1] = std::max(most[1], rounded(ci[s / 2]));
        most[2] = std::max(most[2], rounded(cr[s / 2 + 1]));
        most[3] = std::max(most[3], rounded(ci[s / 2 + 1]));
    }
    for (; s < m; ++s)
        most[0] = std::max(most[0], sumAt(s));
    const double best = std::max(std::max(most[0], most[1]), std::max(most[2], most[3]));
    int bestShift = 0;
    if (best > 0) {
        while (sumAt(bestShift) != best)
            ++bestShift;
        ++bestShift;
    }
    return CorrelationResult{best, static_cast<std::int16_t>(bestShift)};
}

} // namespace

std::optional<CorrelationResult> transformPortable(const std::int16_t *a, const std::int16_t *r,
                                                   int m, double errorLimit)
{
    thread_local TransformState state;
    return transformCorrelate(state, a, r, m, errorLimit);
}

#if KURVOMAT_CORRELATION_AVX2
[[gnu::target("avx2")]] std::optional<CorrelationResult>
transformAvx2(const std::int16_t *a, const std::int16_t *r, int m, double errorLimit)
{
    thread_local TransformState state;
    return transformCorrelate(state, a, r, m, errorLimit);
}
#endif

} // namespace kurvomat::analysis::detail
