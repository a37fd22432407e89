// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/FrameDecoder.h"
#include "app/MeasurementState.h"
#include "app/Seams.h"

#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
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
class OptionButton;
class PointField;

// The program's one window. It owns every control, the serial port, the chart, the four timers
// and the measurement state. Each control carries its identifier as objectName
// ("Command1", "Text_STATUS", ...), by which tests and automation find it.
//
// Error style: the handlers and procedures documented as "skip-on-error" run each statement that
// can fail through skipOnError()/testOnError() (a failing condition counts as true); the others
// let a failure pass to their caller, and a failure that reaches a handler is told to the user.
// The members are defined in files by band or duty: MainWindow.cpp (controls, layout, ending),
// StartUp.cpp, PortControls.cpp, FrameReception.cpp, ChartDrawing.cpp, AxisControls.cpp,
// Recording.cpp, Playback.cpp, CorrelationDisplay.cpp, Simulator.cpp, ChartExport.cpp.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr const char *kAppTitle = "KURVOMAT";

    explicit MainWindow(Environment environment, QWidget *parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] const Environment &environment() const { return m_env; }
    // Full path of a data file such as "AUSGABE_OSZI.txt" in the data folder.
    [[nodiscard]] QString dataFile(const QString &name) const;

    // The measurement state, for the tests' set-up and checks.
    [[nodiscard]] MeasurementState &state() { return m_state; }
    [[nodiscard]] const MeasurementState &state() const { return m_state; }
    // The frame receiver's decoding state.
    [[nodiscard]] const acquisition::FrameDecoder &frameDecoder() const { return m_decoder; }

    // --- What the timers run (public, so tests can run a tick at a chosen moment) ----------
    // First tick of the start-up timer: PI, title, X length 1000, chart, record counter -1, one
    // simulated oscillation, the port opened. Skip-on-error; runs once.
    void startUp();
    // Tick of the receive timer: reads the waiting characters until one frame is complete or
    // none is left, and hands a complete frame on. Skip-on-error.
    void pollPort();
    // Tick of the status timer: X length, port state in caption and colours, port text.
    void refreshStatus();
    // Tick of the playback timer: the next record of the recording, or the end. Skip-on-error.
    void playNextRecord();

    // --- Drawing, storage and correlation of the sample set -------------------------------
    // Clears the chart to xLength rows, labelled at every hundredth row up to 1000, and
    // restarts the point count and the extremes.
    void resetChart();
    // Draws `value` as the next point: count, counter text, automatic X length and extremes
    // first, then the chart.
    void drawPoint(double value);
    // The storage step of a complete frame: trimming (mode "100"), the record (modes "on" and
    // "100"), then the pending snapshots A, B, C. Skip-on-error.
    void storeFrame();
    // Correlates samples 1..N against the reference sine and shows the results.
    void correlate();
    // Hands the texts kept by the per-point fields to their widgets now (they do so by
    // themselves at the next event-loop turn).
    void flushPointFields();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum Snapshot { kSnapshotA, kSnapshotB, kSnapshotC };

    void createControls();
    void connectHandlers();
    // Keyboard operation: Tab walks the controls band by band, left to right, and enters an
    // option group at its selected option; the arrow keys move within the group.
    void arrangeKeyboardOrder();
    // The chart's context menu: "Bild speichern…" and "Kopieren".
    void createChartMenu();
    void startTimers();
    // The double-click or Enter on a field that opens its entry (the port settings, the X-axis
    // length); false for any other object.
    bool openEntry(QObject *field);
    // Runs an event handler. A failure that reaches it is shown in German: what could not be
    // done (`action`, e.g. "Das Zurücksetzen des Diagramms"), then the technical detail; the
    // window stays usable. The end of the program (ProgramEnded) passes quietly.
    void runGuarded(const std::function<void()> &handler, const QString &action);
    // Lets pending events run once, as the receiver and the sweep do in their midst; a failure
    // of it is skipped. Throws ProgramEnded when the window unloaded meanwhile (EXIT, or the
    // window closed), so that the procedure goes no further.
    void letEventsRun();
    // Message box with an OK button and the application's title as caption.
    void showMessage(const QString &text);
    // Warning box with the application's title as caption.
    void showWarning(const QString &text);

    // --- Handlers ------------------------------------------------------------------------
    // Ending: EXIT unloads the window and ends the program; unloading (also by closing the
    // window) closes the port and every file and stops every timer. Unloading is skip-on-error.
    void onExitClicked();
    void unload();
    // Port: START/STOP and PORT are skip-on-error; SETTINGS reports what it cannot do.
    void onStartClicked();
    void onPortClicked();
    void onSettingsDoubleClicked();
    void onProtocolHelpClicked();
    // X axis (the presets call chooseXLength).
    void onResetClicked();
    void onXLengthDoubleClicked();
    // Snapshots and playback; loading and RUN are skip-on-error. The option handlers run when
    // their option becomes selected, by whatever means; onRunReselected() on a click of the
    // "RUN" already selected.
    void onSaveClicked(Snapshot snapshot);
    void onLoadClicked(Snapshot snapshot);
    void onRunSelected();
    void onRunReselected();
    void onStopSelected();
    // Analysis and simulation; the sweep is skip-on-error.
    void onCorrelationHelpClicked();
    void onSingleClicked();
    void onSweepClicked();
    // The chart's picture: the file dialog, then the file (PNG or SVG by its name).
    void onSavePictureChosen();

    // --- Procedures ----------------------------------------------------------------------
    // The steps after a frame's last character, and the receive timer's restart.
    void completeFrame();
    void restartReceiver();
    // Between frames: see restReceiver() in the receiver's source.
    void restReceiver();
    void onInputArrived();
    // Sets the X-axis length chosen by a preset or the entry, ends automatic mode and rebuilds
    // the chart.
    void chooseXLength(double length);
    // The current frame as a record line, dated now.
    [[nodiscard]] QByteArray currentRecord() const;
    // Appends the current frame as a record to `path` and gives the file's size after it; moves
    // a file past the size cap aside (no size then).
    std::optional<qint64> appendRecord(const QString &path);
    // Serves one pending snapshot request: closes the port, replaces the snapshot file with the
    // current frame, clears the request and reports the outcome.
    void saveSnapshot(Snapshot snapshot);
    // Loads the first line of `path` and correlates. Skip-on-error.
    void loadFirstRecord(const QString &path);
    // Shows a record line: date, time, X length, samples drawn one by one.
    void showRecord(const QString &line);
    // A refusal message of the record reader, shown with m_refusalOpen set.
    void showRefusal(const QString &text);
    // Closes the playback file, stops the playback timer and selects "||".
    void endPlayback();
    // Closes every file the window holds open.
    void closeAllFiles();
    // Two periods of the reference sine for the current X length and reference level.
    void buildReference();

    Environment m_env;
    MeasurementState m_state;
    acquisition::FrameDecoder m_decoder;
    bool m_unloaded = false;
    // A frequency sweep is under way (it lets events run, so a second click could arrive).
    bool m_sweepRunning = false;
    // The recording file that playback holds open between ticks (its own file, apart from
    // every other file operation); created at the first "RUN". A shared_ptr, since it can be
    // destroyed where the type is incomplete.
    struct PlaybackFile;
    std::shared_ptr<PlaybackFile> m_playback;
    // A refusal message of the record reader is open: playback ticks do nothing meanwhile.
    bool m_refusalOpen = false;

    // --- Controls, by band -----------------------------------------------------------------
    // "COM-PORT"
    QGroupBox *m_portFrame = nullptr;
    QLineEdit *m_portText = nullptr;
    QLabel *m_waitingLabel = nullptr;
    QLineEdit *m_waitingField = nullptr;
    QPushButton *m_portButton = nullptr;
    QPushButton *m_protocolHelpButton = nullptr;
    MSComm *m_port = nullptr;
    QTimer *m_receiveTimer = nullptr;
    // The receive timer's clock: when its last tick began, and whether it rests (ticks
    // seldom) until bytes arrive.
    std::chrono::steady_clock::time_point m_lastPoll;
    bool m_receiverResting = false;
    // "SIMULATOR"
    QGroupBox *m_simulatorFrame = nullptr;
    QLabel *m_simulationLevelLabel = nullptr;
    QLineEdit *m_simulationLevelField = nullptr;
    QLabel *m_simulationFactorLabel = nullptr;
    QLineEdit *m_simulationFactorField = nullptr;
    QPushButton *m_singleButton = nullptr;
    QPushButton *m_sweepButton = nullptr;
    // "Kreuz-Korrelation"
    QGroupBox *m_correlationFrame = nullptr;
    QLabel *m_referenceLevelLabel = nullptr;
    QLineEdit *m_referenceLevelField = nullptr;
    QPushButton *m_correlationHelpButton = nullptr;
    QLineEdit *m_maximumField = nullptr;
    QLineEdit *m_maximum256Field = nullptr;
    QLineEdit *m_shiftField = nullptr;
    // "Y-Achse"
    QGroupBox *m_yAxisFrame = nullptr;
    QRadioButton *m_signedOption = nullptr;
    QRadioButton *m_unsignedOption = nullptr;
    QTimer *m_startUpTimer = nullptr;
    QTimer *m_statusTimer = nullptr;
    // "X-Achse"
    QGroupBox *m_xAxisFrame = nullptr;
    QLineEdit *m_xLengthField = nullptr;
    QCheckBox *m_autoXCheck = nullptr;
    std::array<QPushButton *, 10> m_presetButtons{}; // 100 .. 1000
    // Chart band and status line
    MSChart *m_chart = nullptr;
    QLineEdit *m_maxField = nullptr;
    QLineEdit *m_minField = nullptr;
    QLineEdit *m_timeField = nullptr;
    QLineEdit *m_dateField = nullptr;
    QLineEdit *m_statusField = nullptr;
    QLineEdit *m_counterField = nullptr;
    QPushButton *m_resetButton = nullptr;
    // Running maximum, running minimum and point counter: their texts, kept per point.
    PointField *m_maxText = nullptr;
    PointField *m_minText = nullptr;
    PointField *m_counterText = nullptr;
    // EXIT
    QGroupBox *m_exitFrame = nullptr;
    QPushButton *m_exitButton = nullptr;
    QLabel *m_exitRim = nullptr;
    // "Aufnahme"
    QGroupBox *m_recordingFrame = nullptr;
    QLineEdit *m_recordCountField = nullptr;
    QLineEdit *m_fileSizeField = nullptr;
    QPushButton *m_recordAllOption = nullptr;
    QPushButton *m_record100Option = nullptr;
    QPushButton *m_recordOffOption = nullptr;
    // "Wiedergabe"
    QGroupBox *m_playbackFrame = nullptr;
    OptionButton *m_runOption = nullptr;
    QPushButton *m_stopOption = nullptr;
    QTimer *m_playbackTimer = nullptr;
    // "Schnappschuss-save" and "Schnappschuss-load": A, B, C
    QGroupBox *m_snapshotSaveFrame = nullptr;
    std::array<QPushButton *, 3> m_saveButtons{};
    QGroupBox *m_snapshotLoadFrame = nullptr;
    std::array<QPushButton *, 3> m_loadButtons{};
    // START/STOP
    QGroupBox *m_startFrame = nullptr;
    QPushButton *m_startButton = nullptr;
    QLabel *m_startRim = nullptr;
};

} // namespace kurvomat
