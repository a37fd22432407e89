// SPDX-License-Identifier: GPL-3.0-or-later
// The record reader, snapshot loading and playback: a record line is turned back into the shown
// frame (date, time, X-axis length, sample buffer, chart) and correlated like a received frame.
//
// Every file operation has its own file: a load reads its snapshot by itself, and playback
// holds only the recording file. So a load always loads its snapshot, whatever playback does.
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Errors.h"
#include "core/SkipOnError.h"
#include "storage/DataFiles.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "text/Int16.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace kurvomat {

// The recording file as playback reads it, from "RUN" until "||" or the end of the window.
struct MainWindow::PlaybackFile {
    storage::LineReader reader;
};

// Shows a record line. An empty line changes nothing; a line without "DATEN:" where a record
// has it, or with a sample count outside 1..1000, is refused with a message (the date and time
// of the latter are shown). Otherwise N is taken when the X axis is automatic, the chart is reset
// and each value of the sample list is stored and drawn in turn. No handling of its own: a
// failure (a value outside 16 bits, a 1101st value, a count beyond the number range) ends it
// there, with what was stored and drawn so far kept, and passes to the caller.
void MainWindow::showRecord(const QString &line)
{
    storage::RecordHeader header;
    qsizetype samplesFrom = 0;
    storage::RecordCheck check = storage::RecordCheck::Empty;
    try {
        check = storage::checkRecord(line, header, samplesFrom);
    } catch (const OverflowError &) {
        // Only the count field throws, after date and time have been taken: they are shown, as
        // they are for any record whose "DATEN:" stands where it belongs.
        setFieldText(m_dateField, header.date);
        setFieldText(m_timeField, header.time);
        throw;
    }
    if (check == storage::RecordCheck::Empty)
        return;
    if (check == storage::RecordCheck::BadMarker) {
        showRefusal(QStringLiteral("DATENSATZ nicht korrekt"));
        return;
    }
    setFieldText(m_dateField, header.date);
    setFieldText(m_timeField, header.time);
    if (check == storage::RecordCheck::BadCount) {
        showRefusal(QStringLiteral("DATENSATZ nicht korrekt => DIAGRAMM_MAX_ANZ_DATENPUNKTE"));
        return;
    }
    if (m_autoXCheck->checkState() == Qt::Checked)
        m_state.xLength = header.count;
    resetChart();

    storage::SampleScanner samples(QStringView(line).sliced(samplesFrom));
    int k = 0;
    while (const std::optional<double> value = samples.next()) {
        k = k + 1;
        m_state.samples(k) = text::toInt16(*value);
        drawPoint(*value);
    }
}

// A refusal of the record reader. While its message is open, playback ticks do nothing, so
// refusals never pile up behind one another; the line after the refused one is read by the
// first tick after the message has been closed.
void MainWindow::showRefusal(const QString &text)
{
    m_refusalOpen = true;
    const auto reset = qScopeGuard([&] { m_refusalOpen = false; });
    showMessage(text);
}

// Loads the first line of the file, read on its own, and correlates the buffer, also when
// nothing could be loaded (missing or empty file: no message).
void MainWindow::loadFirstRecord(const QString &path)
{
    QString line;
    skipOnError([&] { line = storage::readFirstLine(path); });
    skipOnError([&] { showRecord(line); });
    skipOnError([&] { correlate(); });
}

// Loading a snapshot: the port is closed, so that no new frame overwrites the loaded one, and a
// running playback ends ("||" selected, its file closed, its timer off), so that no later tick
// replaces the snapshot with a line of the recording.
void MainWindow::onLoadClicked(Snapshot snapshot)
{
    skipOnError([&] { m_port->setPortOpen(false); });
    endPlayback();
    loadFirstRecord(dataFile(storage::kSnapshotFiles[snapshot]));
}

void MainWindow::endPlayback()
{
    closeAllFiles();
    m_playbackTimer->stop();
    m_stopOption->setChecked(true);
}

// "RUN": the port is closed and the recording file is opened from its start; the timer then
// shows one record per second. A missing file opens nothing, and the first tick stops the timer.
void MainWindow::onRunSelected()
{
    skipOnError([&] { m_port->setPortOpen(false); });
    skipOnError([&] {
        if (!m_playback)
            m_playback = std::make_shared<PlaybackFile>();
        m_playback->reader.open(dataFile(storage::kRecordingFile));
    });
    m_playbackTimer->start();
}

// "RUN" clicked while it is selected: the port is closed and the timer switched on as at the
// first click, but the recording goes on from where it stands (at its end the next tick switches
// the timer off again): the recording stays open from "RUN" until "||", and playing it again from
// its start is what "||" and then "RUN" are for.
void MainWindow::onRunReselected()
{
    skipOnError([&] { m_port->setPortOpen(false); });
    m_playbackTimer->start();
}

// "||": stops rather than pauses. The playback file is closed; the timer is left alone, and its
// next tick finds no line and switches it off.
void MainWindow::onStopSelected()
{
    closeAllFiles();
}

// One playback step: the next line of the recording is parsed and correlated; no line (end of
// file, an empty line, the file closed by "||") switches the timer off. A refused line does not
// end playback. Nothing happens while a refusal message is open.
void MainWindow::playNextRecord()
{
    if (m_refusalOpen)
        return;
    QString line;
    skipOnError([&] {
        if (!m_playback)
            throw FileError("cannot read a line: no file is open");
        line = m_playback->reader.readLine();
    });
    if (line.isEmpty()) {
        m_playbackTimer->stop();
    } else {
        skipOnError([&] { showRecord(line); });
        skipOnError([&] { correlate(); });
    }
}

// The window holds one file open between calls: the recording file during playback. Every other
// file operation opens and closes its file within one call.
void MainWindow::closeAllFiles()
{
    if (m_playback)
        m_playback->reader.close();
}

} // namespace kurvomat
