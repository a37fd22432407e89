// X-axis length: ten presets, the typed entry and the chart reset button.
#include "app/frmHAUPT.h"
#include "core/Errors.h"
#include "text/TextRules.h"

#include <QCheckBox>

namespace kurvomat {

void frmHAUPT::chooseXLength(double length)
{
    Check_AUTO->setChecked(false);
    DIAGRAMM_MAX_ANZ_DATENPUNKTE = length;
    DIAGRAMM_RESET();
}

void frmHAUPT::Command2_Click() { chooseXLength(100); }
void frmHAUPT::Command4_Click() { chooseXLength(200); }
void frmHAUPT::Command7_Click() { chooseXLength(300); }
void frmHAUPT::Command8_Click() { chooseXLength(400); }
void frmHAUPT::Command9_Click() { chooseXLength(500); }
void frmHAUPT::Command10_Click() { chooseXLength(600); }
void frmHAUPT::Command11_Click() { chooseXLength(700); }
void frmHAUPT::Command12_Click() { chooseXLength(800); }
void frmHAUPT::Command13_Click() { chooseXLength(900); }
void frmHAUPT::Command14_Click() { chooseXLength(1000); }

// Resets the chart for the current length; length and "automatisch" stay as they are.
void frmHAUPT::Command3_Click()
{
    DIAGRAMM_RESET();
}

// The typed X-axis length. "automatisch" is cleared first and stays cleared even on Cancel.
// The answer must be a number under the regional settings from 1 to 1000 (fractions such as
// 2,5 are taken as they are); anything else is refused with a message naming the range, and
// the entry asks again with the user's answer as its default. Cancel or an empty answer
// leaves length and chart unchanged.
void frmHAUPT::Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick()
{
    Check_AUTO->setChecked(false);
    QString proposal = text::doubleText(DIAGRAMM_MAX_ANZ_DATENPUNKTE);
    for (;;) {
        const QString answer = m_env.dialogs->input(
            this, QStringLiteral("Wert von 1 bis 1000 eingeben"), QStringLiteral("X-ACHSE"),
            proposal);
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
        m_env.dialogs->warning(
            this,
            QStringLiteral("\"%1\" ist keine gültige Länge der X-Achse.\n"
                           "Erlaubt ist eine Zahl von 1 bis 1000.")
                .arg(answer),
            QString::fromLatin1(kAppTitle));
        proposal = answer;
    }
}

} // namespace kurvomat
