// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"
#include "text/PatternFormat.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <functional>

using namespace kurvomat;

namespace {
const QLocale de(QLocale::German, QLocale::Germany);
const QLocale en(QLocale::English, QLocale::UnitedStates);
constexpr double kOverflow = 1 << 20; // expected value of a row that must throw OverflowError
constexpr double kConversion = 1 << 21; // ... ConversionError

// A call under test returning a number; the rows name the call they check.
using Call = std::function<double()>;
Call leading(QString t) { return [t] { return text::leadingNumber(t); }; }
Call inLocale(const QLocale &l, QString t) { return [l, t] { return text::localeNumber(t, l); }; }
Call round16(double v) { return [v] { return text::toInt16(v); }; }
Call add16(std::int16_t a, std::int16_t b) { return [a, b] { return text::add16(a, b); }; }
} // namespace

Q_DECLARE_METATYPE(Call)

class TestTextRules : public QObject {
    Q_OBJECT

private slots:
    // A German default locale exposes rules that wrongly follow it instead of their argument.
    void initTestCase() { QLocale::setDefault(de); }

    void numbers_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<double>("expected");
        QTest::newRow("second point ends") << leading("1.2.3") << 1.2;
        QTest::newRow("leading point") << leading(".5") << 0.5;
        QTest::newRow("minus zero is +0") << leading("-0") << 0.0;
        QTest::newRow("de grouped") << inLocale(de, "1.000,5") << 1000.5;
        QTest::newRow("de minus zero is +0") << inLocale(de, "-0,0") << 0.0;
        QTest::newRow("de 2.5: a group has 3 digits") << inLocale(de, "2.5") << kConversion;
        QTest::newRow("de empty") << inLocale(de, "") << kConversion;
        QTest::newRow("de trailing letters") << inLocale(de, "12abc") << kConversion;
        QTest::newRow("en decimal point") << inLocale(en, "2.5") << 2.5;
        QTest::newRow("-2.5 to even") << round16(-2.5) << -2.0;
        QTest::newRow("32767.4") << round16(32767.4) << 32767.0;
        QTest::newRow("32767.5 to even is 32768") << round16(32767.5) << kOverflow;
        QTest::newRow("-32768.5 to even") << round16(-32768.5) << -32768.0;
        QTest::newRow("NaN") << round16(std::nan("")) << kOverflow;
        QTest::newRow("add to largest") << add16(32766, 1) << 32767.0;
        QTest::newRow("add past largest") << add16(32767, 1) << kOverflow;
    }
    void numbers()
    {
        QFETCH(Call, call);
        QFETCH(double, expected);
        if (expected == kOverflow)
            QVERIFY_THROWS_EXCEPTION(OverflowError, call());
        else if (expected == kConversion)
            QVERIFY_THROWS_EXCEPTION(ConversionError, call());
        else // exact double and sign of zero; QCOMPARE on doubles is fuzzy
            QVERIFY2(call() == expected && std::signbit(call()) == std::signbit(expected),
                     qPrintable(QString::number(call(), 'g', 17)));
    }

    // pattern: "" doubleText, "float" singleText of float(value), else formatPattern; in German
    // (the window suites and tst_export check English).
    void format_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("german");
        QTest::newRow("negative zero") << "" << -0.0 << "0";
        QTest::newRow("largest plain") << "" << 999999999999999.0 << "999999999999999";
        QTest::newRow("rounds up to 1e15") << "" << 999999999999999.9 << "1E+15";
        QTest::newRow("1e-4 plain") << "" << 0.0001 << "0,0001";
        QTest::newRow("below 1e-4") << "" << 0.00001 << "1E-05";
        QTest::newRow("small with fraction") << "" << -1.5e-7 << "-1,5E-07";
        QTest::newRow("000,000 0") << "000,000" << 0.0 << "000.000";
        QTest::newRow("#,##0 carry into a group") << "#,##0" << 999.5 << "1.000";
        QTest::newRow("#,##0 half away from zero") << "#,##0" << 0.5 << "1";
        QTest::newRow("#,##0 negative to zero, no sign") << "#,##0" << -0.4 << "0";
        QTest::newRow("0.00 exact half") << "0.00" << 0.125 << "0,13";
        // 2.675 is stored just below, but is 2.67500000000000 at 15 digits.
        QTest::newRow("0.00 half after 15 digits") << "0.00" << 2.675 << "2,68";
        QTest::newRow("tie 5060742.5 away") << "float" << 5060742.5 << " 5060743";
        QTest::newRow("no zero before point") << "float" << 0.5 << " .5";
    }
    void format()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, german);
        QCOMPARE(pattern.isEmpty()         ? text::doubleText(value, de)
                     : pattern == u"float" ? text::singleText(float(value))
                                           : text::formatPattern(value, pattern, de),
                 german);
    }
};

QTEST_APPLESS_MAIN(TestTextRules)

#include "tst_textrules.moc"
