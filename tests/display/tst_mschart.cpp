// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's own drawing of the curve and its Y axis. Rows, labels, refusals and repainting
// once per event-loop turn are checked through the window (tst_window).
#include "display/MSChart.h"

#include <QtCharts>
#include <QtTest>

using namespace kurvomat;

static QChart *chartOf(const MSChart &c)
{
    return c.findChild<QChartView *>()->chart();
}

class TestMSChart : public QObject {
    Q_OBJECT
private slots:
    void curveDrawnWhereTheAxesSay_data()
    {
        QTest::addColumn<double>("spike");
        QTest::newRow("100") << 100.0;
        QTest::newRow("-20000.25") << -20000.25;
    }
    // The Y axis holds 0 and the spike with 2 to 12 ticks, its span following the values. The
    // curve is drawn where the axes place its points, in its colour, and only inside the plot: a
    // flat line at 0 with one spike at row 500.
    void curveDrawnWhereTheAxesSay()
    {
        QFETCH(double, spike);
        MSChart chart;
        chart.resize(chart.sizeHint());
        chart.setRowCount(1000);
        chart.setRow(500);
        chart.setDataValue(spike);
        chart.flush();
        const auto *y = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        QVERIFY(y->min() < qMin(0.0, spike) && y->max() > qMax(0.0, spike));
        QVERIFY(y->max() - y->min() <= 2 * qAbs(spike)); // not a fixed span
        const double ticks = (y->max() - y->min()) / y->tickInterval();
        QVERIFY2(ticks >= 2 && ticks <= 12, qPrintable(QString::number(ticks)));

        const QImage image = chart.grab().toImage();
        const QRect plot = chartOf(chart)->plotArea().toRect();
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
};

QTEST_MAIN(TestMSChart)
#include "tst_mschart.moc"
