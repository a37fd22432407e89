// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/FrameDecoder.h"
#include "acquisition/FrameEncoder.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

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
using Samples = FrameDecoder::SampleBuffer;
// Fed one byte at a time: each header and completion with its stream position, "A5 R9 C12 "
// (accepted, refused, complete; a count-0 header completes its frame at once).
QByteArray feedBytes(FrameDecoder &d, Samples &s, const QList<int> &codes, bool signedSamples)
{
    QByteArray log;
    for (int i = 0; i < codes.size(); ++i) {
        const char byte = char(codes[i]);
        const auto r = d.feed(QByteArrayView(&byte, 1), s, signedSamples);
        if (r.frameComplete || r.headerSeen)
            log += (r.frameComplete ? 'C' : d.receiving() ? 'A' : 'R') + QByteArray::number(i)
                + ' ';
    }
    return log;
}
QList<int> elements(const Samples &a, qsizetype n) { return QList<int>(a.data(), a.data() + n); }
// Each stream from a fresh decoder: the events, then the buffer from element 0 on (both null:
// whatever byte-by-byte feeding gives); fed in bulk in pieces of at most `piece` bytes.
struct S { QList<int> codes; bool sgn; QByteArray events; QList<int> elements; int piece = 1 << 20; };
} // namespace
Q_DECLARE_METATYPE(S)

class TestFrameDecoder : public QObject {
    Q_OBJECT
private slots:
    // The oldest characters beyond one largest frame are dropped, but never the header of the
    // frame that remains when no more than a short trailer follows it.
    void staleCharactersKeepTheLastHeader()
    {
        const QByteArray frame = encodeFrame(std::vector<std::uint8_t>(1000, 7));
        QCOMPARE(staleCharacters(frame), 0);
        QCOMPARE(staleCharacters(frame + QByteArray(64, '\n')), 0);
        QCOMPARE(staleCharacters(frame + QByteArray(65, '\n')), 65);
        QCOMPARE(staleCharacters("xy" + frame + "\r\n"), 2);
        QCOMPARE(staleCharacters(QByteArray(3000, 'x')), 3000 - kMaxFrameCharacters);
    }

    void streams_data()
    {
        QTest::addColumn<S>("c");
        QTest::newRow("count 0, count 1")
            << S{header(0, 0) + header(1, 0) + QList{5}, true, "C5 A11 C12 ", {0, 5}};
        QTest::newRow("1000 accepted") << S{header(232, 3), true, "A5 ", {3, 0}};
        QTest::newRow("1001 refused, count 1")
            << S{header(233, 3) + header(1, 0) + QList{42}, true, "R5 A11 C12 ", {0, 42}};
        QTest::newRow("#### 5 0 inside a frame")
            << S{header(10, 0) + QList{1, H, H, H, H, 5, 0, 2, 3, 4}, true, "A5 C15 ",
                 {0, 1, H, H, H, H, 5, 0, 2, 3, 4, 0}};
        // Samples N-4..N-1 are "#": sample N is the low count byte of the next header. The
        // window keeps the raw code: signed sample 200, stored as -56, is low byte 200.
        QTest::newRow("# at N-4..N-1, signed 200")
            << S{header(6, 0) + QList{1, H, H, H, H, 200, 0} + QList<int>(200, 9), true,
                 "A5 C11 A12 C212 ", {0, 9, 9}};
        // Encoder and decoder agree, down to two's complement and clamping.
        using W = Waveform;
        QTest::newRow("sine")
            << S{wave(W::Sine, 4, 100, 0, true), true, "A5 C9 ", {0, 0, 100, 0, -100}};
        QTest::newRow("clamped") << S{wave(W::Square, 4, 1e3, 0, true), true, "A5 C9 ",
                                      {0, 127, 127, -128, -128, 0}};
        QTest::newRow("clamped unsigned") << S{wave(W::Square, 4, 1e3, 128, false), false,
                                               "A5 C9 ", {0, 255, 255, 0, 0}};
        // After 17 samples "#" the next header reads as refused ones until its high byte.
        QTest::newRow("frame of #, a frame")
            << S{wave(W::Square, 17, 0, H, false) + wave(W::Ramp, 4, 128, 128, false), false,
                 "A5 C22 R23 R24 R25 R26 R27 A28 C32 ", {0, 0, 64, 128, 192, H}};
        QRandomGenerator random(2024); // headers (counts up to 1279) and runs of equal bytes
        for (int row = 0; row < 100; ++row) {
            QList<int> codes;
            while (codes.size() < 3000)
                codes += random.bounded(3) ? QList<int>(random.bounded(1, 40), random.bounded(256))
                                           : header(random.bounded(256), random.bounded(5));
            QTest::addRow("random %d", row) << S{codes, row % 2 == 0, {}, {}, random.bounded(1, 64)};
        }
    }
    void streams()
    {
        QFETCH(S, c);
        FrameDecoder single;
        Samples one;
        const QByteArray events = feedBytes(single, one, c.codes, c.sgn);
        if (!c.events.isNull()) {
            QCOMPARE(events, c.events);
            QCOMPARE(elements(one, c.elements.size()), c.elements);
        }
        // In bulk each call uses all its bytes but stops right after a completed frame: the same
        // frames at the same places, the same buffer, the byte stored last at the last index, a
        // count of at most 1000 while receiving. The other kind of sample changes only the values.
        QByteArray bytes;
        for (int code : c.codes)
            bytes += char(code);
        FrameDecoder bulk, other;
        Samples all, otherAll;
        QByteArray completions;
        for (qsizetype at = 0; at < bytes.size();) {
            const auto piece = QByteArrayView(bytes).sliced(at, qMin(c.piece, bytes.size() - at));
            const auto r = bulk.feed(piece, all, c.sgn), o = other.feed(piece, otherAll, !c.sgn);
            QVERIFY(r.used > 0 && (r.frameComplete || r.used == piece.size()));
            QVERIFY(o.used == r.used && o.headerSeen == r.headerSeen
                    && o.frameComplete == r.frameComplete && other.receiving() == bulk.receiving()
                    && other.lastIndex() == bulk.lastIndex());
            const auto last = std::uint8_t(piece[r.used - 1]);
            QVERIFY(!(bulk.receiving() || r.frameComplete)
                    || all(bulk.lastIndex()) == (c.sgn ? std::int8_t(last) : last));
            QVERIFY(!bulk.receiving()
                    || (bulk.lastIndex() < bulk.announcedCount() && bulk.announcedCount() <= 1000));
            at += r.used;
            if (r.frameComplete)
                completions += "C" + QByteArray::number(at - 1) + ' ';
        }
        static const QRegularExpression headerEvent(u"[AR]\\d+ "_qs);
        QCOMPARE(completions, QString::fromLatin1(events).remove(headerEvent).toLatin1());
        QCOMPARE(elements(all, 1101), elements(one, 1101));
    }
};

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
