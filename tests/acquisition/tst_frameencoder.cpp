#include "acquisition/FrameDecoder.h"
#include "acquisition/FrameEncoder.h"
#include "app/SharedState.h"
#include "core/Errors.h"

#include <QByteArray>
#include <QList>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <vector>

using namespace kurvomat;
using namespace kurvomat::acquisition;

Q_DECLARE_METATYPE(QList<int>)
Q_DECLARE_METATYPE(kurvomat::acquisition::Waveform)

namespace {

QList<int> asList(const std::vector<std::uint8_t> &bytes)
{
    return QList<int>(bytes.begin(), bytes.end());
}

QByteArray bytesOf(std::initializer_list<int> codes)
{
    QByteArray b;
    for (int c : codes)
        b.append(static_cast<char>(c));
    return b;
}

int asSample(std::uint8_t byte, bool signedSamples)
{
    return signedSamples ? static_cast<std::int8_t>(byte) : byte;
}

const char *nameOf(Waveform w)
{
    switch (w) {
    case Waveform::Sine: return "sine";
    case Waveform::Square: return "square";
    case Waveform::Triangle: return "triangle";
    case Waveform::Noise: return "noise";
    case Waveform::Ramp: return "ramp";
    }
    return "?";
}

constexpr Waveform kAllWaveforms[] = {Waveform::Sine, Waveform::Square, Waveform::Triangle,
                                      Waveform::Noise, Waveform::Ramp};

} // namespace

class TestFrameEncoder : public QObject {
    Q_OBJECT

private slots:
    void header_data();
    void header();
    void header_outsideCount_throws_data();
    void header_outsideCount_throws();
    void frame_data();
    void frame();
    void frame_largest();
    void waveform_knownValues_data();
    void waveform_knownValues();
    void waveform_badArguments_throw();
    void noise_seededAndBounded();
    void waveformFromName_data();
    void waveformFromName();
    void roundTrip_throughDecoder_data();
    void roundTrip_throughDecoder();
    void roundTrip_framesFullOfHashes();
};

void TestFrameEncoder::header_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("0") << 0 << bytesOf({35, 35, 35, 35, 0, 0});
    QTest::newRow("3") << 3 << bytesOf({35, 35, 35, 35, 3, 0});
    QTest::newRow("255") << 255 << bytesOf({35, 35, 35, 35, 255, 0});
    QTest::newRow("256") << 256 << bytesOf({35, 35, 35, 35, 0, 1});
    QTest::newRow("1000") << 1000 << bytesOf({35, 35, 35, 35, 232, 3});
    QTest::newRow("1001, refused by the receiver") << 1001 << bytesOf({35, 35, 35, 35, 233, 3});
    QTest::newRow("32768") << 32768 << bytesOf({35, 35, 35, 35, 0, 128});
    QTest::newRow("65535") << 65535 << bytesOf({35, 35, 35, 35, 255, 255});
}

void TestFrameEncoder::header()
{
    QFETCH(int, count);
    QFETCH(QByteArray, expected);
    QCOMPARE(encodeHeader(count), expected);
}

void TestFrameEncoder::header_outsideCount_throws_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("-1") << -1;
    QTest::newRow("65536") << 65536;
    QTest::newRow("int min") << std::numeric_limits<int>::min();
    QTest::newRow("int max") << std::numeric_limits<int>::max();
}

void TestFrameEncoder::header_outsideCount_throws()
{
    QFETCH(int, count);
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)encodeHeader(count));
}

void TestFrameEncoder::frame_data()
{
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QList<int>{} << bytesOf({35, 35, 35, 35, 0, 0});
    QTest::newRow("three") << QList<int>{10, 20, 30}
                           << bytesOf({35, 35, 35, 35, 3, 0, 10, 20, 30});
    QTest::newRow("bytes kept as they are")
        << QList<int>{0, 35, 128, 255} << bytesOf({35, 35, 35, 35, 4, 0, 0, 35, 128, 255});
}

void TestFrameEncoder::frame()
{
    QFETCH(QList<int>, samples);
    QFETCH(QByteArray, expected);
    const std::vector<std::uint8_t> bytes(samples.begin(), samples.end());
    QCOMPARE(encodeFrame(bytes), expected);
}

void TestFrameEncoder::frame_largest()
{
    std::vector<std::uint8_t> samples(65535, 7);
    const QByteArray frame = encodeFrame(samples);
    QCOMPARE(frame.size(), 6 + 65535);
    QCOMPARE(frame.left(6), bytesOf({35, 35, 35, 35, 255, 255}));
    QCOMPARE(frame.back(), '\x07');

    samples.push_back(7);
    QVERIFY_THROWS_EXCEPTION(OverflowError, (void)encodeFrame(samples));
}

void TestFrameEncoder::waveform_knownValues_data()
{
    QTest::addColumn<Waveform>("wave");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("level");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("signedSamples");
    QTest::addColumn<double>("periods");
    QTest::addColumn<QList<int>>("expected");

    // Shapes, one period over the frame; sample 0 at phase 0. -100 is sent as 156.
    QTest::newRow("sine") << Waveform::Sine << 4 << 100.0 << 0.0 << true << 1.0
                          << QList<int>{0, 100, 0, 156};
    QTest::newRow("sine unsigned around 128") << Waveform::Sine << 4 << 100.0 << 128.0 << false
                                              << 1.0 << QList<int>{128, 228, 128, 28};
    QTest::newRow("sine two periods") << Waveform::Sine << 8 << 100.0 << 0.0 << true << 2.0
                                      << QList<int>{0, 100, 0, 156, 0, 100, 0, 156};
    // 100 sin(45°) = 70.7
    QTest::newRow("sine half a period") << Waveform::Sine << 4 << 100.0 << 0.0 << true << 0.5
                                        << QList<int>{0, 71, 100, 71};
    QTest::newRow("square") << Waveform::Square << 5 << 100.0 << 0.0 << true << 1.0
                            << QList<int>{100, 100, 100, 156, 156};
    QTest::newRow("square turns at half a period")
        << Waveform::Square << 2 << 100.0 << 0.0 << true << 1.0 << QList<int>{100, 156};
    QTest::newRow("square negative level") << Waveform::Square << 4 << -100.0 << 0.0 << true
                                           << 1.0 << QList<int>{156, 156, 100, 100};
    QTest::newRow("triangle") << Waveform::Triangle << 8 << 100.0 << 0.0 << true << 1.0
                              << QList<int>{0, 50, 100, 50, 0, 206, 156, 206};
    QTest::newRow("ramp") << Waveform::Ramp << 4 << 100.0 << 0.0 << true << 1.0
                          << QList<int>{156, 206, 0, 50};
    QTest::newRow("ramp unsigned full range") << Waveform::Ramp << 4 << 128.0 << 128.0 << false
                                              << 1.0 << QList<int>{0, 64, 128, 192};
    QTest::newRow("no samples") << Waveform::Sine << 0 << 100.0 << 0.0 << true << 1.0
                                << QList<int>{};

    // Clamped to the sample range before sending.
    QTest::newRow("clamp signed") << Waveform::Square << 4 << 1000.0 << 0.0 << true << 1.0
                                  << QList<int>{127, 127, 128, 128};
    QTest::newRow("clamp unsigned") << Waveform::Square << 4 << 1000.0 << 0.0 << false << 1.0
                                    << QList<int>{255, 255, 0, 0};
    QTest::newRow("clamp unsigned sine") << Waveform::Sine << 4 << 200.0 << 128.0 << false
                                         << 1.0 << QList<int>{128, 255, 128, 0};
    QTest::newRow("offset beyond the range") << Waveform::Sine << 2 << 10.0 << 1e9 << true
                                             << 1.0 << QList<int>{127, 127};

    // Rounded to the nearest integer, halves away from zero, then clamped.
    const struct {
        const char *name;
        double offset;
        bool signedSamples;
        int expected;
    } rounding[] = {
        {"2.5 signed", 2.5, true, 3},          {"-2.5 signed", -2.5, true, 253},
        {"-0.4 signed", -0.4, true, 0},        {"-0.6 signed", -0.6, true, 255},
        {"126.5 signed", 126.5, true, 127},    {"127.5 signed", 127.5, true, 127},
        {"-128.5 signed", -128.5, true, 128},  {"0.5 unsigned", 0.5, false, 1},
        {"-0.4 unsigned", -0.4, false, 0},     {"254.5 unsigned", 254.5, false, 255},
        {"255.4 unsigned", 255.4, false, 255},
    };
    for (const auto &r : rounding)
        QTest::addRow("offset %s", r.name) << Waveform::Square << 2 << 0.0 << r.offset
                                           << r.signedSamples << 1.0
                                           << QList<int>{r.expected, r.expected};
}

void TestFrameEncoder::waveform_knownValues()
{
    QFETCH(Waveform, wave);
    QFETCH(int, count);
    QFETCH(double, level);
    QFETCH(double, offset);
    QFETCH(bool, signedSamples);
    QFETCH(double, periods);
    QFETCH(QList<int>, expected);

    QCOMPARE(asList(makeWaveform(wave, count, level, offset, signedSamples, periods, 1)),
             expected);
}

void TestFrameEncoder::waveform_badArguments_throw()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Waveform w : kAllWaveforms) {
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)makeWaveform(w, -1, 1, 0, true, 1, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)makeWaveform(w, 65536, 1, 0, true, 1, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)makeWaveform(w, 4, nan, 0, true, 1, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)makeWaveform(w, 4, 1, -inf, true, 1, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, (void)makeWaveform(w, 4, 1, 0, false, nan, 1));
    }
}

void TestFrameEncoder::noise_seededAndBounded()
{
    const auto noise = [](double level, double offset, bool signedSamples, double periods,
                          std::uint32_t seed) {
        return makeWaveform(Waveform::Noise, 1000, level, offset, signedSamples, periods, seed);
    };
    QVERIFY(noise(20, 0, true, 1, 42) == noise(20, 0, true, 1, 42));
    QVERIFY(noise(20, 0, true, 1, 42) == noise(20, 0, true, 7, 42)); // periods play no part
    QVERIFY(noise(20, 0, true, 1, 42) != noise(20, 0, true, 1, 43));

    for (const bool signedSamples : {true, false}) {
        const double offset = signedSamples ? 0 : 128;
        const std::vector<std::uint8_t> bytes = noise(20, offset, signedSamples, 1, 7);
        std::set<int> distinct;
        double sum = 0;
        for (const std::uint8_t b : bytes) {
            const int v = asSample(b, signedSamples);
            QVERIFY2(v >= offset - 20 && v <= offset + 20, qPrintable(QString::number(v)));
            distinct.insert(v);
            sum += v - offset;
        }
        // Uniform over 41 values: nearly all appear, centred on the offset (the mean of 1000
        // draws lies within 0.4 of it by one standard deviation).
        QVERIFY(distinct.size() >= 35);
        QVERIFY(std::abs(sum / 1000) < 2.0);
    }
}

void TestFrameEncoder::waveformFromName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expected"); // -1: no waveform

    QTest::newRow("sine") << QStringLiteral("sine") << int(Waveform::Sine);
    QTest::newRow("Square") << QStringLiteral("Square") << int(Waveform::Square);
    QTest::newRow("TRIANGLE") << QStringLiteral("TRIANGLE") << int(Waveform::Triangle);
    QTest::newRow("noise") << QStringLiteral("noise") << int(Waveform::Noise);
    QTest::newRow("ramp") << QStringLiteral("ramp") << int(Waveform::Ramp);
    QTest::newRow("empty") << QStringLiteral("") << -1;
    QTest::newRow("saw") << QStringLiteral("saw") << -1;
    QTest::newRow("trailing blank") << QStringLiteral("sine ") << -1;
    QTest::newRow("prefix") << QStringLiteral("sin") << -1;
}

void TestFrameEncoder::waveformFromName()
{
    QFETCH(QString, name);
    QFETCH(int, expected);
    const std::optional<Waveform> w = acquisition::waveformFromName(name);
    QCOMPARE(w ? int(*w) : -1, expected);
}

void TestFrameEncoder::roundTrip_throughDecoder_data()
{
    QTest::addColumn<Waveform>("wave");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("signedSamples");

    for (const Waveform w : kAllWaveforms) {
        for (const int count : {1, 4, 999, 1000}) {
            QTest::addRow("%s %d signed", nameOf(w), count) << w << count << true;
            QTest::addRow("%s %d unsigned", nameOf(w), count) << w << count << false;
        }
    }
}

// A generated frame, sent after a frame of another length, arrives whole: one completion at
// its last byte and every sample as the device meant it.
void TestFrameEncoder::roundTrip_throughDecoder()
{
    QFETCH(Waveform, wave);
    QFETCH(int, count);
    QFETCH(bool, signedSamples);

    const std::vector<std::uint8_t> samples =
        makeWaveform(wave, count, 300, signedSamples ? 0 : 128, signedSamples, 3, 5);
    const std::vector<std::uint8_t> before(17, 7);
    const QByteArray stream = encodeFrame(before) + encodeFrame(samples);

    auto s = std::make_unique<SharedState>();
    QList<qsizetype> completions;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        const int code = static_cast<std::uint8_t>(stream[i]);
        if (receiveByte(*s, code, signedSamples) == ByteEvent::FrameComplete)
            completions.append(i);
    }
    QCOMPARE(completions, (QList<qsizetype>{6 + 17 - 1, stream.size() - 1}));
    QCOMPARE(s->EMPFANG_ANZAHL, double(count));
    for (int k = 0; k < count; ++k)
        QCOMPARE(int{s->DATENPUNKTE(k + 1)}, asSample(samples[std::size_t(k)], signedSamples));
}

// Back-to-back frames whose samples are all "#": each next header is first seen five times
// with "#" samples in the window (refused: 8995 four times, then 232 * 256 + 35), then
// accepted at its high byte. Every frame still arrives.
void TestFrameEncoder::roundTrip_framesFullOfHashes()
{
    const std::vector<std::uint8_t> hashes(1000, 35);
    const QByteArray frame = encodeFrame(hashes);
    const QByteArray stream = frame + frame + frame;

    auto s = std::make_unique<SharedState>();
    int accepted = 0;
    int refused = 0;
    QList<qsizetype> completions;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        switch (receiveByte(*s, static_cast<std::uint8_t>(stream[i]), true)) {
        case ByteEvent::HeaderAccepted: ++accepted; break;
        case ByteEvent::HeaderRefused: ++refused; break;
        case ByteEvent::FrameComplete: completions.append(i); break;
        case ByteEvent::None: break;
        }
    }
    QCOMPARE(accepted, 3);
    QCOMPARE(refused, 10);
    QCOMPARE(completions, (QList<qsizetype>{1005, 2011, 3017}));
}

QTEST_APPLESS_MAIN(TestFrameEncoder)
#include "tst_frameencoder.moc"
