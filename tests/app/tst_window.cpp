// The main window as it opens: every control with its container, text, tool tip, state and
// place; the shared state at creation; the two ways the program ends.

#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <set>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {
QString textOf(const QWidget *w)
{
    if (auto *edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    return qobject_cast<const QGroupBox *>(w)->title();
}
} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<frmHAUPT> makeWindow(QString device = {})
    {
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        if (!device.isEmpty())
            env.serialDevice = [device](int) { return device; };
        return std::make_unique<frmHAUPT>(env);
    }

private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        const char *rows[][4] = {
            {"Frame2", "frmHAUPT", "COM-PORT", ""}, {"Text2", "Frame2", "", "Settings"},
            {"Label6", "Frame2", "Daten:", ""},
            {"Text_INPUT_BUFFER_COUNT", "Frame2", "-", "Daten im Puffer"},
            {"Command22", "Frame2", "PORT", "Porteinstellungen"}, {"Command23", "Frame2", "?", "Hilfe"},
            {"Frame9", "frmHAUPT", "SIMULATOR", ""}, {"Label2", "Frame9", "Pegel:", ""},
            {"Text_PEGEL_SIMULATION", "Frame9", "127", "Pegel"}, {"Label1", "Frame9", "Frequenz:", ""},
            {"Text_SIMULATION", "Frame9", "1.0", "Frequenz-Faktor"},
            {"Command16", "Frame9", "einzel", "einzel Schwingung"},
            {"Command15", "Frame9", "0,01...10", "Schwingung im Bereich 0,01 bis 10 "},
            {"Frame6", "frmHAUPT", "Kreuz-Korrelation", ""}, {"Label3", "Frame6", "Pegel:", ""},
            {"Text_PEGEL_REFERENZ", "Frame6", "127", "Pegel"}, {"Command24", "Frame6", "?", "Hilfe"},
            {"Text_ERGEBNIS", "Frame6", "", "Ergebnis der Kreutzkorrelation"},
            {"Text_ERGEBNIS_256", "Frame6", "", "Ergebnis der Kreutzkorrelation / 256"},
            {"TEXT_ERGEBNIS_PHASE", "Frame6", "", "Phase bei Maximum Kreutzkorrelation"},
            {"Frame5", "frmHAUPT", "Y-Achse", ""}, {"Option1", "Frame5", "-128 ... +127", "Y-ACHSE"},
            {"Option2", "Frame5", "0      ... +256", "Y-ACHSE"}, {"Frame4", "frmHAUPT", "X-Achse", ""},
            {"Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE", "Frame4", "", "X-ACHSE"},
            {"Check_AUTO", "Frame4", "automatisch", "automatisches X-Achsenraster"},
            {"Command2", "Frame4", "100", ""}, {"Command4", "Frame4", "200", ""},
            {"Command7", "Frame4", "300", ""}, {"Command8", "Frame4", "400", ""},
            {"Command9", "Frame4", "500", ""}, {"Command10", "Frame4", "600", ""},
            {"Command11", "Frame4", "700", ""}, {"Command12", "Frame4", "800", ""},
            {"Command13", "Frame4", "900", ""}, {"Command14", "Frame4", "1000", ""},
            {"Text_WERT_MAX", "frmHAUPT", "000", "MAXIMUM"}, {"Text_WERT_MIN", "frmHAUPT", "000", "MINIMUM"},
            {"Text_ZEIT", "frmHAUPT", "__:__:__:__", "Zeit"}, {"Text_DATUM", "frmHAUPT", "__.__.__", "Datum"},
            {"Text_STATUS", "frmHAUPT", "Text_STATUS", ""}, {"Text_DIAGRAMM_ZAEHLER", "frmHAUPT", "000", ""},
            {"Command3", "frmHAUPT", "RESET", ""}, {"Frame1", "frmHAUPT", "", ""},
            {"Command5", "Frame1", "EXIT", ""}, {"Label4", "Frame1", "", ""},
            {"Frame8", "frmHAUPT", "Aufnahme", ""}, {"Text_ANZAHL", "Frame8", "", "Anzahl der Messungen"},
            {"Text_GROESSE", "Frame8", "", "Größe der Aufnahme-Datei "},
            {"Option_ON", "Frame8", "on", "unbegrenzete Aufnahme"},
            {"Option_100", "Frame8", "100", "maximal 100 Messwerte"}, {"Option_OFF", "Frame8", "off", "aus"},
            {"Frame3", "frmHAUPT", "Wiedergabe", ""}, {"Option3", "Frame3", "RUN", ""},
            {"Option4", "Frame3", "||", ""}, {"Frame7", "frmHAUPT", "Schnappschuss-save", ""},
            {"Command6", "Frame7", "A", ""}, {"Command19", "Frame7", "B", ""}, {"Command18", "Frame7", "C", ""},
            {"Frame10", "frmHAUPT", "Schnappschuss-load", ""}, {"Command17", "Frame10", "A", ""},
            {"Command20", "Frame10", "B", ""}, {"Command21", "Frame10", "C", ""},
            {"Frame11", "frmHAUPT", "", ""}, {"Command1", "Frame11", "START", ""}, {"Label5", "Frame11", "", ""}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << QString::fromUtf8(r[2]) << QString::fromUtf8(r[3]);
    }

    // Found by name (code, tests, GUI automation), in its frame, with its text and tool tip,
    // and described for assistive technology.
    void controls()
    {
        QFETCH(QString, container);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        auto w = makeWindow();
        auto *control = w->findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(textOf(control), text);
        QCOMPARE(control->toolTip(), toolTip);
        QVERIFY(control->isEnabled() && !control->isHidden());
        QCOMPARE(control->accessibleName(), control->objectName());
        QVERIFY(!control->accessibleDescription().isEmpty());
        if (!toolTip.isEmpty())
            QCOMPARE(control->accessibleDescription(), toolTip);
    }

    // Frames and free controls at their places (twips / 15), the overlays in front of the
    // chart; inside frames nothing overlaps, spills or cuts off its caption.
    void layout()
    {
        auto w = makeWindow();
        QCOMPARE(w->size(), QSize(846, 581));
        QVERIFY(w->windowIcon().availableSizes().contains(QSize(32, 32)));
        const std::pair<QWidget *, QRect> placed[] = {
            {w->Frame2, {45, 0, 1995, 1095}},      {w->Frame9, {2610, 0, 1950, 1140}},
            {w->Frame6, {4725, 0, 1770, 1140}},    {w->Frame5, {7425, 0, 2400, 1140}},
            {w->Frame4, {10080, 0, 2535, 1140}},   {w->MSChart1, {90, 1215, 12510, 6705}},
            {w->Text_STATUS, {585, 7380, 2355, 240}}, {w->Text_DIAGRAMM_ZAEHLER, {4455, 7290, 4020, 315}},
            {w->Command3, {11655, 7380, 735, 330}}, {w->Frame1, {45, 7965, 1140, 735}},
            {w->Frame8, {1215, 7965, 3435, 735}},  {w->Frame3, {4725, 7965, 1365, 735}},
            {w->Frame7, {6120, 7965, 2040, 735}},  {w->Frame10, {8190, 7965, 2130, 735}},
            {w->Frame11, {10350, 7965, 2310, 735}}};
        for (const auto &[widget, t] : placed)
            QCOMPARE(widget->geometry(), QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
        const QList<QObject *> order = w->children();
        for (QLineEdit *overlay : {w->Text_WERT_MAX, w->Text_WERT_MIN, w->Text_ZEIT, w->Text_DATUM}) {
            QVERIFY(w->MSChart1->geometry().contains(overlay->geometry()));
            QVERIFY(order.indexOf(overlay) > order.indexOf(w->MSChart1)); // drawn on top
        }
        QCOMPARE(w->Text_WERT_MIN->pos(), QPoint(105, 441));
        QCOMPARE(w->Text_DATUM->pos(), QPoint(702, 111));
        QStringList faults;
        for (QGroupBox *frame : w->findChildren<QGroupBox *>()) {
            const QList<QWidget *> kids = frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            for (QWidget *kid : kids) {
                const int top = frame->title().isEmpty() ? 0 : 13; // below the caption
                if (!QRect(0, top, frame->width(), frame->height() - top).contains(kid->geometry()))
                    faults << kid->objectName() + " spills";
                const int indicator = kid->inherits("QRadioButton") || kid->inherits("QCheckBox") ? 20 : 0;
                const int room = qobject_cast<QAbstractButton *>(kid) ? 4 : 0;
                if (!qobject_cast<QLineEdit *>(kid)
                    && QFontMetrics(kid->font()).horizontalAdvance(textOf(kid)) + room + indicator > kid->width())
                    faults << kid->objectName() + " cuts off its caption";
                for (QWidget *other : kids)
                    if (other != kid && kid->geometry().intersects(other->geometry())
                        && !std::set<QWidget *>{kid, other}.count(w->Label4)
                        && !std::set<QWidget *>{kid, other}.count(w->Label5))
                        faults << kid->objectName() + " overlaps " + other->objectName();
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        QVERIFY(w->Label5->geometry().contains(w->Command1->geometry())); // the orange rim
    }

    void statesColoursFontsAndTimers()
    {
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        env.runTimers = true;
        frmHAUPT w(env);
        QVERIFY(w.Option1->isChecked() && w.Option_100->isChecked() && w.Option4->isChecked());
        QCOMPARE(w.Check_AUTO->checkState(), Qt::Checked);
        w.Option_OFF->click(); // push-button look, exclusive within its own frame only
        QVERIFY(w.Option_OFF->isChecked() && !w.Option_100->isChecked() && w.Option4->isChecked());
        for (QWidget *grey : std::initializer_list<QWidget *>{w.Text_INPUT_BUFFER_COUNT, w.Text_ERGEBNIS,
                                                             w.Text_STATUS, w.Text_GROESSE})
            QCOMPARE(backColor(grey), colours::kGrey);
        QCOMPARE(backColor(w.Text_WERT_MAX), colours::kTeal);
        QCOMPARE(foreColor(w.Text_ZEIT), colours::kYellow);
        QCOMPARE(backColor(w.Text_DIAGRAMM_ZAEHLER), QColor(49, 117, 112));
        QCOMPARE(backColor(w.Label5), QColor(255, 128, 0));
        QVERIFY(w.Frame2->font().bold() && !w.Command22->font().bold() && w.Command6->font().bold());
        QCOMPARE(w.Command5->font().pointSizeF(), 12.0);
        QCOMPARE(w.Text_ZEIT->font().pointSizeF(), 12.0);
        const std::tuple<QTimer *, int, bool> timers[] = {{w.Timer_START, 1, true}, {w.Timer_DATEN, 10, true},
                                                          {w.Timer_ANZEIGE, 100, true}, {w.Timer_WIEDERGABE, 1000, false}};
        for (const auto &[timer, interval, active] : timers) {
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(timer->isActive(), active);
        }
    }

    void sharedStateStartsZeroed()
    {
        auto w = makeWindow();
        QCOMPARE(w->PI + w->DIAGRAMM_MAX_ANZ_DATENPUNKTE + w->DATENSATZ_ZAEHLER, 0.0);
        QCOMPARE(w->SPEICHERN_A | w->SPEICHERN_B | w->SPEICHERN_C, 0);
        for (int i = 0; i <= 2100; ++i)
            QVERIFY(w->REFERENZ_SIGNAL(i) == 0 && (i > 1100 || (w->DATENPUNKTE(i) == 0 && w->ERGEBNIS_LISTE(i) == 0)));
    }

    // EXIT and closing the window both close the port and stop every timer, asking nothing.
    void endingClosesThePort()
    {
        PseudoTerminal pty;
        for (bool viaExit : {true, false}) {
            auto w = makeWindow(pty.slavePath());
            w->MSComm1->setPortOpen(true);
            w->show();
            if (viaExit)
                w->Command5->click();
            else
                QVERIFY(w->close());
            QVERIFY(!w->MSComm1->PortOpen() && !w->isVisible());
            for (QTimer *t : {w->Timer_START, w->Timer_DATEN, w->Timer_ANZEIGE, w->Timer_WIEDERGABE})
                QVERIFY(!t->isActive());
            auto *dialogs = static_cast<ScriptedDialogs *>(w->environment().dialogs.get());
            QVERIFY(dialogs->shown.isEmpty());
        }
    }

    // A failure that reaches a handler without handling of its own is told in German, what
    // could not be done first and the technical detail after it; the window stays usable.
    void unhandledFailureIsToldInGerman()
    {
        auto w = makeWindow();
        auto *dialogs = static_cast<ScriptedDialogs *>(w->environment().dialogs.get());
        w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 0.4; // no chart of 0 rows can be drawn
        w->Command3->click();
        QCOMPARE(dialogs->texts(QStringLiteral("warning")).join(u'|').section(u'\n', 0, 1),
                 QStringLiteral("Das Zurücksetzen des Diagramms ist nicht gelungen.\n"));
        QVERIFY(dialogs->shown.last().text.contains(QStringLiteral("Technische Angabe: ")));
        w->Command9->click(); // a preset of 500 then draws
        QCOMPARE(int(w->MSChart1->RowCount()), 500);
        QCOMPARE(dialogs->shown.size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
