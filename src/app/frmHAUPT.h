#pragma once

#include "acquisition/FrameDecoder.h"
#include "app/Seams.h"
#include "app/SharedState.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace kurvomat {

class MSChart;
class MSComm;
class PointField;

// The program's one window. It owns every control (public, under its own name, so that every
// procedure reaches it directly), the two components, the four timers and the shared
// measurement state (inherited, so the procedures use the variables by name).
//
// Procedures follow the error style of the program: the handlers marked "skip-on-error" run
// each statement through skipOnError()/testOnError(); the others let a failure pass to their
// caller. The member definitions live in the folder of their subsystem.
class frmHAUPT : public QWidget, public SharedState {
    Q_OBJECT

public:
    static constexpr const char *kAppTitle = "KURVOMAT";
    static constexpr int kVersionMajor = 1;
    static constexpr int kVersionMinor = 0;
    static constexpr int kVersionRevision = 21;

    explicit frmHAUPT(Environment environment, QWidget *parent = nullptr);
    ~frmHAUPT() override;

    [[nodiscard]] const Environment &environment() const { return m_env; }
    // Full path of a data file such as "AUSGABE_OSZI.txt" in the data folder.
    [[nodiscard]] QString dataFile(const QString &name) const;
    // The frame receiver's decoding state.
    [[nodiscard]] const acquisition::FrameDecoder &frameDecoder() const { return m_decoder; }

    // --- Controls -------------------------------------------------------------------------
    // "COM-PORT"
    QGroupBox *Frame2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Text_INPUT_BUFFER_COUNT = nullptr;
    QPushButton *Command22 = nullptr;
    QPushButton *Command23 = nullptr;
    MSComm *MSComm1 = nullptr;
    QTimer *Timer_DATEN = nullptr;
    // "SIMULATOR"
    QGroupBox *Frame9 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text_PEGEL_SIMULATION = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text_SIMULATION = nullptr;
    QPushButton *Command16 = nullptr;
    QPushButton *Command15 = nullptr;
    // "Kreuz-Korrelation"
    QGroupBox *Frame6 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text_PEGEL_REFERENZ = nullptr;
    QPushButton *Command24 = nullptr;
    QLineEdit *Text_ERGEBNIS = nullptr;
    QLineEdit *Text_ERGEBNIS_256 = nullptr;
    QLineEdit *TEXT_ERGEBNIS_PHASE = nullptr;
    // "Y-Achse"
    QGroupBox *Frame5 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QTimer *Timer_START = nullptr;
    QTimer *Timer_ANZEIGE = nullptr;
    // "X-Achse"
    QGroupBox *Frame4 = nullptr;
    QLineEdit *Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE = nullptr;
    QCheckBox *Check_AUTO = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command14 = nullptr;
    // Chart band and status line
    MSChart *MSChart1 = nullptr;
    QLineEdit *Text_WERT_MAX = nullptr;
    QLineEdit *Text_WERT_MIN = nullptr;
    QLineEdit *Text_ZEIT = nullptr;
    QLineEdit *Text_DATUM = nullptr;
    QLineEdit *Text_STATUS = nullptr;
    QLineEdit *Text_DIAGRAMM_ZAEHLER = nullptr;
    QPushButton *Command3 = nullptr;
    // EXIT
    QGroupBox *Frame1 = nullptr;
    QPushButton *Command5 = nullptr;
    QLabel *Label4 = nullptr;
    // "Aufnahme"
    QGroupBox *Frame8 = nullptr;
    QLineEdit *Text_ANZAHL = nullptr;
    QLineEdit *Text_GROESSE = nullptr;
    QPushButton *Option_ON = nullptr;
    QPushButton *Option_100 = nullptr;
    QPushButton *Option_OFF = nullptr;
    // "Wiedergabe"
    QGroupBox *Frame3 = nullptr;
    QPushButton *Option3 = nullptr;
    QPushButton *Option4 = nullptr;
    QTimer *Timer_WIEDERGABE = nullptr;
    // "Schnappschuss-save"
    QGroupBox *Frame7 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command19 = nullptr;
    QPushButton *Command18 = nullptr;
    // "Schnappschuss-load"
    QGroupBox *Frame10 = nullptr;
    QPushButton *Command17 = nullptr;
    QPushButton *Command20 = nullptr;
    QPushButton *Command21 = nullptr;
    // START/STOP
    QGroupBox *Frame11 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label5 = nullptr;

    // --- Event handlers -------------------------------------------------------------------
    // Application shell
    void Command5_Click();    // EXIT
    void Form_Unload();       // skip-on-error
    void Timer_START_Timer(); // skip-on-error
    // Port control and status display
    void Command1_Click();  // START/STOP, skip-on-error
    void Command22_Click(); // PORT, skip-on-error
    void Text2_DblClick();  // SETTINGS
    void Timer_ANZEIGE_Timer();
    // Frame receiver
    void Timer_DATEN_Timer(); // skip-on-error
    void Command23_Click();
    // Axis controls
    void Command2_Click();
    void Command4_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Command3_Click();
    void Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
    // Recording and snapshots
    void Command6_Click();
    void Command19_Click();
    void Command18_Click();
    // Loading and playback
    void Command17_Click(); // skip-on-error
    void Command20_Click(); // skip-on-error
    void Command21_Click(); // skip-on-error
    void Option3_Click();   // RUN, skip-on-error
    void Option4_Click();   // "||"
    void Timer_WIEDERGABE_Timer(); // skip-on-error
    // Analysis and simulation
    void Command24_Click();
    void Command16_Click();
    void Command15_Click(); // skip-on-error

    // --- Procedures -----------------------------------------------------------------------
    void DIAGRAMM_RESET();
    void DIAGRAMM_ZEICHNEN();
    void ABFRAGE_AUF_HDD_SPEICHERN(); // skip-on-error
    void AUF_HDD_SPEICHERN();
    void ANZAHL_DATENSAETZE_BEGRENZEN(); // skip-on-error
    void DATEN_VON_HDD_ZEILE_AUSWERTEN();
    void DATEN_VON_HDD_LADEN_EINZELN(); // skip-on-error
    void BERECHNUNG_REFERENZ_SIGNAL();
    void BERECHNUNG_KREUZ_KORRELATION();

    // Hands the texts kept by the per-point fields to their widgets now (they do so by
    // themselves at the next event-loop turn).
    void flushPointFields();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    void startTimers();
    // Runs an event handler. A failure that reaches it is shown in German: what could not be
    // done (`action`, e.g. "Das Zurücksetzen des Diagramms"), then the technical detail; the
    // window stays usable. The end of the program (ProgramEnded) passes quietly.
    void runGuarded(void (frmHAUPT::*handler)(), const QString &action);
    // Lets pending events run once, as the receiver and the sweep do in their midst; a failure
    // of it is skipped. Throws ProgramEnded when the window unloaded meanwhile (EXIT, or the
    // window closed), so that the procedure goes no further.
    void letEventsRun();
    // Message box with an OK button and the application's title as caption.
    void showMessage(const QString &text);
    // Closes every file the window holds open.
    void closeAllFiles();

    // The steps after a frame's last character, and the receiver timer's restart.
    void completeFrame();
    void restartReceiver();

    // Sets the X-axis length chosen by a preset or the entry, ends automatic mode and rebuilds
    // the chart.
    void chooseXLength(double length);

    Environment m_env;
    bool m_unloaded = false;
    acquisition::FrameDecoder m_decoder;
    // Running maximum, running minimum and point counter: their texts, kept per point.
    PointField *m_wertMax = nullptr;
    PointField *m_wertMin = nullptr;
    PointField *m_zaehler = nullptr;
    // A frequency sweep is under way (it lets events run, so a second click could arrive).
    bool m_sweepRunning = false;

    // --- Storage: snapshots and playback (storage/Recording.cpp, storage/Playback.cpp) -------
    // Serves one pending snapshot request: closes the port, replaces the snapshot file with the
    // current frame, clears the request and reports the outcome.
    void saveSnapshot(Boolean &request, const QString &fileName);
    // A load button: closes the port, ends any playback, loads the snapshot file.
    void loadSnapshot(const QString &fileName);
    // Closes the playback file, stops the playback timer and selects "||".
    void endPlayback();
    // A refusal message of the record reader, shown with m_refusalOpen set.
    void showRefusal(const QString &text);
    // The recording file that playback holds open between ticks (its own file, apart from
    // every other file operation); created at the first "RUN". A shared_ptr, since it can be
    // destroyed where the type is incomplete.
    struct PlaybackFile;
    std::shared_ptr<PlaybackFile> m_playback;
    // A refusal message of the record reader is open: playback ticks do nothing meanwhile.
    bool m_refusalOpen = false;
};

} // namespace kurvomat
