#include "acquisition/FrameDecoder.h"
#include "acquisition/FrameEncoder.h"

#include <QTest>

#include <random>

using namespace kurvomat;
using namespace kurvomat::acquisition;

namespace {
constexpr int H = 35; // "#"
QList<int> header(int low, int high) { return {H, H, H, H, low, high}; }
QList<int> wave(Waveform w, int count, double level, double offset, bool signedSamples)
{
    QList<int> codes;
    for (char c : encodeFrame(makeWaveform(w, count, level, offset, signedSamples, 1, 5)))
        codes.append(static_cast<std::uint8_t>(c));
    return codes;
}
// Events but None with their stream position: "A5 R9 C12 " (accepted, refused, complete).
QByteArray feed(SharedState &s, const QList<int> &codes, bool signedSamples, int first = 0)
{
    QByteArray log;
    for (int i = 0; i < codes.size(); ++i)
        if (const auto e = receiveByte(s, codes[i], signedSamples); e != ByteEvent::None)
            log += ".ARC"[int(e)] + QByteArray::number(first + i) + ' ';
    return log;
}
QList<int> elements(const auto &a, qsizetype n) { return QList<int>(a.data(), a.data() + n); }
// Each stream from a fresh receiver: the events, then DATENPUNKTE from element 0 on.
struct S { QList<int> codes; bool sgn; QByteArray events; QList<int> elements; };
} // namespace
Q_DECLARE_METATYPE(S)

class TestFrameDecoder : public QObject {
    Q_OBJECT
private slots:
    void streams_data()
    {
        QTest::addColumn<S>("c");
        const QList<int> three = header(3, 0) + QList{200, 127, 255};
        QTest::newRow("3 samples")
            << S{header(3, 0) + QList{10, 20, 30}, true, "A5 C8 ", {0, 10, 20, 30, 0}};
        QTest::newRow("signed") << S{three, true, "A5 C8 ", {0, -56, 127, -1}};
        QTest::newRow("unsigned") << S{three, false, "A5 C8 ", {0, 200, 127, 255}};
        QTest::newRow("count 0, count 1")
            << S{header(0, 0) + header(1, 0) + QList{5}, true, "C5 A11 C12 ", {0, 5}};
        QTest::newRow("1000 accepted") << S{header(232, 3), true, "A5 ", {3, 0}};
        QTest::newRow("1001 refused, count 1")
            << S{header(233, 3) + header(1, 0) + QList{42}, true, "R5 A11 C12 ", {0, 42}};
        QTest::newRow("high byte 128") << S{header(0, 128) + QList{1}, false, "R5 ", {0, 0}};
        QTest::newRow("#### 5 0 inside a frame")
            << S{header(10, 0) + QList{1, H, H, H, H, 5, 0, 2, 3, 4}, true, "A5 C15 ",
                 {0, 1, H, H, H, H, 5, 0, 2, 3, 4, 0}};
        // Samples N-4..N-1 are "#": sample N is the low count byte of the next header.
        QTest::newRow("# at N-4..N-1") << S{header(6, 0) + QList{1, H, H, H, H, 3, 0, 11, 12, 13},
                                            true, "A5 C11 A12 C15 ", {0, 11, 12, 13, H, H, 3}};
        // The window keeps the raw code: signed sample 200, stored as -56, is low byte 200.
        QTest::newRow("# at N-4..N-1, signed 200")
            << S{header(6, 0) + QList{1, H, H, H, H, 200, 0} + QList<int>(200, 9), true,
                 "A5 C11 A12 C212 ", {0, 9, 9}};
        // Encoder and decoder agree, down to two's complement and clamping.
        using W = Waveform;
        QTest::newRow("sine")
            << S{wave(W::Sine, 4, 100, 0, true), true, "A5 C9 ", {0, 0, 100, 0, -100}};
        QTest::newRow("clamped") << S{wave(W::Square, 4, 1e3, 0, true), true, "A5 C9 ",
                                      {0, 127, 127, -128, -128}};
        QTest::newRow("clamped unsigned") << S{wave(W::Square, 4, 1e3, 128, false), false,
                                               "A5 C9 ", {0, 255, 255, 0, 0}};
        // After 17 samples "#" the next header reads as refused ones until its high byte.
        QTest::newRow("frame of #, a frame")
            << S{wave(W::Square, 17, 0, H, false) + wave(W::Ramp, 4, 128, 128, false), false,
                 "A5 C22 R23 R24 R25 R26 R27 A28 C32 ", {0, 0, 64, 128, 192, H}};
    }
    void streams()
    {
        QFETCH(S, c);
        SharedState whole, split, other;
        QCOMPARE(feed(whole, c.codes, c.sgn), c.events);
        QCOMPARE(elements(whole.DATENPUNKTE, c.elements.size()), c.elements);
        // Split inside the header, another receiver fed in between: the same frame.
        QByteArray got = feed(split, c.codes.mid(0, 3), c.sgn);
        feed(other, header(2, 0) + QList{H, H}, !c.sgn);
        got += feed(split, c.codes.mid(3), c.sgn, 3);
        QCOMPARE(got, c.events);
        QCOMPARE(elements(split.DATENPUNKTE, 1101), elements(whole.DATENPUNKTE, 1101));
    }
    void randomStream_invariantHolds()
    {
        std::mt19937 random(20240601);
        SharedState s;
        int seen[4] = {};
        for (int i = 0; i < 300000; ++i) {
            const unsigned r = random(), kind = r % 100;
            const int code = kind < 35 ? H : kind < 50 ? int(r >> 8) % 5 : int(r >> 8) % 256;
            ++seen[int(receiveByte(s, code, (r >> 20) & 1))];
            QVERIFY(s.DATENSATZ_AKTIV != kTrue || (-1 <= s.EMPFANG_INDEX
                    && s.EMPFANG_INDEX <= s.EMPFANG_ANZAHL && s.EMPFANG_ANZAHL <= 1000));
        }
        QVERIFY(seen[1] > 10 && seen[2] > 10 && seen[3] > 10); // every outcome was reached
    }
};

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
