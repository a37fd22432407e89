// START/STOP, PORT, SETTINGS and the status display of the serial port.
#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "core/SkipOnError.h"
#include "text/TextRules.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kurvomat {

namespace {

// The PORT entry takes a device name or path where the answer starts with a letter or "/"
// ("/dev/ttyUSB0", "ttyACM0", "COM3"); every other answer is a port number.
bool isDeviceName(const QString &answer)
{
    const QString trimmed = answer.trimmed();
    return !trimmed.isEmpty() && (trimmed.front().isLetter() || trimmed.front() == u'/');
}

void setIfChanged(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace

// START/STOP: stops a playback (as selecting "||" does), then toggles the port. Failures are
// skipped silently; the status display shows the outcome.
void frmHAUPT::Command1_Click()
{
    skipOnError([&] { Option4->setChecked(true); });
    skipOnError([&] { Option4_Click(); });
    if (testOnError([&] { return !MSComm1->PortOpen(); }))
        skipOnError([&] { MSComm1->setPortOpen(true); });
    else
        skipOnError([&] { MSComm1->setPortOpen(false); });
}

// PORT: closes the port, asks for the port, reopens it and reports a failed reopen.
void frmHAUPT::Command22_Click()
{
    skipOnError([&] { MSComm1->setPortOpen(false); });
    QString answer;
    skipOnError([&] {
        const QString current = MSComm1->deviceName().isEmpty()
                                    ? text::int16Text(MSComm1->CommPort())
                                    : MSComm1->deviceName();
        answer = m_env.dialogs->input(this, QStringLiteral("PORT-Nummer eingeben"),
                                      QStringLiteral("PORT"), current);
    });
    if (!answer.isEmpty()) {
        skipOnError([&] {
            if (isDeviceName(answer))
                MSComm1->setDeviceName(answer.trimmed());
            else
                MSComm1->setCommPort(text::toInt16(text::leadingNumber(answer)));
        });
    }
    skipOnError([&] { MSComm1->setPortOpen(true); });
    if (testOnError([&] { return !MSComm1->PortOpen(); }))
        skipOnError([&] { showMessage(QStringLiteral("Portnummer falsch !!!")); });
}

// SETTINGS: closes the port, asks for the settings text and reopens the port. A text the port
// refuses, or a reopen that fails, is reported with the text and the reason; the port then
// stays closed.
void frmHAUPT::Text2_DblClick()
{
    const QString current = MSComm1->Settings();
    MSComm1->setPortOpen(false);
    const QString answer = m_env.dialogs->input(this, QStringLiteral("SETTINGS"),
                                                QStringLiteral("SETTINGS"), current);
    if (!answer.isEmpty()) {
        try {
            MSComm1->setSettings(answer);
        } catch (const Error &error) {
            m_env.dialogs->warning(this,
                                   QStringLiteral("Die Einstellung \"%1\" wird nicht angenommen:\n%2")
                                       .arg(answer, QString::fromUtf8(error.what())),
                                   QString::fromLatin1(kAppTitle));
            return;
        }
    }
    try {
        MSComm1->setPortOpen(true);
    } catch (const Error &error) {
        m_env.dialogs->warning(this,
                               QStringLiteral("%1 %2 lässt sich nicht öffnen:\n%3")
                                   .arg(MSComm1->portText(), MSComm1->Settings(),
                                        QString::fromUtf8(error.what())),
                               QString::fromLatin1(kAppTitle));
    }
}

// Every 100 ms: the X-axis length, the port state in caption and colours, and the port text.
void frmHAUPT::Timer_ANZEIGE_Timer()
{
    setIfChanged(Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE, text::doubleText(DIAGRAMM_MAX_ANZ_DATENPUNKTE));
    const bool open = MSComm1->PortOpen();
    const QString caption = open ? QStringLiteral("STOP") : QStringLiteral("START");
    if (Command1->text() != caption)
        Command1->setText(caption);
    const QColor &state = open ? colours::kLightGreen : colours::kLightRed;
    setBackColor(Text2, state);
    setBackColor(Label5, state);
    setIfChanged(Text2, MSComm1->portText() + u' ' + MSComm1->Settings());
}

} // namespace kurvomat
