// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The frames of kurvomat-device with the faults drawn for each, in this order: "####" written
// over four samples (--hashes), a header announcing 1001..65535 samples (--oversize), the
// frame cut short at a random byte (--truncate), then --garbage random bytes. One generator
// seeded with --seed draws them all, and a fault of probability 0 draws nothing, so a seed
// repeats a run.

#include "Options.h"

#include <QByteArray>

#include <cstdint>
#include <random>
#include <vector>

namespace kurvomat::device {

struct Statistics;

// The most bytes one frame takes: header, samples and garbage.
[[nodiscard]] double longestFrameBytes(const Options &options);

class FrameSource {
public:
    // The options must outlive the source.
    explicit FrameSource(const Options &options);

    // The next frame's bytes; the faults it carries are counted in stats.
    [[nodiscard]] QByteArray next(Statistics &stats);

private:
    bool chance(double p);
    int pick(int lo, int hi);

    const Options &m_o;
    std::mt19937 m_random;
    std::vector<std::uint8_t> m_samples; // every frame's samples, unless the wave is noise
    qint64 m_frame = 0;
};

} // namespace kurvomat::device
