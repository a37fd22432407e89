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

using namespace kurvomat;
using namespace kurvomat::testing;

class TestWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmHAUPT> makeWindow(bool runTimers = false)
    {
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        env.runTimers = runTimers;
        return std::make_unique<frmHAUPT>(env);
    }

    static QString textOf(const QWidget *w)
    {
        if (auto *edit = qobject_cast<const QLineEdit *>(w))
            return edit->text();
        if (auto *button = qobject_cast<const QAbstractButton *>(w))
            return button->text();
        if (auto *label = qobject_cast<const QLabel *>(w))
            return label->text();
        if (auto *box = qobject_cast<const QGroupBox *>(w))
            return box->title();
        return QStringLiteral("<no text>");
    }

private slots:
    void clientAreaAndTitle()
    {
        auto w = makeWindow();
        QCOMPARE(w->size(), QSize(846, 581));
        QCOMPARE(backColor(w.get()), QColor(192, 192, 192));
        QVERIFY(!w->windowIcon().isNull());
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");

        auto row = [](const char *name, const char *container, const char *kind,
                      const QString &text, const QString &tip = QString()) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                                << QString::fromLatin1(kind) << text << tip;
        };
        row("Frame2", "frmHAUPT", "QGroupBox", "COM-PORT");
        row("Text2", "Frame2", "QLineEdit", "", "Settings");
        row("Label6", "Frame2", "QLabel", "Daten:");
        row("Text_INPUT_BUFFER_COUNT", "Frame2", "QLineEdit", "-", "Daten im Puffer");
        row("Command22", "Frame2", "QPushButton", "PORT", "Porteinstellungen");
        row("Command23", "Frame2", "QPushButton", "?", "Hilfe");
        row("Frame9", "frmHAUPT", "QGroupBox", "SIMULATOR");
        row("Label2", "Frame9", "QLabel", "Pegel:");
        row("Text_PEGEL_SIMULATION", "Frame9", "QLineEdit", "127", "Pegel");
        row("Label1", "Frame9", "QLabel", "Frequenz:");
        row("Text_SIMULATION", "Frame9", "QLineEdit", "1.0", "Frequenz-Faktor");
        row("Command16", "Frame9", "QPushButton", "einzel", "einzel Schwingung");
        row("Command15", "Frame9", "QPushButton", "0,01...10",
            "Schwingung im Bereich 0,01 bis 10 ");
        row("Frame6", "frmHAUPT", "QGroupBox", "Kreuz-Korrelation");
        row("Label3", "Frame6", "QLabel", "Pegel:");
        row("Text_PEGEL_REFERENZ", "Frame6", "QLineEdit", "127", "Pegel");
        row("Command24", "Frame6", "QPushButton", "?", "Hilfe");
        row("Text_ERGEBNIS", "Frame6", "QLineEdit", "", "Ergebnis der Kreutzkorrelation");
        row("Text_ERGEBNIS_256", "Frame6", "QLineEdit", "",
            "Ergebnis der Kreutzkorrelation / 256");
        row("TEXT_ERGEBNIS_PHASE", "Frame6", "QLineEdit", "",
            "Phase bei Maximum Kreutzkorrelation");
        row("Frame5", "frmHAUPT", "QGroupBox", "Y-Achse");
        row("Option1", "Frame5", "QRadioButton", "-128 ... +127", "Y-ACHSE");
        row("Option2", "Frame5", "QRadioButton", "0      ... +256", "Y-ACHSE");
        row("Frame4", "frmHAUPT", "QGroupBox", "X-Achse");
        row("Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE", "Frame4", "QLineEdit", "", "X-ACHSE");
        row("Check_AUTO", "Frame4", "QCheckBox", "automatisch", "automatisches X-Achsenraster");
        row("Command2", "Frame4", "QPushButton", "100");
        row("Command4", "Frame4", "QPushButton", "200");
        row("Command7", "Frame4", "QPushButton", "300");
        row("Command8", "Frame4", "QPushButton", "400");
        row("Command9", "Frame4", "QPushButton", "500");
        row("Command10", "Frame4", "QPushButton", "600");
        row("Command11", "Frame4", "QPushButton", "700");
        row("Command12", "Frame4", "QPushButton", "800");
        row("Command13", "Frame4", "QPushButton", "900");
        row("Command14", "Frame4", "QPushButton", "1000");
        row("Text_WERT_MAX", "frmHAUPT", "QLineEdit", "000", "MAXIMUM");
        row("Text_WERT_MIN", "frmHAUPT", "QLineEdit", "000", "MINIMUM");
        row("Text_ZEIT", "frmHAUPT", "QLineEdit", "__:__:__:__", "Zeit");
        row("Text_DATUM", "frmHAUPT", "QLineEdit", "__.__.__", "Datum");
        row("Text_STATUS", "frmHAUPT", "QLineEdit", "Text_STATUS");
        row("Text_DIAGRAMM_ZAEHLER", "frmHAUPT", "QLineEdit", "000");
        row("Command3", "frmHAUPT", "QPushButton", "RESET");
        row("Frame1", "frmHAUPT", "QGroupBox", "");
        row("Command5", "Frame1", "QPushButton", "EXIT");
        row("Label4", "Frame1", "QLabel", "");
        row("Frame8", "frmHAUPT", "QGroupBox", "Aufnahme");
        row("Text_ANZAHL", "Frame8", "QLineEdit", "", "Anzahl der Messungen");
        row("Text_GROESSE", "Frame8", "QLineEdit", "", QStringLiteral("Größe der Aufnahme-Datei "));
        row("Option_ON", "Frame8", "QPushButton", "on", "unbegrenzete Aufnahme");
        row("Option_100", "Frame8", "QPushButton", "100", "maximal 100 Messwerte");
        row("Option_OFF", "Frame8", "QPushButton", "off", "aus");
        row("Frame3", "frmHAUPT", "QGroupBox", "Wiedergabe");
        row("Option3", "Frame3", "QPushButton", "RUN");
        row("Option4", "Frame3", "QPushButton", "||");
        row("Frame7", "frmHAUPT", "QGroupBox", "Schnappschuss-save");
        row("Command6", "Frame7", "QPushButton", "A");
        row("Command19", "Frame7", "QPushButton", "B");
        row("Command18", "Frame7", "QPushButton", "C");
        row("Frame10", "frmHAUPT", "QGroupBox", "Schnappschuss-load");
        row("Command17", "Frame10", "QPushButton", "A");
        row("Command20", "Frame10", "QPushButton", "B");
        row("Command21", "Frame10", "QPushButton", "C");
        row("Frame11", "frmHAUPT", "QGroupBox", "");
        row("Command1", "Frame11", "QPushButton", "START");
        row("Label5", "Frame11", "QLabel", "");
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        auto w = makeWindow();
        auto *control = w->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->parentWidget()->objectName(), container);
        QVERIFY(control->inherits(kind.toLatin1()));
        QCOMPARE(textOf(control), text);
        QCOMPARE(control->toolTip(), toolTip);
        QVERIFY(control->isEnabled());
        QVERIFY(!control->isHidden());
        // Reachable by assistive technology and GUI automation.
        QCOMPARE(control->accessibleName(), name);
        QVERIFY(!control->accessibleDescription().isEmpty());
        if (!toolTip.isEmpty())
            QCOMPARE(control->accessibleDescription(), toolTip);
    }

    void placement_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char *name, int l, int t, int wd, int h) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, wd, h);
        };
        row("Frame2", 45, 0, 1995, 1095);
        row("Frame9", 2610, 0, 1950, 1140);
        row("Frame6", 4725, 0, 1770, 1140);
        row("Frame5", 7425, 0, 2400, 1140);
        row("Frame4", 10080, 0, 2535, 1140);
        row("MSChart1", 90, 1215, 12510, 6705);
        row("Text_STATUS", 585, 7380, 2355, 240);
        row("Text_DIAGRAMM_ZAEHLER", 4455, 7290, 4020, 315);
        row("Command3", 11655, 7380, 735, 330);
        row("Frame1", 45, 7965, 1140, 735);
        row("Frame8", 1215, 7965, 3435, 735);
        row("Frame3", 4725, 7965, 1365, 735);
        row("Frame7", 6120, 7965, 2040, 735);
        row("Frame10", 8190, 7965, 2130, 735);
        row("Frame11", 10350, 7965, 2310, 735);
    }

    void placement()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        auto w = makeWindow();
        auto *control = w->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                                            twips.height() / 15));
    }

    void overlayFieldsLieInFrontOfTheChart()
    {
        auto w = makeWindow();
        const QRect chart = w->MSChart1->geometry();
        const struct {
            QLineEdit *field;
            QPoint topLeft;
        } overlays[] = {{w->Text_WERT_MAX, {105, 114}},
                        {w->Text_WERT_MIN, {105, 441}},
                        {w->Text_ZEIT, {351, 105}},
                        {w->Text_DATUM, {702, 111}}};
        const QList<QObject *> order = w->children();
        for (const auto &o : overlays) {
            QCOMPARE(o.field->pos(), o.topLeft);
            QVERIFY(chart.contains(o.field->geometry()));
            // Later siblings are drawn on top.
            QVERIFY(order.indexOf(o.field) > order.indexOf(w->MSChart1));
            QCOMPARE(backColor(o.field), colours::kTeal);
            QCOMPARE(foreColor(o.field), colours::kYellow);
            QVERIFY(o.field->font().bold());
        }
        QCOMPARE(w->Text_WERT_MAX->font().pointSizeF(), 9.75);
        QCOMPARE(w->Text_ZEIT->font().pointSizeF(), 12.0);
        QCOMPARE(w->Text_DATUM->font().pointSizeF(), 8.25);
    }

    // Controls inside a frame are laid out by this program: each must lie inside its frame,
    // below the caption, and none may cover another (the orange rims lie behind their buttons
    // on purpose).
    void frameContentsNeitherOverlapNorSpill()
    {
        auto w = makeWindow();
        QStringList cutOff;
        for (QGroupBox *frame : w->findChildren<QGroupBox *>()) {
            const QRect inside(0, 0, frame->width(), frame->height());
            QList<QWidget *> kids;
            for (QObject *child : frame->children()) {
                auto *kid = qobject_cast<QWidget *>(child);
                if (kid && kid->isWidgetType() && !kid->isWindow())
                    kids << kid;
            }
            for (QWidget *kid : kids) {
                QVERIFY2(inside.contains(kid->geometry()),
                         qPrintable(frame->objectName() + "/" + kid->objectName()));
                if (!frame->title().isEmpty())
                    QVERIFY2(kid->y() >= 13, qPrintable(kid->objectName()));
                const QFontMetrics metrics(kid->font());
                const QString text = textOf(kid);
                // Captions need their text plus a little room (radio and check boxes: the box).
                const int room = qobject_cast<QLabel *>(kid) ? 0 : 4;
                const int indicator = kid->inherits("QRadioButton") || kid->inherits("QCheckBox") ? 20 : 0;
                if (!text.isEmpty() && !qobject_cast<QLineEdit *>(kid)
                    && metrics.horizontalAdvance(text) + room + indicator > kid->width())
                    cutOff << QStringLiteral("%1 needs %2, has %3")
                                  .arg(kid->objectName())
                                  .arg(metrics.horizontalAdvance(text) + room + indicator)
                                  .arg(kid->width());
            }
            for (int i = 0; i < kids.size(); ++i)
                for (int j = i + 1; j < kids.size(); ++j) {
                    const bool rim = kids[i] == w->Label4 || kids[i] == w->Label5
                                     || kids[j] == w->Label4 || kids[j] == w->Label5;
                    if (rim)
                        continue;
                    QVERIFY2(!kids[i]->geometry().intersects(kids[j]->geometry()),
                             qPrintable(kids[i]->objectName() + " overlaps "
                                        + kids[j]->objectName()));
                }
        }
        QVERIFY2(cutOff.isEmpty(), qPrintable(cutOff.join(QStringLiteral("; "))));
        // The rims surround their buttons.
        QVERIFY(w->Label4->geometry().contains(w->Command5->geometry()));
        QVERIFY(w->Label5->geometry().contains(w->Command1->geometry()));
        const QList<QObject *> rim = w->Frame11->children();
        QVERIFY(rim.indexOf(w->Label5) < rim.indexOf(w->Command1));
    }

    void statesColoursAndFonts()
    {
        auto w = makeWindow();
        QVERIFY(w->Option1->isChecked());
        QVERIFY(!w->Option2->isChecked());
        QCOMPARE(w->Check_AUTO->checkState(), Qt::Checked);
        QVERIFY(w->Option_100->isChecked());
        QVERIFY(!w->Option_ON->isChecked() && !w->Option_OFF->isChecked());
        QVERIFY(w->Option4->isChecked());
        QVERIFY(!w->Option3->isChecked());

        // Push-button look, one selection per frame.
        for (QPushButton *option : {w->Option_ON, w->Option_100, w->Option_OFF, w->Option3,
                                    w->Option4})
            QVERIFY(option->isCheckable() && option->autoExclusive());
        w->Option_OFF->click();
        QVERIFY(w->Option_OFF->isChecked() && !w->Option_100->isChecked());
        QVERIFY(w->Option4->isChecked()); // other frame untouched
        w->Option2->click();
        QVERIFY(w->Option2->isChecked() && !w->Option1->isChecked());

        for (QWidget *grey : std::initializer_list<QWidget *>{
                 w->Text_INPUT_BUFFER_COUNT, w->Text_ERGEBNIS, w->Text_ERGEBNIS_256,
                 w->TEXT_ERGEBNIS_PHASE, w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE, w->Text_STATUS,
                 w->Text_ANZAHL, w->Text_GROESSE})
            QCOMPARE(backColor(grey), colours::kGrey);
        QCOMPARE(backColor(w->Text_DIAGRAMM_ZAEHLER), QColor(49, 117, 112));
        QCOMPARE(backColor(w->Label4), QColor(255, 128, 0));
        QCOMPARE(backColor(w->Label5), QColor(255, 128, 0));

        QVERIFY(w->Frame2->font().bold());
        QCOMPARE(w->Frame2->font().pointSizeF(), 8.25);
        QVERIFY(!w->Command22->font().bold());
        QVERIFY(w->Command6->font().bold());  // snapshot and recording frames use bold
        QVERIFY(w->Option_ON->font().bold());
        QVERIFY(w->Command17->font().bold());
        QCOMPARE(w->Command5->font().pointSizeF(), 12.0);
        QVERIFY(w->Command5->font().bold());
        QCOMPARE(w->Command1->font().pointSizeF(), 9.75);
        QVERIFY(w->Command1->font().bold());
        QCOMPARE(w->Text2->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }

    void timers()
    {
        auto w = makeWindow(true);
        const struct {
            QTimer *timer;
            const char *name;
            int interval;
            bool active;
        } expected[] = {{w->Timer_START, "Timer_START", 1, true},
                        {w->Timer_DATEN, "Timer_DATEN", 10, true},
                        {w->Timer_ANZEIGE, "Timer_ANZEIGE", 100, true},
                        {w->Timer_WIEDERGABE, "Timer_WIEDERGABE", 1000, false}};
        for (const auto &e : expected) {
            QCOMPARE(e.timer->objectName(), QString::fromLatin1(e.name));
            QCOMPARE(e.timer->interval(), e.interval);
            QCOMPARE(e.timer->isActive(), e.active);
        }
    }

    void sharedStateStartsZeroed()
    {
        auto w = makeWindow();
        QCOMPARE(w->PI, 0.0);
        QCOMPARE(w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 0.0);
        QCOMPARE(w->DATENSATZ_ZAEHLER, 0.0);
        QCOMPARE(w->DATENSATZ_AKTIV, kFalse);
        QCOMPARE(w->SPEICHERN_A | w->SPEICHERN_B | w->SPEICHERN_C, 0);
        QVERIFY(w->DATEI_NAME.isEmpty() && w->DATEI_ZEILE.isEmpty());
        for (int i = 0; i <= 1100; ++i) {
            QCOMPARE(w->DATENPUNKTE(i), std::int16_t(0));
            QCOMPARE(w->ERGEBNIS_LISTE(i), 0.0);
        }
        for (int i = 0; i <= 2100; ++i)
            QCOMPARE(w->REFERENZ_SIGNAL(i), std::int16_t(0));
    }

    void arrayBoundsAreErrors()
    {
        auto w = makeWindow();
        w->DATENPUNKTE(1100) = 7;
        QCOMPARE(w->DATENPUNKTE(1100), std::int16_t(7));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)w->DATENPUNKTE(1101));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)w->DATENPUNKTE(-1));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)w->REFERENZ_SIGNAL(2101));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)w->ERGEBNIS_LISTE(1101));
        QCOMPARE(w->DATENPUNKTE(1099), std::int16_t(0)); // neighbours untouched
    }

    void exitClosesThePortAndStopsEverything()
    {
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        env.runTimers = true;
        frmHAUPT w(env);
        w.MSComm1->setPortOpen(true);
        QVERIFY(w.MSComm1->PortOpen());
        w.show();
        w.Command5->click();
        QVERIFY(!w.MSComm1->PortOpen());
        QVERIFY(!w.isVisible());
        for (QTimer *t : {w.Timer_START, w.Timer_DATEN, w.Timer_ANZEIGE, w.Timer_WIEDERGABE})
            QVERIFY(!t->isActive());
    }

    void exitWithClosedPortAsksNothing()
    {
        auto dialogs = std::make_shared<ScriptedDialogs>();
        frmHAUPT w(testEnvironment(m_dir.path(), dialogs));
        w.show();
        w.Command5_Click();
        QVERIFY(!w.isVisible());
        QVERIFY(dialogs->shown.isEmpty());
    }

    void closingTheWindowClosesThePort()
    {
        PseudoTerminal pty;
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        const QString path = pty.slavePath();
        env.serialDevice = [path](int) { return path; };
        frmHAUPT w(env);
        w.MSComm1->setPortOpen(true);
        w.show();
        QVERIFY(w.close());
        QVERIFY(!w.MSComm1->PortOpen());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
