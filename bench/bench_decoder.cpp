// SPDX-License-Identifier: GPL-3.0-or-later
// Frame decoding throughput: the decoder fed byte streams held in memory in 4 KiB pieces (as a
// tick finds them waiting), in bytes per second.
// Streams: uniform random bytes, random bytes with 30 % "#" (headers found and refused often,
// the hardest case for branch prediction) and well-formed frames of 1000 samples back to back.
// Each runs with signed and unsigned sample conversion.
#include "acquisition/FrameDecoder.h"
#include "acquisition/FrameEncoder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#ifndef KURVOMAT_BUILD_TYPE
#define KURVOMAT_BUILD_TYPE "unknown"
#endif

using namespace kurvomat;
using namespace kurvomat::acquisition;

namespace {

constexpr std::size_t kStreamBytes = 1 << 20;

enum Stream { Random = 0, HashHeavy = 1, Frames = 2 };

std::vector<std::uint8_t> makeStream(Stream kind)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kStreamBytes + 1006);
    std::mt19937 random(20240601);
    switch (kind) {
    case Random:
        while (bytes.size() < kStreamBytes)
            bytes.push_back(static_cast<std::uint8_t>(random()));
        break;
    case HashHeavy:
        while (bytes.size() < kStreamBytes)
            bytes.push_back(random() % 10 < 3 ? 35 : static_cast<std::uint8_t>(random() % 4));
        break;
    case Frames: {
        const QByteArray frame =
            encodeFrame(makeWaveform(Waveform::Sine, 1000, 120, 0, true, 3, 1));
        while (bytes.size() + static_cast<std::size_t>(frame.size()) <= kStreamBytes)
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        break;
    }
    }
    return bytes;
}

const char *streamName(Stream kind)
{
    switch (kind) {
    case Random: return "random bytes";
    case HashHeavy: return "30% '#'";
    case Frames: return "1000-sample frames";
    }
    return "?";
}

void BM_Decode(benchmark::State &state)
{
    const auto kind = static_cast<Stream>(state.range(0));
    const bool signedSamples = state.range(1) != 0;
    const std::vector<std::uint8_t> stream = makeStream(kind);
    const QByteArrayView all(reinterpret_cast<const char *>(stream.data()), qsizetype(stream.size()));
    FrameDecoder decoder;
    auto samples = std::make_unique<FrameDecoder::SampleBuffer>();
    std::int64_t completed = 0;
    for (auto _ : state) {
        for (qsizetype at = 0; at < all.size();) {
            const auto result =
                decoder.feed(all.sliced(at, std::min<qsizetype>(4096, all.size() - at)),
                             *samples, signedSamples);
            at += result.used;
            completed += result.frameComplete;
        }
        benchmark::DoNotOptimize(samples->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations())
                            * static_cast<std::int64_t>(stream.size()));
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(completed), benchmark::Counter::kIsRate);
    state.SetLabel(std::string(streamName(kind)) + (signedSamples ? ", signed" : ", unsigned"));
}
BENCHMARK(BM_Decode)
    ->ArgsProduct({{Random, HashHeavy, Frames}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("build type", KURVOMAT_BUILD_TYPE);
    benchmark::AddCustomContext("stream", "1 MiB per iteration");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
