#include "app/frmHAUPT.h"

#include "acquisition/MSComm.h"
#include "app/WindowIcon.h"
#include "app/Widgets.h"
#include "core/SkipOnError.h"
#include "display/MSChart.h"
#include "display/PointField.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
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

// Names a control for code, tests and assistive technology: the object name and accessible
// name are the control's own name; the description is its tool tip, or its role where it
// has no tool tip.
template <typename W>
W *named(W *widget, const char *name, const QString &toolTip, const QString &role)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(QString::fromLatin1(name));
    if (!toolTip.isEmpty())
        widget->setToolTip(toolTip);
    widget->setAccessibleDescription(toolTip.isEmpty() ? role : toolTip);
    return widget;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, int left, int top,
                 int width, int height)
{
    auto *box = named(new QGroupBox(caption, parent), name, QString(),
                      caption.isEmpty() ? QStringLiteral("Rahmen") : caption);
    box->setGeometry(px(left), px(top), px(width), px(height));
    box->setFont(sansFont(8.25, true));
    return box;
}

QLineEdit *textField(QWidget *parent, const char *name, const QString &text,
                     const QString &toolTip, QRect geometry, bool centred = true)
{
    auto *field = named(new QLineEdit(text, parent), name, toolTip, QStringLiteral("Textfeld"));
    field->setGeometry(geometry);
    field->setFont(sansFont(8.25, false));
    field->setAlignment(centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    field->setCursorPosition(0);
    setBackColor(field, colours::kWhite);
    return field;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *lbl = named(new QLabel(text, parent), name, QString(),
                      text.isEmpty() ? QStringLiteral("Rand") : text);
    lbl->setGeometry(geometry);
    lbl->setFont(sansFont(8.25, false));
    return lbl;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption,
                    const QString &toolTip, QRect geometry, const QFont &font)
{
    auto *btn = named(new QPushButton(caption, parent), name, toolTip, caption);
    btn->setGeometry(geometry);
    btn->setFont(font);
    btn->setAutoDefault(false);
    return btn;
}

// An option button drawn as a button that stays pressed while selected; the option buttons
// of one frame exclude each other.
QPushButton *pushOption(QWidget *parent, const char *name, const QString &caption,
                        const QString &toolTip, QRect geometry, const QFont &font)
{
    auto *btn = button(parent, name, caption, toolTip, geometry, font);
    btn->setCheckable(true);
    btn->setAutoExclusive(true);
    return btn;
}

QLineEdit *overlayField(QWidget *parent, const char *name, const QString &text,
                        const QString &toolTip, QRect geometry, double points, const QColor &back)
{
    auto *field = textField(parent, name, text, toolTip, geometry);
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

frmHAUPT::frmHAUPT(Environment environment, QWidget *parent)
    : QWidget(parent), m_env(std::move(environment))
{
    setObjectName(QStringLiteral("frmHAUPT"));
    setAccessibleName(QStringLiteral("frmHAUPT"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(makeWindowIcon());
    // Client area; the border is sizable, but no control moves or grows with the window.
    resize(px(12690), px(8715));
    setFont(sansFont(8.25, false));
    setBackColor(this, colours::kGrey);

    createControls();
    connectHandlers();
    if (m_env.runTimers)
        startTimers();
}

frmHAUPT::~frmHAUPT()
{
    // Leaving the window always releases the port and the files, even without a close event.
    if (!m_unloaded)
        Form_Unload();
}

QString frmHAUPT::dataFile(const QString &name) const
{
    return QDir(m_env.dataFolder).filePath(name);
}

void frmHAUPT::createControls()
{
    const QFont regular = sansFont(8.25, false);
    const QFont bold = sansFont(8.25, true);

    // --- Top band ---------------------------------------------------------------------
    Frame2 = frame(this, "Frame2", QStringLiteral("COM-PORT"), 45, 0, 1995, 1095);
    Text2 = textField(Frame2, "Text2", QString(), QStringLiteral("Settings"), {6, 16, 121, 19});
    Label6 = label(Frame2, "Label6", QStringLiteral("Daten:"), {5, 46, 38, 16});
    Text_INPUT_BUFFER_COUNT = textField(Frame2, "Text_INPUT_BUFFER_COUNT", QStringLiteral("-"),
                                       QStringLiteral("Daten im Puffer"), {44, 44, 30, 19});
    setBackColor(Text_INPUT_BUFFER_COUNT, colours::kGrey);
    Command22 = button(Frame2, "Command22", QStringLiteral("PORT"),
                       QStringLiteral("Porteinstellungen"), {76, 43, 36, 21}, regular);
    Command23 = button(Frame2, "Command23", QStringLiteral("?"), QStringLiteral("Hilfe"),
                       {114, 43, 15, 21}, regular);
    MSComm1 = new MSComm(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    if (m_env.serialDevice)
        MSComm1->setDeviceResolver(m_env.serialDevice);
    Timer_DATEN = timer(this, "Timer_DATEN", 10);

    Frame9 = frame(this, "Frame9", QStringLiteral("SIMULATOR"), 2610, 0, 1950, 1140);
    Label2 = label(Frame9, "Label2", QStringLiteral("Pegel:"), {5, 17, 55, 16});
    Text_PEGEL_SIMULATION = textField(Frame9, "Text_PEGEL_SIMULATION", QStringLiteral("127"),
                                      QStringLiteral("Pegel"), {61, 15, 63, 18});
    Label1 = label(Frame9, "Label1", QStringLiteral("Frequenz:"), {5, 36, 55, 16});
    Text_SIMULATION = textField(Frame9, "Text_SIMULATION", QStringLiteral("1.0"),
                                QStringLiteral("Frequenz-Faktor"), {61, 34, 63, 18});
    Command16 = button(Frame9, "Command16", QStringLiteral("einzel"),
                       QStringLiteral("einzel Schwingung"), {5, 54, 48, 19}, regular);
    Command15 = button(Frame9, "Command15", QStringLiteral("0,01...10"),
                       QStringLiteral("Schwingung im Bereich 0,01 bis 10 "), {55, 54, 69, 19},
                       regular);

    Frame6 = frame(this, "Frame6", QStringLiteral("Kreuz-Korrelation"), 4725, 0, 1770, 1140);
    Label3 = label(Frame6, "Label3", QStringLiteral("Pegel:"), {6, 17, 34, 16});
    Text_PEGEL_REFERENZ = textField(Frame6, "Text_PEGEL_REFERENZ", QStringLiteral("127"),
                                    QStringLiteral("Pegel"), {40, 15, 52, 18});
    Command24 = button(Frame6, "Command24", QStringLiteral("?"), QStringLiteral("Hilfe"),
                       {95, 15, 17, 18}, regular);
    Text_ERGEBNIS = textField(Frame6, "Text_ERGEBNIS", QString(),
                              QStringLiteral("Ergebnis der Kreutzkorrelation"), {6, 35, 106, 18});
    Text_ERGEBNIS_256 =
        textField(Frame6, "Text_ERGEBNIS_256", QString(),
                  QStringLiteral("Ergebnis der Kreutzkorrelation / 256"), {6, 55, 60, 18});
    TEXT_ERGEBNIS_PHASE =
        textField(Frame6, "TEXT_ERGEBNIS_PHASE", QString(),
                  QStringLiteral("Phase bei Maximum Kreutzkorrelation"), {68, 55, 44, 18});
    for (QLineEdit *field : {Text_ERGEBNIS, Text_ERGEBNIS_256, TEXT_ERGEBNIS_PHASE})
        setBackColor(field, colours::kGrey);

    Frame5 = frame(this, "Frame5", QStringLiteral("Y-Achse"), 7425, 0, 2400, 1140);
    Option1 = named(new QRadioButton(QStringLiteral("-128 ... +127"), Frame5), "Option1",
                    QStringLiteral("Y-ACHSE"), QString());
    Option1->setGeometry(10, 20, 140, 20);
    Option1->setFont(regular);
    Option1->setChecked(true);
    Option2 = named(new QRadioButton(QStringLiteral("0      ... +256"), Frame5), "Option2",
                    QStringLiteral("Y-ACHSE"), QString());
    Option2->setGeometry(10, 44, 140, 20);
    Option2->setFont(regular);
    Timer_START = timer(this, "Timer_START", 1);
    Timer_ANZEIGE = timer(this, "Timer_ANZEIGE", 100);

    Frame4 = frame(this, "Frame4", QStringLiteral("X-Achse"), 10080, 0, 2535, 1140);
    Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE =
        textField(Frame4, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE", QString(),
                  QStringLiteral("X-ACHSE"), {6, 15, 50, 18}, false);
    setBackColor(Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE, colours::kGrey);
    Check_AUTO = named(new QCheckBox(QStringLiteral("automatisch"), Frame4), "Check_AUTO",
                       QStringLiteral("automatisches X-Achsenraster"), QString());
    Check_AUTO->setGeometry(62, 15, 100, 18);
    Check_AUTO->setFont(regular);
    Check_AUTO->setChecked(true);
    struct Preset {
        QPushButton **slot;
        const char *name;
        const char *caption;
    };
    const Preset presets[] = {
        {&Command2, "Command2", "100"},   {&Command4, "Command4", "200"},
        {&Command7, "Command7", "300"},   {&Command8, "Command8", "400"},
        {&Command9, "Command9", "500"},   {&Command10, "Command10", "600"},
        {&Command11, "Command11", "700"}, {&Command12, "Command12", "800"},
        {&Command13, "Command13", "900"}, {&Command14, "Command14", "1000"},
    };
    for (int i = 0; i < 10; ++i) {
        const int column = i % 5;
        const int row = i / 5;
        *presets[i].slot = button(Frame4, presets[i].name, QString::fromLatin1(presets[i].caption),
                                  QString(), {3 + column * 33, 36 + row * 19, 32, 18}, regular);
    }

    // --- Chart band and status line ------------------------------------------------------
    MSChart1 = new MSChart(this);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setAccessibleName(QStringLiteral("MSChart1"));
    MSChart1->setAccessibleDescription(QStringLiteral("Messkurve"));
    MSChart1->setGeometry(px(90), px(1215), px(12510), px(6705));

    Text_WERT_MAX = overlayField(this, "Text_WERT_MAX", QStringLiteral("000"),
                                 QStringLiteral("MAXIMUM"), {px(1575), px(1710), 64, 22}, 9.75,
                                 colours::kTeal);
    Text_WERT_MIN = overlayField(this, "Text_WERT_MIN", QStringLiteral("000"),
                                 QStringLiteral("MINIMUM"), {px(1575), px(6615), 64, 22}, 9.75,
                                 colours::kTeal);
    Text_ZEIT = overlayField(this, "Text_ZEIT", QStringLiteral("__:__:__:__"),
                             QStringLiteral("Zeit"), {px(5265), px(1575), 132, 26}, 12,
                             colours::kTeal);
    Text_DATUM = overlayField(this, "Text_DATUM", QStringLiteral("__.__.__"),
                              QStringLiteral("Datum"), {px(10530), px(1665), 72, 20}, 8.25,
                              colours::kTeal);
    for (QWidget *overlay : {Text_WERT_MAX, Text_WERT_MIN, Text_ZEIT, Text_DATUM})
        overlay->raise(); // in front of the chart

    Text_STATUS = textField(this, "Text_STATUS", QStringLiteral("Text_STATUS"), QString(),
                            {px(585), px(7380), px(2355), px(240)});
    setBackColor(Text_STATUS, colours::kGrey);
    Text_DIAGRAMM_ZAEHLER = overlayField(this, "Text_DIAGRAMM_ZAEHLER", QStringLiteral("000"),
                                         QString(), {px(4455), px(7290), px(4020), px(315)}, 9.75,
                                         colours::kCounterBack);
    m_wertMax = new PointField(Text_WERT_MAX);
    m_wertMin = new PointField(Text_WERT_MIN);
    m_zaehler = new PointField(Text_DIAGRAMM_ZAEHLER);
    Command3 = button(this, "Command3", QStringLiteral("RESET"), QString(),
                      {px(11655), px(7380), px(735), px(330)}, regular);

    // --- Bottom band ---------------------------------------------------------------------
    Frame1 = frame(this, "Frame1", QString(), 45, 7965, 1140, 735);
    Label4 = label(Frame1, "Label4", QString(), {6, 8, 64, 36});
    setBackColor(Label4, colours::kOrange);
    Command5 = button(Frame1, "Command5", QStringLiteral("EXIT"), QString(), {10, 12, 56, 28},
                      sansFont(12, true));

    Frame8 = frame(this, "Frame8", QStringLiteral("Aufnahme"), 1215, 7965, 3435, 735);
    Text_ANZAHL = textField(Frame8, "Text_ANZAHL", QString(),
                            QStringLiteral("Anzahl der Messungen"), {5, 20, 50, 20});
    Text_GROESSE = textField(Frame8, "Text_GROESSE", QString(),
                             QStringLiteral("Größe der Aufnahme-Datei "), {58, 20, 76, 20});
    for (QLineEdit *field : {Text_ANZAHL, Text_GROESSE}) {
        field->setFont(bold);
        setBackColor(field, colours::kGrey);
    }
    Option_ON = pushOption(Frame8, "Option_ON", QStringLiteral("on"),
                           QStringLiteral("unbegrenzete Aufnahme"), {137, 18, 29, 24}, bold);
    Option_100 = pushOption(Frame8, "Option_100", QStringLiteral("100"),
                            QStringLiteral("maximal 100 Messwerte"), {167, 18, 29, 24}, bold);
    Option_OFF = pushOption(Frame8, "Option_OFF", QStringLiteral("off"), QStringLiteral("aus"),
                            {197, 18, 28, 24}, bold);
    Option_100->setChecked(true);

    Frame3 = frame(this, "Frame3", QStringLiteral("Wiedergabe"), 4725, 7965, 1365, 735);
    Option3 = pushOption(Frame3, "Option3", QStringLiteral("RUN"), QString(), {6, 18, 40, 24},
                         regular);
    Option4 = pushOption(Frame3, "Option4", QStringLiteral("||"), QString(), {47, 18, 38, 24},
                         regular);
    Option4->setChecked(true);
    Timer_WIEDERGABE = timer(this, "Timer_WIEDERGABE", 1000);

    Frame7 = frame(this, "Frame7", QStringLiteral("Schnappschuss-save"), 6120, 7965, 2040, 735);
    Command6 = button(Frame7, "Command6", QStringLiteral("A"), QString(), {8, 18, 38, 24}, bold);
    Command19 = button(Frame7, "Command19", QStringLiteral("B"), QString(), {49, 18, 38, 24}, bold);
    Command18 = button(Frame7, "Command18", QStringLiteral("C"), QString(), {90, 18, 38, 24}, bold);

    Frame10 = frame(this, "Frame10", QStringLiteral("Schnappschuss-load"), 8190, 7965, 2130, 735);
    Command17 = button(Frame10, "Command17", QStringLiteral("A"), QString(), {8, 18, 40, 24}, bold);
    Command20 = button(Frame10, "Command20", QStringLiteral("B"), QString(), {51, 18, 40, 24}, bold);
    Command21 = button(Frame10, "Command21", QStringLiteral("C"), QString(), {94, 18, 40, 24}, bold);

    Frame11 = frame(this, "Frame11", QString(), 10350, 7965, 2310, 735);
    Label5 = label(Frame11, "Label5", QString(), {10, 8, 134, 36});
    setBackColor(Label5, colours::kOrange);
    Command1 = button(Frame11, "Command1", QStringLiteral("START"), QString(), {14, 12, 126, 28},
                      sansFont(9.75, true));
}

void frmHAUPT::connectHandlers()
{
    // A failure that reaches an event handler without its own handling is reported to the
    // user instead of passing into the event loop.
    auto guard = [this](void (frmHAUPT::*handler)(), const char *action) {
        return [this, handler, text = QString::fromUtf8(action)] { runGuarded(handler, text); };
    };
    const char *const port = "Das Starten oder Stoppen des Ports";
    const char *const axis = "Das Einstellen der X-Achse";
    const char *const help = "Das Anzeigen der Hilfe";
    const char *const request = "Das Vormerken des Schnappschusses";
    const char *const load = "Das Laden des Schnappschusses";
    connect(Command1, &QPushButton::clicked, this, guard(&frmHAUPT::Command1_Click, port));
    connect(Command22, &QPushButton::clicked, this,
            guard(&frmHAUPT::Command22_Click, "Das Wählen des Ports"));
    connect(Command23, &QPushButton::clicked, this, guard(&frmHAUPT::Command23_Click, help));
    connect(Command24, &QPushButton::clicked, this, guard(&frmHAUPT::Command24_Click, help));
    for (auto [button, handler] : {std::pair{Command2, &frmHAUPT::Command2_Click},
                                   {Command4, &frmHAUPT::Command4_Click},
                                   {Command7, &frmHAUPT::Command7_Click},
                                   {Command8, &frmHAUPT::Command8_Click},
                                   {Command9, &frmHAUPT::Command9_Click},
                                   {Command10, &frmHAUPT::Command10_Click},
                                   {Command11, &frmHAUPT::Command11_Click},
                                   {Command12, &frmHAUPT::Command12_Click},
                                   {Command13, &frmHAUPT::Command13_Click},
                                   {Command14, &frmHAUPT::Command14_Click}})
        connect(button, &QPushButton::clicked, this, guard(handler, axis));
    connect(Command3, &QPushButton::clicked, this,
            guard(&frmHAUPT::Command3_Click, "Das Zurücksetzen des Diagramms"));
    connect(Command5, &QPushButton::clicked, this,
            guard(&frmHAUPT::Command5_Click, "Das Beenden des Programms"));
    connect(Command6, &QPushButton::clicked, this, guard(&frmHAUPT::Command6_Click, request));
    connect(Command19, &QPushButton::clicked, this, guard(&frmHAUPT::Command19_Click, request));
    connect(Command18, &QPushButton::clicked, this, guard(&frmHAUPT::Command18_Click, request));
    connect(Command17, &QPushButton::clicked, this, guard(&frmHAUPT::Command17_Click, load));
    connect(Command20, &QPushButton::clicked, this, guard(&frmHAUPT::Command20_Click, load));
    connect(Command21, &QPushButton::clicked, this, guard(&frmHAUPT::Command21_Click, load));
    connect(Command16, &QPushButton::clicked, this,
            guard(&frmHAUPT::Command16_Click, "Die Simulation einer Schwingung"));
    connect(Command15, &QPushButton::clicked, this,
            guard(&frmHAUPT::Command15_Click, "Der Frequenzdurchlauf"));
    connect(Option3, &QPushButton::clicked, this,
            guard(&frmHAUPT::Option3_Click, "Das Starten der Wiedergabe"));
    connect(Option4, &QPushButton::clicked, this,
            guard(&frmHAUPT::Option4_Click, "Das Anhalten der Wiedergabe"));
    connect(Timer_START, &QTimer::timeout, this,
            guard(&frmHAUPT::Timer_START_Timer, "Der Programmstart"));
    connect(Timer_DATEN, &QTimer::timeout, this,
            guard(&frmHAUPT::Timer_DATEN_Timer, "Der Empfang der Daten"));
    connect(Timer_ANZEIGE, &QTimer::timeout, this,
            guard(&frmHAUPT::Timer_ANZEIGE_Timer, "Die Anzeige des Portzustands"));
    connect(Timer_WIEDERGABE, &QTimer::timeout, this,
            guard(&frmHAUPT::Timer_WIEDERGABE_Timer, "Die Wiedergabe"));
    Text2->installEventFilter(this);
    Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE->installEventFilter(this);
}

void frmHAUPT::startTimers()
{
    Timer_START->start();
    Timer_DATEN->start();
    Timer_ANZEIGE->start();
}

void frmHAUPT::runGuarded(void (frmHAUPT::*handler)(), const QString &action)
{
    try {
        (this->*handler)();
    } catch (const ProgramEnded &) {
        // The window unloaded while the handler let events run: nothing more to do.
    } catch (const std::exception &error) {
        m_env.dialogs->warning(this,
                               QStringLiteral("%1 ist nicht gelungen.\n\nTechnische Angabe: %2")
                                   .arg(action, QString::fromUtf8(error.what())),
                               QString::fromLatin1(kAppTitle));
    }
}

void frmHAUPT::letEventsRun()
{
    skipOnError([&] { m_env.letEventsRun(); });
    if (m_unloaded)
        throw ProgramEnded{};
}

bool frmHAUPT::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Text2) {
            runGuarded(&frmHAUPT::Text2_DblClick,
                       QStringLiteral("Das Ändern der Port-Einstellungen"));
            return true;
        }
        if (watched == Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE) {
            runGuarded(&frmHAUPT::Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick,
                       QStringLiteral("Die Eingabe der X-Achse"));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmHAUPT::showMessage(const QString &text)
{
    m_env.dialogs->message(this, text, QString::fromLatin1(kAppTitle));
}

// EXIT: unload the window, then end the program at once.
void frmHAUPT::Command5_Click()
{
    close();
    if (!m_unloaded)
        Form_Unload();
    QCoreApplication::quit();
}

void frmHAUPT::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

// Unloading never asks and never fails: the port is closed if it can be, every timer stops
// and every open file is closed, since the program ends with its only window.
void frmHAUPT::Form_Unload()
{
    skipOnError([&] { MSComm1->setPortOpen(false); });
    for (QTimer *t : {Timer_START, Timer_DATEN, Timer_ANZEIGE, Timer_WIEDERGABE})
        t->stop();
    closeAllFiles();
    m_unloaded = true;
}

} // namespace kurvomat
