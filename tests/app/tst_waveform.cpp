// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing on the chart point by point after a reset, the X-axis controls, and the chart's context
// menu: its picture saved as PNG or SVG and copied, exactly as shown.

#include "support/WindowFixture.h"

#include <QClipboard>
#include <QMenu>
#include <QSvgRenderer>
#include <QtCharts>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestWaveform : public QObject, WindowSuite {
    Q_OBJECT

    void draw(std::initializer_list<double> values)
    {
        for (double v : values)
            m_w->drawPoint(v);
        m_w->flushPointFields();
    }
    QString fields() const
    {
        return texts(*m_w, {"Text_DIAGRAMM_ZAEHLER", "Text_WERT_MAX", "Text_WERT_MIN"});
    }
    void type(const char *name, const QString &text)
    {
        field(*m_w, name)->selectAll();
        QTest::keyClicks(field(*m_w, name), text);
    }

    // Opens the menu as the platform does for a right click, or for the Menu key (at the focus
    // widget), and chooses `entry`.
    static void choose(QWidget *chart, const QString &entry, QContextMenuEvent::Reason reason)
    {
        auto *view = chart->findChild<QChartView *>();
        QWidget *target = view->viewport();
        if (reason == QContextMenuEvent::Keyboard) {
            view->setFocus();
            target = QApplication::focusWidget();
        }
        QContextMenuEvent event(reason, QPoint(40, 40));
        QApplication::sendEvent(target, &event);
        auto *menu = chart->findChild<QMenu *>(QStringLiteral("Menu_DIAGRAMM"));
        QVERIFY(menu);
        for (QAction *action : menu->actions())
            if (action->text() == entry)
                action->trigger();
        delete menu;
    }

private slots:
    void init()
    {
        open();
        m_w->state().xLength = 1000;
    }
    void cleanup() { m_f.reset(); }

    void resetLabelsEveryHundredthRow_data()
    {
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("labels");
        QTest::newRow("250") << 250.0 << 250 << "100 200";
        QTest::newRow("1100") << 1100.0 << 1100 << "100 200 300 400 500 600 700 800 900 1000";
        QTest::newRow("99") << 99.0 << 99 << "";
        QTest::newRow("half to even") << 100.5 << 100 << "100";
    }

    // A reset of a 1000-row chart empties it to the length's rows, labelled on the X axis at
    // every hundredth row up to 1000, and restarts the extremes; the counter keeps the previous
    // count until the next point.
    void resetLabelsEveryHundredthRow()
    {
        QFETCH(double, length);
        QFETCH(int, rows);
        QFETCH(QString, labels);
        m_w->resetChart();
        draw({3, 4});
        m_w->state().xLength = length;
        m_w->resetChart();
        m_w->flushPointFields();
        chart(*m_w)->flush();
        QCOMPARE(chart(*m_w)->shownRowCount(), rows);
        for (int row = 1; row <= rows; ++row)
            QCOMPARE(chart(*m_w)->value(row), 0.0);
        auto *axis = qobject_cast<QCategoryAxis *>(
            chart(*m_w)->findChild<QChartView *>()->chart()->axes(Qt::Horizontal).value(0));
        QCOMPARE(axis->categoriesLabels().join(u' '), labels);
        for (const QString &label : axis->categoriesLabels())
            QCOMPARE(axis->endValue(label), label.toDouble());
        QCOMPARE(fields(), QStringLiteral("2 DATEN-Punkte|-9999|9999"));
    }

    // Every point is counted and drawn, also beyond the rows, and moves the extremes, written in
    // the regional format and read back from their fields: typed text counts and stays until a
    // point passes it, and a text that is not a number stops that point before the chart is
    // written (after it was counted). A value beyond both start values never reaches the other.
    void pointsKeepCounterAndExtremes()
    {
        button(*m_w, "Check_AUTO")->setChecked(false);
        m_w->state().xLength = 2;
        m_w->resetChart();
        const std::pair<double, const char *> steps[] = {{5, "1 DATEN-Punkte|5|5"},
                                                         {-3, "2 DATEN-Punkte|5|-3"},
                                                         {12.5, "3 DATEN-Punkte|12,5|-3"}};
        for (const auto &[value, expected] : steps) {
            draw({value});
            QCOMPARE(fields(), QString::fromLatin1(expected));
        }
        QCOMPARE(chart(*m_w)->value(3), 12.5);
        QCOMPARE(m_w->state().xLength, 2.0); // not automatic
        type("Text_WERT_MAX", QStringLiteral("100,0"));
        type("Text_WERT_MIN", QStringLiteral("-7,0"));
        draw({50, 100, -7}); // equal values leave the typed texts
        QCOMPARE(fields(), QStringLiteral("6 DATEN-Punkte|100,0|-7,0"));
        type("Text_WERT_MAX", QStringLiteral("abc"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, m_w->drawPoint(60));
        QCOMPARE(m_w->state().pointCount, std::int16_t(7));
        QCOMPARE(chart(*m_w)->shownRowCount(), 6);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_w->resetChart();
        draw({10000, 20000.5});
        QCOMPARE(fields(), QStringLiteral("2 DATEN-Punkte|20000.5|9999"));
    }

    // A preset chooses the length and ends "automatisch"; with it the length follows the points,
    // which repaint the chart once per turn; RESET keeps mode and length. (Which preset gives
    // which length is a table; tst_accessibility presses three of them.)
    void presetsAutomaticLengthAndReset()
    {
        button(*m_w, "Check_AUTO")->setChecked(true);
        button(*m_w, "Command2")->click();
        QVERIFY(!button(*m_w, "Check_AUTO")->isChecked());
        QCOMPARE(int(chart(*m_w)->RowCount()), 100);
        button(*m_w, "Check_AUTO")->setChecked(true);
        chart(*m_w)->flush();
        const int before = chart(*m_w)->rebuildCount();
        for (int i = 0; i < 370; ++i)
            m_w->drawPoint(i % 50);
        QTRY_COMPARE(chart(*m_w)->rebuildCount(), before + 1);
        QCOMPARE(fields(), QStringLiteral("370 DATEN-Punkte|49|0"));
        QCOMPARE(m_w->state().xLength, 370.0);
        button(*m_w, "Command3")->click();
        QVERIFY(button(*m_w, "Check_AUTO")->isChecked());
        QCOMPARE(int(chart(*m_w)->RowCount()), 370);
        QCOMPARE(chart(*m_w)->value(1), 0.0);
    }

    void entry_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("refusals");
        QTest::newRow("cancel") << QStringList{} << 250.0 << 0;
        QTest::newRow("decimal comma") << QStringList{"2,5"} << 2.5 << 0;
        QTest::newRow("refused, then the lowest")
            << QStringList{"0", "0,5", "abc", "1"} << 1.0 << 3;
        QTest::newRow("refused, then the highest")
            << QStringList{"1001", "12.5abc", " 1000 "} << 1000.0 << 2;
    }

    // "automatisch" is cleared even on Cancel; each refused answer is named with the allowed
    // range and offered again as the default.
    void entry()
    {
        QFETCH(QStringList, answers);
        QFETCH(double, length);
        QFETCH(int, refusals);
        m_w->state().xLength = 250;
        m_dialogs->inputAnswers = answers;
        QTest::mouseDClick(field(*m_w, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE"), Qt::LeftButton);
        QVERIFY(!button(*m_w, "Check_AUTO")->isChecked());
        QCOMPARE(m_w->state().xLength, length);
        const auto &first = m_dialogs->shown.first();
        QCOMPARE(first.text + '|' + first.title + '|' + first.defaultText,
                 QStringLiteral("Wert von 1 bis 1000 eingeben|X-ACHSE|250"));
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), refusals);
        for (int i = 0; i < refusals; ++i) {
            QVERIFY(warnings[i].contains(QStringLiteral("1 bis 1000")));
            QVERIFY(warnings[i].contains(u'"' + answers[i] + u'"'));
            QCOMPARE(m_dialogs->shown[2 * i + 2].defaultText, answers[i]);
        }
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

    // The PNG has the chart's size and the fields drawn over the chart (where the curve lies
    // is tst_mschart's); the SVG spans the chart; the clipboard holds the PNG's picture. A file
    // that cannot be written is reported in the window's style; a cancelled dialog writes nothing.
    void pictureSavedAndCopied()
    {
        QWidget *chart = kurvomat::testing::chart(*m_w);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w));
        const QString png = m_f->file(QStringLiteral("bild.png"));
        const QString svg = m_f->file(QStringLiteral("bild.SVG"));
        m_dialogs->saveAnswers << png << svg << m_f->file(QStringLiteral("fehlt/bild.png"));
        for (auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard,
                            QContextMenuEvent::Mouse, QContextMenuEvent::Mouse})
            choose(chart, QStringLiteral("Bild speichern…"), reason);
        choose(chart, QStringLiteral("Kopieren"), QContextMenuEvent::Mouse);

        const QImage image(png);
        QCOMPARE(image.size(), chart->size());
        const QRect max = field(*m_w, "Text_WERT_MAX")->geometry();
        QCOMPARE(image.pixelColor(max.topLeft() - chart->pos() + QPoint(2, 2)),
                 QColor(0, 128, 128));
        QCOMPARE(QSvgRenderer(svg).viewBox(), chart->rect());
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(image.format()), image);

        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(u"Das Speichern des Bildes ist nicht gelungen."),
                 qPrintable(warnings[0]));
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
                 QStringList({"bild.png", "bild.SVG"}));
    }
};

QTEST_MAIN(TestWaveform)
#include "tst_waveform.moc"
