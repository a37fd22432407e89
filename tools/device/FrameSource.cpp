// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameSource.h"

#include "Statistics.h"

#include <algorithm>

namespace kurvomat::device {

using acquisition::encodeFrame;
using acquisition::encodeHeader;
using acquisition::makeWaveform;
using acquisition::Waveform;

double longestFrameBytes(const Options &options)
{
    return 6.0 + options.count + options.garbage;
}

FrameSource::FrameSource(const Options &options) : m_o(options), m_random(options.seed)
{
    if (m_o.wave != Waveform::Noise)
        m_samples = makeWaveform(m_o.wave, m_o.count, m_o.level, m_o.offset, m_o.signedSamples,
                                 m_o.periods, m_o.seed);
}

QByteArray FrameSource::next(Statistics &stats)
{
    std::vector<std::uint8_t> samples =
        m_o.wave == Waveform::Noise
            ? makeWaveform(m_o.wave, m_o.count, m_o.level, m_o.offset, m_o.signedSamples,
                           m_o.periods, m_o.seed + static_cast<std::uint32_t>(m_frame))
            : m_samples;
    ++m_frame;

    const int n = static_cast<int>(samples.size());
    if (n > 0 && chance(m_o.hashes)) {
        // Replaces, so the frame keeps its announced length; the receiver must store them
        // as samples. Any position, including the last four.
        const int at = pick(0, std::max(0, n - 4));
        std::fill_n(samples.begin() + at, std::min(4, n - at), std::uint8_t{'#'});
        ++stats.withHashes;
    }

    QByteArray bytes;
    if (chance(m_o.oversize)) {
        bytes = encodeHeader(pick(1001, 65535));
        bytes.append(reinterpret_cast<const char *>(samples.data()), n);
        ++stats.oversize;
    } else {
        bytes = encodeFrame(samples);
    }

    if (chance(m_o.truncate)) {
        bytes.truncate(pick(1, static_cast<int>(bytes.size()) - 1));
        ++stats.truncated;
    }

    for (int i = 0; i < m_o.garbage; ++i)
        bytes.append(static_cast<char>(pick(0, 255)));
    return bytes;
}

bool FrameSource::chance(double p)
{
    // Not drawn at all for 0, so a run without faults uses the generator only for garbage.
    return p > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < p;
}

int FrameSource::pick(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(m_random);
}

} // namespace kurvomat::device
