// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any input read as a line (Latin-1) must not crash checkRecord or SampleScanner
// nor make them throw anything but OverflowError; written as a record (number, N and samples from
// its bytes) it must check Ok and give its samples back. A broken promise aborts.
#include "core/Errors.h"
#include "storage/RecordFormat.h"

#include <array>
#include <cstdlib>
#include <cstring>

using namespace kurvomat::storage;

// All values of the line, from `from` on; one for every "#" but the last, also when one throws.
static qsizetype scan(QStringView line, qsizetype from, const std::int16_t *expected = nullptr)
{
    SampleScanner scanner(line.sliced(from));
    for (qsizetype count = 0;; ++count) {
        try {
            const auto value = scanner.next();
            if (!value)
                return count;
            if (expected && *value != expected[count])
                std::abort();
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

    std::array<std::int16_t, kLastSampleIndex + 1> samples{};
    std::memcpy(samples.data(), data, size < sizeof samples ? size : sizeof samples);
    const int n = 1 + static_cast<std::uint16_t>(samples[0]) % 1000;
    const QByteArray record = formatRecord(samples[1] * 65536.0 + samples[2], 1234567, n, samples,
                                           QDate(2005, 12, 5), QTime(14, 3, 27), 50607.41);
    const QString written = QString::fromLatin1(record.chopped(2));
    if (checkRecord(written, header, from) != RecordCheck::Ok
        || scan(written, from, &samples[1]) != n)
        std::abort();
    return 0;
}
