// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it opens: every control named, described and in its place; option groups
// and timers; the two ways the program ends; failures told in German.

#include "app/Widgets.h"
#include "support/WindowFixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

// A widget as it paints itself, without its children.
static QImage picture(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, {}, {}, QWidget::DrawWindowBackground);
    return image;
}

class TestWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    MainWindow *m_w = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;

private slots:
    // The timers enabled at design time run, so that ending shows it stops them.
    void init()
    {
        m_f = std::make_unique<WindowFixture>([](Environment &env) { env.runTimers = true; });
        m_w = m_f->window.get();
        m_dialogs = m_f->dialogs.get();
    }
    void cleanup() { m_f.reset(); }

    // Every control carries an identifier (found by it in code, tests and automation, unique),
    // lies inside its container; the frames and the chart do not overlap; inside a frame nothing
    // overlaps (but the orange rims behind EXIT and START), and no caption is cut off. The
    // fields over the chart lie inside it and in front of it.
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
            }
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
        QCOMPARE(names.size(), 67); // every control of the window, the port and timers apart
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_qs)));
        QVERIFY(control(*m_w, "Label5")->geometry().contains(button(*m_w, "Command1")->geometry()));
        const QList<QObject *> order = m_w->children();
        for (const char *overlay : {"Text_WERT_MAX", "Text_WERT_MIN", "Text_ZEIT", "Text_DATUM"}) {
            QVERIFY(chart(*m_w)->geometry().contains(field(*m_w, overlay)->geometry()));
            QVERIFY(order.indexOf(field(*m_w, overlay)) > order.indexOf(chart(*m_w))); // on top
        }
        QCOMPARE(m_w->size(), QSize(846, 581));
    }

    // The frames paint what a group box paints, also after their caption, colour or font
    // changed since they were last painted.
    void framesPaintAsGroupBoxes()
    {
        const auto asGroupBox = [&](QGroupBox *frame) {
            QGroupBox plain(frame->title(), frame->parentWidget()); // inherits as the frame does
            plain.setFont(frame->font());
            plain.setPalette(frame->palette());
            plain.setAutoFillBackground(frame->autoFillBackground());
            plain.resize(frame->size());
            return picture(frame) == picture(&plain);
        };
        const QList<QGroupBox *> frames = m_w->findChildren<QGroupBox *>();
        QCOMPARE(frames.size(), 11);
        for (QGroupBox *frame : frames)
            QVERIFY2(asGroupBox(frame), qPrintable(frame->objectName()));
        QGroupBox *frame = frames.front();
        frame->setTitle(QStringLiteral("Neu"));
        QVERIFY(asGroupBox(frame));
        setBackColor(frame, colours::kOrange);
        QVERIFY(asGroupBox(frame));
        frame->setFont(QFont(frame->font().family(), 14));
        QVERIFY(asGroupBox(frame));
    }

    // The fields paint what the application's style paints, also after their colour or state
    // changed since they were last painted.
    void fieldsPaintAsTheStyle()
    {
        const auto asStyle = [](QLineEdit *field) {
            const QImage own = picture(field);
            QStyle *style = field->style();
            field->setStyle(QApplication::style());
            const QImage plain = picture(field);
            field->setStyle(style);
            return own == plain;
        };
        for (QLineEdit *field : m_w->findChildren<QLineEdit *>())
            QVERIFY2(asStyle(field), qPrintable(field->objectName()));
        auto *field = m_w->findChild<QLineEdit *>(QStringLiteral("Text_INPUT_BUFFER_COUNT"));
        setBackColor(field, colours::kLightGreen);
        QVERIFY(asStyle(field));
        m_w->show();
        m_w->activateWindow();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QVERIFY(asStyle(field));
    }

    // The option buttons of one frame exclude each other, and only those.
    void optionGroups()
    {
        const auto checked = [this](const char *name) { return button(*m_w, name)->isChecked(); };
        QVERIFY(checked("Option1") && checked("Option_100") && checked("Option4"));
        button(*m_w, "Option_OFF")->click();
        button(*m_w, "Option2")->click();
        QVERIFY(checked("Option_OFF") && !checked("Option_100") && !checked("Option_ON"));
        QVERIFY(checked("Option2") && !checked("Option1") && checked("Option4"));
    }

    void ending_data()
    {
        QTest::addColumn<bool>("viaExit");
        QTest::newRow("EXIT") << true;
        QTest::newRow("window closed") << false;
    }

    // EXIT and closing the window both close the port and stop every timer (the design-time
    // ones run from the window's creation, playback does not), asking nothing.
    void ending()
    {
        QFETCH(bool, viaExit);
        QCOMPARE(runningTimers(*m_w).join(u' '), u"Timer_ANZEIGE Timer_DATEN Timer_START"_qs);
        port(*m_w)->setPortOpen(true);
        m_w->show();
        if (viaExit)
            button(*m_w, "Command5")->click();
        else
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
