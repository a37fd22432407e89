// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Correlation.h"
#include "core/Errors.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::analysis;
using Array = std::vector<std::int16_t>;
Q_DECLARE_METATYPE(Array)
Q_DECLARE_METATYPE(kurvomat::analysis::CorrelationResult)

namespace {
const double kPi = 4 * std::atan(1.0);
// The reference sine as the window builds it (the start-up's sum below and the window's
// correlation boxes depend on its values, its floor and its length).
Array sine(double n, double amplitude)
{
    Array reference(2101);
    buildReference(reference, n, amplitude, kPi);
    return reference;
}

// Independent exact computation in 64-bit integers: the first strictly largest positive sum.
CorrelationResult exact(const Array &s, const Array &r, int m)
{
    CorrelationResult best;
    for (int i = 1; i <= m; ++i)
        if (const double sum = std::inner_product(&s[1], &s[1] + m, &r[i], 0LL); sum > best.maximum)
            best = {sum, std::int16_t(i)};
    return best;
}
} // namespace

class TestCorrelation : public QObject {
    Q_OBJECT

private slots:
    void correlate_data()
    {
        QTest::addColumn<Array>("samples");
        QTest::addColumn<Array>("reference");
        QTest::addColumn<int>("m");
        QTest::addColumn<CorrelationResult>("expected"); // shift -1: IndexError
        // Values from index 1, zero elsewhere; with a sole sample 1 at j = 1, S(i) is reference i.
        const auto known = [](const char *name, const Array &s, const Array &r, int m,
                              CorrelationResult expected) {
            Array samples(1101), reference(2101);
            std::copy(s.begin(), s.end(), samples.begin() + 1);
            std::copy(r.begin(), r.end(), reference.begin() + 1);
            QTest::newRow(name) << samples << reference << m << expected;
        };
        known("negative sums only", {1}, {-1, -5, -2, -9}, 4, {0, 0});
        // Equal maxima at the end of the first block of eight shifts, in the second, in the rest.
        const Array ties{0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 5, 4, 0, 0, 0, 0, 0, 0, 5};
        known("ties, smaller shift", {1}, ties, 20, {5, 8});
        known("m 0", {1}, {1}, 0, {0, 0});
        known("m 1051 reads beyond 2100", {1}, {1}, 1051, {0, -1});
        // Bounds 1024 * 2048 * 1024 are exactly 2^31, one past the 32-bit range.
        known("sums of 2^31", Array(1024, 2048), Array(2047, 1024), 1024, {2147483648.0, 1});
        // Only the reference beyond m pushes S(3) = 32768 * 65537 past 2^31.
        known("large reference beyond m", Array(3, -32768), {0, 0, -1, -32768, -32768}, 3,
              {2147516416.0, 3});

        Array s(1101);
        for (int k = 1; k <= 1000; ++k) // rounded half to even
            s[k] = std::int16_t(std::nearbyint(127 * std::sin(2 * kPi * k / 1000)));
        QTest::newRow("start-up picture") << s << sine(1000, 127) << 1000
                                          << CorrelationResult{8063322, 1};

        std::mt19937 random(2024);
        for (int m : {1, 7, 999, 1000, 1050})
            for (int limit : {255, 32767}) { // 32-bit and 64-bit sums
                std::uniform_int_distribution<int> draw(-limit - 1, limit);
                Array samples(1101), reference(2101);
                for (Array *array : {&samples, &reference})
                    std::generate(array->begin(), array->end(), [&] { return draw(random); });
                QTest::addRow("random, m %d, limit %d", m, limit)
                    << samples << reference << m << exact(samples, reference, m);
            }
    }
    // The naive yardstick, correlate() and every kernel this processor runs agree.
    void correlate()
    {
        QFETCH(Array, samples);
        QFETCH(Array, reference);
        QFETCH(int, m);
        QFETCH(CorrelationResult, expected);
        const auto check = [&](const char *name, auto compute) {
            if (expected.shift < 0)
                QVERIFY_THROWS_EXCEPTION(IndexError, compute());
            else
                QVERIFY2(compute() == expected, name);
        };
        check("naive", [&] { return correlateNaive(samples, reference, m); });
        check("correlate", [&] { return analysis::correlate(samples, reference, m); });
        for (auto kernel : {CorrelationKernel::Portable, CorrelationKernel::Avx2}) {
            if (!isAvailable(kernel))
                continue;
            check(kernelName(kernel), [&] { return correlateWith(kernel, samples, reference, m); });
            check("direct", [&] { return correlateDirect(kernel, samples, reference, m); });
            check("transform", [&] {
                return correlateByTransform(kernel, samples, reference, m).value();
            });
        }
    }
};

QTEST_APPLESS_MAIN(TestCorrelation)
#include "tst_correlation.moc"
