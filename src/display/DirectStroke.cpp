// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/DirectStroke.h"

#include "display/LineRaster.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace kurvomat {

namespace {

constexpr int kCoordinateLimit = 32767; // the raster engine's stroker works within this

// The rectangle the raster engine clips to for QPainter::setClipRect(rect) under `toDevice`
// (translation only): the rectangle's corners as QPainter hands them on, mapped and rounded.
QRect deviceClip(const QRectF &rect, const QTransform &toDevice)
{
    const qreal right = rect.x() + rect.width();
    const qreal bottom = rect.y() + rect.height();
    const QRectF corners(rect.x(), rect.y(), right - rect.x(), bottom - rect.y());
    return QRect::span(toDevice.map(corners.topLeft()).toPoint(),
                       toDevice.map(corners.bottomRight()).toPoint())
        .adjusted(0, 0, -1, -1);
}

} // namespace

bool DirectStroke::draw(QPainter &painter, std::span<const QPointF> points, const QRectF &clip,
                        QRgb ink)
{
    QPaintEngine *engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping()
        || painter.opacity() != 1.0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver
        || qAlpha(ink) != 255)
        return false;
    QPaintDevice *device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return false;
    QImage &target = *static_cast<QImage *>(device);
    if ((target.format() != QImage::Format_RGB32
         && target.format() != QImage::Format_ARGB32_Premultiplied)
        || target.width() > kCoordinateLimit || target.height() > kCoordinateLimit)
        return false;
    const QTransform &toDevice = painter.deviceTransform();
    if (toDevice.type() > QTransform::TxTranslate)
        return false;
    m_devicePoints.resize(points.size());
    std::transform(points.begin(), points.end(), m_devicePoints.begin(),
                   [&](const QPointF &p) { return toDevice.map(p); });
    if (closedPolyline(m_devicePoints))
        return false;

    // Where QPainter would draw: the clip rectangle within the engine's own clip (the region
    // being repainted) and the device.
    const QRect deviceRect = target.rect();
    const QRect within = deviceClip(clip, toDevice) & deviceRect;
    const QRegion system = engine->systemClip();
    m_clipRects.clear();
    if (system.isEmpty()) {
        m_clipRects.push_back(within);
    } else {
        for (const QRect &rect : system) {
            if (const QRect part = rect & within; !part.isEmpty())
                m_clipRects.push_back(part);
        }
    }
    m_pixels.clear();
    rasterisePolyline(m_devicePoints, deviceRect, m_pixels);
    // The engine holds the image's pixels: a detaching bits() would move them from under it.
    auto *const out = reinterpret_cast<QRgb *>(const_cast<uchar *>(target.constBits()));
    const qsizetype stride = target.bytesPerLine() / qsizetype(sizeof(QRgb));
    // Per pixel: compared inline (the clip rectangles are intersections, so normalised).
    const auto inside = [](const QRect &rect, const QPoint &p) {
        return p.x() >= rect.left() && p.x() <= rect.right() && p.y() >= rect.top()
               && p.y() <= rect.bottom();
    };
    for (const QPoint &p : m_pixels) {
        if (std::any_of(m_clipRects.begin(), m_clipRects.end(),
                        [&](const QRect &rect) { return inside(rect, p); }))
            out[p.y() * stride + p.x()] = ink;
    }
    return true;
}

} // namespace kurvomat
