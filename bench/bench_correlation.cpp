// SPDX-License-Identifier: GPL-3.0-or-later
// The correlation of one frame (N = M = 1000) as the window runs it after every frame, with
// the exact integer kernels against the straightforward double loop, on the same inputs.
//
//   bench_correlation --benchmark_min_time=0.5
//
// Each run states the build type and the kernel correlate() chooses on this processor; the
// speedup is the double loop's time over a kernel's time on the same inputs.

#include "analysis/Correlation.h"
#include "analysis/Simulation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#ifndef KURVOMAT_BUILD_TYPE
#define KURVOMAT_BUILD_TYPE "unknown"
#endif

using namespace kurvomat::analysis;

namespace {

const double kPi = 4 * std::atan(1.0);
constexpr int kM = 1000;

struct Inputs {
    std::vector<std::int16_t> samples = std::vector<std::int16_t>(1101);
    std::vector<std::int16_t> reference = std::vector<std::int16_t>(2101);
};

// A frame as the device sends it: a sine of amplitude 100 around 128 with some noise, as
// 8-bit samples, against the reference of amplitude 127. Sums fit 32 bits.
Inputs deviceFrame()
{
    Inputs inputs;
    std::mt19937 random(42);
    for (int k = 1; k <= kM; ++k) {
        const double value = 128 + singleSample(k, 3.0, kM, 100, kPi)
                             + static_cast<int>(random() % 21) - 10;
        inputs.samples[k] = static_cast<std::int16_t>(std::nearbyint(value));
    }
    buildReference(inputs.reference, kM, 127, kPi);
    return inputs;
}

// Full 16-bit samples against a full-amplitude reference: sums need 64 bits.
Inputs fullRangeFrame()
{
    Inputs inputs;
    std::mt19937 random(7);
    for (int k = 1; k <= kM; ++k)
        inputs.samples[k] = static_cast<std::int16_t>(static_cast<int>(random() % 65536) - 32768);
    buildReference(inputs.reference, kM, 32767, kPi);
    return inputs;
}

const Inputs &inputsFor(bool fullRange)
{
    static const Inputs device = deviceFrame();
    static const Inputs full = fullRangeFrame();
    return fullRange ? full : device;
}

// Every kernel must agree with the double loop on the measured inputs, or the figures mean
// nothing: stop before measuring.
void checkAgreement()
{
    for (bool fullRange : {false, true}) {
        const Inputs &in = inputsFor(fullRange);
        const CorrelationResult naive = correlateNaive(in.samples, in.reference, kM);
        for (auto kernel : {CorrelationKernel::Portable, CorrelationKernel::Avx2}) {
            if (!isAvailable(kernel))
                continue;
            const CorrelationResult result = correlateWith(kernel, in.samples, in.reference, kM);
            if (!(result == naive)) {
                std::fprintf(stderr,
                             "%s kernel disagrees (%s inputs): %.0f at %d, double loop %.0f at %d\n",
                             kernelName(kernel), fullRange ? "full-range" : "device",
                             result.maximum, result.shift, naive.maximum, naive.shift);
                std::abort();
            }
        }
    }
}

void BM_CorrelateNaive(benchmark::State &state)
{
    const Inputs &in = inputsFor(state.range(0) != 0);
    for (auto _ : state) {
        CorrelationResult result = correlateNaive(in.samples, in.reference, kM);
        benchmark::DoNotOptimize(result);
    }
    state.SetLabel(state.range(0) != 0 ? "full-range" : "device");
}

void BM_Correlate(benchmark::State &state)
{
    const auto kernel = static_cast<CorrelationKernel>(state.range(1));
    if (!isAvailable(kernel)) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    const Inputs &in = inputsFor(state.range(0) != 0);
    for (auto _ : state) {
        CorrelationResult result = correlateWith(kernel, in.samples, in.reference, kM);
        benchmark::DoNotOptimize(result);
    }
    state.SetLabel(std::string(state.range(0) != 0 ? "full-range " : "device ")
                   + kernelName(kernel));
}

// Both ways of computing at a given m, on the first m samples of the frame: where the
// transform overtakes the direct sums decides correlateWith()'s switch.
void BM_CorrelateMethod(benchmark::State &state)
{
    const int m = static_cast<int>(state.range(0));
    const Inputs &in = inputsFor(state.range(1) != 0);
    const auto kernel = static_cast<CorrelationKernel>(state.range(2));
    const bool byTransform = state.range(3) != 0;
    if (!isAvailable(kernel)) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    for (auto _ : state) {
        CorrelationResult result = byTransform
                                       ? *correlateByTransform(kernel, in.samples, in.reference, m)
                                       : correlateDirect(kernel, in.samples, in.reference, m);
        benchmark::DoNotOptimize(result);
    }
    state.SetLabel(std::string(state.range(1) != 0 ? "full-range " : "device ") + kernelName(kernel)
                   + (byTransform ? " transform" : " direct"));
}

void BM_BuildReference(benchmark::State &state)
{
    std::vector<std::int16_t> reference(2101);
    for (auto _ : state) {
        buildReference(reference, kM, 127, kPi);
        benchmark::DoNotOptimize(reference.data());
        benchmark::ClobberMemory();
    }
}

// Arguments: {full range?, kernel}.
BENCHMARK(BM_CorrelateNaive)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Correlate)
    ->Args({0, static_cast<int>(CorrelationKernel::Portable)})
    ->Args({0, static_cast<int>(CorrelationKernel::Avx2)})
    ->Args({1, static_cast<int>(CorrelationKernel::Portable)})
    ->Args({1, static_cast<int>(CorrelationKernel::Avx2)})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CorrelateMethod)
    ->ArgsProduct({{32, 64, 96, 128, 192, 256, 1000},
                   {0, 1},
                   {static_cast<int>(CorrelationKernel::Portable),
                    static_cast<int>(CorrelationKernel::Avx2)},
                   {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildReference)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    checkAgreement();
    benchmark::AddCustomContext("build type", KURVOMAT_BUILD_TYPE);
    benchmark::AddCustomContext("correlate() kernel", kernelName(preferredCorrelationKernel()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
