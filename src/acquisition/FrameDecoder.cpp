#include "acquisition/FrameDecoder.h"

#include "core/Errors.h"

#include <string>

// The cold paths of receiveByte, kept out of line so that the inlined step stays small.
namespace kurvomat::acquisition::detail {

void throwBadCode(int code)
{
    throw OverflowError("character code " + std::to_string(code) + " outside 0..255");
}

void throwIndexOverflow()
{
    throw OverflowError("EMPFANG_INDEX + 1 outside the 16-bit range");
}

void throwIndexOutside(int index)
{
    throw IndexError("DATENPUNKTE index " + std::to_string(index) + " outside 0..1100");
}

} // namespace kurvomat::acquisition::detail
