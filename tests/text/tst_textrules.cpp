#include "core/Errors.h"
#include "text/TextRules.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace kurvomat;
using namespace kurvomat::text;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// QCOMPARE on doubles is fuzzy; these rules must hit the exact double and the sign of zero.
bool sameDouble(double actual, double expected)
{
    return actual == expected && std::signbit(actual) == std::signbit(expected);
}

QByteArray describe(double actual, double expected)
{
    return "actual " + QByteArray::number(actual, 'g', 17) + ", expected "
           + QByteArray::number(expected, 'g', 17);
}

#define COMPARE_EXACT(actual, expected)                                                            \
    do {                                                                                           \
        const double a_ = (actual);                                                                \
        const double e_ = (expected);                                                              \
        QVERIFY2(sameDouble(a_, e_), describe(a_, e_).constData());                                \
    } while (false)

// The factor of the frequency sweep: 0.01 added 'steps' times to 0 in double precision.
double accumulatedFactor(int steps)
{
    double factor = 0;
    for (int i = 0; i < steps; ++i)
        factor += 0.01;
    return factor;
}

} // namespace

class TestTextRules : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberOverflows_data();
    void leadingNumberOverflows();

    void localeNumber_data();
    void localeNumber();
    void localeNumberRejects_data();
    void localeNumberRejects();
    void localeNumberOverflows();

    void doubleText_data();
    void doubleText();
    void doubleTextReadsBack_data();
    void doubleTextReadsBack();
    void sweepFactor_data();
    void sweepFactor();
    void defaultLocaleIsTheCurrentOne();

    void int16Text_data();
    void int16Text();

    void formatPattern_data();
    void formatPattern();

    void singleText_data();
    void singleText();
    void hundredthsField_data();
    void hundredthsField();

    void toInt16_data();
    void toInt16();
    void toInt16Overflows_data();
    void toInt16Overflows();
    void arithmetic16_data();
    void arithmetic16();

    void germanLocaleSeparators();
};

// ---------------------------------------------------------------------------------------------
// Leading-number rule

void TestTextRules::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("integer") << "127" << 127.0;
    QTest::newRow("comma ends the number") << "12,5" << 12.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << " \t " << 0.0;
    QTest::newRow("trailing letters") << "7abc" << 7.0;
    QTest::newRow("decimal point") << "2.5" << 2.5;
    QTest::newRow("blanks anywhere") << " - 3 . 5" << -3.5;
    QTest::newRow("blanks between digits") << " 1 2.5" << 12.5;
    QTest::newRow("tab, CR, LF are blanks") << "\t1\r\n2" << 12.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent upper case, negative") << "25E-2" << 0.25;
    QTest::newRow("exponent with plus") << "1.5e+2" << 150.0;
    QTest::newRow("blanks inside exponent") << "2 e - 1" << 0.2;
    QTest::newRow("E without digits") << "1e" << 1.0;
    QTest::newRow("E and sign without digits") << "1e+" << 1.0;
    QTest::newRow("E followed by a letter") << "4Ex" << 4.0;
    QTest::newRow("exponent stops at second point") << "1e2.5" << 100.0;
    QTest::newRow("D is no exponent") << "1d3" << 1.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("sign and leading point") << "-.5e-1" << -0.05;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("point without digits") << "." << 0.0;
    QTest::newRow("two points") << "..5" << 0.0;
    QTest::newRow("plus sign") << "+5" << 5.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("two signs") << "--5" << 0.0;
    QTest::newRow("exponent without mantissa") << "e5" << 0.0;
    QTest::newRow("underflow gives 0") << "1e-400" << 0.0;
    QTest::newRow("zero with huge exponent") << "0e999999999999" << 0.0;
    QTest::newRow("largest double") << "1.7976931348623157e308" << 1.7976931348623157e308;
    QTest::newRow("smallest subnormal") << "4.9e-324" << 4.9406564584124654e-324;
    QTest::newRow("many digits, correctly rounded") << "99999999999999999999999e-20" << 1000.0;
    // What the sweep leaves in the factor box under German settings, read back.
    QTest::newRow("German sweep factor") << "10,0099999999998" << 10.0;
    QTest::newRow("German fraction") << "0,5" << 0.0;
    // Exponent forms written by the standard text under English settings.
    QTest::newRow("standard text small") << "1E-05" << 1e-05;
    QTest::newRow("standard text large") << "-1.5E+20" << -1.5e20;
}

void TestTextRules::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    COMPARE_EXACT(text::leadingNumber(text), expected);
}

void TestTextRules::leadingNumberOverflows_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("1e400") << "1e400";
    QTest::newRow("negative") << "-1e309";
    QTest::newRow("just above the largest double") << "1.7976931348623159e308";
    QTest::newRow("blanks inside") << " 1 e 3 0 9";
    QTest::newRow("huge exponent") << "1e99999999999999999999";
    QTest::newRow("long integer") << QString(400, u'9');
}

void TestTextRules::leadingNumberOverflows()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::leadingNumber(text));
}

// ---------------------------------------------------------------------------------------------
// Locale rule

void TestTextRules::localeNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("de decimal comma") << kGerman << "2,5" << 2.5;
    QTest::newRow("de grouped") << kGerman << "1.000,5" << 1000.5;
    QTest::newRow("de grouped integer") << kGerman << "1.000" << 1000.0;
    QTest::newRow("de two groups") << kGerman << "-1.000.000" << -1000000.0;
    QTest::newRow("de blanks around") << kGerman << " 12 " << 12.0;
    QTest::newRow("de tab and newline around") << kGerman << "\t-3,25\n" << -3.25;
    QTest::newRow("de leading comma") << kGerman << ",5" << 0.5;
    QTest::newRow("de trailing comma") << kGerman << "5," << 5.0;
    QTest::newRow("de plus") << kGerman << "+5" << 5.0;
    QTest::newRow("de leading zeros") << kGerman << "007" << 7.0;
    QTest::newRow("de exponent") << kGerman << "1,5E3" << 1500.0;
    QTest::newRow("de exponent lower case") << kGerman << "1,5e-3" << 0.0015;
    QTest::newRow("de grouped with exponent") << kGerman << "1.000e3" << 1000000.0;
    QTest::newRow("de underflow gives 0") << kGerman << "1e-400" << 0.0;
    QTest::newRow("de negative underflow gives +0") << kGerman << "-1,5E-99999999999999999999" << 0.0;
    QTest::newRow("de minus zero gives +0") << kGerman << "-0" << 0.0;
    QTest::newRow("de grouped minus zero gives +0") << kGerman << "-0,000" << 0.0;
    QTest::newRow("de sweep factor") << kGerman << "0,960000000000001" << 0.960000000000001;
    QTest::newRow("de long plain number") << kGerman << "123456789012345678901234567890123456789012,5"
                                         << 123456789012345678901234567890123456789012.5;
    QTest::newRow("en decimal point") << kEnglish << "2.5" << 2.5;
    QTest::newRow("en grouped") << kEnglish << "1,000.5" << 1000.5;
    QTest::newRow("en comma is a group separator") << kEnglish << "1,000" << 1000.0;
    QTest::newRow("en exponent") << kEnglish << "1e3" << 1000.0;
    QTest::newRow("en negative") << kEnglish << "-0.25" << -0.25;
}

void TestTextRules::localeNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    COMPARE_EXACT(text::localeNumber(text, locale), expected);
}

void TestTextRules::localeNumberRejects_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");

    QTest::newRow("de empty") << kGerman << "";
    QTest::newRow("de blanks only") << kGerman << "   ";
    QTest::newRow("de letters") << kGerman << "abc";
    QTest::newRow("de trailing letters") << kGerman << "12abc";
    // A group separator must be followed by exactly three digits.
    QTest::newRow("de point as decimal point") << kGerman << "2.5";
    QTest::newRow("de short group") << kGerman << "1.00,5";
    QTest::newRow("de group of one") << kGerman << "1.0.0,5";
    QTest::newRow("de two decimal commas") << kGerman << "1,2,3";
    QTest::newRow("de blank inside") << kGerman << "1 000";
    QTest::newRow("de blank after sign") << kGerman << "- 5";
    QTest::newRow("de sign only") << kGerman << "-";
    QTest::newRow("de sign at the end") << kGerman << "5-";
    QTest::newRow("de E without digits") << kGerman << "1e";
    QTest::newRow("de E without mantissa") << kGerman << "e5";
    QTest::newRow("de inf") << kGerman << "inf";
    QTest::newRow("de nan") << kGerman << "nan";
    QTest::newRow("de hex") << kGerman << "0x10";
    QTest::newRow("de bad text with small exponent") << kGerman << "1x-400";
    QTest::newRow("de bad mantissa with small exponent") << kGerman << "1,2,3e-400";
    QTest::newRow("en decimal comma") << kEnglish << "2,5";
    QTest::newRow("en two points") << kEnglish << "1.2.3";
    QTest::newRow("en German grouping") << kEnglish << "1.000,5";
}

void TestTextRules::localeNumberRejects()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(ConversionError, (void)text::localeNumber(text, locale));
}

void TestTextRules::localeNumberOverflows()
{
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::localeNumber(u"1e400", kGerman));
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::localeNumber(u"-1,5E400", kGerman));
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::localeNumber(u"2.5e308", kEnglish));
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::localeNumber(QString(400, u'9'), kEnglish));
}

// ---------------------------------------------------------------------------------------------
// Standard text of a double

void TestTextRules::doubleText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");

    QTest::newRow("integer, no grouping") << 1000.0 << "1000" << "1000";
    QTest::newRow("hundredth") << 0.01 << "0,01" << "0.01";
    QTest::newRow("half") << 12.5 << "12,5" << "12.5";
    QTest::newRow("negative") << -12.5 << "-12,5" << "-12.5";
    QTest::newRow("zero") << 0.0 << "0" << "0";
    QTest::newRow("negative zero") << -0.0 << "0" << "0";
    QTest::newRow("binary noise below 15 digits") << 0.1 + 0.2 << "0,3" << "0.3";
    QTest::newRow("third") << 1.0 / 3 << "0,333333333333333" << "0.333333333333333";
    QTest::newRow("two thirds rounds up") << 2.0 / 3 << "0,666666666666667" << "0.666666666666667";
    QTest::newRow("carry into a new digit") << 9.999999999999998 << "10" << "10";
    QTest::newRow("15 integer digits") << 999999999999999.0 << "999999999999999" << "999999999999999";
    QTest::newRow("1e15 is exponent form") << 1e15 << "1E+15" << "1E+15";
    QTest::newRow("rounds up to 1e15") << 999999999999999.9 << "1E+15" << "1E+15";
    QTest::newRow("many digits") << 123456789012345678.0 << "1,23456789012346E+17"
                                 << "1.23456789012346E+17";
    QTest::newRow("three exponent digits") << -1e100 << "-1E+100" << "-1E+100";
    QTest::newRow("1e-4 is plain") << 0.0001 << "0,0001" << "0.0001";
    QTest::newRow("rounds up to 1e-4") << 0.00009999999999999999 << "0,0001" << "0.0001";
    QTest::newRow("below 1e-4") << 1e-5 << "1E-05" << "1E-05";
    QTest::newRow("small with fraction") << -1.5e-7 << "-1,5E-07" << "-1.5E-07";
    QTest::newRow("smallest subnormal") << 4.9406564584124654e-324 << "4,94065645841247E-324"
                                        << "4.94065645841247E-324";
    QTest::newRow("largest double") << 1.7976931348623157e308 << "1,79769313486232E+308"
                                    << "1.79769313486232E+308";
    // Exact ties at the 16th digit go away from zero (half-to-even would keep ...0 and ...44).
    QTest::newRow("tie, integer") << 1000000000000005.0 << "1,00000000000001E+15"
                                  << "1.00000000000001E+15";
    QTest::newRow("tie, negative") << -1000000000000005.0 << "-1,00000000000001E+15"
                                   << "-1.00000000000001E+15";
    QTest::newRow("tie, binary fraction") << 123456789012344.5 << "123456789012345" << "123456789012345";
    QTest::newRow("not a tie, 2.675") << 2.675 << "2,675" << "2.675";
}

void TestTextRules::doubleText()
{
    QFETCH(double, value);
    QFETCH(QString, german);
    QFETCH(QString, english);
    QCOMPARE(text::doubleText(value, kGerman), german);
    QCOMPARE(text::doubleText(value, kEnglish), english);
}

// The extremes fields store numbers as standard text and read them back by the locale rule.
void TestTextRules::doubleTextReadsBack_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("readBack");

    QTest::newRow("integer") << -9999.0 << -9999.0;
    QTest::newRow("fraction") << 126.87 << 126.87;
    QTest::newRow("rounded to 15 digits") << 1.0 / 3 << 0.333333333333333;
    QTest::newRow("large exponent form") << 123456789012345678.0 << 1.23456789012346e17;
    QTest::newRow("small exponent form") << -1.5e-7 << -1.5e-7;
    QTest::newRow("negative zero") << -0.0 << 0.0;
}

void TestTextRules::doubleTextReadsBack()
{
    QFETCH(double, value);
    QFETCH(double, readBack);
    for (const QLocale &locale : {kGerman, kEnglish}) {
        const QString written = text::doubleText(value, locale);
        COMPARE_EXACT(text::localeNumber(written, locale), readBack);
    }
}

// The sweep accumulates its factor by repeated addition of 0.01 and shows it as standard text;
// the results file writes the same sums with "0.00".
void TestTextRules::sweepFactor_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("germanText");
    QTest::addColumn<QString>("englishText");
    QTest::addColumn<QString>("germanPattern");
    QTest::addColumn<QString>("englishPattern");

    QTest::newRow("first") << 1 << "0,01" << "0.01" << "0,01" << "0.01";
    QTest::newRow("0.96") << 96 << "0,960000000000001" << "0.960000000000001" << "0,96" << "0.96";
    QTest::newRow("last step") << 1000 << "9,99999999999983" << "9.99999999999983" << "10,00" << "10.00";
    QTest::newRow("after the sweep") << 1001 << "10,0099999999998" << "10.0099999999998" << "10,01"
                                     << "10.01";
}

void TestTextRules::sweepFactor()
{
    QFETCH(int, steps);
    QFETCH(QString, germanText);
    QFETCH(QString, englishText);
    QFETCH(QString, germanPattern);
    QFETCH(QString, englishPattern);

    const double factor = accumulatedFactor(steps);
    QCOMPARE(text::doubleText(factor, kGerman), germanText);
    QCOMPARE(text::doubleText(factor, kEnglish), englishText);
    QCOMPARE(text::formatPattern(factor, u"0.00", kGerman), germanPattern);
    QCOMPARE(text::formatPattern(factor, u"0.00", kEnglish), englishPattern);
    if (steps == 1001)
        COMPARE_EXACT(factor, 10.009999999999831);
}

void TestTextRules::defaultLocaleIsTheCurrentOne()
{
    const QLocale saved;
    QLocale::setDefault(kGerman);
    const QString german = text::doubleText(2.5);
    const double germanRead = text::localeNumber(u"2,5");
    QLocale::setDefault(kEnglish);
    const QString english = text::doubleText(2.5);
    const double englishRead = text::localeNumber(u"2.5");
    const QString englishPattern = text::formatPattern(1234.5, u"#,##0.00");
    QLocale::setDefault(saved);

    QCOMPARE(german, u"2,5");
    COMPARE_EXACT(germanRead, 2.5);
    QCOMPARE(english, u"2.5");
    COMPARE_EXACT(englishRead, 2.5);
    QCOMPARE(englishPattern, u"1,234.50");
}

// ---------------------------------------------------------------------------------------------
// Standard text of a 16-bit integer

void TestTextRules::int16Text_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("positive, no blank") << 5 << "5";
    QTest::newRow("minus one") << -1 << "-1";
    QTest::newRow("largest") << 32767 << "32767";
    QTest::newRow("smallest") << -32768 << "-32768";
}

void TestTextRules::int16Text()
{
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(text::int16Text(static_cast<std::int16_t>(value)), expected);
}

// ---------------------------------------------------------------------------------------------
// Pattern formatting

void TestTextRules::formatPattern_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");

    // Record number.
    QTest::newRow("000,000 zero") << 0.0 << "000,000" << "000.000" << "000,000";
    QTest::newRow("000,000 12") << 12.0 << "000,000" << "000.012" << "000,012";
    QTest::newRow("000,000 1234") << 1234.0 << "000,000" << "001.234" << "001,234";
    QTest::newRow("000,000 largest in 7 columns") << 999999.0 << "000,000" << "999.999" << "999,999";
    QTest::newRow("000,000 a million") << 1000000.0 << "000,000" << "1.000.000" << "1,000,000";
    QTest::newRow("000,000 minus one") << -1.0 << "000,000" << "-000.001" << "-000,001";
    QTest::newRow("000,000 half away from zero") << 12.5 << "000,000" << "000.013" << "000,013";
    QTest::newRow("000,000 below half") << 11.4999999999 << "000,000" << "000.011" << "000,011";
    // 11.499999999999998 is 11.5000000000000 at 15 digits, so it rounds up.
    QTest::newRow("000,000 half after 15 digits") << 11.499999999999998 << "000,000" << "000.012"
                                                  << "000,012";
    QTest::newRow("000,000 negative half") << -12.5 << "000,000" << "-000.013" << "-000,013";
    QTest::newRow("000,000 rounds to zero, no sign") << -0.4 << "000,000" << "000.000" << "000,000";
    QTest::newRow("000,000 negative zero") << -0.0 << "000,000" << "000.000" << "000,000";
    // Correlation maximum in the record.
    QTest::newRow("00000,000 zero") << 0.0 << "00000,000" << "00.000.000" << "00,000,000";
    QTest::newRow("00000,000 1234567") << 1234567.0 << "00000,000" << "01.234.567" << "01,234,567";
    QTest::newRow("00000,000 largest in 10 columns") << 99999999.0 << "00000,000" << "99.999.999"
                                                     << "99,999,999";
    QTest::newRow("00000,000 one more digit") << 100000000.0 << "00000,000" << "100.000.000"
                                              << "100,000,000";
    // Sample count in the record, correlation result box, results file.
    QTest::newRow("0,000 1000") << 1000.0 << "0,000" << "1.000" << "1,000";
    QTest::newRow("0,000 100") << 100.0 << "0,000" << "0.100" << "0,100";
    QTest::newRow("0,000 5") << 5.0 << "0,000" << "0.005" << "0,005";
    QTest::newRow("0,000 12") << 12.0 << "0,000" << "0.012" << "0,012";
    QTest::newRow("0,000 4096") << 4096.0 << "0,000" << "4.096" << "4,096";
    QTest::newRow("0,000 zero") << 0.0 << "0,000" << "0.000" << "0,000";
    QTest::newRow("0,000 sweep maximum") << 159138.0 << "0,000" << "159.138" << "159,138";
    QTest::newRow("0,000 start-up maximum") << 8063322.0 << "0,000" << "8.063.322" << "8,063,322";
    QTest::newRow("0,000 carry across a group") << 999.5 << "0,000" << "1.000" << "1,000";
    QTest::newRow("0,000 beyond 15 digits") << 1e20 << "0,000" << "100.000.000.000.000.000.000"
                                            << "100,000,000,000,000,000,000";
    // Correlation maximum / 256.
    QTest::newRow("#,##0 4096/256") << 4096.0 / 256 << "#,##0" << "16" << "16";
    QTest::newRow("#,##0 1000000/256") << 1000000.0 / 256 << "#,##0" << "3.906" << "3,906";
    QTest::newRow("#,##0 8063322/256") << 8063322.0 / 256 << "#,##0" << "31.497" << "31,497";
    QTest::newRow("#,##0 half") << 0.5 << "#,##0" << "1" << "1";
    QTest::newRow("#,##0 below half") << 0.4 << "#,##0" << "0" << "0";
    QTest::newRow("#,##0 2.5 away from zero") << 2.5 << "#,##0" << "3" << "3";
    QTest::newRow("#,##0 -2.5 away from zero") << -2.5 << "#,##0" << "-3" << "-3";
    QTest::newRow("#,##0 -0.4 no sign") << -0.4 << "#,##0" << "0" << "0";
    QTest::newRow("#,##0 zero") << 0.0 << "#,##0" << "0" << "0";
    QTest::newRow("#,##0 carry to a group") << 999.5 << "#,##0" << "1.000" << "1,000";
    // Sweep factor in the results file.
    QTest::newRow("0.00 hundredth") << 0.01 << "0.00" << "0,01" << "0.01";
    QTest::newRow("0.00 exact half") << 0.125 << "0.00" << "0,13" << "0.13";
    // 2.675 is stored as 2.67499999999999982..., 2.67500000000000 at 15 digits.
    QTest::newRow("0.00 half after 15 digits") << 2.675 << "0.00" << "2,68" << "2.68";
    QTest::newRow("0.00 1.005 after 15 digits") << 1.005 << "0.00" << "1,01" << "1.01";
    // 0.1249999999999997 is 0.125000000000000 at 15 digits (but 0.1249999999999997 at 16).
    QTest::newRow("0.00 half only at 15 digits") << 0.1249999999999997 << "0.00" << "0,13" << "0.13";
    QTest::newRow("0.00 below half") << 0.0049999999 << "0.00" << "0,00" << "0.00";
    QTest::newRow("0.00 negative rounds to zero") << -0.004 << "0.00" << "0,00" << "0.00";
    QTest::newRow("0.00 negative half") << -0.005 << "0.00" << "-0,01" << "-0.01";
    QTest::newRow("0.00 carry into a new digit") << 99.995 << "0.00" << "100,00" << "100.00";
    QTest::newRow("0.00 zero") << 0.0 << "0.00" << "0,00" << "0.00";
    QTest::newRow("0.00 tiny") << 1e-300 << "0.00" << "0,00" << "0.00";
    QTest::newRow("0.00 no grouping") << 12345.678 << "0.00" << "12345,68" << "12345.68";
    // File size in megabytes.
    QTest::newRow("Mb 123456 bytes") << 0.123456 << "0.000 Mb" << "0,123 Mb" << "0.123 Mb";
    QTest::newRow("Mb 500 bytes") << 0.0005 << "0.000 Mb" << "0,001 Mb" << "0.001 Mb";
    QTest::newRow("Mb 499 bytes") << 0.000499 << "0.000 Mb" << "0,000 Mb" << "0.000 Mb";
    QTest::newRow("Mb empty") << 0.0 << "0.000 Mb" << "0,000 Mb" << "0.000 Mb";
    QTest::newRow("Mb at the cap") << 10.0 << "0.000 Mb" << "10,000 Mb" << "10.000 Mb";
    // Patterns of the same shape.
    QTest::newRow("grouped with decimals") << 1234567.891 << "#,##0.00" << "1.234.567,89"
                                           << "1,234,567.89";
    QTest::newRow("optional decimal kept") << 1.25 << "0.0#" << "1,25" << "1.25";
    QTest::newRow("optional decimal dropped") << 1.5 << "0.0#" << "1,5" << "1.5";
    QTest::newRow("no integer digit required") << 0.5 << "#.00" << ",50" << ".50";
    QTest::newRow("literal prefix, sign first") << -5.0 << "x 0" << "-x 5" << "-x 5";
}

void TestTextRules::formatPattern()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, german);
    QFETCH(QString, english);
    QCOMPARE(text::formatPattern(value, pattern, kGerman), german);
    QCOMPARE(text::formatPattern(value, pattern, kEnglish), english);
}

// ---------------------------------------------------------------------------------------------
// Text of a single-precision float

void TestTextRules::singleText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("seven digits") << 1000000.0f << " 1000000";
    QTest::newRow("fraction") << 500050.5f << " 500050.5";
    QTest::newRow("largest plain") << 9999999.0f << " 9999999";
    QTest::newRow("1e7 is exponent form") << 10000000.0f << " 1E+07";
    QTest::newRow("exponent form rounded") << 12345678.0f << " 1.234568E+07";
    QTest::newRow("2^24") << 16777216.0f << " 1.677722E+07";
    QTest::newRow("zero") << 0.0f << " 0";
    QTest::newRow("negative zero") << -0.0f << " 0";
    QTest::newRow("negative, no blank") << -5.0f << "-5";
    QTest::newRow("no zero before the point") << 0.5f << " .5";
    QTest::newRow("negative below one") << -0.25f << "-.25";
    QTest::newRow("0.1 to seven digits") << 0.1f << " .1";
    QTest::newRow("1e-4 is plain") << 0.0001f << " .0001";
    QTest::newRow("below 1e-4") << 0.00001f << " 1E-05";
    // Exact ties at the 8th digit go away from zero.
    QTest::newRow("tie, odd neighbour") << 1234567.5f << " 1234568";
    QTest::newRow("tie, even neighbour") << 1234566.5f << " 1234567";
    QTest::newRow("not a tie") << 1234566.25f << " 1234566";
}

void TestTextRules::singleText()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(text::singleText(value), expected);
}

// The hundredths field: the last two characters of the text of float(seconds) * 100 in float.
void TestTextRules::hundredthsField_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");

    // 50607.41 -> float 50607.41015625; * 100 = 5060741.015625 -> float 5060741.
    QTest::newRow("14:03:27.41") << 50607.41 << "41";
    // 43200.07 -> 43200.0703125; * 100 -> 4320007.
    QTest::newRow("12:00:00.07") << 43200.07 << "07";
    // 86399.99 -> 86399.9921875; * 100 -> 8639999 (float step 1 there).
    QTest::newRow("23:59:59.99") << 86399.99 << "99";
    // 02:46:40 is 10000 s: the product has seven digits from here on.
    QTest::newRow("02:46:40") << 10000.0 << "00";
    // 50607.425 -> 50607.42578125; * 100 -> 5060742.5, an exact tie, written 5060743.
    QTest::newRow("tie at the 8th digit") << 50607.425 << "43";
    // Earlier in the day the text may end in a fraction.
    QTest::newRow("01:23:20.5") << 5000.5 << "50";
    QTest::newRow("00:20:34.567") << 1234.567 << ".7";
    QTest::newRow("00:00:01") << 1.0 << "00";
    QTest::newRow("00:00:00.25") << 0.25 << "25";
    // 0.005f * 100 is 0.49999999..., 0.5 at seven digits.
    QTest::newRow("00:00:00.005") << 0.005 << ".5";
    QTest::newRow("midnight") << 0.0 << " 0";
}

void TestTextRules::hundredthsField()
{
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    const float product = static_cast<float>(seconds) * 100.0f;
    QCOMPARE(text::singleText(product).right(2), expected);
}

// ---------------------------------------------------------------------------------------------
// 16-bit integers

void TestTextRules::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("2.5 to even") << 2.5 << 2;
    QTest::newRow("3.5 to even") << 3.5 << 4;
    QTest::newRow("0.5 to even") << 0.5 << 0;
    QTest::newRow("1.5 to even") << 1.5 << 2;
    QTest::newRow("-0.5 to even") << -0.5 << 0;
    QTest::newRow("-2.5 to even") << -2.5 << -2;
    QTest::newRow("-3.5 to even") << -3.5 << -4;
    QTest::newRow("just below half") << 0.49999999999999994 << 0;
    QTest::newRow("just above half") << 2.5000000000000004 << 3;
    QTest::newRow("negative just beyond half") << -2.5000000000000004 << -3;
    QTest::newRow("negative zero") << -0.0 << 0;
    QTest::newRow("tiny") << 1e-300 << 0;
    QTest::newRow("largest") << 32767.0 << 32767;
    QTest::newRow("rounds down to largest") << 32767.4 << 32767;
    QTest::newRow("just below the top half") << std::nextafter(32767.5, 0.0) << 32767;
    QTest::newRow("half below largest to even") << 32766.5 << 32766;
    QTest::newRow("smallest") << -32768.0 << -32768;
    QTest::newRow("half below smallest to even") << -32768.5 << -32768;
    QTest::newRow("half above smallest to even") << -32767.5 << -32768;
}

void TestTextRules::toInt16()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(int(text::toInt16(value)), expected);
}

void TestTextRules::toInt16Overflows_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("32767.5 to even is 32768") << 32767.5;
    QTest::newRow("32768") << 32768.0;
    QTest::newRow("just beyond -32768.5") << std::nextafter(-32768.5, -kInf);
    QTest::newRow("-32769") << -32769.0;
    QTest::newRow("large") << 1e10;
    QTest::newRow("NaN") << kNaN;
    QTest::newRow("infinity") << kInf;
    QTest::newRow("negative infinity") << -kInf;
}

void TestTextRules::toInt16Overflows()
{
    QFETCH(double, value);
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)text::toInt16(value));
}

void TestTextRules::arithmetic16_data()
{
    QTest::addColumn<bool>("multiply");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<int>("expected");

    QTest::newRow("add to largest") << false << 32766 << 1 << false << 32767;
    QTest::newRow("add past largest") << false << 32767 << 1 << true << 0;
    QTest::newRow("add to smallest") << false << -32767 << -1 << false << -32768;
    QTest::newRow("add past smallest") << false << -32768 << -1 << true << 0;
    QTest::newRow("add extremes") << false << -32768 << 32767 << false << -1;
    QTest::newRow("8-bit sample times 128") << true << 255 << 128 << false << 32640;
    QTest::newRow("8-bit sample times 129") << true << 255 << 129 << true << 0;
    QTest::newRow("product is smallest") << true << -128 << 256 << false << -32768;
    QTest::newRow("product one past largest") << true << 128 << 256 << true << 0;
    QTest::newRow("negating smallest") << true << -1 << -32768 << true << 0;
    QTest::newRow("zero times smallest") << true << 0 << -32768 << false << 0;
    QTest::newRow("square fits") << true << 181 << 181 << false << 32761;
    QTest::newRow("square too large") << true << 182 << 182 << true << 0;
    QTest::newRow("both negative") << true << -127 << -258 << false << 32766;
}

void TestTextRules::arithmetic16()
{
    QFETCH(bool, multiply);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(bool, overflows);
    QFETCH(int, expected);

    const auto a16 = static_cast<std::int16_t>(a);
    const auto b16 = static_cast<std::int16_t>(b);
    const auto run = [&] { return multiply ? text::mul16(a16, b16) : text::add16(a16, b16); };
    const auto swapped = [&] { return multiply ? text::mul16(b16, a16) : text::add16(b16, a16); };
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)run());
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)swapped());
    } else {
        QCOMPARE(int(run()), expected);
        QCOMPARE(int(swapped()), expected);
    }
}

// The record layout depends on these separators.
void TestTextRules::germanLocaleSeparators()
{
    const QLocale &german = text::germanLocale();
    QCOMPARE(german.decimalPoint(), u",");
    QCOMPARE(german.groupSeparator(), u".");
    QCOMPARE(&text::germanLocale(), &german);
}

QTEST_APPLESS_MAIN(TestTextRules)

#include "tst_textrules.moc"
