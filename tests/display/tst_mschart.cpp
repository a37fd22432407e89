// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "display/MSChart.h"
#include "display/RefreshPacer.h"

#include <QtCharts>
#include <QtTest>

using namespace kurvomat;

static QChart *chartOf(const MSChart &c)
{
    return c.findChild<QChartView *>()->chart();
}
static QList<QPointF> pointsOf(const MSChart &c)
{
    QList<QPointF> points;
    for (int row = 1; row <= c.shownRowCount(); ++row)
        points.append(QPointF(row, c.value(row)));
    return points;
}
static QCategoryAxis *xAxisOf(const MSChart &c)
{
    return qobject_cast<QCategoryAxis *>(chartOf(c)->axes(Qt::Horizontal).value(0));
}

class TestMSChart : public QObject {
    Q_OBJECT
private slots:
    // 250 rows labelled at every hundredth; a count or row below 1 is refused and keeps them;
    // a larger count keeps the labels, a smaller one drops those beyond it.
    void rowCountAndLabels()
    {
        MSChart chart;
        chart.setRowCount(250);
        for (qint16 i = 1; i <= 250; ++i) {
            chart.setRow(i);
            chart.setRowLabel(i % 100 ? QString() : QString::number(i));
        }
        const auto shows = [&](int rows, const QStringList &labels) {
            chart.flush();
            QCOMPARE(chart.RowCount(), qint16(rows));
            QCOMPARE(chart.shownRowCount(), rows);
            QCOMPARE(xAxisOf(chart)->categoriesLabels(), labels);
            for (const QString &label : labels)
                QCOMPARE(xAxisOf(chart)->endValue(label), label.toDouble());
        };
        for (const qint16 refused : {qint16(0), qint16(-32768)}) {
            QVERIFY_THROWS_EXCEPTION(ChartError, chart.setRow(refused));
            QVERIFY_THROWS_EXCEPTION(ChartError, chart.setRowCount(refused));
        }
        shows(250, {"100", "200"});
        chart.setRowCount(32767);
        shows(32767, {"100", "200"});
        chart.setRowCount(150);
        shows(150, {"100"});
    }

    // Row 3 written under RowCount 1 (rows 1..3 shown, row 2 at 0): first "4", then the text.
    void dataInLocaleFormat_data()
    {
        const QLocale de(QLocale::German, QLocale::Germany);
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("shown"); // 4: refused, the 4 written before stays
        QTest::newRow("German beyond -9999") << de << "-20000,25" << -20000.25;
        QTest::newRow("English grouped beyond 9999") << en << "20,000.5" << 20000.5;
        QTest::newRow("point under German") << de << "12.5" << 4.0;
        QTest::newRow("not a number") << en << "nan" << 4.0;
        QTest::newRow("zero clears") << en << "0" << 0.0;
    }
    void dataInLocaleFormat()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(double, shown);
        const auto restore = qScopeGuard([saved = QLocale()] { QLocale::setDefault(saved); });
        QLocale::setDefault(locale);
        MSChart chart;
        chart.setRowCount(1);
        chart.setRow(3);
        chart.setData(QStringLiteral("4"));
        if (shown == 4.0)
            QVERIFY_THROWS_EXCEPTION(ChartError, chart.setData(text));
        else
            chart.setData(text);
        chart.flush();
        QCOMPARE(chart.RowCount(), qint16(1));
        QCOMPARE(pointsOf(chart), (QList<QPointF>{{1, 0}, {2, 0}, {3, shown}}));
        const auto *y = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        QVERIFY(y->min() < qMin(0.0, shown) && y->max() > qMax(0.0, shown));
        QVERIFY(y->max() - y->min() <= 2 * qMax(1.0, qAbs(shown))); // not a fixed span
        const double ticks = (y->max() - y->min()) / y->tickInterval();
        QVERIFY2(ticks >= 2 && ticks <= 12, qPrintable(QString::number(ticks)));
    }

    // Writes are drawn in the event loop, however many come in a turn, and at most once per
    // screen refresh however fast the turns come; the last state is always drawn.
    void drawnAtMostOncePerRefresh()
    {
        MSChart chart;
        chart.setRowCount(1);
        QList<QPointF> expected;
        for (qint16 i = 1; i <= 1000; ++i) {
            const int v = (i * 37) % 255 - 127;
            chart.setRow(i);
            expected.append(QPointF(i, v));
            i % 2 ? chart.setData(QString::number(v)) : chart.setDataValue(v); // both ways
        }
        QCOMPARE(chart.rebuildCount(), 0); // the initial drawing is not counted
        QTRY_COMPARE(chart.rebuildCount(), 1);
        QCOMPARE(pointsOf(chart), expected);
        QCOMPARE(xAxisOf(chart)->max(), 1000.0);

        const double interval = 1000 / chart.screen()->refreshRate();
        chart.setRow(1);
        QElapsedTimer clock;
        clock.start();
        for (int turn = 0; clock.elapsed() < 20 * interval; ++turn) {
            chart.setDataValue(turn);
            QCoreApplication::processEvents();
        }
        const int drawn = chart.rebuildCount() - 1;
        QVERIFY2(drawn <= clock.elapsed() / interval + 1, qPrintable(QString::number(drawn)));
        chart.setDataValue(-1); // the last write is drawn, once
        QTRY_COMPARE(chart.rebuildCount(), drawn + 2);
        QCOMPARE(chart.value(1), -1.0);
    }

    // The curve is drawn where the axes place its points, in its colour, and only inside the
    // plot: a flat line at 0 with one spike reaching the top of the Y range at row 500. What
    // was shown before does not remain.
    void curveDrawnWhereTheAxesSay()
    {
        MSChart chart;
        chart.resize(chart.sizeHint());
        chart.setRowCount(1000);
        chart.setRow(500);
        chart.setDataValue(100);
        chart.flush();
        const QImage image = chart.grab().toImage();
        const QRect plot = chartOf(chart)->plotArea().toRect();
        const auto *y = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        const auto rowAt = [&](double value) {
            return plot.top() + qRound((y->max() - value) / (y->max() - y->min()) * plot.height());
        };
        const auto xAt = [&](double row) {
            return plot.left() + qRound((row - 1) / 999 * plot.width());
        };
        const QRgb curve = qRgb(0, 0, 128);
        QSet<QPoint> drawn;
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px)
                if (image.pixel(px, py) == curve)
                    drawn.insert(QPoint(px, py));
        const auto near = [&](int px, int py) { // within a pixel: the painter rounds
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    if (drawn.contains(QPoint(px + dx, py + dy)))
                        return true;
            qWarning() << "nothing drawn at" << px << py << "plot" << plot;
            return false;
        };
        QVERIFY(near(xAt(500), rowAt(100)) && near(xAt(250), rowAt(0)) && near(xAt(750), rowAt(0)));
        for (const QPoint &p : drawn)
            QVERIFY2(plot.adjusted(0, 0, 1, 1).contains(p), "curve outside the plot");

        // The same grid reached from other axes and labels shows the same picture.
        MSChart other;
        other.resize(chart.sizeHint());
        other.setRowCount(1000);
        other.setRow(20);
        other.setRowLabel("20");
        other.setDataValue(-5e6);
        QVERIFY(!other.grab().isNull());
        other.setRowLabel({});
        other.setDataValue(0);
        other.setRow(500);
        other.setDataValue(100);
        other.flush();
        QTRY_COMPARE(other.grab().toImage(), image); // once the axes' labels are laid out

        // A repaint of a few columns draws there what a repaint of everything draws: a zigzag
        // whose segments cross the columns' edges.
        for (qint16 row = 480; row <= 520; ++row) {
            other.setRow(row);
            other.setDataValue(row % 2 ? 100 : -100);
        }
        other.flush();
        const QImage whole = other.grab().toImage();
        const double left = xAt(480);
        for (int x = int(left) - 2; x < int(left) + 40; x += 3) {
            const QRect columns(x, 0, 1 + x % 4, whole.height());
            QImage part = whole;
            part.fill(Qt::red);
            other.render(&part, columns.topLeft(), QRegion(columns));
            QVERIFY2(part.copy(columns) == whole.copy(columns),
                     qPrintable(QString::number(x)));
        }
    }

    // Clearing in one pass leaves what clearing row by row leaves: values, labels, the rows
    // shown and the current row, from a grid with labels and rows written beyond its count.
    void clearRowsAsRowByRow()
    {
        const auto label = [](int row) { return row % 3 ? QString() : QString::number(row); };
        MSChart byRow, inOnePass;
        for (MSChart *chart : {&byRow, &inOnePass}) {
            chart->setRowCount(5);
            for (qint16 row : {2, 4, 9}) {
                chart->setRow(row);
                chart->setRowLabel("x");
                chart->setDataValue(row);
            }
            chart->setRowCount(7);
        }
        for (qint16 row = 1; row <= byRow.RowCount(); ++row) {
            byRow.setRow(row);
            byRow.setRowLabel(label(row));
            byRow.setDataValue(0);
        }
        inOnePass.clearRows(label);
        QCOMPARE(inOnePass.Row(), byRow.Row());
        QCOMPARE(inOnePass.shownRowCount(), byRow.shownRowCount());
        for (int row = 0; row <= 10; ++row) {
            QCOMPARE(inOnePass.value(row), byRow.value(row));
            QCOMPARE(inOnePass.rowLabel(row), byRow.rowLabel(row));
        }
        QTRY_COMPARE(xAxisOf(inOnePass)->categoriesLabels(), QStringList({"3", "6"}));
    }

    // A paced window paints at most once per screen refresh, however often its fields change
    // between two rounds of events, and it paints their last state.
    void windowPaintedAtMostOncePerRefresh()
    {
        struct PaintLog : QObject {
            QStringList painted;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    painted << static_cast<QLineEdit *>(watched)->text();
                return false;
            }
        } log;
        QWidget window;
        auto *field = new QLineEdit(&window);
        new PaintPacer(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        field->installEventFilter(&log);
        const double interval = 1000 / window.screen()->refreshRate();
        QElapsedTimer clock;
        clock.start();
        for (int turn = 0; clock.elapsed() < 10 * interval; ++turn) {
            field->setText(QString::number(turn));
            QCoreApplication::processEvents();
        }
        const QString last = field->text();
        QTRY_COMPARE(log.painted.value(log.painted.size() - 1), last);
        QVERIFY2(log.painted.size() <= clock.elapsed() / interval + 2,
                 qPrintable(QString::number(log.painted.size())));
    }
};

QTEST_MAIN(TestMSChart)
#include "tst_mschart.moc"
