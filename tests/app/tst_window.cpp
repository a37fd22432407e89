// The main window as it opens: every control named, described and in its place; option groups
// and timers; the state at creation; the two ways the program ends; failures told in German.

#include "acquisition/MSComm.h"
#include "app/Widgets.h"
#include "app/MainWindow.h"
#include "display/MSChart.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"
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
    std::unique_ptr<MainWindow> makeWindow(QString device = {})
    {
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        if (!device.isEmpty())
            env.serialDevice = [device](int) { return device; };
        return std::make_unique<MainWindow>(env);
    }

private slots:
    // Every control carries an identifier (found by it in code, tests and automation, unique),
    // a name and a description for assistive technology (its tool tip where it has one), and
    // lies inside its container; the frames and the chart do not overlap; inside a frame nothing
    // overlaps (but the orange rims behind EXIT and START), and no caption is cut off. The
    // fields over the chart lie inside it and in front of it.
    void everyControlNamedPlacedAndReadable()
    {
        auto w = makeWindow();
        QStringList faults;
        QSet<QString> names;
        const QList<QWidget *> top = w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QList<QWidget *> controls = top;
        for (QGroupBox *frame : w->findChildren<QGroupBox *>())
            controls += frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *c : controls) {
            const QString name = c->objectName();
            if (name.isEmpty() || names.contains(name))
                faults << u"unnamed or repeated: "_qs + name + u" "_qs + c->metaObject()->className();
            names << name;
            if (c->accessibleName().isEmpty() || c->accessibleDescription().isEmpty())
                faults << name + u" not described"_qs;
            if (!c->toolTip().isEmpty() && c->accessibleDescription() != c->toolTip())
                faults << name + u" described apart from its tool tip"_qs;
            if (!c->isEnabled() || c->isHidden())
                faults << name + u" disabled or hidden"_qs;
        }
        QCOMPARE(names.size(), 67); // every control of the window, the port and timers apart
        for (QWidget *c : top) // the bands: frames, chart, status line, RESET
            for (QWidget *other : top)
                if (c != other && c->geometry().intersects(other->geometry())
                    && (qobject_cast<QGroupBox *>(c) || c == chart(*w))
                    && (qobject_cast<QGroupBox *>(other) || other == chart(*w)))
                    faults << c->objectName() + u" overlaps "_qs + other->objectName();
        for (QGroupBox *frame : w->findChildren<QGroupBox *>()) {
            const QList<QWidget *> kids = frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            const int captionHeight = frame->title().isEmpty() ? 0 : 13;
            for (QWidget *kid : kids) {
                if (!QRect(0, captionHeight, frame->width(), frame->height() - captionHeight)
                         .contains(kid->geometry()))
                    faults << kid->objectName() + u" spills"_qs;
                const int indicator =
                    kid->inherits("QRadioButton") || kid->inherits("QCheckBox") ? 20 : 0;
                const int room = qobject_cast<QAbstractButton *>(kid) ? 4 : 0;
                if (!qobject_cast<QLineEdit *>(kid)
                    && QFontMetrics(kid->font()).horizontalAdvance(textOf(kid)) + room + indicator
                           > kid->width())
                    faults << kid->objectName() + u" cuts off its caption"_qs;
                const bool rim = kid->objectName() == u"Label4" || kid->objectName() == u"Label5";
                for (QWidget *other : kids)
                    if (other != kid && !rim && other->objectName() != u"Label4"
                        && other->objectName() != u"Label5"
                        && kid->geometry().intersects(other->geometry()))
                        faults << kid->objectName() + u" overlaps "_qs + other->objectName();
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_qs)));
        QVERIFY(control(*w, "Label5")->geometry().contains(button(*w, "Command1")->geometry()));
        const QList<QObject *> order = w->children();
        for (const char *overlay : {"Text_WERT_MAX", "Text_WERT_MIN", "Text_ZEIT", "Text_DATUM"}) {
            QVERIFY(chart(*w)->geometry().contains(field(*w, overlay)->geometry()));
            QVERIFY(order.indexOf(field(*w, overlay)) > order.indexOf(chart(*w))); // on top
        }
        QCOMPARE(w->size(), QSize(846, 581));
    }

    // The option buttons of one frame exclude each other, and only those; the design-time
    // timers run from the window's creation, the playback timer does not.
    void optionGroupsAndTimers()
    {
        auto env = testEnvironment(m_dir.path(), std::make_shared<ScriptedDialogs>());
        env.runTimers = true;
        MainWindow w(env);
        const auto checked = [&](const char *name) { return button(w, name)->isChecked(); };
        QVERIFY(checked("Option1") && checked("Option_100") && checked("Option4"));
        button(w, "Option_OFF")->click();
        button(w, "Option2")->click();
        QVERIFY(checked("Option_OFF") && !checked("Option_100") && !checked("Option_ON"));
        QVERIFY(checked("Option2") && !checked("Option1") && checked("Option4"));
        for (const char *name : {"Timer_START", "Timer_DATEN", "Timer_ANZEIGE"})
            QVERIFY2(timer(w, name)->isActive(), name);
        QVERIFY(!timer(w, "Timer_WIEDERGABE")->isActive());
    }

    void sharedStateStartsZeroed()
    {
        auto w = makeWindow();
        QCOMPARE(w->state().pi + w->state().xLength + w->state().recordCounter, 0.0);
        const MeasurementState &s = w->state();
        QVERIFY(!s.snapshotRequests[0] && !s.snapshotRequests[1] && !s.snapshotRequests[2]);
        for (int i = 0; i <= 2100; ++i)
            QVERIFY(s.reference(i) == 0 && (i > 1100 || (s.samples(i) == 0 && s.sweepMaxima(i) == 0)));
    }

    // EXIT and closing the window both close the port and stop every timer, asking nothing.
    void endingClosesThePort()
    {
        PseudoTerminal pty;
        for (bool viaExit : {true, false}) {
            auto w = makeWindow(pty.slavePath());
            port(*w)->setPortOpen(true);
            w->show();
            if (viaExit)
                button(*w, "Command5")->click();
            else
                QVERIFY(w->close());
            QVERIFY(!port(*w)->PortOpen() && !w->isVisible());
            for (QTimer *t : w->findChildren<QTimer *>())
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
        w->state().xLength = 0.4; // no chart of 0 rows can be drawn
        button(*w, "Command3")->click();
        QCOMPARE(dialogs->texts(QStringLiteral("warning")).join(u'|').section(u'\n', 0, 1),
                 QStringLiteral("Das Zurücksetzen des Diagramms ist nicht gelungen.\n"));
        QVERIFY(dialogs->shown.last().text.contains(QStringLiteral("Technische Angabe: ")));
        button(*w, "Command9")->click(); // a preset of 500 then draws
        QCOMPARE(int(chart(*w)->RowCount()), 500);
        QCOMPARE(dialogs->shown.size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
