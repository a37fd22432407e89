// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/FixedArray.h"

#include <QByteArrayView>

#include <cstdint>

// Decoding of the frames the measuring device sends:
//
//   "####", count low byte, count high byte, then count 8-bit samples (count at most 1000).
//
// No checksum, no terminator, no time-out: while a frame is being received, four "#" among its
// samples are samples; a frame that lost characters is completed with the characters of the
// next one, and reception falls back into step with the first header that arrives while
// hunting. The decoder keeps its state between calls, so a frame may straddle any number of
// reads; closing and reopening the port resets nothing.
namespace kurvomat::acquisition {

inline constexpr int kMaxFrameSamples = 1000;
// Characters of the largest frame: "####", the two count bytes and 1000 samples.
inline constexpr int kMaxFrameCharacters = 6 + kMaxFrameSamples;
// Characters a device may send after each frame (a line end, a checksum) that the drop of old
// characters still tolerates.
inline constexpr int kFrameTrailerAllowance = 64;

// How many of the oldest waiting characters to drop so that the display follows what the
// device sends now: those beyond the newest kMaxFrameCharacters, except that a header within
// kFrameTrailerAllowance characters before that cut is kept, with everything after it. A
// device that sends a whole frame and a short trailer at once (a board on USB printing a line
// end after each frame) would otherwise lose the frame's header, and so the frame, every time.
[[nodiscard]] qsizetype staleCharacters(QByteArrayView waiting);

class FrameDecoder {
public:
    // The sample buffer the decoder writes: samples 1..N of the current frame, and element 0,
    // which receives each accepted header's high count byte. Never cleared: a shorter frame
    // leaves the elements beyond it as they were.
    using SampleBuffer = FixedArray<std::int16_t, 0, 1100>;

    struct Result {
        qsizetype used = 0;          // bytes taken from the front of the input
        bool headerSeen = false;     // one of them completed a header, accepted or refused
        bool frameComplete = false;  // the last of them completed a frame
    };

    // Takes the bytes in order until they are used up or a frame is complete, whichever comes
    // first: at most one frame completes per call, and the bytes after it are left for the next
    // call. Per byte:
    // - the receive window of the newest six bytes moves on (raw codes, whatever the sample mode);
    // - while hunting, a window of "#", "#", "#", "#", low, high is a header: count = high * 256 +
    //   low. Above 1000 it is refused and hunting goes on; otherwise samples(0) = high and
    //   receiving starts (a count of 0 completes its frame at once);
    // - while receiving, the byte is the next sample, stored from samples(1) on as two's
    //   complement (-128..127) when signedSamples, else 0..255; the count-th completes the frame.
    Result feed(QByteArrayView bytes, SampleBuffer &samples, bool signedSamples);

    // Receiving a frame (a header was accepted and its samples have not all arrived).
    [[nodiscard]] bool receiving() const { return m_receiving; }
    // The count the last header announced, also a refused one.
    [[nodiscard]] int announcedCount() const { return m_count; }
    // Index in the sample buffer of the last byte stored (0 right after the header).
    [[nodiscard]] int lastIndex() const { return m_index; }

private:
    // The newest six bytes, the newest in the lowest eight bits.
    std::uint64_t m_window = 0;
    bool m_receiving = false;
    int m_count = 0;
    int m_index = 0;
};

} // namespace kurvomat::acquisition
