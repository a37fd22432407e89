// Simulated input: one sine ("einzel") and the frequency sweep ("0,01...10").
#include "acquisition/MSComm.h"
#include "analysis/Simulation.h"
#include "app/frmHAUPT.h"
#include "core/Errors.h"
#include "core/SkipOnError.h"
#include "display/MSChart.h"
#include "storage/DataFiles.h"
#include "storage/RecordFile.h"
#include "text/TextRules.h"

#include <QLineEdit>

#include <cmath>
#include <vector>

namespace kurvomat {

// One sine of the typed level and frequency factor over N samples, drawn and correlated. The
// samples are computed and checked before anything is drawn: a level whose samples leave the
// 16-bit range throws OverflowError naming the level, with chart and buffer untouched. (The
// start-up sequence skips such a failure; a click reports it.)
void frmHAUPT::Command16_Click()
{
    if (MSComm1->PortOpen())
        MSComm1->setPortOpen(false);
    const double level = text::leadingNumber(Text_PEGEL_SIMULATION->text());
    const double n = DIAGRAMM_MAX_ANZ_DATENPUNKTE;
    const double factor = text::leadingNumber(Text_SIMULATION->text());

    std::vector<double> values;
    for (double k = 1; k <= n; ++k) {
        const double w = analysis::singleSample(k, factor, n, level, PI);
        if (!(std::fabs(w) <= 32767.5)) {
            throw OverflowError(
                QStringLiteral("Der Pegel \"%1\" ist zu groß: die simulierten Werte passen nicht "
                               "in den Bereich -32768 ... 32767.")
                    .arg(Text_PEGEL_SIMULATION->text())
                    .toStdString());
        }
        values.push_back(w);
    }
    if (values.size() > 1100)
        throw IndexError("more samples than the sample buffer holds");

    DIAGRAMM_RESET();
    PEGEL_SIMULATION = level;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto k = static_cast<std::int16_t>(i + 1);
        MSChart1->setRow(k);
        DATENPUNKTE(k) = text::toInt16(values[i]);
        DIAGRAMM_WERT = values[i];
        DIAGRAMM_ZEICHNEN();
    }
    BERECHNUNG_KREUZ_KORRELATION();
}

// Frequency sweep: factors 0.01, 0.02, ... (accumulated by adding 0.01) while below 10, each
// simulated, drawn and correlated; then the curve of the 1000 maxima and the results file.
// Every sub-step that fails is skipped. Events run after every fifth step; a second click
// meanwhile is ignored, since a nested sweep would overwrite this one's results.
void frmHAUPT::Command15_Click()
{
    if (m_sweepRunning)
        return;
    const bool yes = m_env.dialogs->confirm(
        this,
        QStringLiteral("Die Berechnung kann etwas dauern\n\t\n\tMöchten Sie fortfahren ?"),
        QStringLiteral("Warnung"));
    if (!yes)
        return;
    m_sweepRunning = true;
    struct Guard {
        bool &flag;
        ~Guard() { flag = false; }
    } guard{m_sweepRunning};

    double step = 0;
    std::int16_t eventCounter = 0;
    skipOnError([&] { MSComm1->setPortOpen(false); });
    skipOnError([&] { FREQUENZ_SIMULATION = 0.01; });
    skipOnError([&] { Text_SIMULATION->setText(text::doubleText(FREQUENZ_SIMULATION)); });
    do {
        skipOnError([&] { DIAGRAMM_RESET(); });
        step = step + 1;
        const double p = DIAGRAMM_MAX_ANZ_DATENPUNKTE;
        const double bound = DIAGRAMM_MAX_ANZ_DATENPUNKTE;
        // The level text cannot change within a step (no events run), so it is read once.
        bool levelValid = true;
        double level = 0;
        try {
            level = text::localeNumber(Text_PEGEL_SIMULATION->text());
        } catch (const std::exception &) {
            levelValid = false;
        }
        for (double k = 1; k <= bound; ++k) {
            skipOnError([&] { MSChart1->setRow(text::toInt16(k)); });
            // Without a level the sample keeps the angle in degrees computed before it.
            const double w = levelValid ? analysis::sweepSample(k, FREQUENZ_SIMULATION, p, level, PI)
                                        : ((k * 360) * FREQUENZ_SIMULATION) / p;
            skipOnError([&] { DATENPUNKTE(static_cast<long long>(k)) = text::toInt16(w); });
            DIAGRAMM_WERT = w;
            skipOnError([&] { DIAGRAMM_ZEICHNEN(); });
        }
        skipOnError([&] { BERECHNUNG_KREUZ_KORRELATION(); });
        skipOnError([&] { ERGEBNIS_LISTE(static_cast<long long>(step)) = ERGEBNIS; });
        FREQUENZ_SIMULATION = FREQUENZ_SIMULATION + 0.01;
        skipOnError([&] { Text_SIMULATION->setText(text::doubleText(FREQUENZ_SIMULATION)); });
        eventCounter = static_cast<std::int16_t>(eventCounter + 1);
        if (eventCounter > 4) {
            eventCounter = 0;
            letEventsRun(); // the window may unload meanwhile: then the sweep ends here
        }
    } while (FREQUENZ_SIMULATION < 10);

    // The curve of the maxima, on a 1000-point axis; the X length is restored afterwards.
    const double remembered = DIAGRAMM_MAX_ANZ_DATENPUNKTE;
    DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
    skipOnError([&] { DIAGRAMM_RESET(); });
    for (int k = 1; k <= 1000; ++k) {
        skipOnError([&] { DIAGRAMM_WERT = ERGEBNIS_LISTE(k); });
        skipOnError([&] { DIAGRAMM_ZEICHNEN(); });
    }
    DIAGRAMM_MAX_ANZ_DATENPUNKTE = remembered;

    // The results file is replaced as a whole; a file that cannot be written is reported.
    try {
        storage::replaceFile(dataFile(storage::kSweepResultsFile),
                             analysis::sweepResults(ERGEBNIS_LISTE.span(), 1000));
    } catch (const Error &error) {
        m_env.dialogs->warning(this,
                               QStringLiteral("Die Ergebnisse konnten nicht gespeichert werden:\n%1")
                                   .arg(QString::fromUtf8(error.what())),
                               QString::fromLatin1(kAppTitle));
    }
}

} // namespace kurvomat
