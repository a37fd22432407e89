// SPDX-License-Identifier: GPL-3.0-or-later
// The frame receiver: polls the serial port every 10 ms, assembles frames in the sample
// buffer and hands each complete frame to the chart, the storage and the correlation.
#include "acquisition/FrameDecoder.h"
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/SkipOnError.h"
#include "storage/RecordFormat.h"
#include "text/NumberWriting.h"

#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTimer>

namespace kurvomat {

namespace {

constexpr int kPollInterval = 10;     // ms, the receive timer's beat
constexpr int kRestingInterval = 250; // ms, its ticks while no bytes arrive

// A frame's date and time of day show in the regional formats. Frames come many times a
// second, while these texts change once a second or once a day; making them (looking the
// formats up, parsing and applying them) cost more than everything else a frame shows as
// text. So the last text is kept and made anew only when the regional settings or what it
// shows change.

// The date in the regional short format.
QString dateText(const QDate &date)
{
    static QLocale madeFor;
    static QDate madeOf;
    static QString text;
    const QLocale locale;
    if (text.isEmpty() || date != madeOf || locale != madeFor) {
        text = locale.toString(date, QLocale::ShortFormat);
        madeOf = date;
        madeFor = locale;
    }
    return text;
}

// The time of day in the regional format with seconds ("HH:mm:ss" under German settings),
// without a time zone.
QString timeOfDayText(const QTime &time)
{
    static QLocale madeFor;
    static QString format;
    static bool wholeSeconds = true; // the format shows no fraction of a second
    static QTime madeOf;
    static QString text;
    const QLocale locale;
    if (format.isEmpty() || locale != madeFor) {
        format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
        format = format.trimmed();
        wholeSeconds = !format.contains(QLatin1Char('z'));
        madeFor = locale;
        text.clear();
    }
    const bool toTheSecond = wholeSeconds && time.isValid();
    const QTime shown = toTheSecond ? QTime(time.hour(), time.minute(), time.second()) : time;
    if (text.isEmpty() || shown != madeOf) {
        text = locale.toString(time, format);
        madeOf = shown;
    }
    return text;
}

} // namespace

// One tick: characters are read until the port's buffer is empty or one frame is complete. The
// timer is stopped while the tick works, so ticks never overlap, also while the completed frame
// lets pending events run. A count that cannot be read (a port that fails) counts as an empty
// buffer, at the start as in the middle of a tick, so the tick ends and the timer runs again:
// reception never stalls on a failing port. The steps of a completed frame are skipped when
// they fail.
void MainWindow::pollPort()
{
    m_lastPoll = std::chrono::steady_clock::now();
    int waiting = 0;
    bool counted = false;
    if (testOnError([&] {
            waiting = m_port->InBufferCount();
            counted = true;
            return waiting == 0;
        })) {
        setBackColor(m_waitingField, colours::kGrey); // keeps the last count shown
        if (counted)
            restReceiver();
        return;
    }
    setBackColor(m_waitingField, colours::kLightGreen);
    setFieldText(m_waitingField, text::int16Text(static_cast<std::int16_t>(waiting)));
    // Only the newest characters of one largest frame count: older ones are dropped, not
    // queued, so the display follows what the device sends now. A whole frame that arrived
    // between two ticks (a USB device sends it at once) is kept with its header, also when a
    // short trailer follows it (acquisition::staleCharacters).
    if (waiting > acquisition::kMaxFrameCharacters)
        m_port->takeInput(acquisition::staleCharacters(m_port->waitingInput()));
    m_receiveTimer->stop();

    for (;;) {
        const auto result =
            m_decoder.feed(m_port->waitingInput(), m_state.samples, m_signedOption->isChecked());
        m_port->takeInput(result.used);
        if (result.headerSeen) {
            setFieldText(m_statusField, QStringLiteral("wait..."));
            setBackColor(m_statusField, colours::kGrey);
        }
        if (result.frameComplete) {
            completeFrame();
            return;
        }
        if (testOnError([&] { return m_port->InBufferCount() == 0; })) {
            restartReceiver();
            return;
        }
    }
}

// The completed frame: drawn with its date and time, shown, stored and correlated, in this
// order; each step that fails is skipped.
void MainWindow::completeFrame()
{
    skipOnError([&] { resetChart(); });
    setFieldText(m_dateField, dateText(m_env.clock->currentDate()));
    setFieldText(m_timeField, timeOfDayText(m_env.clock->currentTime()) + u':'
                         + storage::hundredthsField(m_env.clock->secondsSinceMidnight()));
    const int count = m_decoder.announcedCount();
    for (int i = 1; i <= count; ++i)
        skipOnError([&] { drawPoint(m_state.samples(i)); });
    letEventsRun(); // the window may unload meanwhile: then nothing below runs
    storeFrame();
    skipOnError([&] { correlate(); });
    setFieldText(m_statusField, QStringLiteral("fertig"));
    setBackColor(m_statusField, colours::kLightGreen);
    restartReceiver();
}

void MainWindow::restartReceiver()
{
    // Once the window has unloaded (possible while events ran), no timer starts again.
    if (!m_unloaded)
        m_receiveTimer->start(kPollInterval);
}

// A tick that counted no waiting characters leaves the count field grey; every further tick
// would do the same until the port reports bytes (MSComm::inputArrived). So the timer, still
// enabled, ticks seldom meanwhile instead of waking the program 100 times a second for
// nothing. A count that failed is not taken as settled: those ticks go on at full pace.
void MainWindow::restReceiver()
{
    if (m_receiverResting)
        return;
    m_receiverResting = true;
    m_receiveTimer->setInterval(kRestingInterval); // restarts an active timer
}

// Bytes arrived while the receiver rested: the next tick comes when it would have come
// without the rest, on the 10 ms beat of the last one, so the characters are taken as soon
// as before.
void MainWindow::onInputArrived()
{
    if (!m_receiverResting)
        return;
    m_receiverResting = false;
    if (!m_receiveTimer->isActive()) {
        m_receiveTimer->setInterval(kPollInterval);
        return;
    }
    using std::chrono::milliseconds;
    const auto since = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now()
                                                                - m_lastPoll);
    m_receiveTimer->start(milliseconds(kPollInterval) - since % milliseconds(kPollInterval));
}

// Help: the frame format the device sends.
void MainWindow::onProtocolHelpClicked()
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
