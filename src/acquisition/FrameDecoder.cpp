// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/FrameDecoder.h"

#include <algorithm>

namespace kurvomat::acquisition {

namespace {

constexpr std::uint64_t kWindowMask = 0xFFFF'FFFF'FFFF; // six bytes
constexpr std::uint64_t kFourHashes = 0x2323'2323;

inline std::uint64_t moved(std::uint64_t window, std::uint8_t code)
{
    return ((window << 8) | code) & kWindowMask;
}

inline std::int16_t sample(std::uint8_t code, bool signedSamples)
{
    return static_cast<std::int16_t>(signedSamples && code > 127 ? code - 256 : code);
}

} // namespace

qsizetype staleCharacters(QByteArrayView waiting)
{
    const qsizetype cut = waiting.size() - kMaxFrameCharacters;
    if (cut <= 0)
        return 0;
    const qsizetype earliest = std::max<qsizetype>(0, cut - kFrameTrailerAllowance);
    for (qsizetype at = cut; at >= earliest; --at) {
        if (waiting.sliced(at).startsWith("####"))
            return at;
    }
    return cut;
}

FrameDecoder::Result FrameDecoder::feed(QByteArrayView bytes, SampleBuffer &samples,
                                        bool signedSamples)
{
    const auto *in = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype size = bytes.size();
    std::int16_t *const buffer = samples.data() - SampleBuffer::kLower;
    Result result;
    qsizetype i = 0;
    while (i < size) {
        if (!m_receiving) {
            const std::uint8_t code = in[i++];
            m_window = moved(m_window, code);
            if (((m_window >> 16) & 0xFFFF'FFFF) != kFourHashes)
                continue;
            result.headerSeen = true;
            m_count = code * 256 + int((m_window >> 8) & 0xFF);
            if (m_count > kMaxFrameSamples)
                continue; // refused: the hunt goes on with the next byte
            m_receiving = true;
            m_index = 0;
            buffer[0] = sample(code, signedSamples);
        } else {
            // A run of samples, up to the end of the input or of the frame. The window only
            // needs the newest six of them.
            const qsizetype run = std::min<qsizetype>(size - i, m_count - m_index);
            std::int16_t *out = buffer + m_index + 1;
            for (qsizetype k = 0; k < run; ++k)
                out[k] = sample(in[i + k], signedSamples);
            for (qsizetype k = std::max<qsizetype>(0, run - 6); k < run; ++k)
                m_window = moved(m_window, in[i + k]);
            i += run;
            m_index += static_cast<int>(run);
        }
        if (m_receiving && m_index == m_count) {
            m_receiving = false;
            result.frameComplete = true;
            break;
        }
    }
    result.used = i;
    return result;
}

} // namespace kurvomat::acquisition
