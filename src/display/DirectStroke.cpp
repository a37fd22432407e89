// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/DirectStroke.h"

#include "display/LineRaster.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>

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

QImage *directTarget(QPainter &painter)
{
    QPaintEngine *engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping()
        || painter.opacity() != 1.0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver
        || painter.deviceTransform().type() > QTransform::TxTranslate)
        return nullptr;
    QPaintDevice *device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *target = static_cast<QImage *>(device);
    if ((target->format() != QImage::Format_RGB32
         && target->format() != QImage::Format_ARGB32_Premultiplied)
        || target->width() > kCoordinateLimit || target->height() > kCoordinateLimit)
        return nullptr;
    return target;
}

uchar *pixelsOf(const QImage &target)
{
    return const_cast<uchar *>(target.constBits());
}

bool copyDirect(QPainter &painter, const QImage &picture, const QRegion &region)
{
    QImage *target = directTarget(painter);
    if (!target || picture.format() != QImage::Format_RGB32 || picture.devicePixelRatio() != 1)
        return false;
    const QTransform &toDevice = painter.deviceTransform();
    if (toDevice.dx() != std::floor(toDevice.dx()) || toDevice.dy() != std::floor(toDevice.dy()))
        return false;
    const QPoint offset(static_cast<int>(toDevice.dx()), static_cast<int>(toDevice.dy()));
    QRegion within = region.translated(offset) & target->rect()
                     & picture.rect().translated(offset);
    if (const QRegion system = painter.paintEngine()->systemClip(); !system.isEmpty())
        within &= system;
    uchar *const out = pixelsOf(*target);
    const uchar *const in = picture.constBits();
    const qsizetype outLine = target->bytesPerLine();
    const qsizetype inLine = picture.bytesPerLine();
    constexpr qsizetype kPixel = sizeof(QRgb);
    // An opaque 32-bit pixel is the same word in both target formats (alpha 0xff).
    for (const QRect &rect : within) {
        const qsizetype bytes = rect.width() * kPixel;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            std::memcpy(out + y * outLine + rect.left() * kPixel,
                        in + (y - offset.y()) * inLine + (rect.left() - offset.x()) * kPixel,
                        static_cast<std::size_t>(bytes));
    }
    return true;
}

bool DirectStroke::draw(QPainter &painter, std::span<const QPointF> points, const QRectF &clip,
                        QRgb ink)
{
    QImage *const direct = directTarget(painter);
    if (!direct || qAlpha(ink) != 255)
        return false;
    QImage &target = *direct;
    QPaintEngine *engine = painter.paintEngine();
    const QTransform &toDevice = painter.deviceTransform();
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
    auto *const out = reinterpret_cast<QRgb *>(pixelsOf(target));
    const qsizetype stride = target.bytesPerLine() / qsizetype(sizeof(QRgb));
    // The clip rectangles are intersections, so normalised.
    m_written.clear();
    m_under.clear();
    for (const QPoint &p : m_pixels) {
        if (std::any_of(m_clipRects.begin(), m_clipRects.end(),
                        [&](const QRect &rect) { return holds(rect, p); })) {
            QRgb &pixel = out[p.y() * stride + p.x()];
            m_written.push_back(p);
            m_under.push_back(pixel);
            pixel = ink;
        }
    }
    return true;
}

} // namespace kurvomat
