// Reference sine and cross-correlation of the sample buffer, with the three result boxes.
#include "analysis/Correlation.h"
#include "app/frmHAUPT.h"
#include "core/Errors.h"
#include "text/TextRules.h"

#include <QLineEdit>

namespace kurvomat {

// Two periods of a sine of period N and the amplitude typed in the reference level field,
// quantised downward. Throws OverflowError when the amplitude does not fit 16 bits.
void frmHAUPT::BERECHNUNG_REFERENZ_SIGNAL()
{
    const double n = DIAGRAMM_MAX_ANZ_DATENPUNKTE;
    PEGEL_REFERENZ = text::leadingNumber(Text_PEGEL_REFERENZ->text());
    analysis::buildReference(REFERENZ_SIGNAL.span(), n, PEGEL_REFERENZ, PI);
}

// Correlates samples 1..N against the reference at every shift and shows the largest sum, the
// sum / 256 and the shift. Sums are exact integers, so every shown result is current. A
// reference level that does not fit 16 bits has no result: the boxes say so and ERGEBNIS and
// ERGEBNIS_PHASE are 0.
void frmHAUPT::BERECHNUNG_KREUZ_KORRELATION()
{
    try {
        BERECHNUNG_REFERENZ_SIGNAL();
    } catch (const OverflowError &) {
        ERGEBNIS = 0;
        ERGEBNIS_PHASE = 0;
        Text_ERGEBNIS->setText(QStringLiteral("kein Ergebnis"));
        Text_ERGEBNIS_256->setText(QStringLiteral("-"));
        TEXT_ERGEBNIS_PHASE->setText(QStringLiteral("-"));
        return;
    }
    ERGEBNIS = 0;
    ERGEBNIS_PHASE = 0;
    const int m = text::toInt16(DIAGRAMM_MAX_ANZ_DATENPUNKTE);
    const analysis::CorrelationResult result =
        analysis::correlate(DATENPUNKTE.span(), REFERENZ_SIGNAL.span(), m);
    ERGEBNIS = result.maximum;
    ERGEBNIS_PHASE = result.shift;
    Text_ERGEBNIS->setText(text::formatPattern(ERGEBNIS, u"0,000"));
    Text_ERGEBNIS_256->setText(text::formatPattern(ERGEBNIS / 256, u"#,##0"));
    TEXT_ERGEBNIS_PHASE->setText(text::int16Text(ERGEBNIS_PHASE));
}

// Help: what the cross-correlation is for.
void frmHAUPT::Command24_Click()
{
    showMessage(QStringLiteral("Bei der Kreuzkorrelation handelt es sich um ein mathematisches "
                               "Verfahren, welches ein bekanntes Signal in einem Wirrwarr von "
                               "Signalen finden kann"));
}

} // namespace kurvomat
