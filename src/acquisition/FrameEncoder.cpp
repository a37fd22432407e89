// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/FrameEncoder.h"

#include "core/Errors.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace kurvomat::acquisition {

namespace {

constexpr int kMaxEncodedCount = 65535;

void checkCount(int count)
{
    if (count < 0 || count > kMaxEncodedCount)
        throw OverflowError("sample count " + std::to_string(count) + " outside 0..65535");
}

void checkFinite(double value, const char *what)
{
    if (!std::isfinite(value))
        throw OverflowError(std::string(what) + " is not a finite number");
}

// SplitMix64: tiny, fast and fully specified, so noise is the same on every platform (the
// standard distributions are not).
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) { }

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [-1, 1), 53 bits.
    double symmetric() { return static_cast<double>(next() >> 11) * 0x1p-52 - 1.0; }

private:
    std::uint64_t m_state;
};

double shape(Waveform w, double x)
{
    switch (w) {
    case Waveform::Sine:
        return std::sin(2.0 * std::numbers::pi * x);
    case Waveform::Square:
        return x < 0.5 ? 1.0 : -1.0;
    case Waveform::Triangle:
        if (x < 0.25)
            return 4.0 * x;
        if (x < 0.75)
            return 2.0 - 4.0 * x;
        return 4.0 * x - 4.0;
    case Waveform::Ramp:
        return 2.0 * x - 1.0;
    case Waveform::Noise:
        break;
    }
    return 0.0;
}

std::uint8_t toSampleByte(double value, bool signedSamples)
{
    const double lo = signedSamples ? -128.0 : 0.0;
    const double hi = signedSamples ? 127.0 : 255.0;
    // Clamped before the conversion, so values far outside never reach an integer type.
    const auto v = static_cast<int>(std::round(std::clamp(value, lo, hi)));
    return static_cast<std::uint8_t>(v & 0xFF);
}

} // namespace

QByteArray encodeHeader(int count)
{
    checkCount(count);
    QByteArray header(6, '#');
    header[4] = static_cast<char>(count & 0xFF);
    header[5] = static_cast<char>(count >> 8);
    return header;
}

QByteArray encodeFrame(std::span<const std::uint8_t> samples)
{
    if (samples.size() > static_cast<std::size_t>(kMaxEncodedCount))
        throw OverflowError("frame of " + std::to_string(samples.size())
                            + " samples; the header carries at most 65535");
    QByteArray frame = encodeHeader(static_cast<int>(samples.size()));
    frame.append(reinterpret_cast<const char *>(samples.data()),
                 static_cast<qsizetype>(samples.size()));
    return frame;
}

std::optional<Waveform> waveformFromName(QStringView name)
{
    struct Entry {
        const char16_t *name;
        Waveform waveform;
    };
    static constexpr std::array<Entry, 5> kNames{{{u"sine", Waveform::Sine},
                                                  {u"square", Waveform::Square},
                                                  {u"triangle", Waveform::Triangle},
                                                  {u"noise", Waveform::Noise},
                                                  {u"ramp", Waveform::Ramp}}};
    for (const Entry &entry : kNames) {
        if (name.compare(QStringView(entry.name), Qt::CaseInsensitive) == 0)
            return entry.waveform;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> makeWaveform(Waveform w, int count, double level, double offset,
                                       bool signedSamples, double periods, std::uint32_t seed)
{
    checkCount(count);
    checkFinite(level, "level");
    checkFinite(offset, "offset");
    checkFinite(periods, "periods");

    std::vector<std::uint8_t> samples(static_cast<std::size_t>(count));
    SplitMix64 random(seed);
    for (int k = 0; k < count; ++k) {
        double unit;
        if (w == Waveform::Noise) {
            unit = random.symmetric();
        } else {
            const double p = periods * k / count;
            unit = shape(w, p - std::floor(p));
        }
        samples[static_cast<std::size_t>(k)] = toSampleByte(offset + level * unit, signedSamples);
    }
    return samples;
}

} // namespace kurvomat::acquisition
