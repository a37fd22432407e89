// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRgb>

#include <span>
#include <vector>

class QImage;
class QPainter;
class QRegion;

namespace kurvomat {

// The image `painter` paints on, where pixels may be set straight in it as the painter would
// set them: the raster engine on a 32-bit RGB image within the stroker's coordinates, no clip,
// opacity or composition of the painter's own, a transformation that only translates. Null
// where that is not so.
[[nodiscard]] QImage *directTarget(QPainter &painter);
// Whether `rect` (normalised) holds `p`: QRect::contains, inline for loops over every pixel of
// a curve.
[[nodiscard]] inline bool holds(const QRect &rect, const QPoint &p)
{
    return p.x() >= rect.left() && p.x() <= rect.right() && p.y() >= rect.top()
           && p.y() <= rect.bottom();
}
// The pixels of an image a painter paints on. The engine holds them: a detaching bits() would
// move them from under it.
[[nodiscard]] uchar *pixelsOf(const QImage &target);

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
    // The pixels the last draw() that returned true set, in the device's coordinates and in
    // the order they were set, and what each held before. A pixel the curve crosses twice is
    // in the list twice, the second time with the ink as what it held: setting them back in
    // reverse order restores the image.
    [[nodiscard]] const std::vector<QPoint> &written() const { return m_written; }
    [[nodiscard]] const std::vector<QRgb> &under() const { return m_under; }

private:
    std::vector<QPointF> m_devicePoints;
    std::vector<QPoint> m_pixels;
    std::vector<QPoint> m_written;
    std::vector<QRgb> m_under;
    std::vector<QRect> m_clipRects;
};

// Copies `picture`, an opaque 32-bit RGB image at the origin of the painter's world
// coordinates, within `region` (world coordinates, further clipped to the region being
// repainted) onto the image the painter paints on, row by row: the pixels drawImage() would
// give, without its span machinery, which for large images hands the rows to worker threads and
// waits for them. Returns false, having copied nothing, under the conditions of
// DirectStroke::draw() and for a picture of another format or a device pixel ratio other
// than 1; the caller then draws with QPainter.
bool copyDirect(QPainter &painter, const QImage &picture, const QRegion &region);

} // namespace kurvomat
