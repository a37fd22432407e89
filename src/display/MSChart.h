// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <span>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace kurvomat {

class RefreshPacer;

// The chart component MSChart1: a grid of rows (numbered from 1) with one value and one X-axis
// label per row, drawn as one line over the rows.
//
// The program drives it through four properties: RowCount, Row, RowLabel and Data. Writing
// them only changes the stored grid; the drawing follows in the event loop, at most once per
// refresh of the screen (the first change after a quiet interval at the next turn, later ones
// at the end of the interval), because drawing per point, or faster than the screen shows it,
// is wasted work. The last state is always drawn. flush() draws at once.
//
// The X axis runs over the rows shown and carries a label only at rows with a label; the Y
// axis spans the values shown with a small margin, ticks at round numbers (values beyond
// +-1e300 run off the plot).
//
// A row beyond RowCount may be written: the shown grid then extends to the highest row written
// since RowCount was last set, the rows in between at 0. RowCount itself is not changed by that.
//
// Appearance (white background, dark line, small axis labels, no legend) is fixed here at
// construction and never changed at run time.
class MSChart : public QWidget {
    Q_OBJECT

public:
    explicit MSChart(QWidget *parent = nullptr);
    ~MSChart() override;

    // Number of rows. n < 1 throws ChartError and keeps the old count. Rows beyond n, and any
    // rows shown beyond the old count, are dropped; rows from the old count up to n are new
    // and start at 0 without a label. Values of the rows kept are left as they were.
    void setRowCount(qint16 n);
    [[nodiscard]] qint16 RowCount() const { return m_rowCount; }

    // The current row for the next setRowLabel / setDataValue. r < 1 throws ChartError and keeps
    // the old row; a row beyond RowCount is accepted.
    void setRow(qint16 r);
    [[nodiscard]] qint16 Row() const { return m_row; }

    // X-axis label of the current row; the empty text shows no label there.
    void setRowLabel(const QString &label);

    // Every row shown to 0, row r with the label labels[r - 1] (rows beyond them without one),
    // the last of them the current row: what setRow, setRowLabel and a value of 0 row by row
    // leave, in one pass.
    void clearRows(std::span<const QString> labels);

    // Value of the point in the current row (0 clears the point). A value that is not finite
    // throws ChartError and changes nothing. Called per sample: it stores and at most posts one
    // call per event-loop turn.
    void setDataValue(double value);

    // Stored grid, rows 1..shownRowCount(); rows outside give 0 and "".
    [[nodiscard]] double value(int row) const;
    [[nodiscard]] QString rowLabel(int row) const;
    // Rows shown: RowCount, or the highest row written since RowCount was last set when larger.
    [[nodiscard]] int shownRowCount() const { return static_cast<int>(m_values.size()); }

    // Brings the series and the axes in line with the grid now and repaints a visible chart,
    // instead of waiting for the next event-loop turn.
    void flush();

    // Number of rebuilds since construction (the initial drawing not counted). Each rebuild
    // sets the axes to the grid and schedules one repaint of the curve.
    [[nodiscard]] int rebuildCount() const { return m_rebuildCount; }

    [[nodiscard]] QSize sizeHint() const override;

private:
    // Grows the grid so that the current row exists (rows in between at 0, no label).
    void ensureCurrentRow();
    void storeValue(double value);
    void markDirty();
    void rebuild();
    void rebuildLabels();
    void updateRanges();

    class CurveView;
    CurveView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QLineSeries *m_series = nullptr;
    QCategoryAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;

    // Row r is at index r - 1. Both vectors always have shownRowCount() elements.
    std::vector<double> m_values;
    std::vector<QString> m_labels;

    qint16 m_rowCount = 0;
    qint16 m_row = 1;

    bool m_valuesDirty = false;
    bool m_labelsDirty = false;
    RefreshPacer *m_pacer = nullptr;
    int m_rebuildCount = 0;
};

} // namespace kurvomat
