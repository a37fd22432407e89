// libFuzzer target for the frame decoder (receiveByte). Every input is a byte stream as the
// serial port delivers it, fed one byte at a time into two fresh receivers, one storing signed
// samples and one unsigned. After every byte: DATENSATZ_AKTIV is True or False; while True,
// -1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000; the character just stored sits at
// EMPFANG_INDEX; both receivers give the same event, state, index and count. No byte may
// throw. A broken promise aborts, which libFuzzer reports with the input.
#include "acquisition/FrameDecoder.h"

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
void check(const SharedState &s, ByteEvent event, int stored)
{
    const bool active = s.DATENSATZ_AKTIV == kTrue;
    if (!active && s.DATENSATZ_AKTIV != kFalse)
        broken("DATENSATZ_AKTIV is True or False");
    if (active && !(-1 <= s.EMPFANG_INDEX && s.EMPFANG_INDEX <= s.EMPFANG_ANZAHL
                    && s.EMPFANG_ANZAHL <= 1000))
        broken("-1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000 while active");
    if ((active || event == ByteEvent::FrameComplete) && s.DATENPUNKTE(s.EMPFANG_INDEX) != stored)
        broken("the character is stored at EMPFANG_INDEX");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    auto sgn = std::make_unique<SharedState>(), uns = std::make_unique<SharedState>();
    for (std::size_t i = 0; i < size; ++i) {
        const ByteEvent a = receiveByte(*sgn, data[i], true), b = receiveByte(*uns, data[i], false);
        check(*sgn, a, std::int8_t(data[i]));
        check(*uns, b, data[i]);
        if (a != b || sgn->DATENSATZ_AKTIV != uns->DATENSATZ_AKTIV || sgn->EMPFANG_INDEX
            != uns->EMPFANG_INDEX || sgn->EMPFANG_ANZAHL != uns->EMPFANG_ANZAHL)
            broken("the sample option changes only the stored values");
    }
    return 0;
}
