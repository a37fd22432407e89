// SPDX-License-Identifier: GPL-3.0-or-later
// The window after start-up: the simulator buttons and the correlation boxes; the program's end
// by EXIT and by closing the window; drawing on the chart point by point after a reset, the
// curve and its Y axis, the X-axis controls, the chart's picture saved and copied as shown; the
// storage step of each frame (recording, counter, size cap, snapshots), loading snapshots and
// playing the recording back.

#include "app/Widgets.h"
#include "support/Files.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QMenu>
#include <QSvgRenderer>
#include <QtCharts>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::testing;
using Values = QList<int>;

// A widget as it paints itself, without its children.
static QImage picture(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, {}, {}, QWidget::DrawWindowBackground);
    return image;
}

// A record (number and date in `head`) at 14:03:27:41, ERGEBNIS 1234567, as the window writes it.
QByteArray record(const char *count, Values values, const char *head = "000.012 05.12.05")
{
    QByteArray r = head + QByteArray("  14:03:27:41 01.234.567 ") + count + "  DATEN: #";
    for (int v : values)
        r += (v < 0 ? "" : " ") + QByteArray::number(v) + " #";
    return r + "*****";
}

// Snapshot A (null: no file), the refusal shown, the samples stored, the X axis automatic.
struct Load {
    QByteArray file;
    QString message;
    Values stored;
    bool autoAxis = true;
};
// Recording; steps R "RUN", P "||", T tick, A load A; after each: day, timer +/-, messages shown.
struct Run {
    QByteArray recording;
    QString steps;
    QString states;
};
Q_DECLARE_METATYPE(Load)
Q_DECLARE_METATYPE(Run)

// The worked example: record 12 on 05.12.2005 14:03:27,41, ERGEBNIS 1234567, N = 5.
const QByteArray kWorkedExample = record("0.005", {128, 130, 255, 0, 7}) + "\r\n";

QByteArray workedExample(const char *n)
{
    return QByteArray(kWorkedExample).replace(0, 7, n);
}

class TestWindow : public QObject, WindowSuite {
    Q_OBJECT

    int m_eventRounds = 0;
    std::function<void()> m_firstEventRound; // what the user does when the sweep first yields

    QString results() const { return m_f->file(u"AUSGABE_OSZI_ERGEBNIS_KREUZ_KORRELATON.txt"_qs); }
    QString boxes() const
    {
        return texts(*m_w, {"Text_ERGEBNIS", "Text_ERGEBNIS_256", "TEXT_ERGEBNIS_PHASE"});
    }

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

    QString file(const QString &s = {}) const { return m_f->file("AUSGABE_OSZI" + s + ".txt"); }

    // The frame of the worked example.
    void workedExampleFrame()
    {
        m_w->state().correlationMaximum = 1234567;
        m_w->state().xLength = 5;
        for (int k = 0; int sample : {128, 130, 255, 0, 7, 99}) // the sixth is beyond N
            m_w->state().samples(++k) = static_cast<std::int16_t>(sample);
    }

private slots:
    // After start-up.
    void init()
    {
        m_eventRounds = 0;
        // A second sweep click while the first lets events run is ignored.
        m_firstEventRound = [this] { button(*m_w, "Command15")->click(); };
        open([this](Environment &env) {
            env.letEventsRun = [this] {
                if (++m_eventRounds == 1)
                    m_firstEventRound();
            };
        });
        timer(*m_w, "Timer_START")->start();
        m_w->startUp();
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

    // A field copies its kept pictures only while nothing it is drawn from has changed: after
    // each change it looks as a plain field in the same state, the one beside it.
    void fieldsRepaintEveryChange()
    {
        auto *field = m_w->findChild<QLineEdit *>(QStringLiteral("Text_ANZAHL"));
        QLineEdit plain(field->parentWidget());
        plain.setStyle(field->style());
        plain.resize(field->size());
        plain.setFont(field->font());
        plain.setAlignment(field->alignment());
        plain.setReadOnly(field->isReadOnly());
        const auto same = [&] {
            plain.setPalette(field->palette());
            plain.setText(field->text());
            plain.setCursorPosition(field->cursorPosition());
            plain.setEnabled(field->isEnabled());
            return picture(field) == picture(&plain);
        };
        const QString longText(60, u'8');
        const std::vector<std::pair<const char *, std::function<void()>>> changes{
            {"text", [&] { field->setText(QStringLiteral("12345")); }},
            {"colour", [&] { setBackColor(field, colours::kLightGreen); }},
            {"text of the same length", [&] { field->setText(QStringLiteral("67890")); }},
            {"back to the first", [&] {
                 setBackColor(field, colours::kWhite);
                 field->setText(QStringLiteral("12345"));
             }},
            {"long text scrolled to its end", [&] { field->setText(longText); }},
            {"to its start", [&] { field->setCursorPosition(0); }},
            {"disabled", [&] { field->setEnabled(false); }},
        };
        for (const auto &[name, change] : changes) {
            change();
            QVERIFY2(same(), name);
        }
    }

    // The start-up's known answers (the correlation maximum pins the picture, tst_correlation
    // computes it independently); the results with German, then English separators.
    void startUp()
    {
        QVERIFY(!timer(*m_w, "Timer_START")->isActive()); // runs once
        QCOMPARE(m_w->state().recordCounter, -1.0);
        QCOMPARE(m_w->state().xLength, 1000.0);
        QCOMPARE(chart(*m_w)->value(250), 127.0);
        QCOMPARE(m_w->state().correlationMaximum, 8063322.0);
        QCOMPARE(boxes(), QStringLiteral("8.063.322|31.497|1"));
        QVERIFY(port(*m_w)->PortOpen()); // opened last, after the simulation closed nothing
        QVERIFY(m_dialogs->shown.isEmpty());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_w->correlate();
        QCOMPARE(boxes(), QStringLiteral("8,063,322|31,497|1"));
        // A level the simulation cannot draw, or a port that does not open, is passed over
        // silently: start-up goes on to its last step.
        port(*m_w)->setPortOpen(false);
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(QStringLiteral("50000"));
        m_w->startUp();
        QVERIFY(port(*m_w)->PortOpen()); // the last step
        port(*m_w)->setPortOpen(false);
        port(*m_w)->setCommPort(2); // leads nowhere
        m_w->startUp();
        QVERIFY(!port(*m_w)->PortOpen() && m_dialogs->shown.isEmpty());
    }

    void singleRun_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<int>("at250");
        QTest::addColumn<bool>("refused");
        QTest::newRow("decimal comma reads 0") << "127" << "0,5" << 0 << false;
        QTest::newRow("half the frequency") << "127" << "0.5" << 90 << false; // 127·sin 45°
        QTest::newRow("blanks ignored") << " 1 00" << "1" << 100 << false;
        QTest::newRow("largest level") << "32767" << "1" << 32767 << false;
        QTest::newRow("beyond 16 bits") << "32768" << "1" << 127 << true; // start-up's sine
    }

    // A level whose samples leave 16 bits is named, and nothing is drawn half-way.
    void singleRun()
    {
        QFETCH(QString, level);
        QFETCH(QString, factor);
        QFETCH(int, at250);
        QFETCH(bool, refused);
        field(*m_w, "Text_PEGEL_SIMULATION")->setText(level);
        field(*m_w, "Text_SIMULATION")->setText(factor);
        button(*m_w, "Command16")->click();
        QCOMPARE(int(m_w->state().samples(250)), at250);
        QCOMPARE(qRound(chart(*m_w)->value(250)), at250);
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).size(), m_dialogs->shown.size());
        QCOMPARE(m_dialogs->shown.size(), int(refused));
        QVERIFY(!refused || m_dialogs->shown[0].text.contains(level));
    }

    void correlationBoxes_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters only") << "abc" << 0.0 << "0.000|0|0";
        QTest::newRow("beyond 16 bits: no result") << "40000" << 0.0 << "kein Ergebnis|-|-";
        // Reference 12, 0, -12, -1 against the samples 255, 0, 0, 0.
        QTest::newRow("leading number") << "12,5 is read as 12" << 3060.0 << "3.060|12|1";
    }

    // No stale result of the start-up is ever shown: a level without a number correlates to 0,
    // one that does not fit 16 bits has no result.
    void correlationBoxes()
    {
        QFETCH(QString, reference);
        QFETCH(double, maximum);
        QFETCH(QString, shown);
        m_w->state().xLength = 4;
        for (int k = 1; k <= 4; ++k)
            m_w->state().samples(k) = k == 1 ? 255 : 0;
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(QStringLiteral("1000"));
        m_w->correlate(); // the same period with another level before
        field(*m_w, "Text_PEGEL_REFERENZ")->setText(reference);
        m_w->correlate();
        QCOMPARE(m_w->state().correlationMaximum, maximum);
        QCOMPARE(boxes(), shown);
    }

    // The sweep answered No changes nothing. Answered Yes at the start-up's settings it draws the
    // maxima and replaces the results file; a second click meanwhile is ignored. A results file
    // that cannot be written is named.
    void sweep()
    {
        button(*m_w, "Command15")->click();
        QVERIFY(port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("1.0"));
        QVERIFY(!QFile::exists(results()));
        QVERIFY(writeBytes(results(), QByteArray(100000, 'x'))); // replaced, not extended
        m_dialogs->confirmAnswers << true << true;
        button(*m_w, "Command15")->click();
        QCOMPARE(m_eventRounds, 200); // after every fifth of 1000 steps
        QCOMPARE(m_dialogs->texts(QStringLiteral("confirm")).size(), 2);
        QVERIFY(!port(*m_w)->PortOpen());
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("10,0099999999998"));
        QCOMPARE(m_w->state().xLength, 1000.0);
        QCOMPARE(m_w->state().sweepMaxima(1), 159138.0);
        for (int k = 1; k <= 1000; ++k)
            QCOMPARE(chart(*m_w)->value(k), m_w->state().sweepMaxima(k));
        const QList<QByteArray> lines = readBytes(results()).split('\n');
        QCOMPARE(lines.size(), 1001); // 1000 lines ended by CR LF
        QCOMPARE(lines[0], QByteArray("0,01          159.138\r"));
        QVERIFY(lines[95].startsWith("0,96          ") && lines[999].startsWith("10,00         "));
        const QString name = QFileInfo(results()).fileName();
        QVERIFY(QFile::remove(results()) && QDir(m_f->dir.path()).mkdir(name)); // in the way
        button(*m_w, "Command15")->click();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QVERIFY(warnings.size() == 1 && warnings[0].contains(name));
    }

    // EXIT while the sweep lets events run: the sweep goes no further (no later step, no curve,
    // no results file), no timer runs, nothing is shown, and the event loop ends.
    void exitDuringTheSweepEndsEverything()
    {
        m_firstEventRound = [this] { button(*m_w, "Command5")->click(); };
        m_dialogs->confirmAnswers << true;
        QTimer::singleShot(0, button(*m_w, "Command15"), &QAbstractButton::click);
        QVERIFY(WindowFixture::runUntilTheProgramEnds());
        QCOMPARE(m_eventRounds, 1);
        QCOMPARE(field(*m_w, "Text_SIMULATION")->text(), QStringLiteral("0,06")); // 5 steps
        QVERIFY(!QFile::exists(results()));
        QCOMPARE(m_dialogs->shown.size(), 1); // the question only
        QCOMPARE(runningTimers(*m_w), QStringList());
    }

    // Closing the window ends the program as EXIT does: the port closed and every timer stopped
    // (the design-time ones run from the window's creation, playback does not), asking nothing.
    void closing()
    {
        open([](Environment &env) { env.runTimers = true; });
        QCOMPARE(runningTimers(*m_w).join(u' '), u"Timer_ANZEIGE Timer_DATEN Timer_START"_qs);
        port(*m_w)->setPortOpen(true);
        m_w->show();
        QVERIFY(m_w->close());
        QVERIFY(!port(*m_w)->PortOpen() && !m_w->isVisible());
        QCOMPARE(runningTimers(*m_w), QStringList());
        QVERIFY(m_dialogs->shown.isEmpty());
    }

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

    void curveDrawnWhereTheAxesSay_data()
    {
        QTest::addColumn<double>("spike");
        QTest::newRow("100") << 100.0;
        QTest::newRow("-20000.25") << -20000.25;
    }
    // A flat line at 0 with one spike at row 500: the Y axis holds 0 and the spike with 2 to 12
    // ticks, its span following the values; the curve is drawn where the axes place its points,
    // in its colour, and only inside the plot.
    void curveDrawnWhereTheAxesSay()
    {
        QFETCH(double, spike);
        m_w->resetChart(); // 1000 rows
        for (int row = 1; row <= 1000; ++row)
            m_w->drawPoint(row == 500 ? spike : 0);
        chart(*m_w)->flush();
        QChart *drawing = chart(*m_w)->findChild<QChartView *>()->chart();
        const auto *y = qobject_cast<QValueAxis *>(drawing->axes(Qt::Vertical).value(0));
        QVERIFY(y->min() < qMin(0.0, spike) && y->max() > qMax(0.0, spike));
        QVERIFY(y->max() - y->min() <= 2 * qAbs(spike)); // not a fixed span
        const double ticks = (y->max() - y->min()) / y->tickInterval();
        QVERIFY2(ticks >= 2 && ticks <= 12, qPrintable(QString::number(ticks)));

        const QImage image = chart(*m_w)->grab().toImage();
        const QRect plot = drawing->plotArea().toRect();
        const auto rowAt = [&](double value) {
            return plot.top() + qRound((y->max() - value) / (y->max() - y->min()) * plot.height());
        };
        const auto xAt = [&](double row) {
            return plot.left() + qRound((row - 1) / 999 * plot.width());
        };
        QSet<QPoint> drawn;
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px)
                if (image.pixel(px, py) == qRgb(0, 0, 128))
                    drawn.insert(QPoint(px, py));
        const auto near = [&](int px, int py) { // within a pixel: the painter rounds
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    if (drawn.contains(QPoint(px + dx, py + dy)))
                        return true;
            qWarning() << "nothing drawn at" << px << py << "plot" << plot;
            return false;
        };
        QVERIFY(near(xAt(500), rowAt(spike)) && near(xAt(250), rowAt(0))
                && near(xAt(750), rowAt(0)));
        for (const QPoint &p : drawn)
            QVERIFY2(plot.adjusted(0, 0, 1, 1).contains(p), "curve outside the plot");
    }

    // The PNG has the chart's size and the fields drawn over the chart (where the curve lies
    // is the test above); the SVG spans the chart; the clipboard holds the PNG's picture. A file
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
        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        QVERIFY2(svgFile.readAll().contains(R"(stroke="#d2d2d2")"),
                 "the SVG draws the chart's grid as lines, not as a pasted picture");
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(image.format()), image);

        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(u"Das Speichern des Bildes ist nicht gelungen."),
                 qPrintable(warnings[0]));
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
                 QStringList({"bild.png", "bild.SVG"}));
    }

    // Mode "on" appends to a file (a hole). Past 10,000,000 bytes the file replaces the older
    // ..._ALT.txt, the size field turns light red and stays so, and the next record starts a new
    // file.
    void appendsTheRecord_data()
    {
        QTest::addColumn<qint64>("after");
        QTest::addColumn<QString>("size");
        QTest::newRow("at the cap") << qint64(10'000'000) << "10,000 Mb";
        QTest::newRow("one byte past the cap") << qint64(10'000'001) << "vorher";
    }
    void appendsTheRecord()
    {
        QFETCH(qint64, after);
        QFETCH(QString, size);
        workedExampleFrame();
        const bool moved = after > 10'000'000;
        QVERIFY(writeBytes(file(), "") && QFile::resize(file(), after - kWorkedExample.size()));
        QVERIFY(writeBytes(file("_ALT"), "older"));
        button(*m_w, "Option_ON")->click();
        field(*m_w, "Text_GROESSE")->setText("vorher");
        m_w->state().recordCounter = 11;

        m_w->storeFrame();
        const QByteArray kept = readBytes(file(moved ? "_ALT" : ""));
        QCOMPARE(kept.size(), after);
        QVERIFY(kept.endsWith(kWorkedExample));
        QCOMPARE(field(*m_w, "Text_GROESSE")->text(), size);
        QCOMPARE(backColor(field(*m_w, "Text_GROESSE")),
                 moved ? colours::kLightRed : colours::kGrey);
        if (!moved)
            return;
        m_w->storeFrame();
        QCOMPARE(readBytes(file()), workedExample("000.013"));
        QCOMPARE(backColor(field(*m_w, "Text_GROESSE")), colours::kLightRed);
    }

    // The first frame after start-up only counts to 0 ("100" cuts the file to 99 lines); the
    // next is record 1. Mode "off" counts nothing. A full disk leaves the recording as it was.
    void firstFramesByMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("keptLines"); // of 500 after the first frame
        QTest::newRow("on") << "Option_ON" << false << 500;
        QTest::newRow("100") << "Option_100" << false << 99;
        QTest::newRow("100, disk full") << "Option_100" << true << 500;
        QTest::newRow("off") << "Option_OFF" << false << 500;
    }
    void firstFramesByMode()
    {
        QFETCH(QString, mode);
        QFETCH(bool, diskFull);
        QFETCH(int, keptLines);
        workedExampleFrame();
        QByteArray lines; // 62 bytes each
        for (int i = 1; i <= 500; ++i)
            lines += QByteArray::number(i).leftJustified(60, 'x') + "\r\n";
        QVERIFY(writeBytes(file(), lines));
        m_w->findChild<QPushButton *>(mode)->click();
        field(*m_w, "Text_ANZAHL")->setText("vorher");
        FileSizeLimit limit(diskFull ? 4000 : RLIM_INFINITY); // less than 99 lines
        QVERIFY(!diskFull || limit.active());

        m_w->storeFrame();
        const QByteArray kept = lines.right(keptLines * 62);
        QCOMPARE(readBytes(file()), kept);
        QCOMPARE(field(*m_w, "Text_ANZAHL")->text(),
                 QString(mode == "Option_OFF" ? "vorher" : "0"));
        m_w->storeFrame();
        const bool written = mode != "Option_OFF" && !diskFull;
        QCOMPARE(readBytes(file()), kept + (written ? workedExample("000.001") : ""));
        QCOMPARE(m_w->state().recordCounter, mode == "Option_OFF" ? -1.0 : 1.0);
        QVERIFY(m_dialogs->shown.isEmpty());
    }

    // Requests A and C at one frame: port closed, A written and reported, then C; B untouched.
    // A snapshot that cannot be written is reported by a warning naming it; C is still served.
    void snapshotsServedInOrder_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QStringList>("seenAtMessages"); // 1: snapshot holds the frame / port open
        QTest::newRow("both saved") << false << QStringList{"A1 B0 C0 port0", "A1 B0 C1 port0"};
        QTest::newRow("folder in A's place") << true << QStringList{"A0 B0 C1 port0"};
    }
    void snapshotsServedInOrder()
    {
        QFETCH(bool, blocked);
        QFETCH(QStringList, seenAtMessages);
        workedExampleFrame();
        QVERIFY(port(*m_w)->PortOpen()); // opened at start-up
        QVERIFY(!blocked || QDir().mkdir(file("_A")));
        button(*m_w, "Option_OFF")->click(); // the counter is written as it stands
        m_w->state().recordCounter = 12;
        for (const char *request : {"Command6", "Command18", "Command6"})
            button(*m_w, request)->click();
        QStringList seen;
        const auto has = [&](const char *l) { return int(readBytes(file(l)) == kWorkedExample); };
        m_dialogs->whileMessageOpen = [&] {
            seen << QString::asprintf("A%d B%d C%d port%d", has("_A"), has("_B"), has("_C"),
                                      int(port(*m_w)->PortOpen()));
        };

        m_w->storeFrame();
        QCOMPARE(seen, seenAtMessages);
        QCOMPARE(m_dialogs->texts("message"), QStringList(seen.size(), "gespeichert"));
        QCOMPARE(m_dialogs->texts("warning").size(), int(blocked));
        QVERIFY(!blocked || m_dialogs->shown[0].text.contains(file("_A")));
        for (const bool requested : m_w->state().snapshotRequests)
            QVERIFY(!requested);
        QVERIFY(!QFile::exists(file("_B")));
    }

    // A record with "DATEN:" in place shows its date and time; unless refused, its samples are
    // stored and drawn up to the first that does not fit, and N follows if automatic.
    void load_data()
    {
        QTest::addColumn<Load>("load");
        const QString ok, bad = "DATENSATZ nicht korrekt";
        const Values worked{128, 130, 255, 0, 7}, none, fives(300, 5);
        QTest::newRow("worked example") << Load{record("0.005", worked), ok, worked};
        QTest::newRow("X axis fixed at 1000") << Load{record("0.300", fives), ok, fives, false};
        QTest::newRow("no DATEN:") << Load{"Messung vom Montag", bad, none};
        QTest::newRow("count 0.000")
            << Load{record("0.000", {1}), bad + " => DIAGRAMM_MAX_ANZ_DATENPUNKTE", none};
        QTest::newRow("outside 16 bits")
            << Load{record("0.004", {32767, -32768, 32768, 3}), ok, {32767, -32768}};
        QTest::newRow("1101 values") << Load{record("1.000", Values(1101, 9)), ok, Values(1100, 9)};
        QTest::newRow("missing file") << Load{QByteArray(), ok, none};
    }
    void load()
    {
        QFETCH(Load, load);
        m_w->state().xLength = 1000;
        for (int k = 1; k <= 1100; ++k) // older values
            m_w->state().samples(k) = -7;
        const qsizetype n = load.stored.size();
        QVERIFY(load.file.isNull() || writeBytes(file("_A"), load.file));
        button(*m_w, "Check_AUTO")->setChecked(load.autoAxis);
        m_w->state().pointCount = 42; // points drawn before

        button(*m_w, "Command17")->click();
        const bool dated = load.file.contains("DATEN:");
        QCOMPARE(m_dialogs->texts("message").join('|'), load.message);
        QCOMPARE(field(*m_w, "Text_DATUM")->text(), QString(dated ? "05.12.05" : "__.__.__"));
        QCOMPARE(field(*m_w, "Text_ZEIT")->text(), QString(dated ? "14:03:27:41" : "__:__:__:__"));
        QCOMPARE(m_w->state().xLength, load.autoAxis && n > 0 ? n : 1000.0);
        QCOMPARE(int(m_w->state().pointCount), n > 0 ? int(n) : 42);
        for (int k = 1; k <= n; ++k) // stored and drawn
            QCOMPARE(QPair(int(m_w->state().samples(k)), chart(*m_w)->value(k)),
                     QPair(load.stored[k - 1], double(load.stored[k - 1])));
        if (n < 1100)
            QCOMPARE(int(m_w->state().samples(n + 1)), -7);
    }

    // Playback shows one record per tick and ends at an empty line; "||" ends it at the next
    // tick, "RUN" starts over; "RUN" clicked again (the port closed) plays on where it stands. A
    // load ends it. A tick inside a refusal's message does nothing.
    void playback_data()
    {
        QTest::addColumn<Run>("run");
        QByteArrayList days;
        for (const char *head : {"000.001 01.02.03", "000.002 02.02.03", "000.003 03.02.03"})
            days << record("0.001", {1}, head);
        const QByteArray three = days.join("\r\n") + "\r\n";
        QTest::newRow("one per tick") << Run{three, "RTTTT", "__+0 01+0 02+0 03+0 03-0"};
        QTest::newRow("empty line") << Run{days[0] + "\r\n\r\n" + days[1], "RTT", "__+0 01+0 01-0"};
        QTest::newRow("|| and RUN") << Run{three, "RTTPTRT", "__+0 01+0 02+0 02+0 02-0 02+0 01+0"};
        QTest::newRow("RUN again plays on") << Run{three, "RTRT", "__+0 01+0 01+0 02+0"};
        QTest::newRow("load ends it") << Run{three, "RTAT", "__+0 01+0 05-0 05-0"};
        QTest::newRow("refusals do not pile up")
            << Run{"kein Datensatz\r\n" + record("0.000", {1}) + "\r\n" + days[0], "RTTT",
                   "__+0 __+1 05+2 01+2"};
    }
    void playback()
    {
        QFETCH(Run, run);
        QVERIFY(writeBytes(file(), run.recording));
        QVERIFY(writeBytes(file("_A"), record("0.001", {1})));
        m_dialogs->whileMessageOpen = [this] { m_w->playNextRecord(); }; // a tick
        QStringList seen;
        for (QChar step : run.steps) {
            if (step == 'T')
                m_w->playNextRecord();
            else
                button(*m_w,
                       step == 'R'       ? "Option3"
                           : step == 'P' ? "Option4"
                                         : "Command17")
                    ->click();
            const char on = timer(*m_w, "Timer_WIEDERGABE")->isActive() ? '+' : '-';
            seen << field(*m_w, "Text_DATUM")->text().left(2) + on
                    + QString::number(m_dialogs->shown.size());
        }
        QCOMPARE(seen.join(' '), run.states);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
