// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The run of kurvomat-device: frames go to the sink on the schedule of --rate. A frame that
// falls due while the sink still holds bytes is skipped and counted, as a real device's frames
// are lost when nobody listens, so output never blocks. The run ends
//   - after --frames frames, once the sink has drained or 5 s plus one frame's time on the
//     line have passed (exit 0, with a note when the reader left bytes);
//   - when stopRequested is set, checked at least every 50 ms (exit 0);
//   - when the sink fails (exit 1, the failure printed).

#include <csignal>

namespace kurvomat::device {

class Sink;
struct Options;
struct Statistics;

// Runs the application's event loop until the run ends; returns the exit code.
[[nodiscard]] int transmit(const Options &options, Sink &sink, Statistics &stats,
                           const volatile std::sig_atomic_t &stopRequested);

} // namespace kurvomat::device
