#include "acquisition/FrameDecoder.h"
#include "app/SharedState.h"
#include "core/Errors.h"

#include <QList>
#include <QTest>

#include <limits>
#include <memory>
#include <random>

using namespace kurvomat;
using namespace kurvomat::acquisition;

Q_DECLARE_METATYPE(QList<int>)

namespace {

constexpr int H = 35; // "#"

// Header bytes written out by hand, independent of the encoder.
QList<int> header(int low, int high)
{
    return {H, H, H, H, low, high};
}

QList<int> repeated(int code, int times)
{
    return QList<int>(times, code);
}

// One letter per character: '.' None, 'A' HeaderAccepted, 'R' HeaderRefused, 'C' FrameComplete.
char letter(ByteEvent event)
{
    switch (event) {
    case ByteEvent::None: return '.';
    case ByteEvent::HeaderAccepted: return 'A';
    case ByteEvent::HeaderRefused: return 'R';
    case ByteEvent::FrameComplete: return 'C';
    }
    return '?';
}

QByteArray feed(SharedState &s, const QList<int> &codes, bool signedSamples)
{
    QByteArray events;
    for (int code : codes)
        events.append(letter(receiveByte(s, code, signedSamples)));
    return events;
}

// The events expected for a stream: dots everywhere except the given positions.
QByteArray events(qsizetype length, std::initializer_list<std::pair<qsizetype, char>> marks)
{
    QByteArray e(length, '.');
    for (const auto &[at, mark] : marks)
        e[at] = mark;
    return e;
}

QList<int> elements(const SharedState &s, int from, int to)
{
    QList<int> values;
    for (int i = from; i <= to; ++i)
        values.append(s.DATENPUNKTE(i));
    return values;
}

QList<int> windowOf(const SharedState &s)
{
    return {s.EMPFANG_BYTE_0, s.EMPFANG_BYTE_1, s.EMPFANG_BYTE_2, s.EMPFANG_BYTE_3,
            s.EMPFANG_BYTE_4, s.EMPFANG_BYTE_5, s.EMPFANG_BYTE_6};
}

bool sameReceiver(const SharedState &a, const SharedState &b)
{
    return windowOf(a) == windowOf(b) && a.DATENSATZ_AKTIV == b.DATENSATZ_AKTIV
           && a.EMPFANG_INDEX == b.EMPFANG_INDEX && a.EMPFANG_ANZAHL == b.EMPFANG_ANZAHL
           && elements(a, 0, 1100) == elements(b, 0, 1100);
}

} // namespace

class TestFrameDecoder : public QObject {
    Q_OBJECT

private slots:
    void streams_data();
    void streams();
    void sampleConversion_data();
    void sampleConversion();
    void headerCount_data();
    void headerCount();
    void countZero_completesInHeaderPass();
    void conversionFollowsEachCharacter();
    void window_data();
    void window();
    void fullFrame_elementsAboveNUntouched();
    void shorterFrame_keepsOlderSamples();
    void interleavedReceivers_keepNoHiddenState();
    void randomStream_invariantHolds();
    void badCode_throwsAndChangesNothing_data();
    void badCode_throwsAndChangesNothing();
    void brokenState_throwsInsteadOfOverflowing();
};

// Whole streams: the events character by character, the sample buffer and the state after.
void TestFrameDecoder::streams_data()
{
    QTest::addColumn<QList<int>>("stream");
    QTest::addColumn<bool>("signedSamples");
    QTest::addColumn<QByteArray>("expectedEvents");
    QTest::addColumn<QList<int>>("expectedElements"); // DATENPUNKTE from element 0 on
    QTest::addColumn<bool>("activeAfter");
    QTest::addColumn<int>("indexAfter");
    QTest::addColumn<double>("countAfter");

    QTest::newRow("three samples")
        << header(3, 0) + QList<int>{10, 20, 30} << true << events(9, {{5, 'A'}, {8, 'C'}})
        << QList<int>{0, 10, 20, 30, 0} << false << 3 << 3.0;

    QTest::newRow("stream ends mid-frame")
        << header(3, 0) + QList<int>{10} << true << events(7, {{5, 'A'}})
        << QList<int>{0, 10, 0} << true << 1 << 3.0;

    QTest::newRow("high byte goes to element 0")
        << header(0, 1) + repeated(7, 256) << false << events(262, {{5, 'A'}, {261, 'C'}})
        << QList<int>{1, 7, 7} << false << 256 << 256.0;

    // "####", 35, 0 is the header of 35 samples: a fifth "#" is the low byte.
    QTest::newRow("low byte is a #")
        << repeated(H, 5) + QList<int>{0} + repeated(9, 35) << true
        << events(41, {{5, 'A'}, {40, 'C'}}) << QList<int>{0, 9, 9} << false << 35 << 35.0;

    // Six "#": 35 * 256 + 35 is refused, and the next character finds four "#" again.
    QTest::newRow("six # refused, then the shifted window is a header")
        << repeated(H, 6) + QList<int>{0} + repeated(9, 35) << true
        << events(42, {{5, 'R'}, {6, 'A'}, {41, 'C'}}) << QList<int>{0, 9, 9} << false << 35
        << 35.0;

    QTest::newRow("refused header, the next header is taken at once")
        << header(233, 3) + header(1, 0) + QList<int>{42} << true
        << events(13, {{5, 'R'}, {11, 'A'}, {12, 'C'}}) << QList<int>{0, 42} << false << 1
        << 1.0;

    QTest::newRow("count 0, then the next frame")
        << header(0, 0) + header(1, 0) + QList<int>{5} << true
        << events(13, {{5, 'C'}, {11, 'A'}, {12, 'C'}}) << QList<int>{0, 5} << false << 1 << 1.0;

    QTest::newRow("four # and 5,0 inside a frame are samples")
        << header(10, 0) + QList<int>{1, H, H, H, H, 5, 0, 2, 3, 4} << true
        << events(16, {{5, 'A'}, {15, 'C'}})
        << QList<int>{0, 1, H, H, H, H, 5, 0, 2, 3, 4, 0} << false << 10 << 10.0;

    // Samples N-4..N-1 are "#": with sample N they fill the window as a header does, and the
    // first character after the frame is its high byte.
    QTest::newRow("# at samples N-4..N-1: next character completes a header")
        << header(6, 0) + QList<int>{1, H, H, H, H, 7} + QList<int>{0}
               + QList<int>{11, 12, 13, 14, 15, 16, 17}
        << true << events(20, {{5, 'A'}, {11, 'C'}, {12, 'A'}, {19, 'C'}})
        << QList<int>{0, 11, 12, 13, 14, 15, 16, 17} << false << 7 << 7.0;

    // The window holds raw codes: sample 200 is stored as -56 but counts as low byte 200.
    QTest::newRow("# at samples N-4..N-1, signed sample N as low byte")
        << header(6, 0) + QList<int>{1, H, H, H, H, 200} + QList<int>{0} + repeated(5, 200)
        << true << events(213, {{5, 'A'}, {11, 'C'}, {12, 'A'}, {212, 'C'}})
        << QList<int>{0, 5, 5} << false << 200 << 200.0;

    // At the last sample the window holds four "#", but the header test comes before the
    // completion, while the frame is still active: no header, then or later.
    QTest::newRow("# at samples N-5..N-2: the completing character starts no header")
        << header(6, 0) + QList<int>{H, H, H, H, 1, 2} + QList<int>{0, 0} << true
        << events(14, {{5, 'A'}, {11, 'C'}}) << QList<int>{0, H, H, H, H, 1, 2} << false << 6
        << 6.0;

    // A frame that lost characters takes the next header as samples (up to its high byte);
    // the frame after that is received in step again. Elements 3..7 keep the lost frame's.
    QTest::newRow("lost characters: next header consumed, then back in step")
        << header(7, 0) + QList<int>{1} + header(1, 0) + QList<int>{9} + header(2, 0)
               + QList<int>{7, 8}
        << true << events(22, {{5, 'A'}, {12, 'C'}, {19, 'A'}, {21, 'C'}})
        << QList<int>{0, 7, 8, H, H, H, 1, 0} << false << 2 << 2.0;

    QTest::newRow("three # and a failed read are no header")
        << QList<int>{H, H, H, 0, 1, 0, 5} << true << events(7, {}) << QList<int>{0, 0} << false
        << 0 << 0.0;
}

void TestFrameDecoder::streams()
{
    QFETCH(QList<int>, stream);
    QFETCH(bool, signedSamples);
    QFETCH(QByteArray, expectedEvents);
    QFETCH(QList<int>, expectedElements);
    QFETCH(bool, activeAfter);
    QFETCH(int, indexAfter);
    QFETCH(double, countAfter);

    SharedState s;
    QCOMPARE(feed(s, stream, signedSamples), expectedEvents);
    QCOMPARE(elements(s, 0, static_cast<int>(expectedElements.size()) - 1), expectedElements);
    QCOMPARE(s.DATENSATZ_AKTIV == kTrue, activeAfter);
    QCOMPARE(s.DATENSATZ_AKTIV == kFalse, !activeAfter);
    QCOMPARE(s.EMPFANG_INDEX, indexAfter);
    QCOMPARE(s.EMPFANG_ANZAHL, countAfter);
}

void TestFrameDecoder::sampleConversion_data()
{
    QTest::addColumn<bool>("signedSamples");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("stored");

    const struct {
        int code, asSigned, asUnsigned;
    } rows[] = {{0, 0, 0}, {1, 1, 1}, {127, 127, 127}, {128, -128, 128},
                {200, -56, 200}, {254, -2, 254}, {255, -1, 255}};
    for (const auto &r : rows) {
        QTest::addRow("signed %d", r.code) << true << r.code << r.asSigned;
        QTest::addRow("unsigned %d", r.code) << false << r.code << r.asUnsigned;
    }
}

void TestFrameDecoder::sampleConversion()
{
    QFETCH(bool, signedSamples);
    QFETCH(int, code);
    QFETCH(int, stored);

    SharedState s;
    QCOMPARE(feed(s, header(1, 0) + QList<int>{code}, signedSamples), events(7, {{5, 'A'}, {6, 'C'}}));
    QCOMPARE(int{s.DATENPUNKTE(1)}, stored);
    QCOMPARE(int{s.EMPFANG_BYTE_1}, code); // the window keeps the raw code
    QCOMPARE(int{s.EMPFANG_BYTE_0}, code);
}

void TestFrameDecoder::headerCount_data()
{
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("1") << 1 << 0 << true;
    QTest::newRow("35, low byte #") << 35 << 0 << true;
    QTest::newRow("255") << 255 << 0 << true;
    QTest::newRow("256") << 0 << 1 << true;
    QTest::newRow("999") << 231 << 3 << true;
    QTest::newRow("1000") << 232 << 3 << true;
    QTest::newRow("1001") << 233 << 3 << false;
    QTest::newRow("1023") << 255 << 3 << false;
    QTest::newRow("1024") << 0 << 4 << false;
    QTest::newRow("32767") << 255 << 127 << false;
    QTest::newRow("32768, high byte 128") << 0 << 128 << false;
    QTest::newRow("33023, high byte 128") << 255 << 128 << false;
    QTest::newRow("65280, high byte 255") << 0 << 255 << false;
    QTest::newRow("65535") << 255 << 255 << false;
}

void TestFrameDecoder::headerCount()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(bool, accepted);

    for (const bool signedSamples : {true, false}) {
        SharedState s;
        // Left over from an earlier frame.
        s.DATENPUNKTE(0) = 777;
        s.EMPFANG_INDEX = 55;
        s.EMPFANG_ANZAHL = 55;

        QList<int> stream = header(low, high);
        const QByteArray got = feed(s, stream, signedSamples);
        QCOMPARE(got, events(6, {{5, accepted ? 'A' : 'R'}}));
        QCOMPARE(s.EMPFANG_ANZAHL, double(high * 256 + low));
        if (accepted) {
            QCOMPARE(s.DATENSATZ_AKTIV, kTrue);
            QCOMPARE(s.EMPFANG_INDEX, 0);
            QCOMPARE(int{s.DATENPUNKTE(0)}, high);
            QVERIFY(recognisedHeader(ByteEvent::HeaderAccepted, s));
        } else {
            // Refused after EMPFANG_INDEX was set; nothing stored.
            QCOMPARE(s.DATENSATZ_AKTIV, kFalse);
            QCOMPARE(s.EMPFANG_INDEX, -1);
            QCOMPARE(int{s.DATENPUNKTE(0)}, 777);
            QVERIFY(recognisedHeader(ByteEvent::HeaderRefused, s));
            // Still hunting: a character that is no header changes nothing but the window.
            QCOMPARE(receiveByte(s, 1, signedSamples), ByteEvent::None);
            QCOMPARE(s.DATENSATZ_AKTIV, kFalse);
            QCOMPARE(s.EMPFANG_INDEX, -1);
        }
    }
}

void TestFrameDecoder::countZero_completesInHeaderPass()
{
    SharedState s;
    s.DATENPUNKTE(0) = 777;
    s.DATENPUNKTE(1) = 778;
    QCOMPARE(feed(s, {H, H, H, H, 0}, true), QByteArray("....."));
    const ByteEvent event = receiveByte(s, 0, true);
    QCOMPARE(event, ByteEvent::FrameComplete);
    QCOMPARE(s.DATENSATZ_AKTIV, kFalse);
    QCOMPARE(s.EMPFANG_INDEX, 0);
    QCOMPARE(s.EMPFANG_ANZAHL, 0.0);
    QCOMPARE(int{s.DATENPUNKTE(0)}, 0); // the high count byte
    QCOMPARE(int{s.DATENPUNKTE(1)}, 778);
    QVERIFY(recognisedHeader(event, s)); // the window shows "wait..." before "fertig"

    // The last sample of a real frame, and a plain sample, are no header.
    SharedState t;
    QCOMPARE(feed(t, header(1, 0), true), events(6, {{5, 'A'}}));
    QCOMPARE(receiveByte(t, 0, true), ByteEvent::FrameComplete);
    QVERIFY(!recognisedHeader(ByteEvent::FrameComplete, t));
    QVERIFY(!recognisedHeader(ByteEvent::None, s));
}

// The Y-axis option is read at each character, so it may change within a frame.
void TestFrameDecoder::conversionFollowsEachCharacter()
{
    SharedState s;
    QCOMPARE(feed(s, header(3, 0), true), events(6, {{5, 'A'}}));
    QCOMPARE(receiveByte(s, 200, true), ByteEvent::None);
    QCOMPARE(receiveByte(s, 200, false), ByteEvent::None);
    QCOMPARE(receiveByte(s, 255, true), ByteEvent::FrameComplete);
    QCOMPARE(elements(s, 1, 3), (QList<int>{-56, 200, -1}));
}

void TestFrameDecoder::window_data()
{
    QTest::addColumn<QList<int>>("stream");
    QTest::addColumn<QList<int>>("expected"); // EMPFANG_BYTE_0 .. EMPFANG_BYTE_6

    QTest::newRow("nothing yet") << QList<int>{} << QList<int>{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("two characters") << QList<int>{H, 7} << QList<int>{7, 7, H, 0, 0, 0, 0};
    QTest::newRow("eight characters")
        << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << QList<int>{8, 8, 7, 6, 5, 4, 3};
    QTest::newRow("raw codes of signed samples")
        << header(2, 0) + QList<int>{200, 255} << QList<int>{255, 255, 200, 0, 2, H, H};
    QTest::newRow("refused header is not cleared")
        << header(233, 3) << QList<int>{3, 3, 233, H, H, H, H};
    QTest::newRow("complete frame is not cleared, failed reads shift zeros in")
        << header(1, 0) + QList<int>{9, 0, 0} << QList<int>{0, 0, 0, 9, 0, 1, H};
}

void TestFrameDecoder::window()
{
    QFETCH(QList<int>, stream);
    QFETCH(QList<int>, expected);

    for (const bool signedSamples : {true, false}) {
        SharedState s;
        feed(s, stream, signedSamples);
        QCOMPARE(windowOf(s), expected);
    }
}

void TestFrameDecoder::fullFrame_elementsAboveNUntouched()
{
    SharedState s;
    s.DATENPUNKTE.fill(-7);
    QList<int> samples;
    for (int k = 1; k <= 1000; ++k)
        samples.append(k * 7 % 256);

    QCOMPARE(feed(s, header(232, 3) + samples, false), events(1006, {{5, 'A'}, {1005, 'C'}}));
    QCOMPARE(s.EMPFANG_INDEX, 1000);
    QCOMPARE(int{s.DATENPUNKTE(0)}, 3);
    QCOMPARE(elements(s, 1, 1000), samples);
    QCOMPARE(elements(s, 1001, 1100), QList<int>(100, -7));
}

// A shorter frame overwrites only its own elements.
void TestFrameDecoder::shorterFrame_keepsOlderSamples()
{
    SharedState s;
    feed(s, header(232, 3) + repeated(1, 1000), true);
    QCOMPARE(feed(s, header(244, 1) + repeated(2, 500), true),
             events(506, {{5, 'A'}, {505, 'C'}}));
    QCOMPARE(elements(s, 1, 500), QList<int>(500, 2));
    QCOMPARE(elements(s, 501, 1000), QList<int>(500, 1));
}

// Two receivers fed in turns, each stream split at odd places, decode exactly as each alone:
// everything between two characters lives in the SharedState given.
void TestFrameDecoder::interleavedReceivers_keepNoHiddenState()
{
    const QList<int> a = header(3, 0) + QList<int>{10, 20, 30};
    const QList<int> b = QList<int>{1, H, 5} + header(2, 0) + QList<int>{200, 201};

    SharedState aAlone;
    SharedState bAlone;
    const QByteArray aEvents = feed(aAlone, a, true);
    const QByteArray bEvents = feed(bAlone, b, false);
    QCOMPARE(aEvents, events(9, {{5, 'A'}, {8, 'C'}}));
    QCOMPARE(bEvents, events(11, {{8, 'A'}, {10, 'C'}}));

    SharedState sa;
    SharedState sb;
    QByteArray ea;
    QByteArray eb;
    const int aCuts[] = {0, 2, 5, 6, 9};
    const int bCuts[] = {0, 3, 4, 8, 11};
    for (int part = 0; part < 4; ++part) {
        ea += feed(sa, a.mid(aCuts[part], aCuts[part + 1] - aCuts[part]), true);
        eb += feed(sb, b.mid(bCuts[part], bCuts[part + 1] - bCuts[part]), false);
    }
    QCOMPARE(ea, aEvents);
    QCOMPARE(eb, bEvents);
    QVERIFY(sameReceiver(sa, aAlone));
    QVERIFY(sameReceiver(sb, bAlone));
    QCOMPARE(elements(sb, 0, 2), (QList<int>{0, 200, 201}));
}

// A long stream rich in "#", headers of every kind and both options: after every character
// the state obeys -1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000 while active, each event
// leaves the state it stands for, and the element just written holds the character.
void TestFrameDecoder::randomStream_invariantHolds()
{
    std::mt19937 random(20240601);
    auto below = [&random](int n) { return static_cast<int>(random() % unsigned(n)); };

    auto s = std::make_unique<SharedState>();
    int counts[4] = {};
    for (int i = 0; i < 400000; ++i) {
        int code;
        const int kind = below(100);
        if (kind < 30)
            code = H;
        else if (kind < 45)
            code = below(5); // low high bytes, failed reads
        else
            code = below(256);
        const bool signedSamples = below(2) == 0;

        const bool wasActive = s->DATENSATZ_AKTIV == kTrue;
        const ByteEvent event = receiveByte(*s, code, signedSamples);
        ++counts[static_cast<int>(event)];
        const bool active = s->DATENSATZ_AKTIV == kTrue;
        if (!active && s->DATENSATZ_AKTIV != kFalse)
            QFAIL("DATENSATZ_AKTIV neither True nor False");
        if (active
            && !(-1 <= s->EMPFANG_INDEX && s->EMPFANG_INDEX <= s->EMPFANG_ANZAHL
                 && s->EMPFANG_ANZAHL <= 1000))
            QFAIL(qPrintable(QStringLiteral("invariant broken at character %1").arg(i)));
        if (s->EMPFANG_BYTE_0 != code || s->EMPFANG_BYTE_1 != code)
            QFAIL("window does not hold the raw code");

        const int converted = signedSamples && code > 127 ? code - 256 : code;
        switch (event) {
        case ByteEvent::HeaderAccepted:
            QVERIFY(!wasActive && active && s->EMPFANG_INDEX == 0 && s->EMPFANG_ANZAHL >= 1);
            QCOMPARE(int{s->DATENPUNKTE(0)}, converted);
            break;
        case ByteEvent::HeaderRefused:
            QVERIFY(!wasActive && !active && s->EMPFANG_INDEX == -1 && s->EMPFANG_ANZAHL > 1000);
            break;
        case ByteEvent::FrameComplete:
            QVERIFY(!active && s->EMPFANG_INDEX == s->EMPFANG_ANZAHL);
            QCOMPARE(int{s->DATENPUNKTE(s->EMPFANG_INDEX)}, converted);
            break;
        case ByteEvent::None:
            QCOMPARE(active, wasActive);
            if (active && s->DATENPUNKTE(s->EMPFANG_INDEX) != converted)
                QFAIL("sample not stored at EMPFANG_INDEX");
            break;
        }
        // Now and then a well-formed header of any count up to 1000 (or a few beyond).
        if (below(3000) == 0) {
            const int count = below(1010);
            for (int c : header(count % 256, count / 256))
                ++counts[static_cast<int>(receiveByte(*s, c, signedSamples))];
        }
    }
    // The stream reached every outcome, so the checks above ran for each.
    for (int n : counts)
        QVERIFY(n > 10);
}

void TestFrameDecoder::badCode_throwsAndChangesNothing_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("-1") << -1;
    QTest::newRow("256") << 256;
    QTest::newRow("35 + 256") << 35 + 256;
    QTest::newRow("int min") << std::numeric_limits<int>::min();
}

void TestFrameDecoder::badCode_throwsAndChangesNothing()
{
    QFETCH(int, code);
    SharedState s;
    feed(s, header(3, 0) + QList<int>{10}, true);
    const SharedState before = s;
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)receiveByte(s, code, true));
    QVERIFY(sameReceiver(s, before));
}

// A state that only a fault elsewhere can produce ends in an error, never in overflow or a
// write outside the buffer.
void TestFrameDecoder::brokenState_throwsInsteadOfOverflowing()
{
    SharedState s;
    s.DATENSATZ_AKTIV = kTrue;
    s.EMPFANG_INDEX = 32767;
    s.EMPFANG_ANZAHL = 40000;
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)receiveByte(s, 1, true));
    QCOMPARE(s.EMPFANG_INDEX, 32767);

    SharedState t;
    t.DATENSATZ_AKTIV = kTrue;
    t.EMPFANG_INDEX = 1100;
    t.EMPFANG_ANZAHL = 2000;
    QVERIFY_THROWS_EXCEPTION(IndexError, (void)receiveByte(t, 1, true));
}

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
