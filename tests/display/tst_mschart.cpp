#include "core/Errors.h"
#include "display/MSChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLocale>
#include <QSignalSpy>
#include <QValueAxis>
#include <QtTest>

#include <cmath>
#include <limits>

using kurvomat::ChartError;
using kurvomat::MSChart;

namespace {

// Sets the default locale for one test and restores the previous one afterwards.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    QLocale m_saved;
};

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// The program's way of clearing the chart: RowCount, read it back, then per row Row,
// RowLabel (the row number at every hundredth row up to 1000) and Data "0".
void clearLikeTheProgram(MSChart &chart, qint16 rows)
{
    chart.setRowCount(rows);
    const qint16 n = chart.RowCount();
    for (qint16 i = 1; i <= n; ++i) {
        chart.setRow(i);
        chart.setRowLabel(i % 100 == 0 && i <= 1000 ? QString::number(i) : QString());
        chart.setData(QStringLiteral("0"));
    }
}

QChart *qtChart(const MSChart &chart)
{
    auto *view = chart.findChild<QChartView *>();
    return view ? view->chart() : nullptr;
}

QLineSeries *seriesOf(const MSChart &chart)
{
    const auto all = qtChart(chart)->series();
    return all.size() == 1 ? qobject_cast<QLineSeries *>(all.first()) : nullptr;
}

QCategoryAxis *xAxisOf(const MSChart &chart)
{
    const auto axes = qtChart(chart)->axes(Qt::Horizontal);
    return axes.size() == 1 ? qobject_cast<QCategoryAxis *>(axes.first()) : nullptr;
}

QValueAxis *yAxisOf(const MSChart &chart)
{
    const auto axes = qtChart(chart)->axes(Qt::Vertical);
    return axes.size() == 1 ? qobject_cast<QValueAxis *>(axes.first()) : nullptr;
}

} // namespace

class TestMSChart : public QObject {
    Q_OBJECT

private slots:
    void drawsOneSeriesWithoutLegend();

    void rowCountReadsBack_data();
    void rowCountReadsBack();
    void refusedRowCountAndRow_data();
    void refusedRowCountAndRow();
    void rowCountChangeKeepsAndClearsRows();

    void labelsOnlyWhereSet_data();
    void labelsOnlyWhereSet();
    void labelChangesReachTheAxis();

    void dataInSystemNumberFormat_data();
    void dataInSystemNumberFormat();
    void refusedDataChangesNothing_data();
    void refusedDataChangesNothing();

    void dataValueWritesLikeData();

    void pointBeyondRowCountExtendsShownRows();

    void rebuildsOncePerEventLoopTurn();

    void yRangeCoversShownValues_data();
    void yRangeCoversShownValues();
    void yAxisStaysUsableOnAShownChart_data();
    void yAxisStaysUsableOnAShownChart();
};

void TestMSChart::drawsOneSeriesWithoutLegend()
{
    MSChart chart;
    QVERIFY(qtChart(chart));
    QVERIFY(seriesOf(chart));
    QVERIFY(xAxisOf(chart));
    QVERIFY(yAxisOf(chart));
    QVERIFY(!qtChart(chart)->legend()->isVisible());
    QCOMPARE(xAxisOf(chart)->labelsPosition(), QCategoryAxis::AxisLabelsPositionOnValue);
}

void TestMSChart::rowCountReadsBack_data()
{
    QTest::addColumn<qint16>("rows");
    QTest::newRow("one row") << qint16(1);
    QTest::newRow("250") << qint16(250);
    QTest::newRow("1000") << qint16(1000);
    QTest::newRow("16-bit maximum") << qint16(32767);
}

void TestMSChart::rowCountReadsBack()
{
    QFETCH(qint16, rows);
    MSChart chart;
    chart.setRowCount(rows);
    QCOMPARE(chart.RowCount(), rows);
    QCOMPARE(chart.shownRowCount(), int(rows));
    chart.flush();
    QCOMPARE(seriesOf(chart)->count(), int(rows));
}

void TestMSChart::refusedRowCountAndRow_data()
{
    QTest::addColumn<qint16>("refused");
    QTest::newRow("zero") << qint16(0);
    QTest::newRow("minus one") << qint16(-1);
    QTest::newRow("16-bit minimum") << qint16(-32768);
}

void TestMSChart::refusedRowCountAndRow()
{
    QFETCH(qint16, refused);
    MSChart chart;
    chart.setRowCount(250);
    QVERIFY_THROWS_EXCEPTION(ChartError, chart.setRowCount(refused));
    QCOMPARE(chart.RowCount(), qint16(250));
    QCOMPARE(chart.shownRowCount(), 250);

    chart.setRow(7);
    QVERIFY_THROWS_EXCEPTION(ChartError, chart.setRow(refused));
    QCOMPARE(chart.Row(), qint16(7));
}

void TestMSChart::rowCountChangeKeepsAndClearsRows()
{
    MSChart chart;
    chart.setRowCount(10);
    for (qint16 i = 1; i <= 10; ++i) {
        chart.setRow(i);
        chart.setRowLabel(QStringLiteral("L%1").arg(i));
        chart.setData(QString::number(i));
    }

    chart.setRowCount(5);
    QCOMPARE(chart.shownRowCount(), 5);
    QCOMPARE(chart.value(5), 5.0);
    QCOMPARE(chart.rowLabel(5), QStringLiteral("L5"));

    // Growing again: the dropped rows come back empty, the kept ones unchanged.
    chart.setRowCount(8);
    QCOMPARE(chart.value(3), 3.0);
    QCOMPARE(chart.rowLabel(3), QStringLiteral("L3"));
    for (int i = 6; i <= 8; ++i) {
        QCOMPARE(chart.value(i), 0.0);
        QVERIFY(chart.rowLabel(i).isEmpty());
    }

    // Rows shown beyond the old count are not part of the grid: a larger count starts them
    // afresh.
    chart.setRow(12);
    chart.setData(QStringLiteral("9"));
    chart.setRowLabel(QStringLiteral("far"));
    chart.setRowCount(12);
    QCOMPARE(chart.shownRowCount(), 12);
    QCOMPARE(chart.value(12), 0.0);
    QVERIFY(chart.rowLabel(12).isEmpty());

    chart.flush();
    const auto points = seriesOf(chart)->points();
    QCOMPARE(points.size(), 12);
    QCOMPARE(points.at(2), QPointF(3, 3));
    QCOMPARE(points.at(11), QPointF(12, 0));
}

void TestMSChart::labelsOnlyWhereSet_data()
{
    QTest::addColumn<qint16>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("250 rows") << qint16(250) << QStringList{"100", "200"};
    QTest::newRow("1000 rows") << qint16(1000)
                               << QStringList{"100", "200", "300", "400", "500",
                                              "600", "700", "800", "900", "1000"};
    QTest::newRow("99 rows") << qint16(99) << QStringList{};
}

void TestMSChart::labelsOnlyWhereSet()
{
    QFETCH(qint16, rows);
    QFETCH(QStringList, labels);
    MSChart chart;
    clearLikeTheProgram(chart, rows);
    chart.flush();

    QCategoryAxis *axis = xAxisOf(chart);
    QCOMPARE(axis->categoriesLabels(), labels);
    for (const QString &label : labels)
        QCOMPARE(axis->endValue(label), label.toDouble());
    QCOMPARE(axis->min(), 1.0);
    QCOMPARE(axis->max(), double(rows));

    QCOMPARE(chart.rowLabel(100), rows >= 100 ? QStringLiteral("100") : QString());
    QVERIFY(chart.rowLabel(150).isEmpty());
}

void TestMSChart::labelChangesReachTheAxis()
{
    MSChart chart;
    clearLikeTheProgram(chart, 250);
    chart.flush();

    // A label cleared disappears from the axis; two rows with the same text both show it.
    chart.setRow(100);
    chart.setRowLabel(QString());
    chart.setRow(50);
    chart.setRowLabel(QStringLiteral("x"));
    chart.setRow(60);
    chart.setRowLabel(QStringLiteral("x"));
    chart.flush();

    QCategoryAxis *axis = xAxisOf(chart);
    const QStringList shown = axis->categoriesLabels();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(axis->endValue(shown.at(0)), 50.0);
    QCOMPARE(axis->endValue(shown.at(1)), 60.0);
    QCOMPARE(axis->endValue(shown.at(2)), 200.0);
    for (int i = 0; i < 2; ++i) {
        QString visible = shown.at(i);
        visible.remove(QChar(u'\u200B'));
        QCOMPARE(visible, QStringLiteral("x"));
    }

    // Labelled rows dropped by a smaller count take their labels with them.
    chart.setRowCount(55);
    chart.flush();
    QCOMPARE(axis->categoriesLabels().size(), 1);
    QCOMPARE(axis->endValue(axis->categoriesLabels().first()), 50.0);

    // Writing the same labels again (as every clearing does) leaves the axis alone.
    chart.setRow(50);
    QSignalSpy changes(axis, &QCategoryAxis::categoriesChanged);
    chart.setRowLabel(QStringLiteral("x"));
    chart.flush();
    QCOMPARE(changes.count(), 0);
}

void TestMSChart::dataInSystemNumberFormat_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("German decimal comma") << kGerman << "12,5" << 12.5;
    QTest::newRow("English decimal point") << kEnglish << "12.5" << 12.5;
    QTest::newRow("German negative") << kGerman << "-128" << -128.0;
    QTest::newRow("German grouped") << kGerman << "1.000,5" << 1000.5;
    QTest::newRow("English grouped") << kEnglish << "1,000.5" << 1000.5;
    QTest::newRow("blanks around") << kGerman << " 7 " << 7.0;
    QTest::newRow("German beyond 9999") << kGerman << "-20000,25" << -20000.25;
    QTest::newRow("zero clears") << kEnglish << "0" << 0.0;
}

void TestMSChart::dataInSystemNumberFormat()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    LocaleScope scope(locale);

    MSChart chart;
    chart.setRowCount(10);
    chart.setRow(3);
    chart.setData(QStringLiteral("4"));
    chart.setData(text);
    QCOMPARE(chart.value(3), expected);
    chart.flush();
    QCOMPARE(seriesOf(chart)->at(2), QPointF(3, expected));
}

void TestMSChart::refusedDataChangesNothing_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal point under German") << kGerman << "12.5";
    QTest::newRow("decimal comma under English") << kEnglish << "12,5";
    QTest::newRow("letters") << kGerman << "abc";
    QTest::newRow("trailing unit") << kEnglish << "7 V";
    QTest::newRow("empty") << kGerman << "";
    QTest::newRow("blank") << kEnglish << " ";
    QTest::newRow("infinity") << kEnglish << "inf";
    QTest::newRow("not a number") << kGerman << "nan";
    QTest::newRow("too large") << kEnglish << "1e400";
}

void TestMSChart::refusedDataChangesNothing()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    LocaleScope scope(locale);

    MSChart chart;
    chart.setRowCount(10);
    chart.setRow(3);
    chart.setData(QStringLiteral("4"));
    QVERIFY_THROWS_EXCEPTION(ChartError, chart.setData(text));
    QCOMPARE(chart.value(3), 4.0);

    chart.setRow(20);
    QVERIFY_THROWS_EXCEPTION(ChartError, chart.setData(text));
    QCOMPARE(chart.shownRowCount(), 10);
}

void TestMSChart::dataValueWritesLikeData()
{
    MSChart chart;
    chart.setRowCount(10);
    chart.setRow(3);
    chart.setDataValue(12.5);
    chart.setRow(14);
    chart.setDataValue(-20000.25);
    QCOMPARE(chart.value(3), 12.5);
    QCOMPARE(chart.shownRowCount(), 14);
    chart.flush();
    QCOMPARE(seriesOf(chart)->at(13), QPointF(14, -20000.25));

    const double refused[] = {std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (double value : refused) {
        chart.setRow(3);
        QVERIFY_THROWS_EXCEPTION(ChartError, chart.setDataValue(value));
        QCOMPARE(chart.value(3), 12.5);
        chart.setRow(20);
        QVERIFY_THROWS_EXCEPTION(ChartError, chart.setDataValue(value));
        QCOMPARE(chart.shownRowCount(), 14);
    }
}

void TestMSChart::pointBeyondRowCountExtendsShownRows()
{
    MSChart chart;
    clearLikeTheProgram(chart, 10);
    chart.setRow(15);
    chart.setData(QStringLiteral("4"));
    QCOMPARE(chart.RowCount(), qint16(10));
    QCOMPARE(chart.shownRowCount(), 15);
    QCOMPARE(chart.value(15), 4.0);
    for (int i = 11; i < 15; ++i)
        QCOMPARE(chart.value(i), 0.0);

    // A lower row beyond the count does not shrink what is shown.
    chart.setRow(12);
    chart.setData(QStringLiteral("2"));
    QCOMPARE(chart.shownRowCount(), 15);

    chart.flush();
    const auto points = seriesOf(chart)->points();
    QCOMPARE(points.size(), 15);
    QCOMPARE(points.at(11), QPointF(12, 2));
    QCOMPARE(points.at(14), QPointF(15, 4));
    QCOMPARE(xAxisOf(chart)->max(), 15.0);
    QVERIFY(yAxisOf(chart)->max() > 4.0);

    // The next clearing shows the grid alone again.
    clearLikeTheProgram(chart, 10);
    chart.flush();
    QCOMPARE(chart.shownRowCount(), 10);
    QCOMPARE(seriesOf(chart)->count(), 10);
    QCOMPARE(xAxisOf(chart)->max(), 10.0);
}

void TestMSChart::rebuildsOncePerEventLoopTurn()
{
    MSChart chart;
    clearLikeTheProgram(chart, 1000);
    chart.flush();
    QCoreApplication::processEvents();
    QLineSeries *series = seriesOf(chart);
    const int before = chart.rebuildCount();
    QSignalSpy bulk(series, &QXYSeries::pointsReplaced);
    QSignalSpy single(series, &QXYSeries::pointReplaced);
    QSignalSpy added(series, &QXYSeries::pointAdded);

    QList<QPointF> expected;
    for (qint16 i = 1; i <= 1000; ++i) {
        const int v = (i * 37) % 255 - 127;
        chart.setRow(i);
        chart.setData(QString::number(v));
        expected.append(QPointF(i, v));
    }
    // Nothing drawn yet: the writes only changed the grid.
    QCOMPARE(chart.rebuildCount(), before);
    QCOMPARE(series->at(0), QPointF(1, 0));

    QCoreApplication::processEvents();
    QCOMPARE(chart.rebuildCount(), before + 1);
    QCOMPARE(series->points(), expected);
    QCOMPARE(bulk.count(), 1);
    QCOMPARE(single.count(), 0);
    QCOMPARE(added.count(), 0);

    QCoreApplication::processEvents();
    QCOMPARE(chart.rebuildCount(), before + 1);

    // A flush draws at once; the call already queued for this turn then finds nothing to do.
    chart.setRow(5);
    chart.setData(QStringLiteral("100"));
    chart.flush();
    QCOMPARE(chart.rebuildCount(), before + 2);
    QCOMPARE(series->at(4), QPointF(5, 100));
    QCoreApplication::processEvents();
    QCOMPARE(chart.rebuildCount(), before + 2);

    // Writing the values already shown changes nothing to draw.
    chart.setRow(5);
    chart.setData(QStringLiteral("100"));
    QCoreApplication::processEvents();
    QCOMPARE(chart.rebuildCount(), before + 2);
}

void TestMSChart::yRangeCoversShownValues_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("beyond +-9999") << QList<double>{20000, -15000, 3};
    QTest::newRow("all above 9999") << QList<double>{12000, 30000};
    QTest::newRow("all below -9999") << QList<double>{-10000, -25000};
    QTest::newRow("8-bit range") << QList<double>{0, 255, 128};
    QTest::newRow("flat at zero") << QList<double>{0, 0};
    QTest::newRow("flat at 5") << QList<double>{5, 5, 5};
    QTest::newRow("flat far out") << QList<double>{1e12, 1e12};
}

void TestMSChart::yRangeCoversShownValues()
{
    QFETCH(QList<double>, values);
    MSChart chart;
    chart.setRowCount(qint16(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i) {
        chart.setRow(qint16(i + 1));
        chart.setData(QString::number(values.at(i), 'g', 17));
    }
    chart.flush();

    const double lo = *std::min_element(values.begin(), values.end());
    const double hi = *std::max_element(values.begin(), values.end());
    QValueAxis *axis = yAxisOf(chart);
    // Strictly inside: no point lies on the plot's edge, and a flat line gets a real range.
    QVERIFY2(axis->min() < lo, qPrintable(QString::number(axis->min())));
    QVERIFY2(axis->max() > hi, qPrintable(QString::number(axis->max())));
    if (hi > lo) {
        // Scaled to the values, not to some fixed span.
        QVERIFY(axis->max() - axis->min() < 2 * (hi - lo));
    }
    // A handful of labelled ticks, whatever the span.
    const double ticks = (axis->max() - axis->min()) / axis->tickInterval();
    QVERIFY2(ticks >= 2 && ticks <= 12, qPrintable(QString::number(ticks)));

    // Clearing scales back down to the zeros.
    clearLikeTheProgram(chart, qint16(values.size()));
    chart.flush();
    QVERIFY(axis->min() < 0 && axis->min() >= -10);
    QVERIFY(axis->max() > 0 && axis->max() <= 10);
}

void TestMSChart::yAxisStaysUsableOnAShownChart_data()
{
    const double big = std::numeric_limits<double>::max();
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("from +-1 to +-20000") << QList<double>{20000, -15000};
    QTest::newRow("ends of double") << QList<double>{big, -big};
    QTest::newRow("flat at the top") << QList<double>{big, big};
    QTest::newRow("flat at the bottom") << QList<double>{-big, -big};
    QTest::newRow("narrow band far out") << QList<double>{1e16, 1e16 + 2};
    QTest::newRow("smallest doubles") << QList<double>{0, std::numeric_limits<double>::denorm_min()};
    QTest::newRow("tiny values") << QList<double>{1e-300, 2e-300};
}

void TestMSChart::yAxisStaysUsableOnAShownChart()
{
    // On a shown chart the axis lays out its ticks as soon as its range changes, by stepping
    // from one multiple of the interval to the next until it passes the range's end. An
    // interval that is 0, below the doubles' resolution at the range, or tiny against the
    // range never gets there, or only after creating a tick item per step. The numbers are
    // checked first on the hidden chart, where no layout runs; the drawing afterwards (and the
    // switch from the cleared chart's +-1 to the values, where range and interval change
    // together) would hang rather than fail on such a fault.
    QFETCH(QList<double>, values);
    MSChart chart;
    chart.resize(chart.sizeHint());
    const auto drawValues = [&] {
        chart.setRowCount(qint16(values.size()));
        for (qsizetype i = 0; i < values.size(); ++i) {
            chart.setRow(qint16(i + 1));
            chart.setDataValue(values.at(i));
        }
        chart.flush();
    };
    drawValues();

    QValueAxis *axis = yAxisOf(chart);
    const double min = axis->min();
    const double max = axis->max();
    const double interval = axis->tickInterval();
    QVERIFY(std::isfinite(min) && std::isfinite(max) && min < max);
    QVERIFY(interval > 0);
    QVERIFY2((max - min) / interval >= 1 && (max - min) / interval <= 20,
             qPrintable(QStringLiteral("%1 .. %2 step %3").arg(min).arg(max).arg(interval)));
    QVERIFY(max + interval > max && min - interval < min);
    QVERIFY(std::isfinite(min - 2 * interval) && std::isfinite(max + 2 * interval));

    // Values up to +-1e300 lie within the axis; beyond, they run off the plot.
    const double lo = *std::min_element(values.begin(), values.end());
    const double hi = *std::max_element(values.begin(), values.end());
    QVERIFY(min <= std::max(lo, -1e300));
    QVERIFY(max >= std::min(hi, 1e300));

    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QVERIFY(!chart.grab().isNull());
    clearLikeTheProgram(chart, chart.RowCount());
    chart.flush();
    QCOMPARE(axis->max(), 1.0);
    QVERIFY(!chart.grab().isNull());
    drawValues();
    QVERIFY(!chart.grab().isNull());
    QCOMPARE(axis->max(), max);
}

QTEST_MAIN(TestMSChart)
#include "tst_mschart.moc"
