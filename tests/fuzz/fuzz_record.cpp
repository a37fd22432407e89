// libFuzzer target for the record reader and writer.
//
// Every input is used twice:
// 1. as a line (its bytes read as Latin-1, as a file gives them, and again as UTF-16 units):
//    checkRecord and SampleScanner must answer without crashing, throw only OverflowError, and
//    keep their promises (untouched header on refusal, count in 1..1000 when accepted, one value
//    for every "#" but the last);
// 2. as the contents of a record (record number, N, samples, date and time): the written line
//    must be accepted and give back exactly what was written.
// A broken promise aborts, which libFuzzer reports with the input that caused it.
#include "core/Errors.h"
#include "storage/RecordFormat.h"
#include "text/TextRules.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::storage;

namespace {

[[noreturn]] void broken(const char *promise)
{
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}

void readLine(QStringView line)
{
    const QString untouched = QStringLiteral("untouched");
    RecordHeader header{untouched, untouched, -7};
    qsizetype from = -1;
    RecordCheck check;
    try {
        check = checkRecord(line, header, from);
    } catch (const OverflowError &) {
        if (header.date == untouched)
            broken("a count that overflows is read after the date");
        return;
    }
    if ((check == RecordCheck::Empty) != line.isEmpty())
        broken("Empty exactly for the empty line");
    if (check == RecordCheck::Empty || check == RecordCheck::BadMarker) {
        if (header.date != untouched || header.time != untouched)
            broken("a refused marker leaves the header untouched");
        return;
    }
    if (line.indexOf(u"DATEN:") < kMarkerIndex)
        broken("DATEN: not before column 49");
    if (header.date.size() != 8 || header.time.size() != 11)
        broken("date of 8 and time of 11 characters");
    if (check == RecordCheck::BadCount) {
        if (header.count > 0 && header.count <= 1000)
            broken("BadCount only outside 1..1000");
        return;
    }
    if (!(header.count > 0 && header.count <= 1000))
        broken("Ok only for a count in 1..1000");
    if (from < 0 || from > line.size() || (from < line.size() && line[from] != u'#'))
        broken("samplesFrom at the first #");

    qsizetype values = 0;
    SampleScanner scanner(line.sliced(from));
    for (;;) {
        try {
            if (!scanner.next())
                break;
        } catch (const OverflowError &) {
        }
        ++values;
    }
    if (values != std::max<qsizetype>(0, line.count(u'#') - 1))
        broken("one value for every # but the last");
}

// Takes fixed-size fields from the front of the input; zeros once it is used up.
class Fields {
public:
    Fields(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) { }
    template <typename T> T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), m_size - m_pos);
        if (n > 0)
            std::memcpy(&value, m_data + m_pos, n);
        m_pos += n;
        return value;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void writeAndReadBack(const std::uint8_t *data, std::size_t size)
{
    Fields fields(data, size);
    // Record numbers the program can reach: whole numbers from -1 on; any width.
    const double number = static_cast<double>(fields.take<std::uint32_t>()) - 1.0
        + static_cast<double>(fields.take<std::uint8_t>() % 4) * 1e9;
    const double ergebnis = fields.take<std::uint32_t>() % 100000000u;
    const int n = 1 + fields.take<std::uint16_t>() % 1000;
    const QDate date = QDate(1900, 1, 1).addDays(fields.take<std::uint16_t>() % 73000);
    const int hundredths = static_cast<int>(fields.take<std::uint32_t>() % 8640000u);
    const QTime time = QTime::fromMSecsSinceStartOfDay(hundredths / 100 * 1000);
    std::array<std::int16_t, kLastSampleIndex + 1> samples{};
    for (int i = 1; i <= n; ++i)
        samples[static_cast<std::size_t>(i)] = fields.take<std::int16_t>();

    const QByteArray written =
        formatRecord(number, ergebnis, n, samples, date, time, hundredths / 100.0);
    const QString line = QString::fromLatin1(written.chopped(2));
    RecordHeader header;
    qsizetype from = 0;
    if (checkRecord(line, header, from) != RecordCheck::Ok)
        broken("a written record is accepted");
    if (header.date != date.toString(u"dd.MM.yy") || header.count != n)
        broken("date and count read back");
    SampleScanner scanner(QStringView(line).sliced(from));
    for (int i = 1; i <= n; ++i) {
        const auto value = scanner.next();
        if (!value || text::toInt16(*value) != samples[static_cast<std::size_t>(i)])
            broken("samples read back");
    }
    if (scanner.next())
        broken("no value beyond N");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    readLine(
        QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    readLine(QStringView(units.data(), static_cast<qsizetype>(units.size())));
    writeAndReadBack(data, size);
    return 0;
}
