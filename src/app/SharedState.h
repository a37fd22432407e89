#pragma once

#include "core/FixedArray.h"

#include <QString>

#include <cstdint>

namespace kurvomat {

// Truth values are 16-bit integers: True is -1, False is 0, and they are tested against -1.
using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

// The measurement state every procedure of the window reads and writes by name. Everything
// starts as 0, False, the empty text or all-zero arrays; the start-up sequence gives PI,
// DIAGRAMM_MAX_ANZ_DATENPUNKTE and DATENSATZ_ZAEHLER their working values.
struct SharedState {
    // Sample buffer: samples 1..N of the current frame, record line or simulated signal.
    // Never cleared: a shorter set overwrites only its own elements.
    FixedArray<std::int16_t, 0, 1100> DATENPUNKTE;
    // X-axis length N: rows of the chart, samples stored and correlated. Kept within 1..1000.
    double DIAGRAMM_MAX_ANZ_DATENPUNKTE = 0;
    // Value the next DIAGRAMM_ZEICHNEN adds to the chart.
    double DIAGRAMM_WERT = 0;
    // Points drawn since the last DIAGRAMM_RESET.
    std::int16_t DIAGRAMM_ZAEHLER = 0;

    // Storage: the file the storage procedures open next and the line last read.
    QString DATEI_NAME;
    QString DATEI_ZEILE;
    // Frames counted for the record file; a frame is written only while it is above 0.
    double DATENSATZ_ZAEHLER = 0;
    // Pending snapshot requests, served by the next complete frame.
    Boolean SPEICHERN_A = kFalse;
    Boolean SPEICHERN_B = kFalse;
    Boolean SPEICHERN_C = kFalse;

    // Analysis and simulation.
    double PI = 0;
    double PEGEL_REFERENZ = 0;
    // The reference sine: elements 1..2N are filled, element 0 is never written.
    FixedArray<std::int16_t, 0, 2100> REFERENZ_SIGNAL;
    // Largest correlation sum of the last computation and the shift (1..N) where it was found.
    double ERGEBNIS = 0;
    std::int16_t ERGEBNIS_PHASE = 0;
    double PEGEL_SIMULATION = 0;
    double FREQUENZ_SIMULATION = 0;
    // ERGEBNIS of each frequency-sweep step, by step number from 1.
    FixedArray<double, 0, 1100> ERGEBNIS_LISTE;
};

} // namespace kurvomat
