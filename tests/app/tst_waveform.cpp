// Drawing on the chart through DIAGRAMM_RESET / DIAGRAMM_ZEICHNEN, and the X-axis controls.

#include "app/frmHAUPT.h"
#include "display/MSChart.h"
#include "support/Fakes.h"

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
    std::unique_ptr<frmHAUPT> m_w;

    void draw(std::initializer_list<double> values)
    {
        for (double v : values) {
            m_w->DIAGRAMM_WERT = v;
            m_w->DIAGRAMM_ZEICHNEN();
        }
        m_w->flushPointFields();
    }
    QString fields() const
    {
        return m_w->Text_DIAGRAMM_ZAEHLER->text() + '|' + m_w->Text_WERT_MAX->text() + '|'
               + m_w->Text_WERT_MIN->text();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_w = std::make_unique<frmHAUPT>(testEnvironment(m_dir.path(), m_dialogs));
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
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
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = length;
        m_w->DIAGRAMM_RESET();
        m_w->flushPointFields();
        QStringList found;
        for (int row = 1; row <= m_w->MSChart1->shownRowCount(); ++row) {
            QCOMPARE(m_w->MSChart1->value(row), 0.0);
            if (!m_w->MSChart1->rowLabel(row).isEmpty())
                found << m_w->MSChart1->rowLabel(row);
        }
        QCOMPARE(m_w->MSChart1->shownRowCount(), rows);
        QCOMPARE(found.join(u' '), labels);
        QCOMPARE(fields(), QStringLiteral("2 DATEN-Punkte|-9999|9999"));
    }

    void pointsKeepCounterAndExtremes()
    {
        m_w->Check_AUTO->setChecked(false);
        m_w->DIAGRAMM_RESET();
        const std::pair<double, const char *> steps[] = {
            {5, "1 DATEN-Punkte|5|5"}, {-3, "2 DATEN-Punkte|5|-3"}, {7, "3 DATEN-Punkte|7|-3"},
            {7, "4 DATEN-Punkte|7|-3"}, {12.5, "5 DATEN-Punkte|12,5|-3"}};
        for (const auto &[value, expected] : steps) {
            draw({value});
            QCOMPARE(fields(), QString::fromLatin1(expected));
        }
        QCOMPARE(m_w->MSChart1->value(2), -3.0);
        QCOMPARE(m_w->MSChart1->value(5), 12.5);
        QCOMPARE(m_w->MSChart1->value(6), 0.0);
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0); // not automatic
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        draw({20.5});
        QCOMPARE(m_w->Text_WERT_MAX->text(), QStringLiteral("20.5"));
        m_w->DIAGRAMM_RESET(); // values beyond the start values never reach the other field
        draw({10000, 20000, -10000});
        QCOMPARE(fields(), QStringLiteral("3 DATEN-Punkte|20000|-10000"));
        m_w->DIAGRAMM_RESET();
        draw({10000});
        QCOMPARE(m_w->Text_WERT_MIN->text(), QStringLiteral("9999"));
    }

    // Automatic length follows the points; points beyond the rows are still counted and shown.
    void automaticLengthAndExtraPoints()
    {
        m_w->DIAGRAMM_RESET();
        for (int i = 0; i < 37; ++i)
            draw({double(i)});
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 37.0);
        m_w->DIAGRAMM_RESET();
        QCOMPARE(int(m_w->MSChart1->RowCount()), 37);
        m_w->Check_AUTO->setChecked(false);
        draw({1, 2, 3});
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 2;
        m_w->DIAGRAMM_RESET();
        draw({1, 2, 50});
        QCOMPARE(m_w->MSChart1->shownRowCount(), 3);
        QCOMPARE(m_w->MSChart1->value(3), 50.0);
    }

    // The extremes are read back from the fields: typed text counts, and a text that is not a
    // number stops that point before the chart is written (after it was counted).
    void extremesAreReadBackFromTheFields()
    {
        m_w->DIAGRAMM_RESET();
        draw({5});
        m_w->Text_WERT_MAX->selectAll();
        QTest::keyClicks(m_w->Text_WERT_MAX, QStringLiteral("100"));
        draw({50});
        QCOMPARE(m_w->Text_WERT_MAX->text(), QStringLiteral("100"));
        m_w->Text_WERT_MAX->selectAll();
        QTest::keyClicks(m_w->Text_WERT_MAX, QStringLiteral("abc"));
        m_w->DIAGRAMM_WERT = 60;
        QVERIFY_THROWS_EXCEPTION(ConversionError, m_w->DIAGRAMM_ZEICHNEN());
        QCOMPARE(m_w->DIAGRAMM_ZAEHLER, std::int16_t(3));
        QCOMPARE(m_w->MSChart1->value(3), 0.0);
    }

    void drawingRepaintsOncePerTurn()
    {
        m_w->DIAGRAMM_RESET();
        QCoreApplication::processEvents();
        const int before = m_w->MSChart1->rebuildCount();
        for (int i = 0; i < 1000; ++i) {
            m_w->DIAGRAMM_WERT = i % 50;
            m_w->DIAGRAMM_ZEICHNEN();
        }
        QCoreApplication::processEvents();
        QCOMPARE(m_w->MSChart1->rebuildCount(), before + 1);
        QCOMPARE(m_w->Text_DIAGRAMM_ZAEHLER->text(), QStringLiteral("1000 DATEN-Punkte"));
    }

    void presetsAndReset()
    {
        QPushButton *buttons[] = {m_w->Command2,  m_w->Command4,  m_w->Command7,  m_w->Command8,
                                  m_w->Command9,  m_w->Command10, m_w->Command11, m_w->Command12,
                                  m_w->Command13, m_w->Command14};
        for (int i = 0; i < 10; ++i) {
            m_w->Check_AUTO->setChecked(true);
            buttons[i]->click();
            QVERIFY(!m_w->Check_AUTO->isChecked());
            QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, (i + 1) * 100.0);
            QCOMPARE(int(m_w->MSChart1->RowCount()), (i + 1) * 100);
        }
        m_w->Check_AUTO->setChecked(true);
        draw({4});
        m_w->Command3->click(); // resets for the current length, leaves mode and length
        QVERIFY(m_w->Check_AUTO->isChecked());
        QCOMPARE(int(m_w->MSChart1->RowCount()), 1);
        QCOMPARE(m_w->MSChart1->value(1), 0.0);
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
        m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
        QVERIFY(!m_w->Check_AUTO->isChecked());
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, length);
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
