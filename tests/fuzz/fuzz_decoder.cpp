// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the frame decoder: any byte stream, cut into pieces of a size its first
// byte chooses, fed to one decoder storing signed samples and one storing unsigned. After every
// piece each promise below holds; a broken one aborts, which libFuzzer reports with the input.
#include "acquisition/FrameDecoder.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace kurvomat::acquisition;

namespace {
[[noreturn]] void broken(const char *promise)
{
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    FrameDecoder sgn, uns;
    auto sgnSamples = std::make_unique<FrameDecoder::SampleBuffer>();
    auto unsSamples = std::make_unique<FrameDecoder::SampleBuffer>();
    for (std::size_t at = 1; at < size;) {
        const QByteArrayView bytes(reinterpret_cast<const char *>(data + at),
                                   qsizetype(std::min(piece, size - at)));
        const auto a = sgn.feed(bytes, *sgnSamples, true);
        const auto b = uns.feed(bytes, *unsSamples, false);
        if (a.used != b.used || a.headerSeen != b.headerSeen || a.frameComplete != b.frameComplete
            || sgn.receiving() != uns.receiving() || sgn.lastIndex() != uns.lastIndex()
            || sgn.announcedCount() != uns.announcedCount())
            broken("the sample option changes only the stored values");
        if (a.used < 1 || (a.used < bytes.size() && !a.frameComplete))
            broken("a call uses all its bytes unless a frame completed");
        if (sgn.receiving()
            && !(0 <= sgn.lastIndex() && sgn.lastIndex() < sgn.announcedCount()
                 && sgn.announcedCount() <= 1000))
            broken("0 <= last index < count <= 1000 while receiving");
        const std::uint8_t last = data[at + std::size_t(a.used) - 1];
        if ((sgn.receiving() || a.frameComplete)
            && ((*unsSamples)(uns.lastIndex()) != last
                || (*sgnSamples)(sgn.lastIndex()) != std::int8_t(last)))
            broken("the byte just stored sits at the last index");
        at += std::size_t(a.used);
    }
    return 0;
}
