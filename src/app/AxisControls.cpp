// SPDX-License-Identifier: GPL-3.0-or-later
// X-axis length: ten presets, the typed entry and the chart reset button.
#include "app/MainWindow.h"
#include "core/Errors.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"

#include <QCheckBox>

namespace kurvomat {

void MainWindow::chooseXLength(double length)
{
    m_autoXCheck->setChecked(false);
    m_state.xLength = length;
    resetChart();
}

// Resets the chart for the current length; length and "automatisch" stay as they are.
void MainWindow::onResetClicked()
{
    resetChart();
}

// The typed X-axis length. "automatisch" is cleared first and stays cleared even on Cancel.
// The answer must be a number under the regional settings from 1 to 1000 (fractions such as
// 2,5 are taken as they are); anything else is refused with a message naming the range, and
// the entry asks again with the user's answer as its default. Cancel or an empty answer
// leaves length and chart unchanged.
void MainWindow::onXLengthDoubleClicked()
{
    m_autoXCheck->setChecked(false);
    QString proposal = text::doubleText(m_state.xLength);
    for (;;) {
        const QString answer =
            m_env.dialogs->input(this, QStringLiteral("Wert von 1 bis 1000 eingeben"),
                                 QStringLiteral("X-ACHSE"), proposal);
        if (answer.isEmpty())
            return;
        double length = 0;
        bool valid = false;
        try {
            length = text::localeNumber(answer);
            valid = length >= 1 && length <= 1000;
        } catch (const ConversionError &) {
            valid = false;
        }
        if (valid) {
            chooseXLength(length);
            return;
        }
        showWarning(QStringLiteral("\"%1\" ist keine gültige Länge der X-Achse.\n"
                                   "Erlaubt ist eine Zahl von 1 bis 1000.")
                        .arg(answer));
        proposal = answer;
    }
}

} // namespace kurvomat
