#include "analysis/Simulation.h"
#include "core/Errors.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QTest>

#include <cmath>
#include <span>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::analysis;

namespace {

const double kPi = 4 * std::atan(1.0);

// ERGEBNIS_LISTE spans 0..1100.
constexpr int kResultCount = 1101;

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

std::vector<double> resultList(double fill = 0)
{
    return std::vector<double>(kResultCount, fill);
}

// Factor text of line k built from whole numbers, independent of the accumulated double.
QByteArray factorColumn(int k, char decimalSeparator)
{
    const QByteArray text = QByteArray::number(k / 100) + decimalSeparator
                            + QByteArray::number(k % 100).rightJustified(2, '0');
    return text.leftJustified(14, ' ');
}

} // namespace

class TestSimulation : public QObject {
    Q_OBJECT

private slots:
    void singleSample_roundedStartUpPicture_data();
    void singleSample_roundedStartUpPicture();
    void singleSample_values_data();
    void singleSample_values();
    void sweepSample_values_data();
    void sweepSample_values();

    void sweepResults_oneLine_data();
    void sweepResults_oneLine();
    void sweepResults_factorColumn_data();
    void sweepResults_factorColumn();
    void sweepResults_stepBounds();
};

void TestSimulation::singleSample_roundedStartUpPicture_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("expected");

    // One period of amplitude 127 over 1000 samples, rounded half to even: 127 sin(0.36 k°)
    // is 0.80, 1.60, 2.39, 3.19, 3.99, 4.79, 5.58 for k = 1..7.
    const int first[] = {1, 2, 2, 3, 4, 5, 6};
    for (int k = 1; k <= 7; ++k)
        QTest::addRow("k %d", k) << k << first[k - 1];
    QTest::newRow("quarter period") << 250 << 127;
    QTest::newRow("half period") << 500 << 0;
    QTest::newRow("three quarters") << 750 << -127;
    QTest::newRow("full period") << 1000 << 0;
}

void TestSimulation::singleSample_roundedStartUpPicture()
{
    QFETCH(int, k);
    QFETCH(int, expected);

    QCOMPARE(std::nearbyint(singleSample(k, 1.0, 1000, 127, kPi)), double(expected));
}

void TestSimulation::singleSample_values_data()
{
    QTest::addColumn<double>("k");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("n");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("expected");

    // angle = 360 k f / n degrees; value = amplitude sin(angle).
    QTest::newRow("factor 2 peaks at an eighth") << 125.0 << 2.0 << 1000.0 << 127.0 << 127.0;
    QTest::newRow("factor 0") << 37.0 << 0.0 << 1000.0 << 127.0 << 0.0;
    QTest::newRow("negative amplitude") << 100.0 << 1.0 << 400.0 << -50.0 << -50.0;
    QTest::newRow("30 degrees") << 1.0 << 1.0 << 12.0 << 10.0 << 5.0;
    QTest::newRow("405 degrees") << 3.0 << 1.5 << 4.0 << 2.0 << std::sqrt(2.0);
    QTest::newRow("fractional n") << 1.0 << 1.0 << 2.5 << 127.0 << 127 * 0.58778525229247314;
}

void TestSimulation::singleSample_values()
{
    QFETCH(double, k);
    QFETCH(double, f);
    QFETCH(double, n);
    QFETCH(double, amplitude);
    QFETCH(double, expected);

    const double value = singleSample(k, f, n, amplitude, kPi);
    QVERIFY2(std::abs(value - expected) < 1e-9,
             qPrintable(QStringLiteral("%1 instead of %2").arg(value, 0, 'g', 17).arg(expected)));
}

void TestSimulation::sweepSample_values_data()
{
    QTest::addColumn<double>("k");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("rounded");

    // First sweep step (factor 0.01 over 1000 samples): k degrees times 0.0036.
    QTest::newRow("first step, k 250") << 250.0 << 0.01 << 1000.0 << 127.0
                                       << 127 * 0.015707317311820675 << 2;
    QTest::newRow("first step, k 500") << 500.0 << 0.01 << 1000.0 << 127.0
                                       << 127 * 0.03141075907812829 << 4;
    QTest::newRow("first step, k 1000") << 1000.0 << 0.01 << 1000.0 << 127.0
                                        << 127 * 0.06279051952931337 << 8;
    QTest::newRow("factor 1, quarter") << 250.0 << 1.0 << 1000.0 << -127.0 << -127.0 << -127;
    QTest::newRow("30 degrees") << 1.0 << 30.0 << 360.0 << 2.0 << 1.0 << 1;
    QTest::newRow("factor 0") << 999.0 << 0.0 << 1000.0 << 127.0 << 0.0 << 0;
}

void TestSimulation::sweepSample_values()
{
    QFETCH(double, k);
    QFETCH(double, frequency);
    QFETCH(double, p);
    QFETCH(double, amplitude);
    QFETCH(double, expected);
    QFETCH(int, rounded);

    const double value = sweepSample(k, frequency, p, amplitude, kPi);
    QVERIFY2(std::abs(value - expected) < 1e-9,
             qPrintable(QStringLiteral("%1 instead of %2").arg(value, 0, 'g', 17).arg(expected)));
    QCOMPARE(std::nearbyint(value), double(rounded));
}

void TestSimulation::sweepResults_oneLine_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("result");
    QTest::addColumn<QByteArray>("expected");

    // Columns 1..14: the factor, padded; then the result with at least four digits, grouped.
    QTest::newRow("German, start-up sweep") << kGerman << 159138.0
                                            << QByteArray("0,01          159.138\r\n");
    QTest::newRow("English, start-up sweep") << kEnglish << 159138.0
                                             << QByteArray("0.01          159,138\r\n");
    QTest::newRow("German, zero") << kGerman << 0.0 << QByteArray("0,01          0.000\r\n");
    QTest::newRow("English, 12") << kEnglish << 12.0 << QByteArray("0.01          0,012\r\n");
    QTest::newRow("German, millions") << kGerman << 8063322.0
                                      << QByteArray("0,01          8.063.322\r\n");
    QTest::newRow("English, half rounds up") << kEnglish << 4096.5
                                             << QByteArray("0.01          4,097\r\n");
}

void TestSimulation::sweepResults_oneLine()
{
    QFETCH(QLocale, locale);
    QFETCH(double, result);
    QFETCH(QByteArray, expected);

    auto list = resultList(-1); // index 0 is never written out
    list[1] = result;
    QCOMPARE(sweepResults(list, 1, locale), expected);
}

void TestSimulation::sweepResults_factorColumn_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<char>("decimalSeparator");
    QTest::addColumn<char>("groupSeparator");

    QTest::newRow("German") << kGerman << ',' << '.';
    QTest::newRow("English") << kEnglish << '.' << ',';
}

void TestSimulation::sweepResults_factorColumn()
{
    QFETCH(QLocale, locale);
    QFETCH(char, decimalSeparator);
    QFETCH(char, groupSeparator);

    // A full sweep. The factor is accumulated by adding 0.01 a thousand times (it ends at
    // 9.999999999999831), yet line k must show k / 100 with two decimals; the result
    // column shows list[k] = k, so a line paired with the wrong element shows as well.
    std::vector<double> list(kResultCount);
    for (int k = 0; k < kResultCount; ++k)
        list[k] = k;
    const QByteArray content = sweepResults(list, 1000, locale);
    QVERIFY(content.endsWith("\r\n"));
    const QList<QByteArray> lines = content.chopped(2).split('\n');
    QCOMPARE(lines.size(), 1000);
    for (int k = 1; k <= 1000; ++k) {
        // "0,000" for k <= 1000: thousands, separator, three digits.
        const QByteArray result = QByteArray::number(k / 1000) + groupSeparator
                                  + QByteArray::number(k % 1000).rightJustified(3, '0');
        const QByteArray expected =
            factorColumn(k, decimalSeparator) + result + (k < 1000 ? "\r" : "");
        QVERIFY2(lines[k - 1] == expected,
                 qPrintable(QStringLiteral("line %1: \"%2\"").arg(k).arg(QString::fromLatin1(lines[k - 1]))));
    }
    QCOMPARE(lines.last(), QByteArray("10") + decimalSeparator + "00         1" + groupSeparator
                               + "000");
}

void TestSimulation::sweepResults_stepBounds()
{
    const auto list = resultList();
    QCOMPARE(sweepResults(list, 0, kGerman), QByteArray());
    QCOMPARE(sweepResults(list, -3, kGerman), QByteArray());

    // The last element the list holds: 1100 steps, the factor reaching 11.
    const QByteArray all = sweepResults(list, 1100, kGerman);
    QCOMPARE(all.count('\n'), 1100);
    QVERIFY(all.endsWith("\r\n11,00         0.000\r\n"));

    QVERIFY_THROWS_EXCEPTION(IndexError, (void)sweepResults(list, 1101, kGerman));
    const std::vector<double> shortList(5, 0.0);
    QVERIFY_THROWS_EXCEPTION(IndexError, (void)sweepResults(shortList, 5, kGerman));
    QCOMPARE(sweepResults(shortList, 4, kGerman).count('\n'), 4);
}

QTEST_APPLESS_MAIN(TestSimulation)
#include "tst_simulation.moc"
