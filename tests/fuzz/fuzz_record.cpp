// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any input read as a line (Latin-1) must not crash checkRecord or SampleScanner
// nor make them throw anything but OverflowError. A broken promise aborts. That every written
// record reads back is tst_storage's property.
#include "core/Errors.h"
#include "storage/RecordFormat.h"

#include <cstdlib>

using namespace kurvomat::storage;

// The number of values of the line from `from` on: one for every "#" but the last, also when one
// throws.
static qsizetype scan(QStringView line, qsizetype from)
{
    SampleScanner scanner(line.sliced(from));
    for (qsizetype count = 0;; ++count) {
        try {
            if (!scanner.next())
                return count;
        } catch (const kurvomat::OverflowError &) {
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString line = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    RecordHeader header;
    qsizetype from = 0;
    try {
        if (checkRecord(line, header, from) == RecordCheck::Ok && scan(line, from) != scan(line, 0))
            std::abort(); // the sample list is read from samplesFrom, the same as from the start
    } catch (const kurvomat::OverflowError &) { // a count field beyond the double range
    }
    return 0;
}
