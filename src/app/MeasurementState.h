// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/FixedArray.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kurvomat {

// The measurement state the window keeps and the user can observe through it. Everything starts
// as 0, false or all-zero arrays; the start-up sequence gives pi, xLength and recordCounter their
// working values.
struct MeasurementState {
    // The sample buffer: samples 1..N of the current frame, record or simulated signal; received
    // samples lie in -128..255, loaded and simulated ones may take any 16-bit value. Never
    // cleared: a shorter set overwrites only its own elements. Element 0 receives the high
    // count byte of each received frame and is never read.
    FixedArray<std::int16_t, 0, 1100> samples;
    // The X-axis length N: rows of the chart, samples stored and correlated, period of the
    // reference. Kept within 1..1000 (fractions such as 2.5 may be typed).
    double xLength = 0;
    // Points drawn since the last chart reset.
    std::int16_t pointCount = 0;

    // Frames counted for the recording; a frame is written only while it is above 0.
    double recordCounter = 0;
    // Pending snapshot requests A, B, C, served by the next complete frame.
    std::array<bool, 3> snapshotRequests{};

    // The circle constant used by every sine.
    double pi = 0;
    // The reference sine: elements 1..2N of the last correlation; element 0 is never written.
    FixedArray<std::int16_t, 0, 2100> reference;
    // What the reference was last built completely for (period, amplitude, pi). The same
    // arguments build the same elements, so the next correlation with them keeps the reference
    // (a sweep correlates a thousand times with one reference). Whatever else writes the
    // reference must clear this.
    struct ReferenceKey {
        double period, amplitude, pi;
        friend bool operator==(const ReferenceKey &, const ReferenceKey &) = default;
    };
    std::optional<ReferenceKey> referenceBuiltFor;
    // Largest correlation sum of the last correlation (0 when no sum was above 0) and the shift
    // 1..N where it was found (0 then).
    double correlationMaximum = 0;
    std::int16_t correlationShift = 0;
    // The correlation maximum of each frequency-sweep step, by step number from 1.
    FixedArray<double, 0, 1100> sweepMaxima;
};

} // namespace kurvomat
