// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/WindowIcon.h"
#include "core/SkipOnError.h"
#include "display/MSChart.h"
#include "display/PointField.h"
#include "display/RefreshPacer.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace kurvomat {

namespace {

// Layout positions are given in twips; the window works at 15 twips per pixel.
constexpr int px(int twips)
{
    return twips / 15;
}

QFont sansFont(double points, bool bold)
{
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Names a control for code and tests (its identifier is its object name) and describes it for
// assistive technology by its tool tip. What assistive technology announces as the name is what
// a sighted user reads: Qt takes the caption of a button, option, check box, frame or label
// itself and follows it when it changes (START/STOP), so only a control without a caption is
// given a name, `spoken`.
template <typename W>
W *named(W *widget, const char *name, const QString &toolTip, const QString &spoken = QString())
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!spoken.isEmpty())
        widget->setAccessibleName(spoken);
    if (!toolTip.isEmpty()) {
        widget->setToolTip(toolTip);
        widget->setAccessibleDescription(toolTip);
    }
    return widget;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, int left, int top,
                 int width, int height)
{
    auto *box = named(new Band(caption, parent), name, QString());
    box->setGeometry(px(left), px(top), px(width), px(height));
    box->setFont(sansFont(8.25, true));
    return box;
}

// A field is announced by its purpose: its tool tip (trailing blanks dropped), or `spoken` where it
// has none; a field with a label before it is announced by the label (labelled()).
QLineEdit *textField(QWidget *parent, const char *name, const QString &text, const QString &toolTip,
                     QRect geometry, bool centred = true, const QString &spoken = QString())
{
    auto *field = named(new TextField(text, parent), name, toolTip,
                        spoken.isEmpty() ? toolTip.trimmed() : spoken);
    field->setGeometry(geometry);
    field->setFont(sansFont(8.25, false));
    field->setAlignment(centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    field->setCursorPosition(0);
    setBackColor(field, colours::kWhite);
    return field;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *lbl = named(new QLabel(text, parent), name, QString());
    lbl->setGeometry(geometry);
    lbl->setFont(sansFont(8.25, false));
    return lbl;
}

// The label before a field names it ("Pegel:" announces the field as "Pegel") and is linked to
// it, so assistive technology reports the pair.
void labelled(QLineEdit *field, QLabel *label)
{
    label->setBuddy(field);
    QString text = label->text().trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    field->setAccessibleName(text);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption,
                    const QString &toolTip, QRect geometry, const QFont &font)
{
    auto *btn = named(new QPushButton(caption, parent), name, toolTip);
    btn->setGeometry(geometry);
    btn->setFont(font);
    btn->setAutoDefault(false);
    return btn;
}

// An option button drawn as a button that stays pressed while selected; the option buttons
// of one frame exclude each other.
OptionButton *pushOption(QWidget *parent, const char *name, const QString &caption,
                         const QString &toolTip, QRect geometry, const QFont &font)
{
    auto *btn = named(new OptionButton(caption, parent), name, toolTip);
    btn->setGeometry(geometry);
    btn->setFont(font);
    btn->setCheckable(true);
    btn->setAutoExclusive(true);
    return btn;
}

QLineEdit *overlayField(QWidget *parent, const char *name, const QString &text,
                        const QString &toolTip, QRect geometry, double points, const QColor &back,
                        const QString &spoken = QString())
{
    auto *field = textField(parent, name, text, toolTip, geometry, true, spoken);
    field->setFont(sansFont(points, true));
    setBackColor(field, back);
    setForeColor(field, colours::kYellow);
    return field;
}

QTimer *timer(QObject *parent, const char *name, int intervalMs)
{
    auto *t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(intervalMs);
    t->setTimerType(Qt::PreciseTimer);
    return t;
}

} // namespace

MainWindow::MainWindow(Environment environment, QWidget *parent)
    : QWidget(parent)
    , m_env(std::move(environment))
{
    // Announced by its title, which Qt follows when start-up sets the version into it.
    setObjectName(QStringLiteral("frmHAUPT"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(makeWindowIcon());
    // Client area; the border is sizable, but no control moves or grows with the window.
    resize(px(12690), px(8715));
    setFont(sansFont(8.25, false));
    setBackColor(this, colours::kGrey);

    createControls();
    connectHandlers();
    new PaintPacer(this);
    if (m_env.runTimers)
        startTimers();
}

MainWindow::~MainWindow()
{
    // Leaving the window always releases the port and the files, even without a close event.
    if (!m_unloaded)
        unload();
}

QString MainWindow::dataFile(const QString &name) const
{
    return QDir(m_env.dataFolder).filePath(name);
}

void MainWindow::createControls()
{
    const QFont regular = sansFont(8.25, false);
    const QFont bold = sansFont(8.25, true);

    // --- Top band ---------------------------------------------------------------------
    m_portFrame = frame(this, "Frame2", QStringLiteral("COM-PORT"), 45, 0, 1995, 1095);
    m_portText =
        textField(m_portFrame, "Text2", QString(), QStringLiteral("Settings"), {6, 16, 121, 19});
    m_waitingLabel = label(m_portFrame, "Label6", QStringLiteral("Daten:"), {5, 46, 38, 16});
    m_waitingField = textField(m_portFrame, "Text_INPUT_BUFFER_COUNT", QStringLiteral("-"),
                               QStringLiteral("Daten im Puffer"), {44, 44, 30, 19});
    setBackColor(m_waitingField, colours::kGrey);
    labelled(m_waitingField, m_waitingLabel);
    m_portButton = button(m_portFrame, "Command22", QStringLiteral("PORT"),
                          QStringLiteral("Porteinstellungen"), {76, 43, 36, 21}, regular);
    m_protocolHelpButton = button(m_portFrame, "Command23", QStringLiteral("?"),
                                  QStringLiteral("Hilfe"), {114, 43, 15, 21}, regular);
    m_port = m_env.makePort ? m_env.makePort(this) : new MSComm(this);
    m_port->setObjectName(QStringLiteral("MSComm1"));
    if (m_env.serialDevice)
        m_port->setDeviceResolver(m_env.serialDevice);
    m_receiveTimer = timer(this, "Timer_DATEN", 10);

    m_simulatorFrame = frame(this, "Frame9", QStringLiteral("SIMULATOR"), 2610, 0, 1950, 1140);
    m_simulationLevelLabel =
        label(m_simulatorFrame, "Label2", QStringLiteral("Pegel:"), {5, 17, 55, 16});
    m_simulationLevelField =
        textField(m_simulatorFrame, "Text_PEGEL_SIMULATION", QStringLiteral("127"),
                  QStringLiteral("Pegel"), {61, 15, 63, 18});
    m_simulationFactorLabel =
        label(m_simulatorFrame, "Label1", QStringLiteral("Frequenz:"), {5, 36, 55, 16});
    m_simulationFactorField = textField(m_simulatorFrame, "Text_SIMULATION", QStringLiteral("1.0"),
                                        QStringLiteral("Frequenz-Faktor"), {61, 34, 63, 18});
    labelled(m_simulationLevelField, m_simulationLevelLabel);
    labelled(m_simulationFactorField, m_simulationFactorLabel);
    m_singleButton = button(m_simulatorFrame, "Command16", QStringLiteral("einzel"),
                            QStringLiteral("einzel Schwingung"), {5, 54, 48, 19}, regular);
    m_sweepButton =
        button(m_simulatorFrame, "Command15", QStringLiteral("0,01...10"),
               QStringLiteral("Schwingung im Bereich 0,01 bis 10 "), {55, 54, 69, 19}, regular);

    m_correlationFrame =
        frame(this, "Frame6", QStringLiteral("Kreuz-Korrelation"), 4725, 0, 1770, 1140);
    m_referenceLevelLabel =
        label(m_correlationFrame, "Label3", QStringLiteral("Pegel:"), {6, 17, 34, 16});
    m_referenceLevelField =
        textField(m_correlationFrame, "Text_PEGEL_REFERENZ", QStringLiteral("127"),
                  QStringLiteral("Pegel"), {40, 15, 52, 18});
    labelled(m_referenceLevelField, m_referenceLevelLabel);
    m_correlationHelpButton = button(m_correlationFrame, "Command24", QStringLiteral("?"),
                                     QStringLiteral("Hilfe"), {95, 15, 17, 18}, regular);
    m_maximumField = textField(m_correlationFrame, "Text_ERGEBNIS", QString(),
                               QStringLiteral("Ergebnis der Kreutzkorrelation"), {6, 35, 106, 18});
    m_maximum256Field =
        textField(m_correlationFrame, "Text_ERGEBNIS_256", QString(),
                  QStringLiteral("Ergebnis der Kreutzkorrelation / 256"), {6, 55, 60, 18});
    m_shiftField =
        textField(m_correlationFrame, "TEXT_ERGEBNIS_PHASE", QString(),
                  QStringLiteral("Phase bei Maximum Kreutzkorrelation"), {68, 55, 44, 18});
    for (QLineEdit *field : {m_maximumField, m_maximum256Field, m_shiftField})
        setBackColor(field, colours::kGrey);

    m_yAxisFrame = frame(this, "Frame5", QStringLiteral("Y-Achse"), 7425, 0, 2400, 1140);
    m_signedOption = named(new QRadioButton(QStringLiteral("-128 ... +127"), m_yAxisFrame),
                           "Option1", QStringLiteral("Y-ACHSE"));
    m_signedOption->setGeometry(10, 20, 140, 20);
    m_signedOption->setFont(regular);
    m_signedOption->setChecked(true);
    m_unsignedOption = named(new QRadioButton(QStringLiteral("0      ... +256"), m_yAxisFrame),
                             "Option2", QStringLiteral("Y-ACHSE"));
    m_unsignedOption->setGeometry(10, 44, 140, 20);
    m_unsignedOption->setFont(regular);
    m_startUpTimer = timer(this, "Timer_START", 1);
    m_statusTimer = timer(this, "Timer_ANZEIGE", 100);

    m_xAxisFrame = frame(this, "Frame4", QStringLiteral("X-Achse"), 10080, 0, 2535, 1140);
    m_xLengthField = textField(m_xAxisFrame, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE", QString(),
                               QStringLiteral("X-ACHSE"), {6, 15, 50, 18}, false);
    setBackColor(m_xLengthField, colours::kGrey);
    m_autoXCheck = named(new QCheckBox(QStringLiteral("automatisch"), m_xAxisFrame), "Check_AUTO",
                         QStringLiteral("automatisches X-Achsenraster"));
    m_autoXCheck->setGeometry(62, 15, 100, 18);
    m_autoXCheck->setFont(regular);
    m_autoXCheck->setChecked(true);
    // Presets 100 .. 1000 in two rows of five; their identifiers are not in numeric order.
    const char *const presetNames[10] = {"Command2",  "Command4",  "Command7",  "Command8",
                                         "Command9",  "Command10", "Command11", "Command12",
                                         "Command13", "Command14"};
    for (int i = 0; i < 10; ++i) {
        const int column = i % 5;
        const int row = i / 5;
        m_presetButtons[std::size_t(i)] =
            button(m_xAxisFrame, presetNames[i], QString::number(100 * (i + 1)), QString(),
                   {3 + column * 33, 36 + row * 19, 32, 18}, regular);
    }

    // --- Chart band and status line ------------------------------------------------------
    m_chart = new MSChart(this);
    m_chart->setObjectName(QStringLiteral("MSChart1"));
    m_chart->setAccessibleName(QStringLiteral("Messkurve"));
    m_chart->setGeometry(px(90), px(1215), px(12510), px(6705));

    m_maxField =
        overlayField(this, "Text_WERT_MAX", QStringLiteral("000"), QStringLiteral("MAXIMUM"),
                     {px(1575), px(1710), 64, 22}, 9.75, colours::kTeal);
    m_minField =
        overlayField(this, "Text_WERT_MIN", QStringLiteral("000"), QStringLiteral("MINIMUM"),
                     {px(1575), px(6615), 64, 22}, 9.75, colours::kTeal);
    m_timeField =
        overlayField(this, "Text_ZEIT", QStringLiteral("__:__:__:__"), QStringLiteral("Zeit"),
                     {px(5265), px(1575), 132, 26}, 12, colours::kTeal);
    m_dateField =
        overlayField(this, "Text_DATUM", QStringLiteral("__.__.__"), QStringLiteral("Datum"),
                     {px(10530), px(1665), 72, 20}, 8.25, colours::kTeal);
    for (QWidget *overlay : {m_maxField, m_minField, m_timeField, m_dateField})
        overlay->raise(); // in front of the chart

    m_statusField =
        textField(this, "Text_STATUS", QStringLiteral("Text_STATUS"), QString(),
                  {px(585), px(7380), px(2355), px(240)}, true, QStringLiteral("Status"));
    setBackColor(m_statusField, colours::kGrey);
    m_counterField = overlayField(this, "Text_DIAGRAMM_ZAEHLER", QStringLiteral("000"), QString(),
                                  {px(4455), px(7290), px(4020), px(315)}, 9.75,
                                  colours::kCounterBack, QStringLiteral("Punktzähler"));
    m_maxText = new PointField(m_maxField);
    m_minText = new PointField(m_minField);
    m_counterText = new PointField(m_counterField);
    m_resetButton = button(this, "Command3", QStringLiteral("RESET"), QString(),
                           {px(11655), px(7380), px(735), px(330)}, regular);

    // --- Bottom band ---------------------------------------------------------------------
    m_exitFrame = frame(this, "Frame1", QString(), 45, 7965, 1140, 735);
    m_exitRim = label(m_exitFrame, "Label4", QString(), {6, 8, 64, 36});
    setBackColor(m_exitRim, colours::kOrange);
    m_exitButton = button(m_exitFrame, "Command5", QStringLiteral("EXIT"), QString(),
                          {10, 12, 56, 28}, sansFont(12, true));

    m_recordingFrame = frame(this, "Frame8", QStringLiteral("Aufnahme"), 1215, 7965, 3435, 735);
    m_recordCountField = textField(m_recordingFrame, "Text_ANZAHL", QString(),
                                   QStringLiteral("Anzahl der Messungen"), {5, 20, 50, 20});
    m_fileSizeField = textField(m_recordingFrame, "Text_GROESSE", QString(),
                                QStringLiteral("Größe der Aufnahme-Datei "), {58, 20, 76, 20});
    for (QLineEdit *field : {m_recordCountField, m_fileSizeField}) {
        field->setFont(bold);
        setBackColor(field, colours::kGrey);
    }
    m_recordAllOption =
        pushOption(m_recordingFrame, "Option_ON", QStringLiteral("on"),
                   QStringLiteral("unbegrenzete Aufnahme"), {137, 18, 29, 24}, bold);
    m_record100Option =
        pushOption(m_recordingFrame, "Option_100", QStringLiteral("100"),
                   QStringLiteral("maximal 100 Messwerte"), {167, 18, 29, 24}, bold);
    m_recordOffOption = pushOption(m_recordingFrame, "Option_OFF", QStringLiteral("off"),
                                   QStringLiteral("aus"), {197, 18, 28, 24}, bold);
    m_record100Option->setChecked(true);

    m_playbackFrame = frame(this, "Frame3", QStringLiteral("Wiedergabe"), 4725, 7965, 1365, 735);
    m_runOption = pushOption(m_playbackFrame, "Option3", QStringLiteral("RUN"), QString(),
                             {6, 18, 40, 24}, regular);
    m_stopOption = pushOption(m_playbackFrame, "Option4", QStringLiteral("||"), QString(),
                              {47, 18, 38, 24}, regular);
    m_stopOption->setChecked(true);
    m_playbackTimer = timer(this, "Timer_WIEDERGABE", 1000);

    m_snapshotSaveFrame =
        frame(this, "Frame7", QStringLiteral("Schnappschuss-save"), 6120, 7965, 2040, 735);
    m_saveButtons[kSnapshotA] = button(m_snapshotSaveFrame, "Command6", QStringLiteral("A"),
                                       QString(), {8, 18, 38, 24}, bold);
    m_saveButtons[kSnapshotB] = button(m_snapshotSaveFrame, "Command19", QStringLiteral("B"),
                                       QString(), {49, 18, 38, 24}, bold);
    m_saveButtons[kSnapshotC] = button(m_snapshotSaveFrame, "Command18", QStringLiteral("C"),
                                       QString(), {90, 18, 38, 24}, bold);

    m_snapshotLoadFrame =
        frame(this, "Frame10", QStringLiteral("Schnappschuss-load"), 8190, 7965, 2130, 735);
    m_loadButtons[kSnapshotA] = button(m_snapshotLoadFrame, "Command17", QStringLiteral("A"),
                                       QString(), {8, 18, 40, 24}, bold);
    m_loadButtons[kSnapshotB] = button(m_snapshotLoadFrame, "Command20", QStringLiteral("B"),
                                       QString(), {51, 18, 40, 24}, bold);
    m_loadButtons[kSnapshotC] = button(m_snapshotLoadFrame, "Command21", QStringLiteral("C"),
                                       QString(), {94, 18, 40, 24}, bold);

    m_startFrame = frame(this, "Frame11", QString(), 10350, 7965, 2310, 735);
    m_startRim = label(m_startFrame, "Label5", QString(), {10, 8, 134, 36});
    setBackColor(m_startRim, colours::kOrange);
    m_startButton = button(m_startFrame, "Command1", QStringLiteral("START"), QString(),
                           {14, 12, 126, 28}, sansFont(9.75, true));
}

void MainWindow::connectHandlers()
{
    // Every handler runs guarded: a failure that reaches it is told to the user (naming what
    // could not be done) instead of passing into the event loop.
    const auto on = [this](auto *sender, auto signal, const char *action, auto handler) {
        connect(sender, signal, this,
                [this, handler, text = QString::fromUtf8(action)] { runGuarded(handler, text); });
    };
    const auto clicked = &QPushButton::clicked;
    const auto timeout = &QTimer::timeout;
    on(m_startButton, clicked, "Das Starten oder Stoppen des Ports", [this] { onStartClicked(); });
    on(m_portButton, clicked, "Das Wählen des Ports", [this] { onPortClicked(); });
    on(m_protocolHelpButton, clicked, "Das Anzeigen der Hilfe",
       [this] { onProtocolHelpClicked(); });
    on(m_correlationHelpButton, clicked, "Das Anzeigen der Hilfe",
       [this] { onCorrelationHelpClicked(); });
    for (int i = 0; i < 10; ++i)
        on(m_presetButtons[std::size_t(i)], clicked, "Das Einstellen der X-Achse",
           [this, i] { chooseXLength(100.0 * (i + 1)); });
    on(m_resetButton, clicked, "Das Zurücksetzen des Diagramms", [this] { onResetClicked(); });
    on(m_exitButton, clicked, "Das Beenden des Programms", [this] { onExitClicked(); });
    for (const Snapshot snapshot : {kSnapshotA, kSnapshotB, kSnapshotC}) {
        on(m_saveButtons[snapshot], clicked, "Das Vormerken des Schnappschusses",
           [this, snapshot] { onSaveClicked(snapshot); });
        on(m_loadButtons[snapshot], clicked, "Das Laden des Schnappschusses",
           [this, snapshot] { onLoadClicked(snapshot); });
    }
    on(m_singleButton, clicked, "Die Simulation einer Schwingung", [this] { onSingleClicked(); });
    on(m_sweepButton, clicked, "Der Frequenzdurchlauf", [this] { onSweepClicked(); });
    // An option's handler runs when the option becomes selected, by whatever means: a click,
    // a key, the accessibility bus's Toggle action, or the program (START selects "||").
    const auto selected = [this](QAbstractButton *option, const char *action, auto handler) {
        connect(option, &QAbstractButton::toggled, this,
                [this, handler, text = QString::fromUtf8(action)](bool checked) {
                    if (checked)
                        runGuarded(handler, text);
                });
    };
    selected(m_runOption, "Das Starten der Wiedergabe", [this] { onRunSelected(); });
    on(m_runOption, &OptionButton::reselected, "Das Starten der Wiedergabe",
       [this] { onRunReselected(); });
    selected(m_stopOption, "Das Anhalten der Wiedergabe", [this] { onStopSelected(); });
    on(m_startUpTimer, timeout, "Der Programmstart", [this] { startUp(); });
    on(m_receiveTimer, timeout, "Der Empfang der Daten", [this] { pollPort(); });
    connect(m_port, &MSComm::inputArrived, this, &MainWindow::onInputArrived);
    on(m_statusTimer, timeout, "Die Anzeige des Portzustands", [this] { refreshStatus(); });
    on(m_playbackTimer, timeout, "Die Wiedergabe", [this] { playNextRecord(); });
    m_portText->installEventFilter(this);
    m_xLengthField->installEventFilter(this);
    for (QPushButton *btn : findChildren<QPushButton *>())
        btn->installEventFilter(this);
    createChartMenu();
    arrangeKeyboardOrder();
    auto *fieldStyle = new FieldStyle;
    fieldStyle->setParent(this);
    for (QLineEdit *field : findChildren<QLineEdit *>())
        field->setStyle(fieldStyle);
}

void MainWindow::arrangeKeyboardOrder()
{
    // The controls are made band by band, left to right, which is Qt's tab order. Qt lets
    // Tab into an option group at whichever option had the focus last; until then that is the
    // selected one.
    for (QAbstractButton *option : findChildren<QAbstractButton *>()) {
        if (option->autoExclusive() && !option->isChecked())
            option->setFocusPolicy(Qt::FocusPolicy(option->focusPolicy() & ~Qt::TabFocus));
    }
}

void MainWindow::startTimers()
{
    m_startUpTimer->start();
    m_receiveTimer->start();
    m_statusTimer->start();
}

void MainWindow::runGuarded(const std::function<void()> &handler, const QString &action)
{
    try {
        handler();
    } catch (const ProgramEnded &) {
        // The window unloaded while the handler let events run: nothing more to do.
    } catch (const std::exception &error) {
        showWarning(QStringLiteral("%1 ist nicht gelungen.\n\nTechnische Angabe: %2")
                        .arg(action, QString::fromUtf8(error.what())));
    }
}

void MainWindow::letEventsRun()
{
    skipOnError([&] { m_env.letEventsRun(); });
    if (m_unloaded)
        throw ProgramEnded{};
}

// Double-clicks on the two display fields that open an entry, and Enter as their keyboard
// equivalent; Enter also clicks a focused button (Space does so by Qt's own handling), also
// outside a dialog, where Qt does not give Enter to buttons.
bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick)
        return openEntry(watched) || QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (auto *btn = qobject_cast<QPushButton *>(watched)) {
                if (!key->isAutoRepeat())
                    btn->click();
                return true;
            }
            return openEntry(watched) || QWidget::eventFilter(watched, event);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::openEntry(QObject *field)
{
    if (field == m_portText) {
        runGuarded([this] { onSettingsDoubleClicked(); },
                   QStringLiteral("Das Ändern der Port-Einstellungen"));
        return true;
    }
    if (field == m_xLengthField) {
        runGuarded([this] { onXLengthDoubleClicked(); }, QStringLiteral("Die Eingabe der X-Achse"));
        return true;
    }
    return false;
}

void MainWindow::showMessage(const QString &text)
{
    m_env.dialogs->message(this, text, QString::fromLatin1(kAppTitle));
}

void MainWindow::showWarning(const QString &text)
{
    m_env.dialogs->warning(this, text, QString::fromLatin1(kAppTitle));
}

// EXIT: unload the window, then end the program at once.
void MainWindow::onExitClicked()
{
    close();
    if (!m_unloaded)
        unload();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

// Unloading never asks and never fails: the port is closed if it can be, every timer stops
// and every open file is closed, since the program ends with its only window.
void MainWindow::unload()
{
    m_port->setPortOpen(false); // closing never fails
    for (QTimer *t : {m_startUpTimer, m_receiveTimer, m_statusTimer, m_playbackTimer})
        t->stop();
    closeAllFiles();
    m_unloaded = true;
}

} // namespace kurvomat
