#pragma once

#include "app/SharedState.h"

#include <atomic>
#include <cstdint>

// The decoding step of the frame receiver: one received character at a time, working directly
// on the receiver's shared variables (EMPFANG_BYTE_0..6, DATENSATZ_AKTIV, EMPFANG_INDEX,
// EMPFANG_ANZAHL) and the sample buffer DATENPUNKTE. The window's state is the decoder's
// state, so a frame may straddle any number of reads and timer ticks, and closing the port
// resets nothing.
//
// Frame format: "####", count low byte, count high byte, then count 8-bit samples (count at
// most 1000). No checksum, no terminator, no time-out: while a frame is being received, four
// "#" among its samples are samples; a frame that lost characters is completed with the
// characters of the next one, and reception falls back into step with the first header that
// arrives while hunting.
//
// Defined inline: it runs once per received byte.
namespace kurvomat::acquisition {

// What one character did to the receiver. The window shows "wait..." for both header outcomes
// and runs the completion steps (chart, storage, correlation, "fertig") for FrameComplete.
enum class ByteEvent : std::uint8_t {
    None,           // a sample stored, or a character seen while hunting
    HeaderAccepted, // header with 1..1000 samples recognised; receiving from the next character
    HeaderRefused,  // header announcing more than 1000 samples; still hunting
    FrameComplete,  // the last sample arrived, or a header announced 0 samples (see below)
};

inline constexpr int kHeaderCharacter = 35; // "#"
inline constexpr int kMaxFrameSamples = 1000;
// Characters of the largest frame: "####", the two count bytes and 1000 samples.
inline constexpr int kMaxFrameCharacters = 6 + kMaxFrameSamples;

namespace detail {
inline void compilerBarrier() noexcept
{
    std::atomic_signal_fence(std::memory_order_seq_cst);
}
[[noreturn]] void throwBadCode(int code);
[[noreturn]] void throwIndexOverflow();
[[noreturn]] void throwIndexOutside(int index);
} // namespace detail

// Processes one character, exactly in this order:
//   a. EMPFANG_BYTE_0 = code;
//   b. the window moves by one: 6 <- 5 <- 4 <- 3 <- 2 <- 1 <- 0 (byte 1 is the newest);
//   c. when not active and bytes 6, 5, 4 and 3 are all "#": active, EMPFANG_INDEX = -1,
//      EMPFANG_ANZAHL = byte 1 * 256 + byte 2 (this character is the high byte); above 1000
//      the header is refused and the receiver stays inactive;
//   d. when active: EMPFANG_INDEX + 1, and DATENPUNKTE(EMPFANG_INDEX) = the character, as
//      two's complement (-128..127) when signedSamples, else 0..255. In the header's own pass
//      this stores the high count byte in element 0; samples go to elements 1..N;
//   e. when active and EMPFANG_INDEX equals EMPFANG_ANZAHL: inactive again, FrameComplete.
// The window always holds the raw codes, whatever signedSamples says. Nothing is ever cleared:
// elements above N keep the values of earlier frames.
//
// code: the character's code 0..255, 0 also when the read gave no character or failed.
// A code outside 0..255 throws OverflowError before anything changes.
//
// FrameComplete with EMPFANG_ANZAHL == 0 is a header that completed its frame in its own pass
// (count 0); see recognisedHeader().
//
// While DATENSATZ_AKTIV is True, -1 <= EMPFANG_INDEX <= EMPFANG_ANZAHL <= 1000 holds, so no
// 16-bit value can overflow; on a state broken from outside, the step throws OverflowError
// (EMPFANG_INDEX would pass 32767) or IndexError (element above 1100) like the statements it
// stands for.
[[nodiscard]] inline ByteEvent receiveByte(SharedState &s, int code, bool signedSamples)
{
    if (static_cast<unsigned>(code) > 255u) [[unlikely]]
        detail::throwBadCode(code);

    // The window moves field by field. The compiler barriers (no instruction is emitted) keep
    // it from merging these 16-bit loads and stores into wider ones that straddle the previous
    // byte's stores: such loads cannot be forwarded from the store buffer and stalled every
    // byte, which made the step more than twice as slow (bench_decoder).
    const std::int16_t b1 = s.EMPFANG_BYTE_1;
    const std::int16_t b2 = s.EMPFANG_BYTE_2;
    const std::int16_t b3 = s.EMPFANG_BYTE_3;
    const std::int16_t b4 = s.EMPFANG_BYTE_4;
    const std::int16_t b5 = s.EMPFANG_BYTE_5;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_0 = static_cast<std::int16_t>(code);
    s.EMPFANG_BYTE_6 = b5;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_5 = b4;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_4 = b3;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_3 = b2;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_2 = b1;
    detail::compilerBarrier();
    s.EMPFANG_BYTE_1 = s.EMPFANG_BYTE_0;

    ByteEvent event = ByteEvent::None;
    // Bytes 6..3 after the move are the old bytes 5..2, still at hand.
    if (s.DATENSATZ_AKTIV != kTrue && b5 == kHeaderCharacter && b4 == kHeaderCharacter
        && b3 == kHeaderCharacter && b2 == kHeaderCharacter) [[unlikely]] {
        s.DATENSATZ_AKTIV = kTrue;
        s.EMPFANG_INDEX = -1;
        // Byte 1 * 256 + byte 2, i.e. this character and the one before. In int: a high byte
        // of 128 or more would overflow a 16-bit product.
        const int count = code * 256 + int{b1};
        s.EMPFANG_ANZAHL = count;
        if (count > kMaxFrameSamples) {
            s.DATENSATZ_AKTIV = kFalse;
            event = ByteEvent::HeaderRefused;
        } else {
            event = ByteEvent::HeaderAccepted;
        }
    }

    if (s.DATENSATZ_AKTIV == kTrue) {
        const int next = int{s.EMPFANG_INDEX} + 1;
        if (next > INT16_MAX) [[unlikely]]
            detail::throwIndexOverflow();
        s.EMPFANG_INDEX = static_cast<std::int16_t>(next);
        // DATENPUNKTE(next), its bounds checked here so that the check is inlined too.
        using Samples = decltype(s.DATENPUNKTE);
        if (next < Samples::kLower || next > Samples::kUpper) [[unlikely]]
            detail::throwIndexOutside(next);
        s.DATENPUNKTE.data()[next - Samples::kLower] =
            static_cast<std::int16_t>(signedSamples && code > 127 ? code - 256 : code);
        if (next == s.EMPFANG_ANZAHL) {
            s.DATENSATZ_AKTIV = kFalse;
            event = ByteEvent::FrameComplete;
        }
    }
    return event;
}

// Whether the character that gave this event completed a header, so that the window shows
// "wait..." (before the completion steps, in the count-0 case).
[[nodiscard]] inline bool recognisedHeader(ByteEvent event, const SharedState &s) noexcept
{
    return event == ByteEvent::HeaderAccepted || event == ByteEvent::HeaderRefused
           || (event == ByteEvent::FrameComplete && s.EMPFANG_ANZAHL == 0);
}

} // namespace kurvomat::acquisition
