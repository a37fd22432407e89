// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it opens: every control named, described and in its place; option groups
// and timers; the two ways the program ends; failures told in German.

#include "support/WindowFixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestWindow : public QObject, WindowSuite {
    Q_OBJECT

private slots:
    // The timers enabled at design time run, so that ending shows it stops them.
    void init()
    {
        open([](Environment &env) { env.runTimers = true; });
    }
    void cleanup() { m_f.reset(); }

    // Every control carries an identifier (found by it in code, tests and automation, unique),
    // lies inside its container; the frames and the chart do not overlap; inside a frame nothing
    // overlaps (but the orange rims behind EXIT and START), no caption is cut off, and exactly
    // one of its options is selected. The fields over the chart lie inside it and in front of it.
    void everyControlNamedPlacedAndReadable()
    {
        QStringList faults;
        const auto noOverlaps = [&faults](const QList<QWidget *> &widgets) {
            for (QWidget *a : widgets)
                for (QWidget *b : widgets)
                    if (a != b && a->geometry().intersects(b->geometry()))
                        faults << a->objectName() + u" overlaps "_qs + b->objectName();
        };
        QList<QWidget *> controls = m_w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QList<QWidget *> bands{chart(*m_w)}; // the status line and RESET lie apart
        for (QGroupBox *frame : m_w->findChildren<QGroupBox *>()) {
            bands << frame;
            const int caption = frame->title().isEmpty() ? 0 : 13;
            QList<QWidget *> solid; // all but the rims
            int options = 0, selected = 0;
            for (QWidget *kid : frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                controls << kid;
                if (kid->objectName() != u"Label4" && kid->objectName() != u"Label5")
                    solid << kid;
                if (!QRect(0, caption, frame->width(), frame->height() - caption)
                         .contains(kid->geometry()))
                    faults << kid->objectName() + u" spills"_qs;
                // Buttons need 4 pixels of room, option and check boxes 20 more for the mark.
                const int room = kid->inherits("QAbstractButton") ? 4 : 0;
                const int mark =
                    kid->inherits("QRadioButton") || kid->inherits("QCheckBox") ? 20 : 0;
                const int width =
                    QFontMetrics(kid->font()).horizontalAdvance(kid->property("text").toString());
                if (!qobject_cast<QLineEdit *>(kid) && width + room + mark > kid->width())
                    faults << kid->objectName() + u" cuts off its caption"_qs;
                if (auto *b = qobject_cast<QAbstractButton *>(kid); b && b->autoExclusive()) {
                    ++options;
                    selected += b->isChecked();
                }
            }
            if (options > 0 && selected != 1)
                faults << frame->objectName() + u" has %1 options selected"_qs.arg(selected);
            noOverlaps(solid);
        }
        noOverlaps(bands);
        QSet<QString> names;
        for (QWidget *c : controls) {
            const QString name = c->objectName();
            if (name.isEmpty() || names.contains(name))
                faults << u"unnamed or repeated: "_qs + name + u' ' + c->metaObject()->className();
            names << name;
            if (!c->isEnabled() || c->isHidden())
                faults << name + u" disabled or hidden"_qs;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_qs)));
        QVERIFY(button(*m_w, "Option1")->isChecked() && button(*m_w, "Option_100")->isChecked());
        QVERIFY(control(*m_w, "Label5")->geometry().contains(button(*m_w, "Command1")->geometry()));
        const QList<QObject *> order = m_w->children();
        for (const char *overlay : {"Text_WERT_MAX", "Text_WERT_MIN", "Text_ZEIT", "Text_DATUM"}) {
            QVERIFY(chart(*m_w)->geometry().contains(field(*m_w, overlay)->geometry()));
            QVERIFY(order.indexOf(field(*m_w, overlay)) > order.indexOf(chart(*m_w))); // on top
        }
    }

    // Closing the window ends the program as EXIT does (the EXIT tests of tst_receiver and
    // tst_simulation_window): the port closed and every timer stopped (the design-time ones run
    // from the window's creation, playback does not), asking nothing.
    void closing()
    {
        QCOMPARE(runningTimers(*m_w).join(u' '), u"Timer_ANZEIGE Timer_DATEN Timer_START"_qs);
        port(*m_w)->setPortOpen(true);
        m_w->show();
        QVERIFY(m_w->close());
        QVERIFY(!port(*m_w)->PortOpen() && !m_w->isVisible());
        QCOMPARE(runningTimers(*m_w), QStringList());
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // A failure that reaches a handler without handling of its own is told in German, what
    // could not be done first and the technical detail after it; the window stays usable.
    void unhandledFailureIsToldInGerman()
    {
        m_w->state().xLength = 0.4; // no chart of 0 rows can be drawn
        button(*m_w, "Command3")->click();
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).join(u'|').section(u'\n', 0, 1),
                 QStringLiteral("Das Zurücksetzen des Diagramms ist nicht gelungen.\n"));
        QVERIFY(m_dialogs->shown.last().text.contains(QStringLiteral("Technische Angabe: ")));
        button(*m_w, "Command9")->click(); // a preset of 500 then draws
        QCOMPARE(int(chart(*m_w)->RowCount()), 500);
        QCOMPARE(m_dialogs->shown.size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
