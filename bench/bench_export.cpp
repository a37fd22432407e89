// SPDX-License-Identifier: GPL-3.0-or-later
// kurvomat-export's conversion of a full recording: a file just below the 10,000,000-byte cap of
// 8-bit frames of 1000 samples, converted to CSV in one row per record and one row per sample.
#include "storage/CsvExport.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>

using namespace kurvomat::storage;

namespace {

// The recording, written once with the program's own writer.
const QString &recording()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("AUSGABE_OSZI.txt"));
        std::array<std::int16_t, kLastSampleIndex + 1> samples{};
        QRandomGenerator random(1234);
        QByteArray content;
        for (int number = 0;; ++number) {
            for (std::size_t i = 1; i <= 1000; ++i)
                samples[i] = static_cast<std::int16_t>(random.bounded(0, 256));
            const QByteArray line = formatRecord(number, 1234567, 1000, samples, QDate(2005, 12, 5),
                                                 QTime(14, 3, 27), 50607.41);
            if (content.size() + line.size() > kRecordFileCap)
                break;
            content += line;
        }
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write the recording");
        return file;
    }();
    return path;
}

void BM_ExportRecording(benchmark::State &state)
{
    CsvFormat format;
    format.longForm = state.range(0) != 0;
    const QString &path = recording();
    const qint64 bytes = QFile(path).size();
    qint64 csvBytes = 0;
    for (auto _ : state) {
        QByteArray csv;
        const CsvSummary summary = exportCsv(path, format, csv, {});
        if (summary.refused != 0)
            state.SkipWithError("lines refused");
        csvBytes = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetLabel(
        QStringLiteral("%1 bytes in, %2 bytes of CSV, %3")
            .arg(bytes)
            .arg(csvBytes)
            .arg(format.longForm ? QStringLiteral("--long") : QStringLiteral("one row per record"))
            .toStdString());
}
BENCHMARK(BM_ExportRecording)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("build", KURVOMAT_BUILD_TYPE);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
