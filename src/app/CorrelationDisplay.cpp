// SPDX-License-Identifier: GPL-3.0-or-later
// Reference sine and cross-correlation of the sample buffer, with the three result boxes.
#include "analysis/Correlation.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Errors.h"
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"
#include "text/PatternFormat.h"

#include <QLineEdit>

namespace kurvomat {

// Two periods of a sine of period N and the amplitude typed in the reference level field,
// quantised downward. Throws OverflowError when the amplitude does not fit 16 bits.
void MainWindow::buildReference()
{
    const double level = text::leadingNumber(m_referenceLevelField->text());
    const MeasurementState::ReferenceKey key{m_state.xLength, level, m_state.pi};
    if (m_state.referenceBuiltFor == key)
        return;
    m_state.referenceBuiltFor.reset(); // a build that fails midway leaves a partial reference
    analysis::buildReference(m_state.reference.span(), m_state.xLength, level, m_state.pi);
    m_state.referenceBuiltFor = key;
}

// Correlates samples 1..N against the reference at every shift and shows the largest sum, the
// sum / 256 and the shift. Sums are exact integers, so every shown result is current. A
// reference level that does not fit 16 bits has no result: the boxes say so and the maximum and
// shift are 0.
void MainWindow::correlate()
{
    try {
        buildReference();
    } catch (const OverflowError &) {
        m_state.correlationMaximum = 0;
        m_state.correlationShift = 0;
        setFieldText(m_maximumField, QStringLiteral("kein Ergebnis"));
        setFieldText(m_maximum256Field, QStringLiteral("-"));
        setFieldText(m_shiftField, QStringLiteral("-"));
        return;
    }
    m_state.correlationMaximum = 0;
    m_state.correlationShift = 0;
    const int m = text::toInt16(m_state.xLength);
    const analysis::CorrelationResult result =
        analysis::correlate(m_state.samples.span(), m_state.reference.span(), m);
    m_state.correlationMaximum = result.maximum;
    m_state.correlationShift = result.shift;
    setFieldText(m_maximumField, text::formatPattern(m_state.correlationMaximum, u"0,000"));
    setFieldText(m_maximum256Field, text::formatPattern(m_state.correlationMaximum / 256, u"#,##0"));
    setFieldText(m_shiftField, text::int16Text(m_state.correlationShift));
}

// Help: what the cross-correlation is for.
void MainWindow::onCorrelationHelpClicked()
{
    showMessage(QStringLiteral("Bei der Kreuzkorrelation handelt es sich um ein mathematisches "
                               "Verfahren, welches ein bekanntes Signal in einem Wirrwarr von "
                               "Signalen finden kann"));
}

} // namespace kurvomat
