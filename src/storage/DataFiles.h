// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>

// Names of the files the program keeps in its data folder.
namespace kurvomat::storage {

inline const QString kRecordingFile = QStringLiteral("AUSGABE_OSZI.txt");
// The previous generation of the recording, kept when the live file passes the size cap.
inline const QString kAgedRecordingFile = QStringLiteral("AUSGABE_OSZI_ALT.txt");
// The snapshot files A, B and C.
inline const std::array<QString, 3> kSnapshotFiles = {QStringLiteral("AUSGABE_OSZI_A.txt"),
                                                      QStringLiteral("AUSGABE_OSZI_B.txt"),
                                                      QStringLiteral("AUSGABE_OSZI_C.txt")};
inline const QString kSweepResultsFile =
    QStringLiteral("AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt");

} // namespace kurvomat::storage
