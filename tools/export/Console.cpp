// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include <cstdio>

namespace kurvomat::exporter {

void printError(const QString &text)
{
    std::fprintf(stderr, "kurvomat-export: %s\n", text.toLocal8Bit().constData());
}

} // namespace kurvomat::exporter
