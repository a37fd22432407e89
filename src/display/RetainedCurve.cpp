// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/RetainedCurve.h"

#include <QBackingStore>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace kurvomat {

namespace {

// The parts of `widget` that other widgets of its window paint over: the visible widgets
// stacked above it or above one of its ancestors, within the window. Widgets stacked beneath
// are painted before it, and its own children do not overlap the chart's viewport.
QRegion coveredPart(const QWidget &widget)
{
    QRegion covered;
    const QRect area = widget.rect();
    for (const QWidget *child = &widget; !child->isWindow(); child = child->parentWidget()) {
        const QWidget *parent = child->parentWidget();
        const QObjectList &siblings = parent->children();
        const auto above = std::find(siblings.begin(), siblings.end(), child);
        for (auto it = above == siblings.end() ? above : above + 1; it != siblings.end(); ++it) {
            if (!(*it)->isWidgetType())
                continue;
            const auto *sibling = static_cast<const QWidget *>(*it);
            if (sibling->isWindow() || !sibling->isVisible())
                continue;
            const QRect at(widget.mapFrom(parent, sibling->pos()), sibling->size());
            if (at.intersects(area))
                covered += at & area;
        }
    }
    return covered;
}

} // namespace

// A backing store may have been painted over or cleared outside this widget's knowledge (one
// with alpha is cleared to transparent before each paint): where the region begins, each of
// its rectangles must still hold the picture or the curve.
bool RetainedCurve::holdsPicture(const QImage &target, const QImage &picture,
                                 const QRegion &region, QPoint offset) const
{
    return std::all_of(region.begin(), region.end(), [&](const QRect &rect) {
        const QPoint at = rect.topLeft();
        const QPoint onDevice = at + offset;
        if (!picture.rect().contains(at) || !target.rect().contains(onDevice))
            return false;
        const auto pixel = [](const QImage &image, QPoint p) {
            return reinterpret_cast<const QRgb *>(image.constScanLine(p.y()))[p.x()];
        };
        return pixel(target, onDevice) == pixel(picture, at)
               || std::find(m_inked.begin(), m_inked.end(), onDevice) != m_inked.end();
    });
}

bool RetainedCurve::paint(QPainter &painter, const QWidget &widget, const QImage &picture,
                          const QRegion &region, const QTransform &toWidget,
                          std::span<const QPointF> points, const QRectF &clip, QRgb ink)
{
    const QImage *target = directTarget(painter);
    QBackingStore *store = widget.window()->backingStore();
    // Painting for another target (a grab) leaves the backing store as it is.
    const bool onStore = store && painter.paintEngine()
                         && painter.paintEngine()->paintDevice() == store->paintDevice();
    const QTransform &toDevice = painter.deviceTransform();
    const QPoint offset(qRound(toDevice.dx()), qRound(toDevice.dy()));
    const bool retaining = onStore && target && picture.format() == QImage::Format_RGB32
                           && picture.devicePixelRatio() == 1
                           && QPointF(offset) == QPointF(toDevice.dx(), toDevice.dy());
    Target now;
    QRegion covered;
    if (retaining) {
        now = Target{target->constBits(), target->bytesPerLine(), target->size(), offset};
        covered = coveredPart(widget);
    }
    const bool whole = (QRegion(widget.rect()) - region).isEmpty();
    const bool sameTarget = retaining && m_valid && now == m_target
                            && holdsPicture(*target, picture, region - covered, now.offset);

    // Where the picture is copied whole: everywhere, or where other widgets paint over it.
    const bool retained = sameTarget && !whole && covered == m_covered;
    const QRegion copied = retained ? region & covered : region;
    // The old curve's pixels outside the region stay; within it, they get back what they held
    // before the curve was set (where the picture is not copied whole anyway), the newest first.
    m_keptAt.clear();
    m_keptUnder.clear();
    if (sameTarget) {
        const QRegion onDevice = region.translated(now.offset);
        const auto inRegion = [&](const QPoint &p) {
            return std::any_of(onDevice.begin(), onDevice.end(),
                               [&](const QRect &rect) { return holds(rect, p); });
        };
        uchar *const out = pixelsOf(*target);
        for (std::size_t i = m_inked.size(); i-- > 0;) {
            const QPoint p = m_inked[i];
            if (!inRegion(p)) {
                m_keptAt.push_back(p);
                m_keptUnder.push_back(m_under[i]);
            } else if (retained) {
                reinterpret_cast<QRgb *>(out + p.y() * now.lineBytes)[p.x()] = m_under[i];
            }
        }
        std::reverse(m_keptAt.begin(), m_keptAt.end());
        std::reverse(m_keptUnder.begin(), m_keptUnder.end());
    }
    if (!copyDirect(painter, picture, copied)) {
        const qreal ratio = picture.devicePixelRatio();
        for (const QRect &rect : copied)
            painter.drawImage(rect, picture,
                              QRectF(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio));
    }

    painter.setWorldTransform(toWidget);
    const bool drawn = m_stroke.draw(painter, points, clip, ink);
    // What the target holds outside the widgets over this one is known when everything was
    // painted now, or when only the widgets over it changed and every place they left was
    // painted now.
    if (!onStore)
        return drawn;
    m_valid = retaining && drawn
              && (whole || (sameTarget && ((m_covered - covered) - region).isEmpty()));
    if (m_valid) {
        m_target = now;
        m_covered = covered;
        m_inked.swap(m_keptAt);
        m_under.swap(m_keptUnder);
        m_inked.insert(m_inked.end(), m_stroke.written().begin(), m_stroke.written().end());
        m_under.insert(m_under.end(), m_stroke.under().begin(), m_stroke.under().end());
    }
    return drawn;
}

} // namespace kurvomat
