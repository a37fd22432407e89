// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>

#include <span>
#include <vector>

namespace kurvomat {

// The pixels that QPainter's raster engine (Qt 6) sets when it draws an open polyline with a
// solid pen one device pixel wide, square caps and no antialiasing, under a transformation
// that only moves: a 1/64-pixel grid, a 16.16 step along the major axis, half-pixel caps at
// both ends, and its rules that neither double a pixel nor leave a gap where the line turns or
// where points lie closer together than a pixel. Drawing a curve's pixels directly lets a
// repaint touch only the pixels that change, with the picture QPainter would make.
//
// `points` are in device pixels (already moved by the painter's transformation). `device` is
// the whole paint device: the engine first cuts every segment to it, widened by a pixel or
// two, which decides where a segment that leaves it runs. Every pixel drawn is appended to
// `pixels`, in drawing order; a pixel may come twice, and pixels outside the device (or any
// clip) come too: the caller clips. Fewer than two points draw nothing, as with QPainter. A
// polyline whose last point equals its first is a closed figure to Qt, drawn otherwise: the
// caller must not pass one (closedPolyline() tells).
void rasterisePolyline(std::span<const QPointF> points, const QRect &device,
                       std::vector<QPoint> &pixels);

[[nodiscard]] inline bool closedPolyline(std::span<const QPointF> points)
{
    return points.size() >= 2 && points.front() == points.back();
}

} // namespace kurvomat
