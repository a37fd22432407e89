// SPDX-License-Identifier: GPL-3.0-or-later
// The error style every procedure relies on, and the checked arrays of the shared state.
#include "core/FixedArray.h"
#include "core/SkipOnError.h"

#include <QtTest>

using namespace kurvomat;

class TestCore : public QObject {
    Q_OBJECT

private slots:
    // A failing statement is skipped and the next one runs; the end of the program is never
    // swallowed, so no procedure runs on past it. (A failing test counting as true is checked
    // where it matters, in the window's port reads.)
    void skipOnErrorStyle()
    {
        QStringList ran;
        QVERIFY(!skipOnError([&] { throw OverflowError("16 bits"); }));
        QVERIFY(skipOnError([&] { ran << "next"; }));
        QCOMPARE(ran, QStringList{"next"});
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, skipOnError([] { throw ProgramEnded{}; }));
        QVERIFY_THROWS_EXCEPTION(ProgramEnded,
                                 (void)testOnError([]() -> bool { throw ProgramEnded{}; }));
    }

    void arraysCheckTheirBounds()
    {
        FixedArray<std::int16_t, 0, 1100> samples;
        FixedArray<double, 1, 3> shifted;
        samples(1100) = 7;
        shifted(1) = 2.5;
        QCOMPARE(samples.span().back(), std::int16_t(7));
        QCOMPARE(shifted.span().front(), 2.5);
        QCOMPARE(samples(0), std::int16_t(0)); // created filled with zero
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)samples(1101));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)samples(-1));
        QVERIFY_THROWS_EXCEPTION(IndexError, (void)shifted(0));
    }
};

QTEST_APPLESS_MAIN(TestCore)
#include "tst_core.moc"
