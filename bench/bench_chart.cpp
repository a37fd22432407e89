// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the chart component on the per-sample path and per picture.
//
//   RowData            one Row + Data pair, as the drawing step writes per sample
//   RowDataValue       the same with the value handed over as a number
//   ClearRow           one Row + RowLabel + Data "0" triple, as the clearing writes per row
//   Flush/1000         bringing series and axes in line with a changed 1000-row grid
//   Frame/1000         one whole picture: clearing 1000 rows, 1000 points, flush
//   FrameAndPaint/1000 the same plus the layout and a paint of the widget at its design size
//
// Numbers are written under German regional settings, the ones the program is laid out for.

#include "display/MSChart.h"

#include <QApplication>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "WidgetBenchMain.h"

#include <benchmark/benchmark.h>

#include <cmath>

using kurvomat::MSChart;

namespace {

constexpr qint16 kRows = 1000;

// Texts of one frame of 8-bit samples, in the system number format.
QStringList frameTexts(int phase)
{
    QStringList texts;
    texts.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const double v = std::round(127.0 * std::sin((i + phase) * 0.0314)) + 0.5 * (i % 2);
        texts.append(QLocale().toString(v));
    }
    return texts;
}

void clearChart(MSChart &chart)
{
    chart.setRowCount(kRows);
    const qint16 n = chart.RowCount();
    for (qint16 i = 1; i <= n; ++i) {
        chart.setRow(i);
        chart.setRowLabel(i % 100 == 0 ? QString::number(i) : QString());
        chart.setData(QStringLiteral("0"));
    }
}

void drawFrame(MSChart &chart, const QStringList &texts)
{
    for (qint16 i = 1; i <= texts.size(); ++i) {
        chart.setRow(i);
        chart.setData(texts.at(i - 1));
    }
}

void BM_RowData(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    const QStringList texts = frameTexts(0);
    qint16 row = 0;
    for (auto _ : state) {
        chart.setRow(qint16(row + 1));
        chart.setData(texts.at(row));
        row = qint16(row + 1 == kRows ? 0 : row + 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowData);

void BM_RowDataValue(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    QList<double> values;
    for (const QString &text : frameTexts(0))
        values.append(QLocale().toDouble(text));
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
    const QString zero = QStringLiteral("0");
    const QString hundred = QStringLiteral("100");
    qint16 row = 0;
    for (auto _ : state) {
        chart.setRow(qint16(row + 1));
        chart.setRowLabel(row == 99 ? hundred : QString());
        chart.setData(zero);
        row = qint16(row + 1 == kRows ? 0 : row + 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClearRow);

void BM_Flush(benchmark::State &state)
{
    MSChart chart;
    clearChart(chart);
    const QList<QStringList> frames{frameTexts(0), frameTexts(50)};
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
    const QList<QStringList> frames{frameTexts(0), frameTexts(50)};
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
    const QList<QStringList> frames{frameTexts(0), frameTexts(50)};
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

} // namespace

int main(int argc, char **argv)
{
    return runWidgetBenchmarks(argc, argv);
}
