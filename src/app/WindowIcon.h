#pragma once

#include <QIcon>

namespace kurvomat {

// The window's own icon, a small oscilloscope screen with a sine trace, drawn at 16 x 16 and
// 32 x 32 pixels in the 16-colour palette.
[[nodiscard]] QIcon makeWindowIcon();

} // namespace kurvomat
