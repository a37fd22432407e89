// SPDX-License-Identifier: GPL-3.0-or-later
// Storage per frame: building a record line, the append of mode "on", the trim-and-append of
// mode "100" on a full recording file, and reading a record back (load and playback).
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>

using namespace kurvomat::storage;

namespace {

using Buffer = std::array<std::int16_t, kLastSampleIndex + 1>;

Buffer frameSamples(int low, int high)
{
    Buffer buffer{};
    QRandomGenerator random(1234);
    for (std::size_t i = 1; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::int16_t>(random.bounded(low, high + 1));
    return buffer;
}

QByteArray fullRecord(double number = 123456)
{
    static const Buffer all255 = [] {
        Buffer b{};
        b.fill(255);
        return b;
    }();
    return formatRecord(number, 1234567, 1000, all255, QDate(2005, 12, 5), QTime(14, 3, 27),
                        50607.41);
}

// One frame of N = 1000 samples, 8-bit (0..255) or 16-bit (widest text).
void BM_FormatRecord(benchmark::State &state)
{
    const bool wide = state.range(0) != 0;
    const Buffer samples = wide ? frameSamples(-32768, 32767) : frameSamples(0, 255);
    const QDate date(2005, 12, 5);
    const QTime time(14, 3, 27);
    qint64 bytes = 0;
    for (auto _ : state) {
        QByteArray line = formatRecord(123456, 1234567, 1000, samples, date, time, 50607.41);
        bytes += line.size();
        benchmark::DoNotOptimize(line.data());
    }
    state.SetBytesProcessed(bytes);
    state.SetLabel(wide ? "N=1000, 16-bit samples" : "N=1000, 8-bit samples");
}
BENCHMARK(BM_FormatRecord)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Mode "on": one append per frame (open, write ~6 KB, close).
void BM_AppendRecord(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("AUSGABE_OSZI.txt"));
    const QByteArray line = fullRecord();
    int sinceReset = 0;
    for (auto _ : state) {
        appendLine(file, line);
        if (++sinceReset == 1000) { // keep the file small; the cost of a new file is included
            state.PauseTiming();
            QFile::remove(file);
            sinceReset = 0;
            state.ResumeTiming();
        }
    }
    state.SetLabel("6061-char record");
}
BENCHMARK(BM_AppendRecord)->Unit(benchmark::kMicrosecond);

// Mode "100": the limiter rewrites the full file (100 records of 6 KB), then the frame is
// appended, so the file is again 100 records at the start of every iteration.
void BM_KeepNewestThenAppend(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("AUSGABE_OSZI.txt"));
    for (int i = 0; i < 100; ++i)
        appendLine(file, fullRecord(i));
    const QByteArray line = fullRecord(100);
    for (auto _ : state) {
        keepNewestLines(file);
        appendLine(file, line);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(file));
    state.SetLabel("100 records x 6063 bytes, per frame");
}
BENCHMARK(BM_KeepNewestThenAppend)->Unit(benchmark::kMicrosecond);

// Loading or playing back one record: check, then every value.
void BM_CheckAndScanRecord(benchmark::State &state)
{
    const QString line = QString::fromLatin1(fullRecord().chopped(2));
    for (auto _ : state) {
        RecordHeader header;
        qsizetype from = 0;
        benchmark::DoNotOptimize(checkRecord(line, header, from));
        SampleScanner scanner(QStringView(line).sliced(from));
        double sum = 0;
        while (const auto value = scanner.next())
            sum += *value;
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel("N=1000 record");
}
BENCHMARK(BM_CheckAndScanRecord)->Unit(benchmark::kMicrosecond);

// A record line of n characters of samples: the time per character must not grow with n.
void BM_CheckAndScanLongLine(benchmark::State &state)
{
    const qsizetype size = state.range(0);
    const QString line = QStringLiteral("000.012 05.12.05  14:03:27:41 01.234.567 0.005  DATEN: #")
        + QStringLiteral(" 1 #").repeated(size / 4);
    for (auto _ : state) {
        RecordHeader header;
        qsizetype from = 0;
        benchmark::DoNotOptimize(checkRecord(line, header, from));
        SampleScanner scanner(QStringView(line).sliced(from));
        qsizetype count = 0;
        while (scanner.next())
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetComplexityN(size);
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_CheckAndScanLongLine)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 4 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::AddCustomContext("build", KURVOMAT_BUILD_TYPE);
    benchmark::AddCustomContext("qt", qVersion());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
