// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QRgb>

#include <span>
#include <vector>

class QPainter;

namespace kurvomat {

// Draws a polyline with an opaque solid pen one pixel wide, without antialiasing, clipped to a
// rectangle, by setting its pixels straight in the image a painter paints on: the pixels that
// QPainter would set (rasterisePolyline), at a fraction of the cost of QPainter's stroke.
//
// draw() returns false, having drawn nothing, where it cannot set them directly: a paint engine
// other than the raster engine, a device other than a 32-bit RGB image, a transformation that
// scales (high DPI), a painter clip, opacity or composition of its own, or a closed figure. The
// caller then draws with QPainter.
class DirectStroke {
public:
    // `points` and `clip` are in the painter's (world) coordinates; `ink` is opaque.
    bool draw(QPainter &painter, std::span<const QPointF> points, const QRectF &clip, QRgb ink);

private:
    std::vector<QPointF> m_devicePoints;
    std::vector<QPoint> m_pixels;
    std::vector<QRect> m_clipRects;
};

} // namespace kurvomat
