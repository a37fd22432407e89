// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include <cstdio>

namespace kurvomat::device {

void printError(const QString &text)
{
    std::fprintf(stderr, "kurvomat-device: %s\n", qPrintable(text));
}

} // namespace kurvomat::device
