// SPDX-License-Identifier: GPL-3.0-or-later
#include "Statistics.h"

#include <cstdio>

namespace kurvomat::device {

void printSummary(const Statistics &stats, std::uint32_t seed)
{
    std::fprintf(stderr,
                 "kurvomat-device: %lld frames sent (%lld cut short, %lld oversize headers, "
                 "%lld with \"####\"), %lld skipped while the line was busy, %lld bytes, seed "
                 "%u.\n",
                 static_cast<long long>(stats.sent), static_cast<long long>(stats.truncated),
                 static_cast<long long>(stats.oversize), static_cast<long long>(stats.withHashes),
                 static_cast<long long>(stats.skipped), static_cast<long long>(stats.bytes),
                 static_cast<unsigned>(seed));
}

} // namespace kurvomat::device
