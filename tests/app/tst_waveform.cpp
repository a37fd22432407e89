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

private:
    QTemporaryDir m_dir;
    std::shared_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<frmHAUPT> m_w;

    void draw(std::initializer_list<double> values)
    {
        for (double v : values) {
            m_w->DIAGRAMM_WERT = v;
            m_w->DIAGRAMM_ZEICHNEN();
        }
    }
    QString shown(QLineEdit *field)
    {
        m_w->flushPointFields();
        return field->text();
    }
    QStringList labels()
    {
        QStringList out;
        for (int row = 1; row <= m_w->MSChart1->shownRowCount(); ++row)
            if (!m_w->MSChart1->rowLabel(row).isEmpty())
                out << QString::number(row) + "=" + m_w->MSChart1->rowLabel(row);
        return out;
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dialogs = std::make_shared<ScriptedDialogs>();
        m_w = std::make_unique<frmHAUPT>(testEnvironment(m_dir.path(), m_dialogs));
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
    }
    void cleanup()
    {
        m_w.reset();
        QLocale::setDefault(QLocale::c());
    }

    void resetLabelsEveryHundredthRow_data()
    {
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("250") << 250.0 << 250 << QStringList{"100=100", "200=200"};
        QStringList ten;
        for (int i = 100; i <= 1000; i += 100)
            ten << QStringLiteral("%1=%1").arg(i);
        QTest::newRow("1000") << 1000.0 << 1000 << ten;
        QTest::newRow("99") << 99.0 << 99 << QStringList{};
        QTest::newRow("half to even") << 100.5 << 100 << QStringList{"100=100"};
    }

    void resetLabelsEveryHundredthRow()
    {
        QFETCH(double, length);
        QFETCH(int, rows);
        QFETCH(QStringList, expected);
        draw({3, 4}); // earlier picture must vanish
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = length;
        m_w->DIAGRAMM_RESET();
        QCOMPARE(int(m_w->MSChart1->RowCount()), rows);
        QCOMPARE(m_w->MSChart1->shownRowCount(), rows);
        QCOMPARE(labels(), expected);
        for (int row = 1; row <= rows; ++row)
            QCOMPARE(m_w->MSChart1->value(row), 0.0);
        QCOMPARE(shown(m_w->Text_WERT_MIN), QStringLiteral("9999"));
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("-9999"));
        QCOMPARE(m_w->DIAGRAMM_ZAEHLER, std::int16_t(0));
        // The counter field keeps the previous count until the next point.
        QCOMPARE(shown(m_w->Text_DIAGRAMM_ZAEHLER), QStringLiteral("2 DATEN-Punkte"));
    }

    void pointsKeepCounterAndExtremes()
    {
        m_w->Check_AUTO->setChecked(false);
        m_w->DIAGRAMM_RESET();
        const struct {
            double value;
            const char *counter, *max, *min;
        } steps[] = {{5, "1 DATEN-Punkte", "5", "5"},
                     {-3, "2 DATEN-Punkte", "5", "-3"},
                     {7, "3 DATEN-Punkte", "7", "-3"}};
        for (const auto &s : steps) {
            draw({s.value});
            QCOMPARE(shown(m_w->Text_DIAGRAMM_ZAEHLER), QString::fromLatin1(s.counter));
            QCOMPARE(shown(m_w->Text_WERT_MAX), QString::fromLatin1(s.max));
            QCOMPARE(shown(m_w->Text_WERT_MIN), QString::fromLatin1(s.min));
        }
        QCOMPARE(m_w->MSChart1->value(1), 5.0);
        QCOMPARE(m_w->MSChart1->value(2), -3.0);
        QCOMPARE(m_w->MSChart1->value(3), 7.0);
        QCOMPARE(m_w->MSChart1->value(4), 0.0);
        QCOMPARE(m_w->MSChart1->value(1000), 0.0);
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
    }

    void automaticLengthFollowsThePoints()
    {
        m_w->DIAGRAMM_RESET();
        for (int i = 0; i < 37; ++i)
            draw({double(i)});
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 37.0);
        m_w->DIAGRAMM_RESET();
        QCOMPARE(int(m_w->MSChart1->RowCount()), 37);

        m_w->Check_AUTO->setChecked(false);
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 1000;
        m_w->DIAGRAMM_RESET();
        draw({1, 2, 3});
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
    }

    // A picture longer than the chart's rows: the extra points are still counted and shown.
    void pointsBeyondTheRowCountAreShown()
    {
        m_w->Check_AUTO->setChecked(false);
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 3;
        m_w->DIAGRAMM_RESET();
        draw({1, 2, 3, 4, 50});
        QCOMPARE(m_w->DIAGRAMM_ZAEHLER, std::int16_t(5));
        QCOMPARE(m_w->MSChart1->shownRowCount(), 5);
        QCOMPARE(m_w->MSChart1->value(5), 50.0);
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("50"));
    }

    void extremesBeyondTheStartValues()
    {
        m_w->DIAGRAMM_RESET();
        draw({10000, 20000, 12345});
        QCOMPARE(shown(m_w->Text_WERT_MIN), QStringLiteral("9999"));
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("20000"));
        m_w->DIAGRAMM_RESET();
        draw({-10000, -20000});
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("-9999"));
        QCOMPARE(shown(m_w->Text_WERT_MIN), QStringLiteral("-20000"));
        // Equal values leave the field as it is (strict comparisons).
        m_w->DIAGRAMM_RESET();
        draw({9999});
        QCOMPARE(shown(m_w->Text_WERT_MIN), QStringLiteral("9999"));
    }

    void fractionsFollowTheRegionalFormat()
    {
        m_w->DIAGRAMM_RESET();
        draw({12.5});
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("12,5"));
        QCOMPARE(m_w->MSChart1->value(1), 12.5);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_w->DIAGRAMM_RESET();
        draw({12.5});
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("12.5"));
        QCOMPARE(m_w->MSChart1->value(1), 12.5);
    }

    // The extremes are read back from the fields' text: what the user typed there counts, and a
    // text that is not a number stops the drawing of that point before the chart is touched.
    void extremesAreReadBackFromTheFields()
    {
        m_w->DIAGRAMM_RESET();
        draw({5});
        QTest::keyClicks(m_w->Text_WERT_MAX, QString()); // give it focus
        m_w->Text_WERT_MAX->selectAll();
        QTest::keyClicks(m_w->Text_WERT_MAX, QStringLiteral("100"));
        draw({50});
        QCOMPARE(shown(m_w->Text_WERT_MAX), QStringLiteral("100"));
        m_w->Text_WERT_MAX->selectAll();
        QTest::keyClicks(m_w->Text_WERT_MAX, QStringLiteral("abc"));
        m_w->DIAGRAMM_WERT = 60;
        QVERIFY_THROWS_EXCEPTION(ConversionError, m_w->DIAGRAMM_ZEICHNEN());
        QCOMPARE(m_w->DIAGRAMM_ZAEHLER, std::int16_t(3)); // counted before the failure
        QCOMPARE(m_w->MSChart1->value(3), 0.0);           // chart not written
    }

    void drawingRepaintsOncePerTurn()
    {
        m_w->DIAGRAMM_RESET();
        QCoreApplication::processEvents();
        const int before = m_w->MSChart1->rebuildCount();
        for (int i = 0; i < 1000; ++i)
            draw({double(i % 50)});
        QCoreApplication::processEvents();
        QCOMPARE(m_w->MSChart1->rebuildCount(), before + 1);
        QCOMPARE(m_w->Text_DIAGRAMM_ZAEHLER->text(), QStringLiteral("1000 DATEN-Punkte"));
    }

    void presets_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<double>("length");
        for (int i = 0; i < 10; ++i)
            QTest::newRow(qPrintable(QString::number((i + 1) * 100))) << i << (i + 1) * 100.0;
    }

    void presets()
    {
        QFETCH(int, which);
        QFETCH(double, length);
        QPushButton *buttons[] = {m_w->Command2,  m_w->Command4,  m_w->Command7,  m_w->Command8,
                                  m_w->Command9,  m_w->Command10, m_w->Command11, m_w->Command12,
                                  m_w->Command13, m_w->Command14};
        QVERIFY(m_w->Check_AUTO->isChecked());
        buttons[which]->click();
        QVERIFY(!m_w->Check_AUTO->isChecked());
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, length);
        QCOMPARE(int(m_w->MSChart1->RowCount()), int(length));
        m_w->Timer_ANZEIGE_Timer();
        QCOMPARE(m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE->text(), QString::number(int(length)));
    }

    void resetButtonKeepsLengthAndMode()
    {
        m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE = 300;
        draw({1, 2});
        m_w->Command3->click();
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 2.0); // automatic length took 2
        QCOMPARE(int(m_w->MSChart1->RowCount()), 2);
        QVERIFY(m_w->Check_AUTO->isChecked());
        QCOMPARE(m_w->MSChart1->value(1), 0.0);
    }

    void entryCancelKeepsLengthButClearsAuto()
    {
        m_w->DIAGRAMM_RESET();
        draw({4});
        m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
        QVERIFY(!m_w->Check_AUTO->isChecked());
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1.0);
        QCOMPARE(m_w->MSChart1->value(1), 4.0); // chart untouched
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->shown[0].text, QStringLiteral("Wert von 1 bis 1000 eingeben"));
        QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("X-ACHSE"));
        QCOMPARE(m_dialogs->shown[0].defaultText, QStringLiteral("1"));
    }

    void entryTakesANumberUnderTheRegionalSettings_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<double>("length");
        QTest::addColumn<int>("rows");
        QTest::newRow("250") << "250" << 250.0 << 250;
        QTest::newRow("decimal comma") << "2,5" << 2.5 << 2;
        QTest::newRow("lowest") << "1" << 1.0 << 1;
        QTest::newRow("highest") << " 1000 " << 1000.0 << 1000;
    }

    void entryTakesANumberUnderTheRegionalSettings()
    {
        QFETCH(QString, answer);
        QFETCH(double, length);
        QFETCH(int, rows);
        m_dialogs->inputAnswers << answer;
        m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, length);
        QCOMPARE(int(m_w->MSChart1->RowCount()), rows);
        QVERIFY(m_dialogs->texts(QStringLiteral("warning")).isEmpty());
    }

    void entryRefusesAndAsksAgain_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("letters") << "abc";
        QTest::newRow("zero") << "0";
        QTest::newRow("too large") << "1001";
        QTest::newRow("below one") << "0,5";
        QTest::newRow("negative") << "-5";
        QTest::newRow("decimal point under German settings") << "12.5abc";
    }

    void entryRefusesAndAsksAgain()
    {
        QFETCH(QString, answer);
        m_dialogs->inputAnswers << answer << "300";
        m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
        const QStringList warnings = m_dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("1 bis 1000")));
        QVERIFY(warnings[0].contains(answer));
        // Asked again with the user's answer as default, then the valid one is taken.
        const auto inputs = m_dialogs->shown;
        QCOMPARE(inputs.last().kind, QStringLiteral("input"));
        QCOMPARE(inputs.last().defaultText, answer);
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 300.0);
    }

    void entryRefusedThenCancelledChangesNothing()
    {
        m_dialogs->inputAnswers << "5000";
        m_w->Text_DIAGRAMM_MAX_ANZ_DATENPUNKTE_DblClick();
        QCOMPARE(m_w->DIAGRAMM_MAX_ANZ_DATENPUNKTE, 1000.0);
        QCOMPARE(m_dialogs->texts(QStringLiteral("warning")).size(), 1);
    }
};

QTEST_MAIN(TestWaveform)
#include "tst_waveform.moc"
