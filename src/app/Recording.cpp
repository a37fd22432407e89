// Recording control and snapshots: after each complete frame the storage decision appends the
// frame to the recording file (unlimited, limited to the newest 100 records, or not at all),
// shows the file's size and the record counter, and serves pending snapshot requests.
#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "core/Errors.h"
#include "core/SkipOnError.h"
#include "storage/DataFiles.h"
#include "storage/RecordFile.h"
#include "storage/RecordFormat.h"
#include "text/TextRules.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace kurvomat {

namespace {

// The record of the current frame: the shared state at this moment and the clock's date, time
// and hundredths. Throws when the state cannot be written as a record (see formatRecord).
QByteArray currentRecord(const frmHAUPT &w)
{
    const Clock &clock = *w.environment().clock;
    return storage::formatRecord(w.DATENSATZ_ZAEHLER, w.ERGEBNIS, w.DIAGRAMM_MAX_ANZ_DATENPUNKTE,
                                 w.DATENPUNKTE.span(), clock.currentDate(), clock.currentTime(),
                                 clock.secondsSinceMidnight());
}

} // namespace

// Snapshot requests: each only marks that the next complete frame is to be kept in its file.
void frmHAUPT::Command6_Click()
{
    SPEICHERN_A = kTrue;
}

void frmHAUPT::Command19_Click()
{
    SPEICHERN_B = kTrue;
}

void frmHAUPT::Command18_Click()
{
    SPEICHERN_C = kTrue;
}

// The storage step of one complete frame, in the skip-on-error style: limit (mode "100"), record
// (modes "on" and "100"), then snapshots A, B and C in this order. The first frame after start-up
// only brings the counter from -1 to 0 and is not written.
void frmHAUPT::ABFRAGE_AUF_HDD_SPEICHERN()
{
    if (testOnError([&] { return Option_100->isChecked(); })) {
        skipOnError([&] { DATEI_NAME = dataFile(storage::kRecordingFile); });
        skipOnError([&] { ANZAHL_DATENSAETZE_BEGRENZEN(); });
    }
    if (testOnError([&] { return !Option_OFF->isChecked(); })) {
        skipOnError([&] { DATEI_NAME = dataFile(storage::kRecordingFile); });
        skipOnError([&] { DATENSATZ_ZAEHLER = DATENSATZ_ZAEHLER + 1; });
        if (testOnError([&] { return DATENSATZ_ZAEHLER > 0; }))
            skipOnError([&] { AUF_HDD_SPEICHERN(); });
        // A missing file (none yet, or just moved aside at the cap) keeps the previous text.
        skipOnError([&] {
            Text_GROESSE->setText(text::formatPattern(
                static_cast<double>(storage::fileSize(DATEI_NAME)) / 1'000'000.0, u"0.000 Mb"));
        });
        skipOnError([&] { Text_ANZAHL->setText(text::doubleText(DATENSATZ_ZAEHLER)); });
    }
    saveSnapshot(SPEICHERN_A, storage::kSnapshotA);
    saveSnapshot(SPEICHERN_B, storage::kSnapshotB);
    saveSnapshot(SPEICHERN_C, storage::kSnapshotC);
}

// A pending snapshot: the port is closed (reception resumes only when the user starts it
// again), the frame replaces the snapshot file as its only record, the request is cleared, and
// the user is told "gespeichert" - or, when the file could not be written, that the snapshot
// was not saved, with the file and the reason. The old snapshot then stays as it was.
void frmHAUPT::saveSnapshot(Boolean &request, const QString &fileName)
{
    if (!testOnError([&] { return request == kTrue; }))
        return;
    skipOnError([&] { MSComm1->setPortOpen(false); });
    skipOnError([&] { DATEI_NAME = dataFile(fileName); });
    QString failure;
    try {
        storage::replaceFile(DATEI_NAME, currentRecord(*this));
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    request = kFalse;
    skipOnError([&] {
        if (failure.isEmpty()) {
            showMessage(QStringLiteral("gespeichert"));
        } else {
            m_env.dialogs->warning(this,
                                   QStringLiteral("Schnappschuss nicht gespeichert:\n%1\n%2")
                                       .arg(QDir::toNativeSeparators(DATEI_NAME), failure),
                                   QString::fromLatin1(kAppTitle));
        }
    });
}

// Appends the current frame as one record to the file named by DATEI_NAME. A file that has
// grown past the size cap with it is moved aside as the older generation (replacing an older
// one), so the next record starts a new file and no record is lost; Text_GROESSE turns light
// red for the rest of the run. Failures pass to the caller.
void frmHAUPT::AUF_HDD_SPEICHERN()
{
    storage::appendLine(DATEI_NAME, currentRecord(*this));
    if (storage::moveAsideWhenFull(DATEI_NAME, dataFile(storage::kAgedRecordingFile)))
        setBackColor(Text_GROESSE, colours::kLightRed);
}

// Keeps the newest 99 lines of the file named by DATEI_NAME (less empty ones), so that the
// record appended next makes 100. The file is replaced in one step and stays as it was on any
// failure; DATEI_ZEILE receives the last line read.
void frmHAUPT::ANZAHL_DATENSAETZE_BEGRENZEN()
{
    skipOnError([&] { storage::keepNewestLines(DATEI_NAME, &DATEI_ZEILE); });
}

} // namespace kurvomat
