// SPDX-License-Identifier: GPL-3.0-or-later
// Recording control and snapshots: after each complete frame the storage decision appends the
// frame to the recording file (unlimited, limited to the newest 100 records, or not at all),
// shows the file's size and the record counter, and serves pending snapshot requests.
#include "acquisition/MSComm.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Errors.h"
#include "core/SkipOnError.h"
#include "storage/DataFiles.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "text/NumberWriting.h"
#include "text/PatternFormat.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace kurvomat {

// The record of the current frame: the state at this moment and the clock's date, time and
// hundredths. Throws when the state cannot be written as a record (see formatRecord).
QByteArray MainWindow::currentRecord() const
{
    const Clock &clock = *m_env.clock;
    return storage::formatRecord(m_state.recordCounter, m_state.correlationMaximum, m_state.xLength,
                                 m_state.samples.span(), clock.currentDate(), clock.currentTime(),
                                 clock.secondsSinceMidnight());
}

// A snapshot request only marks that the next complete frame is to be kept in its file.
void MainWindow::onSaveClicked(Snapshot snapshot)
{
    m_state.snapshotRequests[snapshot] = true;
}

// The storage step of one complete frame, in the skip-on-error style: limit (mode "100"), record
// (modes "on" and "100"), then snapshots A, B and C in this order. The first frame after start-up
// only brings the counter from -1 to 0 and is not written.
void MainWindow::storeFrame()
{
    const QString recording = dataFile(storage::kRecordingFile);
    if (m_record100Option->isChecked()) {
        // The newest 99 lines (less empty ones) stay, so the record appended next makes 100.
        // The file is replaced in one step and stays as it was on any failure.
        skipOnError([&] { storage::keepNewestLines(recording); });
    }
    if (!m_recordOffOption->isChecked()) {
        m_state.recordCounter = m_state.recordCounter + 1;
        std::optional<qint64> size; // the file's, as the record just appended left it
        if (m_state.recordCounter > 0)
            skipOnError([&] { size = appendRecord(recording); });
        // A missing file (none yet, or just moved aside at the cap) keeps the previous text.
        skipOnError([&] {
            const qint64 bytes = size ? *size : storage::fileSize(recording);
            setFieldText(
                m_fileSizeField,
                text::formatPattern(static_cast<double>(bytes) / 1'000'000.0, u"0.000 Mb"));
        });
        setFieldText(m_recordCountField, text::doubleText(m_state.recordCounter));
    }
    for (const Snapshot snapshot : {kSnapshotA, kSnapshotB, kSnapshotC})
        saveSnapshot(snapshot);
}

// A pending snapshot: the port is closed (reception resumes only when the user starts it
// again), the frame replaces the snapshot file as its only record, the request is cleared, and
// the user is told "gespeichert" - or, when the file could not be written, that the snapshot
// was not saved, with the file and the reason. The old snapshot then stays as it was.
void MainWindow::saveSnapshot(Snapshot snapshot)
{
    if (!m_state.snapshotRequests[snapshot])
        return;
    skipOnError([&] { m_port->setPortOpen(false); });
    const QString path = dataFile(storage::kSnapshotFiles[snapshot]);
    QString failure;
    try {
        storage::replaceFile(path, currentRecord());
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    m_state.snapshotRequests[snapshot] = false;
    if (failure.isEmpty()) {
        showMessage(QStringLiteral("gespeichert"));
    } else {
        showWarning(QStringLiteral("Schnappschuss nicht gespeichert:\n%1\n%2")
                        .arg(QDir::toNativeSeparators(path), failure));
    }
}

// Appends the current frame as one record to the file and returns the file's size after it. A
// file that has grown past the size cap with it is moved aside as the older generation
// (replacing an older one in one step), so the next record starts a new file and no record is
// lost; the size field turns light red for the rest of the run, and there is no file to give a
// size of (nothing). Failures pass to the caller.
std::optional<qint64> MainWindow::appendRecord(const QString &path)
{
    const qint64 size = storage::appendLine(path, currentRecord());
    if (storage::moveAsideWhenFull(path, dataFile(storage::kAgedRecordingFile), size)) {
        setBackColor(m_fileSizeField, colours::kLightRed);
        return std::nullopt;
    }
    return size;
}

} // namespace kurvomat
