// The frame receiver: polls the serial port every 10 ms, assembles frames in the sample
// buffer and hands each complete frame to the chart, the storage and the correlation.
#include "acquisition/FrameDecoder.h"
#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "core/SkipOnError.h"
#include "storage/RecordFormat.h"
#include "text/TextRules.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace kurvomat {

namespace {

// The system's time of day format with seconds ("HH:mm:ss" under German settings), without
// a time zone.
QString timeOfDayText(const QTime &time)
{
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

} // namespace

// One tick: characters are read until the port's buffer is empty or one frame is complete.
// Runs in the skip-on-error style. The timer is stopped while the tick works, so ticks never
// overlap, also while the completed frame lets pending events run.
void frmHAUPT::Timer_DATEN_Timer()
{
    if (testOnError([&] { return MSComm1->InBufferCount() == 0; })) {
        skipOnError([&] { setBackColor(Text_INPUT_BUFFER_COUNT, colours::kGrey); });
        return;
    }
    skipOnError([&] { setBackColor(Text_INPUT_BUFFER_COUNT, colours::kLightGreen); });
    skipOnError([&] { Text_INPUT_BUFFER_COUNT->setText(text::int16Text(MSComm1->InBufferCount())); });
    // Only the newest characters of one largest frame count: older ones are dropped, not
    // queued, so the display follows what the device sends now. A whole frame that arrived
    // between two ticks (a USB device sends it at once) is kept with its header.
    constexpr int kKept = acquisition::kMaxFrameCharacters;
    if (testOnError([&] { return MSComm1->InBufferCount() > kKept; }))
        skipOnError([&] { MSComm1->takeInput(MSComm1->InBufferCount() - kKept); });
    skipOnError([&] { Timer_DATEN->stop(); });

    for (;;) {
        const auto result = m_decoder.feed(MSComm1->waitingInput(), DATENPUNKTE,
                                           Option1->isChecked());
        MSComm1->takeInput(result.used);
        if (result.headerSeen) {
            skipOnError([&] {
                Text_STATUS->setText(QStringLiteral("wait..."));
                setBackColor(Text_STATUS, colours::kGrey);
            });
        }
        if (result.frameComplete) {
            completeFrame();
            return;
        }
        // A port that fails here ends the tick as if its buffer were empty.
        bool more = false;
        skipOnError([&] { more = MSComm1->InBufferCount() > 0; });
        if (!more) {
            skipOnError([&] { restartReceiver(); });
            return;
        }
    }
}

// The completed frame: drawn with its date and time, shown, stored and correlated, in this
// order; each step that fails is skipped.
void frmHAUPT::completeFrame()
{
    skipOnError([&] { DIAGRAMM_RESET(); });
    skipOnError([&] { Text_DATUM->setText(QLocale().toString(m_env.clock->currentDate(), QLocale::ShortFormat)); });
    skipOnError([&] {
        const QString hundredths = storage::hundredthsField(m_env.clock->secondsSinceMidnight());
        Text_ZEIT->setText(timeOfDayText(m_env.clock->currentTime()) + u':' + hundredths);
    });
    const int count = m_decoder.announcedCount();
    for (int i = 1; i <= count; ++i) {
        skipOnError([&] { DIAGRAMM_WERT = DATENPUNKTE(i); });
        skipOnError([&] { DIAGRAMM_ZEICHNEN(); });
    }
    letEventsRun(); // the window may unload meanwhile: then nothing below runs
    skipOnError([&] { ABFRAGE_AUF_HDD_SPEICHERN(); });
    skipOnError([&] { BERECHNUNG_KREUZ_KORRELATION(); });
    skipOnError([&] {
        Text_STATUS->setText(QStringLiteral("fertig"));
        setBackColor(Text_STATUS, colours::kLightGreen);
    });
    skipOnError([&] { restartReceiver(); });
}

void frmHAUPT::restartReceiver()
{
    // Once the window has unloaded (possible while events ran), no timer starts again.
    if (!m_unloaded)
        Timer_DATEN->start();
}

// Help: the frame format the device sends.
void frmHAUPT::Command23_Click()
{
    const QStringList lines = {
        QStringLiteral("Datenprotololl:"),
        QStringLiteral("\t1.Zeichen =   '#'"),
        QStringLiteral("\t2.Zeichen =   '#'"),
        QStringLiteral("\t3.Zeichen =   '#'"),
        QStringLiteral("\t4.Zeichen =   '#'"),
        QStringLiteral("\t5.Zeichen =LOW-Wert-Anzahl der Daten"),
        QStringLiteral("\t6.Zeichen =HIGH-Wert-Anzahl der Daten"),
        QStringLiteral("\t7.Zeichen =8-Bit-Datenwert Nr. 1"),
        QStringLiteral("\t8.Zeichen =8-Bit-Datenwert Nr. 2"),
        QStringLiteral("\t9.Zeichen =8-Bit-Datenwert Nr. 3"),
        QStringLiteral("\tusw."),
        QStringLiteral("\t"),
        QStringLiteral("\t"),
        QStringLiteral("\t(maximal 1000 Daten)"),
    };
    showMessage(lines.join(u'\n'));
}

} // namespace kurvomat
