#pragma once

#include <QString>

// Names of the files the program keeps in its data folder.
namespace kurvomat::storage {

inline const QString kRecordingFile = QStringLiteral("AUSGABE_OSZI.txt");
// The previous generation of the recording, kept when the live file passes the size cap.
inline const QString kAgedRecordingFile = QStringLiteral("AUSGABE_OSZI_ALT.txt");
inline const QString kSnapshotA = QStringLiteral("AUSGABE_OSZI_A.txt");
inline const QString kSnapshotB = QStringLiteral("AUSGABE_OSZI_B.txt");
inline const QString kSnapshotC = QStringLiteral("AUSGABE_OSZI_C.txt");
inline const QString kSweepResultsFile =
    QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt");

} // namespace kurvomat::storage
