// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it opens, and as assistive technology and the keyboard reach it through Qt's
// accessibility interface: every control in its place and announced as seen, every click
// reachable without a mouse, the help and PORT boxes readable and operable.

#include "support/WindowFixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace kurvomat;
using namespace kurvomat::testing;

namespace {
const auto a11y = &QAccessible::queryAccessibleInterface;
QString nameOf(QObject *object, QAccessible::Text text = QAccessible::Name)
{
    return a11y(object)->text(text);
}
// Runs an action of the accessibility interface, as assistive technology and GUI robots do.
void act(QObject *object, const QString &action)
{
    QVERIFY2(a11y(object)->actionInterface()->actionNames().contains(action),
             qPrintable(object->objectName() + u' ' + action));
    a11y(object)->actionInterface()->doAction(action);
}
// Runs `step`, which opens a modal box now or soon, and `operate` on it once it has the focus.
// `operate` must close it, and no other box may follow (any box left open or following is
// closed, so that the suite goes on, and the test fails).
void withBox(const std::function<void()> &step, const std::function<void(QDialog *)> &operate)
{
    int boxes = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box || !box->isAncestorOf(QApplication::focusWidget())
            || box->property("seen").toBool())
            return;
        box->setProperty("seen", true);
        if (++boxes > 1)
            return box->reject();
        QTimer::singleShot(2000, box, [&boxes, box] { boxes += 10, box->reject(); });
        operate(box);
    });
    poll.start(10);
    step();
    QTRY_VERIFY2(boxes > 0, "no box opened");
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(boxes, 1);
}
} // namespace

class TestAccessibility : public QObject, WindowSuite {
    Q_OBJECT

    QList<SerialPortEntry> m_ports; // the serial ports the system reports

private slots:
    // Real dialogs; the window shown and active, so that keys go where the focus is.
    void init()
    {
        m_ports.clear();
        open([this](Environment &env) {
            env.dialogs = makeQtDialogs();
            env.serialPorts = [this] { return m_ports; };
        });
        m_w->show();
        m_w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w));
    }

    // Every control carries an identifier (found by it in code, tests and automation, unique),
    // lies inside its container; the frames and the chart do not overlap; inside a frame nothing
    // overlaps (but the orange rims behind EXIT and START), no caption is cut off, and exactly
    // one of its options is selected. The fields over the chart lie inside it and in front of it.
    // Announced is what a sighted user reads: the caption, the label before a field (its colon
    // dropped), else the field's tool tip, else a plain word; the window's title. The tool tip
    // is the description. Names follow the captions that start-up and START/STOP change.
    void everyControlPlacedAndAnnouncedAsSeen()
    {
        m_w->startUp(); // the version into the title, the port opened
        m_w->refreshStatus(); // "STOP"
        QCOMPARE(nameOf(m_w).left(11) + nameOf(button(*m_w, "Command1")), u"KURVOMAT V:STOP"_qs);
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
        const QMap<QString, QString> words{{"Text_STATUS", "Status"},
                                           {"Text_DIAGRAMM_ZAEHLER", "Punktzähler"},
                                           {"MSChart1", "Messkurve"}};
        QSet<QString> names;
        for (QWidget *c : controls) {
            const QString name = c->objectName();
            if (name.isEmpty() || names.contains(name))
                faults << u"unnamed or repeated: "_qs + name + u' ' + c->metaObject()->className();
            names << name;
            if (!c->isEnabled() || c->isHidden())
                faults << name + u" disabled or hidden"_qs;
            QString shown = c->property(c->inherits("QGroupBox") ? "title" : "text").toString();
            if (qobject_cast<QLineEdit *>(c) || c == chart(*m_w))
                shown = words.value(name, c->toolTip().trimmed());
            for (QLabel *label : c->parentWidget()->findChildren<QLabel *>()) {
                const QRect l = label->geometry(), f = c->geometry();
                if (qobject_cast<QLineEdit *>(c) && l.right() < f.left() && l.right() > f.left() - 8
                    && l.top() < f.bottom() && f.top() < l.bottom())
                    shown = label->text().chopped(1);
            }
            if (nameOf(c) != shown || nameOf(c, QAccessible::Description) != c->toolTip())
                faults << name + u" announced as "_qs + nameOf(c);
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

    // Tab walks band by band, frame by frame from the left, every button and field (each named),
    // entering each option group at its selected option.
    void tabOrder()
    {
        QList<QWidget *> seen{field(*m_w, "Text2")};
        seen.first()->setFocus();
        while (QTest::keyClick(seen.last(), Qt::Key_Tab),
               QApplication::focusWidget() != seen[0] && seen.size() < 100)
            seen << QApplication::focusWidget();
        QPair<int, int> last{0, 0};
        for (QWidget *w : seen) {
            QWidget *frame = qobject_cast<QGroupBox *>(w->parentWidget()) ? w->parentWidget() : w;
            const int y = w->mapTo(m_w, QPoint()).y();
            const QPair<int, int> place{y < 76 ? 0 : y < 486 ? 1 : y < 531 ? 2 : 3, frame->x()};
            QVERIFY2(last <= place && !nameOf(w).isEmpty(), qPrintable(w->objectName()));
            last = place;
        }
        for (QAbstractButton *b : m_w->findChildren<QAbstractButton *>())
            QVERIFY2(seen.contains(b) == (!b->autoExclusive() || b->isChecked()),
                     qPrintable(b->objectName()));
        for (QLineEdit *f : m_w->findChildren<QLineEdit *>())
            QVERIFY2(seen.contains(f), qPrintable(f->objectName()));
    }

    // Playback by the bus (Toggle selects RUN and starts it, "||" is selected; it ends playback
    // at the next tick) and by keys: the arrows select within the group, Space and Enter click
    // (a click on RUN closes the port; what it plays is tst_window's). Presets by Press, Space
    // and Enter; Enter opens the X-axis and settings entries.
    void busAndKeyboard()
    {
        QStringList seen;
        const auto step = [&](const std::function<void()> &operate) {
            port(*m_w)->setPortOpen(true);
            operate();
            seen << (button(*m_w, "Option3")->isChecked() ? u"RUN"_qs : u"||"_qs)
                    + (timer(*m_w, "Timer_WIEDERGABE")->isActive() ? u'+' : u'-')
                    + (port(*m_w)->PortOpen() ? u'o' : u'c');
        };
        for (const char *option : {"Option3", "Option4"})
            step([&] { act(button(*m_w, option), QAccessibleActionInterface::toggleAction()); });
        button(*m_w, "Option4")->setFocus();
        for (const auto key : {Qt::Key_Left, Qt::Key_Space, Qt::Key_Return, Qt::Key_Right})
            step([&] { QTest::keyClick(QApplication::focusWidget(), key); });
        QCOMPARE(seen.join(u", "_qs), u"RUN+c, ||+o, RUN+c, RUN+c, RUN+c, ||+o"_qs);
        act(button(*m_w, "Command9"), QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_w->state().xLength, 500.0);
        QTest::keyClick(button(*m_w, "Command7"), Qt::Key_Space);
        QCOMPARE(m_w->state().xLength, 300.0);
        QTest::keyClick(button(*m_w, "Command14"), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_w->state().xLength, 1000.0);
        port(*m_w)->setPortOpen(false);
        for (const char *entry : {"Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE", "Text2"})
            withBox([&] { QTest::keyClick(field(*m_w, entry), Qt::Key_Return); },
                    [](QDialog *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QVERIFY(!button(*m_w, "Check_AUTO")->isChecked() && port(*m_w)->PortOpen());
    }

    // A help box opened by the bus has its text reachable by Tab and heard there, and closes by
    // Escape.
    void helpBoxes()
    {
        for (const auto &[help, text] : {std::pair{"Command23", u"Datenprotololl:"_qs},
                                         std::pair{"Command24", u"Kreuzkorrelation"_qs}}) {
            withBox([&] { act(button(*m_w, help), QAccessibleActionInterface::pressAction()); },
                    [&](QDialog *box) {
                        QCOMPARE(nameOf(box), u"KURVOMAT"_qs);
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                        QVERIFY(nameOf(QApplication::focusWidget()).contains(text));
                        QTest::keyClick(box, Qt::Key_Escape);
                    });
        }
    }

    void portBox_data()
    {
        QTest::addColumn<bool>("portsFound");
        QTest::addColumn<QString>("typed"); // "" picks the first port listed
        QTest::newRow("picked") << true << "";
        QTest::newRow("number typed") << true << "1";
        QTest::newRow("none found, path typed") << false << "pty";
    }

    // The PORT box asks as before (title, prompt heard with the entry, default) and lists the
    // ports found by system name, description and maker; a pick opens that port, a typed
    // answer is read as before.
    void portBox()
    {
        QFETCH(bool, portsFound);
        QFETCH(QString, typed);
        if (portsFound)
            m_ports = {{m_f->device, "Messgerät", "KURVOMAT"}, {"ttyKURVOMAT_NONE", "", " "}};
        QString asked;
        withBox([&] { act(button(*m_w, "Command22"), QAccessibleActionInterface::pressAction()); },
                [&](QDialog *box) {
                    QWidget *entry = QApplication::focusWidget();
                    asked =
                        box->windowTitle() + u'|' + qobject_cast<QInputDialog *>(box)->textValue();
                    for (const auto &label : a11y(entry)->relations(QAccessible::Label))
                        asked += u'|' + label.first->text(QAccessible::Name); // heard with it
                    if (auto *list = qobject_cast<QComboBox *>(entry)) {
                        for (int i = 0; i < list->count(); ++i)
                            asked += u'|' + list->itemText(i);
                        list->setCurrentIndex(typed.isEmpty() ? 0 : 1);
                    }
                    QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(entry, typed == u"pty"_qs ? m_f->device : typed);
                    QTest::keyClick(entry, Qt::Key_Return);
                });
        QCOMPARE(asked,
                 u"PORT|1|PORT-Nummer eingeben"_qs
                     + (portsFound
                            ? u'|' + m_f->device + u" (Messgerät, KURVOMAT)|ttyKURVOMAT_NONE"_qs
                            : QString()));
        QVERIFY(port(*m_w)->PortOpen());
        QCOMPARE(port(*m_w)->deviceName(), typed == u"1"_qs ? QString() : m_f->device);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
