#include "analysis/Correlation.h"
#include "analysis/Simulation.h"
#include "core/Errors.h"

#include <QList>
#include <QString>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::analysis;

namespace {
QString describe(const CorrelationResult &result)
{
    return QStringLiteral("{maximum %1, shift %2}").arg(result.maximum, 0, 'f', 0).arg(result.shift);
}

QString mismatch(const char *computation, const CorrelationResult &result,
                 const CorrelationResult &expected)
{
    return QStringLiteral("%1: got %2, expected %3")
        .arg(QString::fromLatin1(computation), describe(result), describe(expected));
}
} // namespace

namespace kurvomat::analysis {
// Lets QCOMPARE print results.
char *toString(const CorrelationResult &result)
{
    return QTest::toString(describe(result));
}
} // namespace kurvomat::analysis

namespace {

const double kPi = 4 * std::atan(1.0);

// The window's arrays: samples 0..1100, reference 0..2100.
constexpr int kSampleCount = 1101;
constexpr int kReferenceCount = 2101;

// Fills elements a correct computation never reads (index 0, beyond m or 2m - 1), large
// enough that reading one against a nonzero partner shows in the sums.
constexpr std::int16_t kJunk = 30001;
// Marks elements buildReference must not write.
constexpr std::int16_t kUntouched = 31111;

using Values = QList<qint16>;

// {kJunk, values..., kJunk, kJunk, kJunk}: index 1 holds the first value.
Values oneBased(const Values &values)
{
    Values list{kJunk};
    list += values;
    list += Values{kJunk, kJunk, kJunk};
    return list;
}

Values repeated(int count, qint16 value)
{
    return Values(count, value);
}

// count values, all zero but the given (1-based) positions.
Values spikes(int count, const QList<std::pair<int, qint16>> &positions)
{
    Values values(count, 0);
    for (const auto &[position, value] : positions)
        values[position - 1] = value;
    return values;
}

std::span<const std::int16_t> view(const Values &values)
{
    return {values.constData(), static_cast<std::size_t>(values.size())};
}

std::span<const std::int16_t> view(const std::vector<std::int16_t> &values)
{
    return {values.data(), values.size()};
}

QList<CorrelationKernel> availableKernels()
{
    QList<CorrelationKernel> kernels;
    for (auto kernel : {CorrelationKernel::Portable, CorrelationKernel::Avx2}) {
        if (isAvailable(kernel))
            kernels << kernel;
    }
    return kernels;
}

// Checks the naive computation and every kernel this processor runs against one answer.
void expectEverywhere(std::span<const std::int16_t> samples,
                      std::span<const std::int16_t> reference, int m,
                      const CorrelationResult &expected)
{
    const CorrelationResult naive = correlateNaive(samples, reference, m);
    QVERIFY2(naive == expected, qPrintable(mismatch("naive", naive, expected)));
    for (auto kernel : availableKernels()) {
        const CorrelationResult result = correlateWith(kernel, samples, reference, m);
        QVERIFY2(result == expected, qPrintable(mismatch(kernelName(kernel), result, expected)));
    }
}

// Independent exact computation: every sum in 64-bit integers, the first strictly largest
// positive one wins.
CorrelationResult exactInt64(std::span<const std::int16_t> samples,
                             std::span<const std::int16_t> reference, int m)
{
    std::int64_t best = 0;
    int shift = 0;
    for (int i = 1; i <= m; ++i) {
        std::int64_t sum = 0;
        for (int j = 1; j <= m; ++j)
            sum += std::int64_t{samples[j]} * std::int64_t{reference[i + j - 1]};
        if (sum > best) {
            best = sum;
            shift = i;
        }
    }
    return {static_cast<double>(best), static_cast<std::int16_t>(shift)};
}

std::vector<std::int16_t> referenceArray(double n, double amplitude)
{
    std::vector<std::int16_t> reference(kReferenceCount, kJunk);
    buildReference(reference, n, amplitude, kPi);
    return reference;
}

} // namespace

class TestCorrelation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void buildReference_knownValues_data();
    void buildReference_knownValues();
    void buildReference_writesOnlyOneTo2n_data();
    void buildReference_writesOnlyOneTo2n();
    void buildReference_failures_data();
    void buildReference_failures();

    void correlate_knownAnswers_data();
    void correlate_knownAnswers();
    void correlate_lengthBounds_data();
    void correlate_lengthBounds();
    void correlate_startUpPicture();
    void correlate_sweepFirstStep();
    void correlate_samplesEqualToReference();
    void correlate_formerSixteenBitOverflowIsExact();
    void correlate_largeValuesBeyond32Bits();
    void correlate_matchesNaive_data();
    void correlate_matchesNaive();

    void correlationLength_data();
    void correlationLength();
};

void TestCorrelation::initTestCase()
{
    QStringList names;
    for (auto kernel : availableKernels())
        names << QString::fromLatin1(kernelName(kernel));
    qInfo("kernels under test: %s", qPrintable(names.join(u", ")));
}

void TestCorrelation::buildReference_knownValues_data()
{
    QTest::addColumn<double>("n");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("expected");

    // A quarter period is the peak; sin of the double nearest 2 pi (and 4 pi) is a tiny
    // negative number, which floor takes to -1.
    QTest::newRow("N 1000, quarter period") << 1000.0 << 127.0 << 250 << 127;
    QTest::newRow("N 1000, half period") << 1000.0 << 127.0 << 500 << 0;
    QTest::newRow("N 1000, three quarters") << 1000.0 << 127.0 << 750 << -127;
    QTest::newRow("N 1000, full period") << 1000.0 << 127.0 << 1000 << -1;
    QTest::newRow("N 1000, two periods") << 1000.0 << 127.0 << 2000 << -1;
    // floor(127 sin(3.6 k degrees)): 7.97, 15.9, 23.8, 31.6, 39.2, 46.7, 54.0
    const int first100[] = {7, 15, 23, 31, 39, 46, 54};
    for (int k = 1; k <= 7; ++k)
        QTest::addRow("N 100, k %d", k) << 100.0 << 127.0 << k << first100[k - 1];
    // Period 2.5: 127 sin(144 k degrees) = 74.6, -120.8, 120.8, -74.6, then the double
    // nearest 4 pi again (the angle is 720 as for N 1000, k 2000).
    const int period25[] = {74, -121, 120, -75, -1};
    for (int k = 1; k <= 5; ++k)
        QTest::addRow("N 2.5, k %d", k) << 2.5 << 127.0 << k << period25[k - 1];
    // Rounded toward minus infinity, not toward zero: -sin 30 degrees (about -0.5) gives -1.
    QTest::newRow("N 12, amplitude -1, k 1") << 12.0 << -1.0 << 1 << -1;
    QTest::newRow("N 12, amplitude 1, k 1") << 12.0 << 1.0 << 1 << 0;
    QTest::newRow("amplitude 0") << 1000.0 << 0.0 << 250 << 0;
    QTest::newRow("largest amplitude at the peak") << 1000.0 << 32767.0 << 250 << 32767;
}

void TestCorrelation::buildReference_knownValues()
{
    QFETCH(double, n);
    QFETCH(double, amplitude);
    QFETCH(int, k);
    QFETCH(int, expected);

    const auto reference = referenceArray(n, amplitude);
    QCOMPARE(int(reference[k]), expected);
}

void TestCorrelation::buildReference_writesOnlyOneTo2n_data()
{
    QTest::addColumn<double>("n");
    QTest::addColumn<int>("lastWritten");

    QTest::newRow("N 1000") << 1000.0 << 2000;
    QTest::newRow("N 2.5") << 2.5 << 5;
    QTest::newRow("N 1050, the whole array") << 1050.0 << 2100;
    QTest::newRow("N 0.4, bound 0.8") << 0.4 << 0;
    QTest::newRow("N 0") << 0.0 << 0;
    QTest::newRow("N negative") << -3.0 << 0;
    QTest::newRow("N not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void TestCorrelation::buildReference_writesOnlyOneTo2n()
{
    QFETCH(double, n);
    QFETCH(int, lastWritten);

    // Amplitude 100 never produces the marker value.
    std::vector<std::int16_t> reference(kReferenceCount, kUntouched);
    buildReference(reference, n, 100.0, kPi);
    QCOMPARE(reference[0], kUntouched);
    for (int k = 1; k <= lastWritten; ++k)
        QVERIFY2(reference[k] != kUntouched, qPrintable(QStringLiteral("k %1").arg(k)));
    for (int k = lastWritten + 1; k < kReferenceCount; ++k)
        QVERIFY2(reference[k] == kUntouched, qPrintable(QStringLiteral("k %1").arg(k)));
}

void TestCorrelation::buildReference_failures_data()
{
    QTest::addColumn<double>("n");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<int>("arraySize");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("writtenUpTo"); // elements 1..writtenUpTo hold new values

    // 2N = 2101 needs element 2101: everything up to the array's end is written first.
    QTest::newRow("N 1050.5 passes the array") << 1050.5 << 127.0 << kReferenceCount
                                               << "index" << 2100;
    QTest::newRow("small array") << 10.0 << 127.0 << 8 << "index" << 7;
    // N 8: k 1 is 45 degrees (23170 for 32768), k 2 the peak (32768 > 32767).
    QTest::newRow("peak 32768") << 8.0 << 32768.0 << kReferenceCount << "overflow" << 1;
    QTest::newRow("amplitude -32769") << 4.0 << -32769.0 << kReferenceCount << "overflow" << 0;
    QTest::newRow("amplitude infinite")
        << 4.0 << std::numeric_limits<double>::infinity() << kReferenceCount << "overflow" << 0;
    // Peak floor(32767.9) = 32767, trough floor(-32767.9) = -32768: both fit.
    QTest::newRow("amplitude 32767.9 fits") << 4.0 << 32767.9 << kReferenceCount << "none" << 8;
}

void TestCorrelation::buildReference_failures()
{
    QFETCH(double, n);
    QFETCH(double, amplitude);
    QFETCH(int, arraySize);
    QFETCH(QString, error);
    QFETCH(int, writtenUpTo);

    std::vector<std::int16_t> reference(arraySize, kUntouched);
    if (error == u"index")
        QVERIFY_THROWS_EXCEPTION(IndexError, buildReference(reference, n, amplitude, kPi));
    else if (error == u"overflow")
        QVERIFY_THROWS_EXCEPTION(OverflowError, buildReference(reference, n, amplitude, kPi));
    else
        buildReference(reference, n, amplitude, kPi);

    for (int k = 1; k <= writtenUpTo; ++k)
        QVERIFY2(reference[k] != kUntouched, qPrintable(QStringLiteral("k %1").arg(k)));
    for (int k = writtenUpTo + 1; k < arraySize; ++k)
        QVERIFY2(reference[k] == kUntouched, qPrintable(QStringLiteral("k %1").arg(k)));
    if (amplitude == 32768.0)
        QCOMPARE(int(reference[1]), 23170); // floor(32768 * sin 45 degrees) = floor(23170.48)
}

void TestCorrelation::correlate_knownAnswers_data()
{
    QTest::addColumn<Values>("samples");   // from index 1
    QTest::addColumn<Values>("reference"); // from index 1
    QTest::addColumn<int>("m");
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<int>("shift");

    // With a single sample 1 at j = 1 every sum is S(i) = reference(i), so the reference
    // spells out the sequence of sums directly.
    const auto delta = [](int m) { return spikes(m, {{1, 1}}); };

    QTest::newRow("samples all zero") << Values{0, 0, 0, 0} << Values{5, -3, 7, 2, 1, 4, 6} << 4
                                      << qint64(0) << 0;
    QTest::newRow("reference all zero") << Values{1, 2, 3} << Values{0, 0, 0, 0, 0} << 3
                                        << qint64(0) << 0;
    QTest::newRow("sums are the reference") << delta(5) << Values{3, 9, 4, 1, 2, 50, 50, 50, 50}
                                            << 5 << qint64(9) << 2;
    QTest::newRow("equal maxima, first wins")
        << delta(10) << spikes(19, {{1, 2}, {2, 7}, {3, 1}, {4, 7}, {5, 7}}) << 10 << qint64(7)
        << 2;
    // The kernels sum shifts in groups; ties and later maxima across a group boundary.
    QTest::newRow("equal maxima far apart")
        << delta(12) << spikes(23, {{3, 5}, {11, 5}, {12, 4}}) << 12 << qint64(5) << 3;
    QTest::newRow("later larger maximum")
        << delta(12) << spikes(23, {{3, 5}, {11, 6}}) << 12 << qint64(6) << 11;
    QTest::newRow("maximum at the last shift, m 16")
        << delta(16) << spikes(31, {{15, 8}, {16, 9}}) << 16 << qint64(9) << 16;
    QTest::newRow("maximum at the last shift, m 17")
        << delta(17) << spikes(33, {{16, 8}, {17, 9}}) << 17 << qint64(9) << 17;
    QTest::newRow("negative sums only") << delta(4) << Values{-1, -5, -2, -9, 40, 40, 40} << 4
                                        << qint64(0) << 0;
    QTest::newRow("a zero sum never replaces the start")
        << delta(4) << Values{-1, 0, -2, 0, 40, 40, 40} << 4 << qint64(0) << 0;
    // Reference of period 2.5, amplitude 127 (k 1..5), with M = 2:
    // S(1) = 1*74 + 2*(-121) = -168, S(2) = 1*(-121) + 2*120 = 119.
    QTest::newRow("N 2.5, M 2") << Values{1, 2} << Values{74, -121, 120, -75, -1} << 2
                                << qint64(119) << 2;
    QTest::newRow("N 2.5, M 2, first shift")
        << Values{3, -1} << Values{74, -121, 120, -75, -1} << 2 << qint64(343) << 1;
    QTest::newRow("m 1") << Values{-3} << Values{-4} << 1 << qint64(12) << 1;
    QTest::newRow("m 1, negative") << Values{3} << Values{-4} << 1 << qint64(0) << 0;

    // Three samples of 32767 form a moving sum: a lone 32767 in the reference at k = 10
    // gives S(8) = S(9) = S(10) = 32767^2 and 0 elsewhere. The bounds (3 * 32767 * 32767)
    // exceed 32 bits, so this runs with 64-bit sums.
    QTest::newRow("64-bit sums, equal maxima")
        << spikes(20, {{1, 32767}, {2, 32767}, {3, 32767}}) << spikes(39, {{10, 32767}}) << 20
        << qint64(1073676289) << 8;
    // Every sum is 1024 * 2048 * 1024 = 2^31 exactly: one past the 32-bit range.
    QTest::newRow("sums of exactly 2^31") << repeated(1024, 2048) << repeated(2047, 1024) << 1024
                                          << (qint64(1) << 31) << 1;
    // One sample less by 1: 2^31 - 1024, the largest that stays in 32 bits here.
    Values justBelow = repeated(1024, 2048);
    justBelow[500] = 2047;
    QTest::newRow("sums just below 2^31") << justBelow << repeated(2047, 1024) << 1024
                                          << (qint64(1) << 31) - 1024 << 1;
    // The bounds must cover the reference up to 2m - 1, not just to m: here only the values
    // at 4 and 5 push the last sum, -32768 * (-1 - 32768 - 32768) = 2147516416, past 2^31.
    // S(1) = 32768 and S(2) = 32768 * 32769 = 1073774592 come before it.
    QTest::newRow("largest reference values beyond m")
        << repeated(3, -32768) << Values{0, 0, -1, -32768, -32768} << 3 << qint64(2147516416)
        << 3;
    // (-32768)^2 * 1000 = 2^30 * 1000; two such products already leave 32 bits.
    QTest::newRow("most negative values") << repeated(1000, -32768) << repeated(1999, -32768)
                                          << 1000 << qint64(1000) * (qint64(1) << 30) << 1;
    QTest::newRow("most negative times most positive")
        << repeated(1000, -32768) << repeated(1999, 32767) << 1000 << qint64(0) << 0;
}

void TestCorrelation::correlate_knownAnswers()
{
    QFETCH(Values, samples);
    QFETCH(Values, reference);
    QFETCH(int, m);
    QFETCH(qint64, maximum);
    QFETCH(int, shift);

    const Values s = oneBased(samples);
    const Values r = oneBased(reference);
    expectEverywhere(view(s), view(r), m,
                     {static_cast<double>(maximum), static_cast<std::int16_t>(shift)});
}

void TestCorrelation::correlate_lengthBounds_data()
{
    QTest::addColumn<int>("sampleCount");
    QTest::addColumn<int>("referenceCount");
    QTest::addColumn<int>("m");
    QTest::addColumn<bool>("throws");

    QTest::newRow("m 0") << kSampleCount << kReferenceCount << 0 << false;
    QTest::newRow("m negative") << kSampleCount << kReferenceCount << -5 << false;
    QTest::newRow("m 0, empty arrays") << 0 << 0 << 0 << false;
    QTest::newRow("m 1050 reads reference 2099") << kSampleCount << kReferenceCount << 1050
                                                 << false;
    QTest::newRow("m 1051 reads reference 2101") << kSampleCount << kReferenceCount << 1051
                                                 << true;
    QTest::newRow("m 1100") << kSampleCount << kReferenceCount << 1100 << true;
    QTest::newRow("m 1101") << kSampleCount << kReferenceCount << 1101 << true;
    QTest::newRow("m 40000") << kSampleCount << kReferenceCount << 40000 << true;
    QTest::newRow("small arrays, fit") << 5 << 8 << 4 << false;
    QTest::newRow("small arrays, samples short") << 4 << 8 << 4 << true;
    QTest::newRow("small arrays, reference short") << 5 << 7 << 4 << true;
}

void TestCorrelation::correlate_lengthBounds()
{
    QFETCH(int, sampleCount);
    QFETCH(int, referenceCount);
    QFETCH(int, m);
    QFETCH(bool, throws);

    const Values samples = repeated(sampleCount, 1);
    const Values reference = repeated(referenceCount, 1);
    if (throws) {
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)correlateNaive(view(samples), view(reference), m));
        for (auto kernel : availableKernels()) {
            QVERIFY_THROWS_EXCEPTION(IndexError,
                                     (void)correlateWith(kernel, view(samples), view(reference), m));
        }
    } else {
        // All products 1: every sum is m, found first at shift 1.
        const CorrelationResult expected =
            m > 0 ? CorrelationResult{double(m), 1} : CorrelationResult{};
        expectEverywhere(view(samples), view(reference), m, expected);
        QCOMPARE(correlate(view(samples), view(reference), m), expected);
    }
}

void TestCorrelation::correlate_startUpPicture()
{
    // One period of amplitude 127 over N = 1000, rounded half to even, against the
    // reference of amplitude 127.
    std::vector<std::int16_t> samples(kSampleCount, kJunk);
    for (int k = 1; k <= 1000; ++k)
        samples[k] = static_cast<std::int16_t>(std::nearbyint(singleSample(k, 1.0, 1000, 127, kPi)));

    const std::int16_t first[] = {1, 2, 2, 3, 4, 5, 6};
    for (int k = 1; k <= 7; ++k)
        QCOMPARE(samples[k], first[k - 1]);
    QCOMPARE(int(samples[250]), 127);
    QCOMPARE(int(samples[500]), 0);
    QCOMPARE(int(samples[1000]), 0);

    const auto reference = referenceArray(1000, 127);
    expectEverywhere(view(samples), view(reference), 1000, {8063322, 1});
    QCOMPARE(correlate(view(samples), view(reference), 1000), (CorrelationResult{8063322, 1}));
}

void TestCorrelation::correlate_sweepFirstStep()
{
    // Factor 0.01: a hundredth of a period, found half a period further on.
    std::vector<std::int16_t> samples(kSampleCount, kJunk);
    for (int k = 1; k <= 1000; ++k)
        samples[k] = static_cast<std::int16_t>(std::nearbyint(sweepSample(k, 0.01, 1000, 127, kPi)));

    const auto reference = referenceArray(1000, 127);
    expectEverywhere(view(samples), view(reference), 1000, {159138, 501});
}

void TestCorrelation::correlate_samplesEqualToReference()
{
    const auto reference = referenceArray(1000, 127);
    std::vector<std::int16_t> samples(kSampleCount, kJunk);
    double energy = 0;
    for (int k = 1; k <= 1000; ++k) {
        samples[k] = reference[k];
        energy += double(reference[k]) * reference[k];
    }
    // Unshifted, every product is a square: the sum is the signal's energy.
    expectEverywhere(view(samples), view(reference), 1000, {energy, 1});
}

void TestCorrelation::correlate_formerSixteenBitOverflowIsExact()
{
    // Reference amplitude 200 peaks at k = 250 with exactly 200; a sample 255 there makes
    // the product 51000, beyond 16 bits. Every other reference value the sample meets
    // (k 250..1249) lies below 200, so shift 1 holds the maximum 255 * 200.
    const auto reference = referenceArray(1000, 200);
    QCOMPARE(int(reference[250]), 200);
    std::vector<std::int16_t> samples(kSampleCount, kJunk);
    std::fill(samples.begin() + 1, samples.begin() + 1001, 0);
    samples[250] = 255;
    expectEverywhere(view(samples), view(reference), 1000, {51000, 1});
}

void TestCorrelation::correlate_largeValuesBeyond32Bits()
{
    // A square wave of full 16-bit swing against a full-amplitude sine: the sums reach about
    // 32767 * 32767 * 1000 * 2 / pi, far beyond 32 bits.
    const auto reference = referenceArray(1000, 32767);
    std::vector<std::int16_t> samples(kSampleCount, kJunk);
    for (int k = 1; k <= 1000; ++k)
        samples[k] = (k + 100) % 1000 < 500 ? std::int16_t(32767) : std::int16_t(-32768);

    const CorrelationResult exact = exactInt64(view(samples), view(reference), 1000);
    QVERIFY(exact.maximum > 4.0e11);
    expectEverywhere(view(samples), view(reference), 1000, exact);
}

void TestCorrelation::correlate_matchesNaive_data()
{
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("sampleLow");
    QTest::addColumn<int>("sampleHigh");
    QTest::addColumn<int>("referenceLimit"); // reference values in -limit - 1 .. limit
    QTest::addColumn<bool>("sineReference");

    struct Kind {
        const char *name;
        int sampleLow, sampleHigh, referenceLimit;
        bool sine;
    };
    const Kind kinds[] = {
        {"device bytes, sine 127", 0, 255, 127, true},
        {"signed bytes, random 127", -128, 127, 127, false},
        {"device bytes, sine 32767", 0, 255, 32767, true},
        {"small samples, random 32767", -60, 60, 32767, false},
        {"full range", -32768, 32767, 32767, false},
    };
    const int lengths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 64, 999, 1000, 1050};
    for (const Kind &kind : kinds) {
        for (int m : lengths) {
            QTest::addRow("%s, m %d", kind.name, m)
                << m << kind.sampleLow << kind.sampleHigh << kind.referenceLimit << kind.sine;
        }
    }
}

void TestCorrelation::correlate_matchesNaive()
{
    QFETCH(int, m);
    QFETCH(int, sampleLow);
    QFETCH(int, sampleHigh);
    QFETCH(int, referenceLimit);
    QFETCH(bool, sineReference);

    // Fixed seed per row; every element, read or not, gets a value.
    std::mt19937 random(static_cast<std::uint32_t>(m * 7919 + sampleLow * 31 + referenceLimit));
    const auto draw = [&random](int low, int high) {
        return static_cast<std::int16_t>(low + static_cast<int>(random() % std::uint32_t(high - low + 1)));
    };
    std::vector<std::int16_t> samples(kSampleCount);
    for (auto &value : samples)
        value = draw(sampleLow, sampleHigh);
    std::vector<std::int16_t> reference(kReferenceCount);
    for (auto &value : reference)
        value = draw(-referenceLimit - 1, referenceLimit);
    if (sineReference)
        buildReference(reference, m, referenceLimit, kPi);

    const CorrelationResult naive = correlateNaive(view(samples), view(reference), m);
    QCOMPARE(naive, exactInt64(view(samples), view(reference), m));
    for (auto kernel : availableKernels()) {
        const CorrelationResult result = correlateWith(kernel, view(samples), view(reference), m);
        QVERIFY2(result == naive, qPrintable(mismatch(kernelName(kernel), result, naive)));
    }
}

void TestCorrelation::correlationLength_data()
{
    QTest::addColumn<double>("n");
    QTest::addColumn<int>("expected"); // -1: overflow

    QTest::newRow("1000") << 1000.0 << 1000;
    QTest::newRow("2.5 to even 2") << 2.5 << 2;
    QTest::newRow("3.5 to even 4") << 3.5 << 4;
    QTest::newRow("0.5 to even 0") << 0.5 << 0;
    QTest::newRow("999.6") << 999.6 << 1000;
    QTest::newRow("above 16 bits") << 32767.5 << -1;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -1;
}

void TestCorrelation::correlationLength()
{
    QFETCH(double, n);
    QFETCH(int, expected);

    if (expected < 0)
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)analysis::correlationLength(n));
    else
        QCOMPARE(analysis::correlationLength(n), expected);
}

QTEST_APPLESS_MAIN(TestCorrelation)
#include "tst_correlation.moc"
