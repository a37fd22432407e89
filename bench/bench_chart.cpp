// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the chart component on the per-sample path and per picture.
//
//   RowDataValue       one Row + Data pair, as the drawing step writes per sample
//   ClearRow           one Row + RowLabel + Data 0 triple, as the clearing writes per row
//   Flush/1000         bringing series and axes in line with a changed 1000-row grid
//   Frame/1000         one whole picture: clearing 1000 rows, 1000 points, flush
//   FrameAndPaint/1000 the same plus the layout and a paint of the widget at its design size
//   CurvePixels/1000   the pixels of a 1000-point curve across the plot, as the chart sets them

#include "display/LineRaster.h"
#include "display/MSChart.h"

#include <QApplication>
#include <QImage>
#include <QList>
#include <QString>

#include "WidgetBenchMain.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using kurvomat::MSChart;

namespace {

constexpr qint16 kRows = 1000;

// Values of one frame of 8-bit samples.
QList<double> frameValues(int phase)
{
    QList<double> values;
    values.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        values.append(std::round(127.0 * std::sin((i + phase) * 0.0314)) + 0.5 * (i % 2));
    return values;
}

void clearChart(MSChart &chart)
{
    chart.setRowCount(kRows);
    const qint16 n = chart.RowCount();
    for (qint16 i = 1; i <= n; ++i) {
        chart.setRow(i);
        chart.setRowLabel(i % 100 == 0 ? QString::number(i) : QString());
        chart.setDataValue(0.0);
    }
}

void drawFrame(MSChart &chart, const QList<double> &values)
{
    for (qint16 i = 1; i <= values.size(); ++i) {
        chart.setRow(i);
        chart.setDataValue(values.at(i - 1));
    }
}

void BM_RowDataValue(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    const QList<double> values = frameValues(0);
    qint16 row = 0;
    for (auto _ : state) {
        chart.setRow(qint16(row + 1));
        chart.setDataValue(values.at(row));
        row = qint16(row + 1 == kRows ? 0 : row + 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowDataValue);

void BM_ClearRow(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    const QString hundred = QStringLiteral("100");
    qint16 row = 0;
    for (auto _ : state) {
        chart.setRow(qint16(row + 1));
        chart.setRowLabel(row == 99 ? hundred : QString());
        chart.setDataValue(0.0);
        row = qint16(row + 1 == kRows ? 0 : row + 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClearRow);

void BM_Flush(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    const QList<QList<double>> frames{frameValues(0), frameValues(50)};
    int k = 0;
    for (auto _ : state) {
        state.PauseTiming();
        drawFrame(chart, frames[k]);
        k ^= 1;
        state.ResumeTiming();
        chart.flush();
    }
}
BENCHMARK(BM_Flush)->Arg(kRows)->Unit(benchmark::kMicrosecond);

void BM_Frame(benchmark::State &state)
{
    MSChart chart;
    const QList<QList<double>> frames{frameValues(0), frameValues(50)};
    int k = 0;
    for (auto _ : state) {
        clearChart(chart);
        drawFrame(chart, frames[k]);
        k ^= 1;
        chart.flush();
    }
}
BENCHMARK(BM_Frame)->Arg(kRows)->Unit(benchmark::kMicrosecond);

void BM_FrameAndPaint(benchmark::State &state)
{
    MSChart chart;
    chart.resize(chart.sizeHint());
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    const QList<QList<double>> frames{frameValues(0), frameValues(50)};
    int k = 0;
    for (auto _ : state) {
        clearChart(chart);
        drawFrame(chart, frames[k]);
        k ^= 1;
        chart.flush();
        QCoreApplication::processEvents(); // the chart's own layout and scene updates
        chart.render(&image);
    }
}
BENCHMARK(BM_FrameAndPaint)->Arg(kRows)->Unit(benchmark::kMicrosecond);

void BM_CurvePixels(benchmark::State &state)
{
    const QList<double> values = frameValues(0);
    std::vector<QPointF> points;
    for (qsizetype i = 0; i < values.size(); ++i)
        points.emplace_back(40.25 + 760.0 * double(i) / double(values.size() - 1), 400 - values[i]);
    std::vector<QPoint> pixels;
    for (auto _ : state) {
        pixels.clear();
        kurvomat::rasterisePolyline(points, QRect(0, 0, 850, 560), pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["pixels"] = double(pixels.size());
}
BENCHMARK(BM_CurvePixels)->Arg(kRows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
