// Procedures whose subsystems are still to be built. Each is replaced by its real definition
// in the folder of its subsystem.
#include "app/frmHAUPT.h"

namespace kurvomat {

void frmHAUPT::Timer_DATEN_Timer() {}
void frmHAUPT::Command23_Click() {}
void frmHAUPT::completeFrame() {}
void frmHAUPT::restartReceiver() {}
void frmHAUPT::Command6_Click() {}
void frmHAUPT::Command19_Click() {}
void frmHAUPT::Command18_Click() {}
void frmHAUPT::Command17_Click() {}
void frmHAUPT::Command20_Click() {}
void frmHAUPT::Command21_Click() {}
void frmHAUPT::Option3_Click() {}
void frmHAUPT::Option4_Click() {}
void frmHAUPT::Timer_WIEDERGABE_Timer() {}
void frmHAUPT::ABFRAGE_AUF_HDD_SPEICHERN() {}
void frmHAUPT::AUF_HDD_SPEICHERN() {}
void frmHAUPT::ANZAHL_DATENSAETZE_BEGRENZEN() {}
void frmHAUPT::DATEN_VON_HDD_ZEILE_AUSWERTEN() {}
void frmHAUPT::DATEN_VON_HDD_LADEN_EINZELN() {}
void frmHAUPT::closeAllFiles() {}

} // namespace kurvomat
