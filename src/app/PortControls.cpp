// SPDX-License-Identifier: GPL-3.0-or-later
// START/STOP, PORT, SETTINGS and the status display of the serial port.
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/SkipOnError.h"
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"

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

// A text longer than its field shows its beginning ("/dev/ttyUSB0 ...", not "...0,n,8,1").
void setIfChanged(QLineEdit *field, const QString &text)
{
    if (field->text() != text) {
        field->setText(text);
        field->setCursorPosition(0);
    }
}

} // namespace

// START/STOP: stops a playback by selecting "||" (its handler runs when that changes the
// selection; with "||" already selected there is no playback to stop), then toggles the port.
// Failures are skipped silently; the status display shows the outcome. A port whose state
// cannot be read is taken as closed and opened.
void MainWindow::onStartClicked()
{
    m_stopOption->setChecked(true);
    if (testOnError([&] { return !m_port->PortOpen(); }))
        skipOnError([&] { m_port->setPortOpen(true); });
    else
        skipOnError([&] { m_port->setPortOpen(false); });
}

// PORT: closes the port, asks for the port (offering the ports present), reopens it and reports
// a failed reopen; a port whose state cannot be read afterwards is reported as failed too.
void MainWindow::onPortClicked()
{
    m_port->setPortOpen(false);
    const QString current =
        m_port->deviceName().isEmpty() ? text::int16Text(m_port->CommPort()) : m_port->deviceName();
    const QString answer = m_env.dialogs->choosePort(
        this, QStringLiteral("PORT-Nummer eingeben"), QStringLiteral("PORT"), current,
        m_env.serialPorts ? m_env.serialPorts() : QList<SerialPortEntry>());
    if (!answer.isEmpty()) {
        skipOnError([&] {
            if (isDeviceName(answer))
                m_port->setDeviceName(answer.trimmed());
            else
                m_port->setCommPort(text::toInt16(text::leadingNumber(answer)));
        });
    }
    skipOnError([&] { m_port->setPortOpen(true); });
    if (testOnError([&] { return !m_port->PortOpen(); }))
        showMessage(QStringLiteral("Portnummer falsch !!!"));
}

// SETTINGS: closes the port, asks for the settings text and reopens the port. A text the port
// refuses, or a reopen that fails, is reported with the text and the reason; the port then
// stays closed.
void MainWindow::onSettingsDoubleClicked()
{
    const QString current = m_port->Settings();
    m_port->setPortOpen(false);
    const QString answer =
        m_env.dialogs->input(this, QStringLiteral("SETTINGS"), QStringLiteral("SETTINGS"), current);
    if (!answer.isEmpty()) {
        try {
            m_port->setSettings(answer);
        } catch (const Error &error) {
            showWarning(QStringLiteral("Die Einstellung \"%1\" wird nicht angenommen:\n%2")
                            .arg(answer, QString::fromUtf8(error.what())));
            return;
        }
    }
    try {
        m_port->setPortOpen(true);
    } catch (const Error &error) {
        showWarning(
            QStringLiteral("%1 %2 lässt sich nicht öffnen:\n%3")
                .arg(m_port->portText(), m_port->Settings(), QString::fromUtf8(error.what())));
    }
}

// Every 100 ms: the X-axis length, the port state in caption and colours, and the port text.
void MainWindow::refreshStatus()
{
    setIfChanged(m_xLengthField, text::doubleText(m_state.xLength));
    const bool open = m_port->PortOpen();
    const QString caption = open ? QStringLiteral("STOP") : QStringLiteral("START");
    if (m_startButton->text() != caption)
        m_startButton->setText(caption);
    const QColor &colour = open ? colours::kLightGreen : colours::kLightRed;
    setBackColor(m_portText, colour);
    setBackColor(m_startRim, colour);
    setIfChanged(m_portText, m_port->portText() + u' ' + m_port->Settings());
}

} // namespace kurvomat
