// Drawing on the chart point by point after a reset, and the X-axis controls.

#include "app/MainWindow.h"
#include "display/MSChart.h"
#include "support/Fakes.h"
#include "support/WindowAccess.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestWaveform : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<MainWindow> m_w;

    void draw(std::initializer_list<double> values)
    {
        for (double v : values) {
            m_w->drawPoint(v);
        }
        m_w->flushPointFields();
    }
    QString fields() const
    {
        return field(*m_w, "Text_DIAGRAMM_ZAEHLER")->text() + '|' + field(*m_w, "Text_WERT_MAX")->text() + '|'
               + field(*m_w, "Text_WERT_MIN")->text();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_w = std::make_unique<MainWindow>(testEnvironment(m_dir.path(), m_dialogs));
        m_w->state().xLength = 1000;
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void resetLabelsEveryHundredthRow_data()
    {
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("labels");
        QTest::newRow("250") << 250.0 << 250 << "100 200";
        QTest::newRow("1000") << 1000.0 << 1000 << "100 200 300 400 500 600 700 800 900 1000";
        QTest::newRow("99") << 99.0 << 99 << "";
        QTest::newRow("half to even") << 100.5 << 100 << "100";
    }

    // A reset empties the chart to the length's rows and restarts the extremes; the counter
    // keeps the previous count until the next point.
    void resetLabelsEveryHundredthRow()
    {
        QFETCH(double, length);
        QFETCH(int, rows);
        QFETCH(QString, labels);
        draw({3, 4});
        m_w->state().xLength = length;
        m_w->resetChart();
        m_w->flushPointFields();
        QStringList found;
        for (int row = 1; row <= chart(*m_w)->shownRowCount(); ++row) {
            QCOMPARE(chart(*m_w)->value(row), 0.0);
            if (!chart(*m_w)->rowLabel(row).isEmpty())
                found << chart(*m_w)->rowLabel(row);
        }
        QCOMPARE(chart(*m_w)->shownRowCount(), rows);
        QCOMPARE(found.join(u' '), labels);
        QCOMPARE(fields(), QStringLiteral("2 DATEN-Punkte|-9999|9999"));
    }

    void pointsKeepCounterAndExtremes()
    {
        button(*m_w, "Check_AUTO")->setChecked(false);
        m_w->resetChart();
        const std::pair<double, const char *> steps[] = {
            {5, "1 DATEN-Punkte|5|5"}, {-3, "2 DATEN-Punkte|5|-3"}, {7, "3 DATEN-Punkte|7|-3"},
            {7, "4 DATEN-Punkte|7|-3"}, {12.5, "5 DATEN-Punkte|12,5|-3"}};
        for (const auto &[value, expected] : steps) {
            draw({value});
            QCOMPARE(fields(), QString::fromLatin1(expected));
        }
        QCOMPARE(chart(*m_w)->value(2), -3.0);
        QCOMPARE(chart(*m_w)->value(5), 12.5);
        QCOMPARE(chart(*m_w)->value(6), 0.0);
        QCOMPARE(m_w->state().xLength, 1000.0); // not automatic
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        draw({20.5});
        QCOMPARE(field(*m_w, "Text_WERT_MAX")->text(), QStringLiteral("20.5"));
        m_w->resetChart(); // values beyond the start values never reach the other field
        draw({10000, 20000, -10000});
        QCOMPARE(fields(), QStringLiteral("3 DATEN-Punkte|20000|-10000"));
        m_w->resetChart();
        draw({10000});
        QCOMPARE(field(*m_w, "Text_WERT_MIN")->text(), QStringLiteral("9999"));
    }

    // Automatic length follows the points; points beyond the rows are still counted and shown.
    void automaticLengthAndExtraPoints()
    {
        m_w->resetChart();
        for (int i = 0; i < 37; ++i)
            draw({double(i)});
        QCOMPARE(m_w->state().xLength, 37.0);
        m_w->resetChart();
        QCOMPARE(int(chart(*m_w)->RowCount()), 37);
        button(*m_w, "Check_AUTO")->setChecked(false);
        draw({1, 2, 3});
        m_w->state().xLength = 2;
        m_w->resetChart();
        draw({1, 2, 50});
        QCOMPARE(chart(*m_w)->shownRowCount(), 3);
        QCOMPARE(chart(*m_w)->value(3), 50.0);
    }

    // The extremes are read back from the fields: typed text counts, and a text that is not a
    // number stops that point before the chart is written (after it was counted).
    void extremesAreReadBackFromTheFields()
    {
        m_w->resetChart();
        draw({5});
        field(*m_w, "Text_WERT_MAX")->selectAll();
        QTest::keyClicks(field(*m_w, "Text_WERT_MAX"), QStringLiteral("100"));
        draw({50});
        QCOMPARE(field(*m_w, "Text_WERT_MAX")->text(), QStringLiteral("100"));
        field(*m_w, "Text_WERT_MAX")->selectAll();
        QTest::keyClicks(field(*m_w, "Text_WERT_MAX"), QStringLiteral("abc"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, m_w->drawPoint(60));
        QCOMPARE(m_w->state().pointCount, std::int16_t(3));
        QCOMPARE(chart(*m_w)->value(3), 0.0);
    }

    void drawingRepaintsOncePerTurn()
    {
        m_w->resetChart();
        QCoreApplication::processEvents();
        const int before = chart(*m_w)->rebuildCount();
        for (int i = 0; i < 1000; ++i) {
            m_w->drawPoint(i % 50);
        }
        QCoreApplication::processEvents();
        QCOMPARE(chart(*m_w)->rebuildCount(), before + 1);
        QCOMPARE(field(*m_w, "Text_DIAGRAMM_ZAEHLER")->text(), QStringLiteral("1000 DATEN-Punkte"));
    }

    void presetsAndReset()
    {
        const char *const presets[] = {"Command2",  "Command4",  "Command7",  "Command8",
                                       "Command9",  "Command10", "Command11", "Command12",
                                       "Command13", "Command14"};
        for (int i = 0; i < 10; ++i) {
            button(*m_w, "Check_AUTO")->setChecked(true);
            button(*m_w, presets[i])->click();
            QVERIFY(!button(*m_w, "Check_AUTO")->isChecked());
            QCOMPARE(m_w->state().xLength, (i + 1) * 100.0);
            QCOMPARE(int(chart(*m_w)->RowCount()), (i + 1) * 100);
        }
        button(*m_w, "Check_AUTO")->setChecked(true);
        draw({4});
        button(*m_w, "Command3")->click(); // resets for the current length, leaves mode and length
        QVERIFY(button(*m_w, "Check_AUTO")->isChecked());
        QCOMPARE(int(chart(*m_w)->RowCount()), 1);
        QCOMPARE(chart(*m_w)->value(1), 0.0);
    }

    void entry_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("refusals");
        QTest::newRow("cancel") << QStringList{} << 1000.0 << 0;
        QTest::newRow("250") << QStringList{"250"} << 250.0 << 0;
        QTest::newRow("decimal comma") << QStringList{"2,5"} << 2.5 << 0;
        QTest::newRow("bounds") << QStringList{"0", "1001", " 1000 "} << 1000.0 << 2;
        QTest::newRow("letters, then 1") << QStringList{"abc", "1"} << 1.0 << 1;
        QTest::newRow("below one, then cancel") << QStringList{"0,5"} << 1000.0 << 1;
        QTest::newRow("decimal point") << QStringList{"12.5abc", "300"} << 300.0 << 1;
    }

    // "automatisch" is cleared even on Cancel; a refused answer is named with the allowed
    // range and offered again as the default.
    void entry()
    {
        QFETCH(QStringList, answers);
        QFETCH(double, length);
        QFETCH(int, refusals);
        m_dialogs->inputAnswers = answers;
        QTest::mouseDClick(field(*m_w, "Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE"), Qt::LeftButton);
        QVERIFY(!button(*m_w, "Check_AUTO")->isChecked());
        QCOMPARE(m_w->state().xLength, length);
        const auto &first = m_dialogs->shown.first();
        QCOMPARE(first.text + '|' + first.title + '|' + first.defaultText,
                 QStringLiteral("Wert von 1 bis 1000 eingeben|X-ACHSE|1000"));
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), refusals);
        if (refusals > 0) {
            QVERIFY(warnings[0].contains(QStringLiteral("1 bis 1000")));
            QVERIFY(warnings[0].contains(answers[0]));
            QCOMPARE(m_dialogs->shown[2].defaultText, answers[0]);
        }
    }
};

QTEST_MAIN(TestWaveform)
#include "tst_waveform.moc"
