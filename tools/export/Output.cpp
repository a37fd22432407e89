// SPDX-License-Identifier: GPL-3.0-or-later
#include "Output.h"

#include "core/Errors.h"
#include "storage/RecordFile.h"

#include <cstdio>

namespace kurvomat::exporter {

void writeOutput(const QString &path, const QByteArray &csv)
{
    if (!path.isEmpty()) {
        storage::replaceFile(path, csv);
        return;
    }
    const std::size_t size = static_cast<std::size_t>(csv.size());
    if (std::fwrite(csv.constData(), 1, size, stdout) != size || std::fflush(stdout) != 0)
        throw FileError("cannot write to standard output");
}

} // namespace kurvomat::exporter
