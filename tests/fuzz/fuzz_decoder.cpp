// libFuzzer target for the frame decoder (receiveByte).
//
// Every input is a byte stream as the serial port delivers it, fed one byte at a time into
// three fresh receivers: one storing signed samples, one unsigned, and one switching the
// Y-axis option at bytes chosen by the input itself. After every byte:
// - the receiver's promises hold: DATENSATZ_AKTIV is True or False; while True,
//   -1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000; the window moved by one and holds the raw
//   code; each event leaves the state it stands for;
// - the sample option changes nothing but the stored values: all three receivers give the same
//   events, window, index and count;
// - a shadow of DATENPUNKTE, written only where an event says the decoder wrote, equals the
//   real buffer at the end (nothing is written anywhere else, nothing is cleared).
// No byte may throw. A broken promise aborts, which libFuzzer reports with the input.
#include "acquisition/FrameDecoder.h"
#include "app/SharedState.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace kurvomat;
using namespace kurvomat::acquisition;

namespace {

[[noreturn]] void broken(const char *promise)
{
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}

using Window = std::array<std::int16_t, 7>;

Window windowOf(const SharedState &s)
{
    return {s.EMPFANG_BYTE_0, s.EMPFANG_BYTE_1, s.EMPFANG_BYTE_2, s.EMPFANG_BYTE_3,
            s.EMPFANG_BYTE_4, s.EMPFANG_BYTE_5, s.EMPFANG_BYTE_6};
}

struct Receiver {
    SharedState state;
    std::array<std::int16_t, 1101> shadow{};

    ByteEvent step(int code, bool signedSamples)
    {
        const Window before = windowOf(state);
        const bool wasActive = state.DATENSATZ_AKTIV == kTrue;
        const ByteEvent event = receiveByte(state, code, signedSamples);
        const SharedState &s = state;
        const Window after = windowOf(s);

        if (after[0] != code || after[1] != code)
            broken("bytes 0 and 1 hold the raw code");
        for (std::size_t k = 2; k < 7; ++k) {
            if (after[k] != before[k - 1])
                broken("the window moved by one");
        }
        if (s.DATENSATZ_AKTIV != kTrue && s.DATENSATZ_AKTIV != kFalse)
            broken("DATENSATZ_AKTIV is True or False");
        const bool active = s.DATENSATZ_AKTIV == kTrue;
        if (active
            && !(-1 <= s.EMPFANG_INDEX && s.EMPFANG_INDEX <= s.EMPFANG_ANZAHL
                 && s.EMPFANG_ANZAHL <= 1000))
            broken("-1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000 while active");

        const bool headerInWindow = after[6] == 35 && after[5] == 35 && after[4] == 35
                                    && after[3] == 35;
        const bool headerTested = !wasActive && headerInWindow;
        const int announced = after[1] * 256 + after[2];
        const auto stored =
            static_cast<std::int16_t>(signedSamples && code > 127 ? code - 256 : code);

        switch (event) {
        case ByteEvent::None:
            if (headerTested)
                broken("four # while hunting give a header event");
            if (active != wasActive)
                broken("None keeps the reception state");
            break;
        case ByteEvent::HeaderAccepted:
            if (!headerTested || !active || s.EMPFANG_INDEX != 0 || s.EMPFANG_ANZAHL != announced
                || announced < 1 || announced > 1000)
                broken("HeaderAccepted: count 1..1000 from bytes 1 and 2, index 0, active");
            break;
        case ByteEvent::HeaderRefused:
            if (!headerTested || active || s.EMPFANG_INDEX != -1 || s.EMPFANG_ANZAHL != announced
                || announced <= 1000)
                broken("HeaderRefused: count above 1000, index -1, hunting");
            break;
        case ByteEvent::FrameComplete:
            if (active || s.EMPFANG_INDEX != s.EMPFANG_ANZAHL)
                broken("FrameComplete: hunting with EMPFANG_INDEX = EMPFANG_ANZAHL");
            if (!wasActive && !(headerTested && announced == 0))
                broken("only a count-0 header completes while hunting");
            break;
        }
        if (recognisedHeader(event, s) != headerTested)
            broken("recognisedHeader exactly for a tested header");

        // Where the decoder wrote, by its own account.
        if (active || event == ByteEvent::FrameComplete) {
            const int index = s.EMPFANG_INDEX;
            if (index < 0 || index > 1000)
                broken("a sample goes to 0..1000");
            shadow[static_cast<std::size_t>(index)] = stored;
            if (s.DATENPUNKTE(index) != stored)
                broken("the character is stored at EMPFANG_INDEX");
        }
        return event;
    }

    void checkBuffer() const
    {
        for (int i = 0; i <= 1100; ++i) {
            if (state.DATENPUNKTE(i) != shadow[static_cast<std::size_t>(i)])
                broken("nothing written outside EMPFANG_INDEX");
        }
    }
};

bool sameProgress(const SharedState &a, const SharedState &b)
{
    return windowOf(a) == windowOf(b) && a.DATENSATZ_AKTIV == b.DATENSATZ_AKTIV
           && a.EMPFANG_INDEX == b.EMPFANG_INDEX && a.EMPFANG_ANZAHL == b.EMPFANG_ANZAHL;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // On the heap: three states with their buffers take about 50 KB.
    auto signedRx = std::make_unique<Receiver>();
    auto unsignedRx = std::make_unique<Receiver>();
    auto mixedRx = std::make_unique<Receiver>();
    bool mixedSigned = true;

    for (std::size_t i = 0; i < size; ++i) {
        const int code = data[i];
        // The option flips after each byte 0x7F or 0xFF, so the input decides when.
        const ByteEvent a = signedRx->step(code, true);
        const ByteEvent b = unsignedRx->step(code, false);
        const ByteEvent c = mixedRx->step(code, mixedSigned);
        if ((code & 0x7F) == 0x7F)
            mixedSigned = !mixedSigned;

        if (a != b || a != c || !sameProgress(signedRx->state, unsignedRx->state)
            || !sameProgress(signedRx->state, mixedRx->state))
            broken("the sample option changes only the stored values");
    }
    signedRx->checkBuffer();
    unsignedRx->checkBuffer();
    mixedRx->checkBuffer();
    return 0;
}
