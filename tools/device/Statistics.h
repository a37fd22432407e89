// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a run of kurvomat-device did, summed up on standard error when it ends.

#include <QtGlobal>

#include <cstdint>

namespace kurvomat::device {

struct Statistics {
    qint64 sent = 0;       // frames handed to the sink
    qint64 skipped = 0;    // frames that fell due while the sink was busy
    qint64 truncated = 0;  // sent frames cut short
    qint64 oversize = 0;   // sent frames whose header announces more than 1000 samples
    qint64 withHashes = 0; // sent frames with "####" among the samples
    qint64 bytes = 0;      // bytes handed to the sink
};

// One line with every count and the seed that repeats the run.
void printSummary(const Statistics &stats, std::uint32_t seed);

} // namespace kurvomat::device
