// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

class QPainter;

namespace kurvomat {

// Draws the icon on a size x size square with `painter`: a pixmap for the window, images and an
// SVG for the desktop's icon theme (tools/icon), so that all show the same design. Up to 16
// pixels the trace is drawn one pixel wide without antialiasing, larger ones antialiased.
void paintWindowIcon(QPainter &painter, int size);

// The window's own icon, a small oscilloscope screen with a sine trace, drawn at 16 x 16 and
// 32 x 32 pixels in the 16-colour palette.
[[nodiscard]] QIcon makeWindowIcon();

} // namespace kurvomat
