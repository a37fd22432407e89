// SPDX-License-Identifier: GPL-3.0-or-later
// Simulated input: one sine ("einzel") and the frequency sweep ("0,01...10").
#include "acquisition/MSComm.h"
#include "analysis/Simulation.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Errors.h"
#include "core/SkipOnError.h"
#include "display/MSChart.h"
#include "storage/DataFiles.h"
#include "storage/RecordFile.h"
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"

#include <QLineEdit>

#include <cmath>
#include <vector>

namespace kurvomat {

// One sine of the typed level and frequency factor over N samples, drawn and correlated. The
// samples are computed and checked before anything is drawn: a level whose samples leave the
// 16-bit range throws OverflowError naming the level, with chart and buffer untouched. (The
// start-up sequence skips such a failure; a click reports it.)
void MainWindow::onSingleClicked()
{
    if (m_port->PortOpen())
        m_port->setPortOpen(false);
    const double level = text::leadingNumber(m_simulationLevelField->text());
    const double n = m_state.xLength;
    const double factor = text::leadingNumber(m_simulationFactorField->text());

    // Every sample is computed and converted before anything is drawn (a value of 32767.5
    // still rounds to 32768, which does not fit).
    std::vector<double> values;
    std::vector<std::int16_t> rounded;
    for (double k = 1; k <= n; ++k) {
        const double w = analysis::singleSample(k, factor, n, level, m_state.pi);
        try {
            rounded.push_back(text::toInt16(w));
        } catch (const OverflowError &) {
            throw OverflowError(
                QStringLiteral("Der Pegel \"%1\" ist zu groß: die simulierten Werte passen nicht "
                               "in den Bereich -32768 ... 32767.")
                    .arg(m_simulationLevelField->text())
                    .toStdString());
        }
        values.push_back(w);
    }
    if (values.size() > 1100)
        throw IndexError("more samples than the sample buffer holds");

    resetChart();
    for (std::size_t i = 0; i < values.size(); ++i) {
        m_state.samples(static_cast<long long>(i + 1)) = rounded[i];
        drawPoint(values[i]);
    }
    correlate();
}

// Frequency sweep: factors 0.01, 0.02, ... (accumulated by adding 0.01) while below 10, each
// simulated, drawn and correlated; then the curve of the 1000 maxima and the results file.
// Every sub-step that fails is skipped. Events run after every fifth step; a second click
// meanwhile is ignored, since a nested sweep would overwrite this one's results.
void MainWindow::onSweepClicked()
{
    if (m_sweepRunning)
        return;
    const bool yes = m_env.dialogs->confirm(
        this, QStringLiteral("Die Berechnung kann etwas dauern\n\t\n\tMöchten Sie fortfahren ?"),
        QStringLiteral("Warnung"));
    if (!yes)
        return;
    m_sweepRunning = true;
    struct Guard {
        bool &flag;
        ~Guard() { flag = false; }
    } guard{m_sweepRunning};

    double step = 0;
    int eventCounter = 0;
    // The factor is accumulated by adding 0.01, so its rounding error shows in the factor field
    // (0,960000000000001) and the last step runs at 9.999999999999831.
    double factor = 0.01;
    skipOnError([&] { m_port->setPortOpen(false); });
    setFieldText(m_simulationFactorField, text::doubleText(factor));
    do {
        skipOnError([&] { resetChart(); });
        step = step + 1;
        const double p = m_state.xLength;
        const double bound = m_state.xLength;
        // The level text cannot change within a step (no events run), so it is read once.
        bool levelValid = true;
        double level = 0;
        try {
            level = text::localeNumber(m_simulationLevelField->text());
        } catch (const std::exception &) {
            levelValid = false;
        }
        for (double k = 1; k <= bound; ++k) {
            // Without a level the sample keeps the angle in degrees computed before it.
            const double w = levelValid ? analysis::sweepSample(k, factor, p, level, m_state.pi)
                                        : ((k * 360) * factor) / p;
            skipOnError([&] { m_state.samples(static_cast<long long>(k)) = text::toInt16(w); });
            skipOnError([&] { drawPoint(w); });
        }
        skipOnError([&] { correlate(); });
        skipOnError([&] {
            m_state.sweepMaxima(static_cast<long long>(step)) = m_state.correlationMaximum;
        });
        factor = factor + 0.01;
        // The factor field shows the factor whenever anyone can look: when events run, and
        // at the end. Writing it at every step would lay its text out a thousand times.
        if (++eventCounter > 4) {
            eventCounter = 0;
            setFieldText(m_simulationFactorField, text::doubleText(factor));
            letEventsRun(); // the window may unload meanwhile: then the sweep ends here
        }
    } while (factor < 10);
    setFieldText(m_simulationFactorField, text::doubleText(factor));

    // The curve of the maxima, on a 1000-point axis; the X length is restored afterwards.
    const double remembered = m_state.xLength;
    m_state.xLength = 1000;
    skipOnError([&] { resetChart(); });
    for (int k = 1; k <= 1000; ++k)
        skipOnError([&] { drawPoint(m_state.sweepMaxima(k)); });
    m_state.xLength = remembered;

    // The results file is replaced as a whole; a file that cannot be written is reported.
    try {
        storage::replaceFile(dataFile(storage::kSweepResultsFile),
                             analysis::sweepResults(m_state.sweepMaxima.span(), 1000));
    } catch (const Error &error) {
        showWarning(QStringLiteral("Die Ergebnisse konnten nicht gespeichert werden:\n%1")
                        .arg(QString::fromUtf8(error.what())));
    }
}

} // namespace kurvomat
