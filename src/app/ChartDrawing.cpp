// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing sample sets on the chart, point by point, with the running extremes and counter.
#include "app/MainWindow.h"
#include "display/MSChart.h"
#include "display/PointField.h"
#include "text/Int16.h"
#include "text/NumberWriting.h"

#include <QCheckBox>

#include <vector>

namespace kurvomat {

namespace {
const QString kPointsSuffix = QStringLiteral(" DATEN-Punkte");
} // namespace

// Clears the chart to xLength rows, labelled at every hundredth row up to 1000, and restarts
// the count and the extremes. The counter field keeps its text until the
// next point. A failing step ends the procedure and passes the failure on.
void MainWindow::resetChart()
{
    m_maxText->setText(text::int16Text(-9999));
    m_minText->setText(QStringLiteral("9999"));
    m_state.pointCount = 0;
    m_chart->setRowCount(text::toInt16(m_state.xLength));
    // Every hundredth row up to 1000 carries its number on the X axis.
    static const std::vector<QString> axisLabels = [] {
        std::vector<QString> labels(1000);
        for (int row = 100; row <= 1000; row += 100)
            labels[std::size_t(row) - 1] = QString::number(row);
        return labels;
    }();
    m_chart->clearRows(axisLabels);
}

// Draws `value` as the next point. Count, counter text, automatic X length and extremes
// come before the two chart writes, so they include the point even when the chart refuses it.
void MainWindow::drawPoint(double value)
{
    m_state.pointCount = text::add16(m_state.pointCount, 1);
    m_counterText->setCount(m_state.pointCount, kPointsSuffix);
    if (m_autoXCheck->checkState() == Qt::Checked)
        m_state.xLength = m_state.pointCount;
    if (m_maxText->number() < value)
        m_maxText->setNumber(value);
    if (m_minText->number() > value)
        m_minText->setNumber(value);
    m_chart->setRow(m_state.pointCount);
    m_chart->setDataValue(value);
}

void MainWindow::flushPointFields()
{
    for (PointField *field : {m_maxText, m_minText, m_counterText})
        field->flush();
}

} // namespace kurvomat
