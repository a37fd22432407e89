// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's picture: what it keeps between frames, what a partial repaint draws, clearing in
// one pass; and the window's repaints held to the screen's refresh.
#include "display/LineRaster.h"
#include "display/MSChart.h"
#include "display/RefreshPacer.h"

#include <QtCharts>
#include <QtTest>

using namespace kurvomat;

namespace {
// A polyline drawn by QPainter and by rasterisePolyline, each clipped to `clip`, on white.
std::pair<QImage, QImage> bothDrawings(const QList<QPointF> &points, const QRect &clip)
{
    QImage byQt(320, 240, QImage::Format_RGB32);
    byQt.fill(Qt::white);
    QImage own = byQt;
    const QRgb ink = qRgb(0, 0, 128);
    QPainter painter(&byQt);
    painter.setClipRect(clip);
    painter.setPen(QPen(QColor(ink), 1));
    painter.drawPolyline(points.data(), int(points.size()));
    painter.end();
    std::vector<QPoint> pixels;
    rasterisePolyline(points, own.rect(), pixels);
    for (const QPoint &p : pixels) {
        if (clip.contains(p) && own.rect().contains(p))
            own.setPixel(p, ink);
    }
    return {byQt, own};
}
} // namespace

static QCategoryAxis *xAxisOf(const MSChart &c)
{
    return qobject_cast<QCategoryAxis *>(
        c.findChild<QChartView *>()->chart()->axes(Qt::Horizontal).value(0));
}

class TestMSChart : public QObject {
    Q_OBJECT
private slots:
    // The same grid reached from other axes and labels shows the same picture; a repaint of a
    // few columns draws there what a repaint of everything draws, across a zigzag whose
    // segments cross the columns' edges.
    void pictureFollowsTheGrid()
    {
        const auto spike = [](MSChart &chart) {
            chart.setRow(500);
            chart.setDataValue(100);
            chart.flush();
        };
        MSChart chart;
        chart.resize(chart.sizeHint());
        chart.setRowCount(1000);
        spike(chart);
        const QImage image = chart.grab().toImage();

        MSChart other;
        other.resize(chart.sizeHint());
        other.setRowCount(1000);
        other.setRow(20);
        other.setRowLabel("20");
        other.setDataValue(-5e6);
        QVERIFY(!other.grab().isNull());
        other.setRowLabel({});
        other.setDataValue(0);
        spike(other);
        QTRY_COMPARE(other.grab().toImage(), image); // once the axes' labels are laid out

        for (qint16 row = 480; row <= 520; ++row) {
            other.setRow(row);
            other.setDataValue(row % 2 ? 100 : -100);
        }
        other.flush();
        const QImage whole = other.grab().toImage();
        const QChart *inner = other.findChild<QChartView *>()->chart();
        const int left = qRound(inner->plotArea().left() + 479 * inner->plotArea().width() / 999);
        for (int x = left - 2; x < left + 40; x += 3) {
            const QRect columns(x, 0, 1 + x % 4, whole.height());
            QImage part = whole;
            part.fill(Qt::red);
            other.render(&part, columns.topLeft(), QRegion(columns));
            QVERIFY2(part.copy(columns) == whole.copy(columns), qPrintable(QString::number(x)));
        }
    }

    // The curve's own pixels are QPainter's, pixel for pixel: dense curves as the chart draws
    // them (many points per column), sparse zigzags, points far off the device and on its
    // edges, whole and half-pixel coordinates, repeated points, lines that turn back.
    void curvePixelsAsQPainterDrawsThem()
    {
        QRandomGenerator random(7);
        const auto real = [&](double from, double to) { return from + (to - from) * random.generateDouble(); };
        QList<QList<QPointF>> lines;
        QList<QPointF> sine, noise;
        for (int i = 1; i <= 1000; ++i) {
            const double x = 30.25 + (i - 1) * 270.0 / 999;
            sine << QPointF(x, 120 - 100 * std::sin(6 * M_PI * i / 1000));
            noise << QPointF(x, 20 + random.bounded(200) + 0.5);
        }
        lines << sine << noise;
        lines << QList<QPointF>{{10, 10}, {10, 10}, {50, 10}, {50, 10.4}, {50, 60}, {10, 60}};
        lines << QList<QPointF>{{-1e6, 50}, {100, 1e6}, {330, -20}, {160, 120.5}, {160.5, 120}};
        lines << QList<QPointF>{{0, 0}, {319, 239}, {0, 239}, {319, 0.5}, {-0.5, 120}, {320.5, 121}};
        for (int n = 0; n < 400; ++n) {
            QList<QPointF> line;
            const int count = 2 + random.bounded(40);
            const double reach = n % 4 == 0 ? 400 : n % 4 == 1 ? 3 : 60;
            QPointF at(real(-20, 340), real(-20, 260));
            for (int k = 0; k < count; ++k) {
                line << at;
                at += QPointF(real(-reach, reach), real(-reach, reach));
                if (n % 5 == 0)
                    at = QPointF(std::round(at.x() * 2) / 2, std::round(at.y() * 2) / 2);
            }
            if (!closedPolyline(line))
                lines << line;
        }
        for (const QRect &clip : {QRect(0, 0, 320, 240), QRect(40, 30, 200, 150)}) {
            for (qsizetype n = 0; n < lines.size(); ++n) {
                const auto [byQt, own] = bothDrawings(lines[n], clip);
                QVERIFY2(own == byQt, qPrintable(QStringLiteral("line %1").arg(n)));
            }
        }
    }

    // The curve set pixel by pixel looks as QPainter draws it: the chart rendered into a
    // 32-bit image (pixels set directly) and into a 24-bit one (QPainter's stroke) are alike,
    // for smooth and noisy curves, a value far off the scale, and a repaint of a few columns.
    void curveSetDirectlyAsQPainterDrawsIt()
    {
        MSChart chart;
        chart.resize(420, 300);
        chart.setRowCount(300);
        QRandomGenerator random(3);
        for (int k = 0; k < 5; ++k) {
            for (qint16 row = 1; row <= 300; ++row) {
                chart.setRow(row);
                chart.setDataValue(k % 2 ? random.bounded(256) : 128 + 120 * std::sin(row * (k + 1) / 30.0));
            }
            if (k == 4) {
                chart.setRow(150);
                chart.setDataValue(-5e300);
            }
            chart.flush();
            for (const QRect &part : {QRect(QPoint(), chart.size()), QRect(150, 40, 7, 200)}) {
                QImage direct(chart.size(), QImage::Format_RGB32);
                direct.fill(Qt::red);
                QImage drawn(chart.size(), QImage::Format_RGB888);
                drawn.fill(Qt::red);
                chart.render(&direct, part.topLeft(), QRegion(part));
                chart.render(&drawn, part.topLeft(), QRegion(part));
                QVERIFY2(direct == drawn.convertToFormat(QImage::Format_RGB32),
                         qPrintable(QStringLiteral("curve %1").arg(k)));
            }
        }
    }

    // Clearing in one pass leaves what clearing row by row leaves: values, labels, the rows
    // shown and the current row, from a grid with labels and rows written beyond its count,
    // with labels for fewer rows than shown.
    void clearRowsAsRowByRow()
    {
        const std::vector<QString> labels = {"a", "", "3", "b", "", "6"};
        const auto label = [&](int row) {
            return row <= int(labels.size()) ? labels[std::size_t(row) - 1] : QString();
        };
        MSChart byRow, inOnePass;
        for (MSChart *chart : {&byRow, &inOnePass}) {
            chart->setRowCount(5);
            for (qint16 row : {2, 4, 9}) {
                chart->setRow(row);
                chart->setRowLabel("x");
                chart->setDataValue(row);
            }
            chart->setRowCount(7);
            chart->setRow(7);
            chart->setRowLabel("y"); // beyond the labels given
        }
        for (qint16 row = 1; row <= byRow.RowCount(); ++row) {
            byRow.setRow(row);
            byRow.setRowLabel(label(row));
            byRow.setDataValue(0);
        }
        inOnePass.clearRows(labels);
        QCOMPARE(inOnePass.Row(), byRow.Row());
        QCOMPARE(inOnePass.shownRowCount(), byRow.shownRowCount());
        for (int row = 0; row <= 10; ++row) {
            QCOMPARE(inOnePass.value(row), byRow.value(row));
            QCOMPARE(inOnePass.rowLabel(row), byRow.rowLabel(row));
        }
        QTRY_COMPARE(xAxisOf(inOnePass)->categoriesLabels(), QStringList({"a", "3", "b", "6"}));
    }

    // On the window's backing store a new curve is painted over what the last paint left
    // there; the window shows what painting everything anew shows, across changing curves, a
    // field over the chart that changes, hides and shows, repaints of part of the window, and a
    // backing store cleared before a paint. The curves are left to the chart's own pace (flush() would repaint everything).
    void windowShowsWhatPaintingAnewShows()
    {
        QWidget window;
        window.resize(520, 360);
        MSChart chart(&window);
        chart.setGeometry(10, 10, 500, 330);
        chart.setRowCount(300);
        QLineEdit over(QStringLiteral("000"), &window); // rounded corners: not opaque
        over.setGeometry(200, 60, 80, 22);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto shown = [&] {
            return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(
                QImage::Format_RGB32);
        };
        const auto anew = [&] {
            return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        QRandomGenerator random(5);
        for (int k = 0; k < 8; ++k) {
            // The first two rows hold the scale.
            for (qint16 row = 1; row <= 300; ++row) {
                chart.setRow(row);
                chart.setDataValue(row < 3 ? 255 * (row - 1)
                                   : k % 2 ? random.bounded(256)
                                           : 128 + 120 * std::sin(row * (k + 1) / 40.0));
            }
            if (k == 2)
                over.setText(QStringLiteral("123"));
            if (k == 4)
                over.hide();
            if (k == 6)
                over.show();
            if (k == 7)
                window.update(QRect(150, 40, 30, 30)); // under the curve and the field
            if (k == 5) {
                // The region the new curve repaints, cleared beforehand as a backing store
                // with alpha is cleared before each paint.
                const auto *view = chart.findChild<QChartView *>();
                const QRect plot = view->mapFromScene(view->chart()->mapRectToScene(
                                                          view->chart()->plotArea()))
                                       .boundingRect()
                                       .adjusted(-1, -1, 1, 1);
                QPainter(window.backingStore()->paintDevice())
                    .fillRect(plot.translated(chart.pos()), Qt::red);
            }
            QTRY_COMPARE(shown(), anew());
        }
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
        // A change after a quiet interval (a frame that comes alone) is painted at the next
        // turns of events, without waiting for a refresh boundary.
        QTest::qWait(3 * interval);
        field->setText(QStringLiteral("alone"));
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(log.painted.value(log.painted.size() - 1), QStringLiteral("alone"));
    }
};

QTEST_MAIN(TestMSChart)
#include "tst_mschart.moc"
