// Drawing sample sets on the chart, point by point, with the running extremes and counter.
#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "display/PointField.h"
#include "text/TextRules.h"

#include <QCheckBox>

namespace kurvomat {

namespace {
const QString kPointsSuffix = QStringLiteral(" DATEN-Punkte");
const QString kZero = QStringLiteral("0");
} // namespace

// Clears the chart to DIAGRAMM_MAX_ANZ_DATENPUNKTE rows, labelled at every hundredth row up to
// 1000, and restarts the count and the extremes. The counter field keeps its text until the
// next point. A failing step ends the procedure and passes the failure on.
void frmHAUPT::DIAGRAMM_RESET()
{
    m_wertMax->setText(text::int16Text(-9999));
    m_wertMin->setText(QStringLiteral("9999"));
    DIAGRAMM_ZAEHLER = 0;
    MSChart1->setRowCount(text::toInt16(DIAGRAMM_MAX_ANZ_DATENPUNKTE));
    const int rows = MSChart1->RowCount();
    for (int i = 1; i <= rows; ++i) {
        MSChart1->setRow(static_cast<std::int16_t>(i));
        MSChart1->setRowLabel(i % 100 == 0 && i <= 1000 ? QString::number(i) : QString());
        MSChart1->setData(kZero);
    }
}

// Draws DIAGRAMM_WERT as the next point. Count, counter text, automatic X length and extremes
// come before the two chart writes, so they include the point even when the chart refuses it.
void frmHAUPT::DIAGRAMM_ZEICHNEN()
{
    DIAGRAMM_ZAEHLER = text::add16(DIAGRAMM_ZAEHLER, 1);
    m_zaehler->setCount(DIAGRAMM_ZAEHLER, kPointsSuffix);
    if (Check_AUTO->checkState() == Qt::Checked)
        DIAGRAMM_MAX_ANZ_DATENPUNKTE = DIAGRAMM_ZAEHLER;
    if (m_wertMax->number() < DIAGRAMM_WERT)
        m_wertMax->setNumber(DIAGRAMM_WERT);
    if (m_wertMin->number() > DIAGRAMM_WERT)
        m_wertMin->setNumber(DIAGRAMM_WERT);
    MSChart1->setRow(DIAGRAMM_ZAEHLER);
    MSChart1->setDataValue(DIAGRAMM_WERT);
}

void frmHAUPT::flushPointFields()
{
    for (PointField *field : {m_wertMax, m_wertMin, m_zaehler})
        field->flush();
}

} // namespace kurvomat
