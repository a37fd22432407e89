// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The device side of the frame format: building frames as a measuring device sends them, and
// the test waveforms of the device simulator (kurvomat-device) and the test suites.
namespace kurvomat::acquisition {

// "####", count low byte, count high byte. Any count 0..65535 is encoded, also those above
// 1000 that the receiver refuses (for fault injection). Throws OverflowError outside 0..65535.
[[nodiscard]] QByteArray encodeHeader(int count);

// A whole frame: the header for samples.size(), then the samples as they are. Throws
// OverflowError for more than 65535 samples.
[[nodiscard]] QByteArray encodeFrame(std::span<const std::uint8_t> samples);

enum class Waveform : std::uint8_t { Sine, Square, Triangle, Noise, Ramp };

// "sine", "square", "triangle", "noise", "ramp" (any case); nothing for another name.
[[nodiscard]] std::optional<Waveform> waveformFromName(QStringView name);

// count samples of offset + level * w(p), as the bytes the device sends. p = periods * k /
// count runs over sample k = 0..count-1, so sample 0 is at phase 0 and the frame holds
// `periods` periods. Over one period (x = fractional part of p):
//   Sine      sin(2 pi x): 0 rising to 1 at x = 1/4
//   Square    +1 for x < 1/2, -1 from x = 1/2 on
//   Triangle  0 rising to 1 at x = 1/4, -1 at x = 3/4, back to 0
//   Ramp      -1 rising linearly to just below 1 (2x - 1)
//   Noise     uniform in [-1, 1), from a generator seeded with `seed` (the same seed gives the
//             same bytes on every platform); periods is not used
// The value is rounded to the nearest integer (halves away from zero) and clamped to the
// sample range: -128..127 sent as two's complement when signedSamples, else 0..255.
// Throws OverflowError for a count outside 0..65535 or a level, offset or periods that is not
// finite.
[[nodiscard]] std::vector<std::uint8_t> makeWaveform(Waveform w, int count, double level,
                                                     double offset, bool signedSamples,
                                                     double periods, std::uint32_t seed);

} // namespace kurvomat::acquisition
