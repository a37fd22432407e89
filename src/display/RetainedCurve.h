// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "display/DirectStroke.h"

#include <QPoint>
#include <QRegion>
#include <QSize>

#include <span>
#include <vector>

class QImage;
class QPainter;
class QTransform;
class QWidget;

namespace kurvomat {

// Paints a curve over a picture (the chart's scene) onto the window's backing store, which
// keeps its pixels from one paint to the next. A new curve then costs setting the old curve's
// pixels back to the picture's and setting the new curve's, instead of copying the whole
// picture: that copy, a megabyte and more, was the largest part of painting a frame.
//
// What this relies on is checked at every paint: the target is the window's backing store, the
// same image as at the last paint (pixels, line length, size), still holding what was painted
// where the region to repaint begins (a backing store with alpha may be cleared to transparent
// before each paint), the widget at the same place in it, and the same widgets overlapping it. Other widgets of the window paint over it
// where they overlap; there the picture is copied whole. A repaint of the whole widget (shown,
// exposed, resized, a new backing store), any other target (a grab, a picture for a file) and a
// stroke that QPainter draws copy the picture whole, as does the first paint after forget().
class RetainedCurve {
public:
    // Paints `picture` (at the widget's origin, in its pixels) within `region` of `widget` and
    // the curve over it in `ink`: `points` clipped to `clip`, both in coordinates that
    // `toWidget` maps to the widget's. `painter` paints on the widget, untransformed; it is
    // left with `toWidget` as its world transformation. Returns false when the curve could not
    // be set directly; the picture is painted then, and the caller strokes the curve with
    // `painter`.
    bool paint(QPainter &painter, const QWidget &widget, const QImage &picture,
               const QRegion &region, const QTransform &toWidget,
               std::span<const QPointF> points, const QRectF &clip, QRgb ink);
    // The picture changed: the next paint copies it whole.
    void forget() { m_valid = false; }

private:
    [[nodiscard]] bool holdsPicture(const QImage &target, const QImage &picture,
                                    const QRegion &region, QPoint offset) const;

    // Where the pixels of the last paint went.
    struct Target {
        const uchar *pixels = nullptr;
        qsizetype lineBytes = 0;
        QSize size;
        QPoint offset; // of the widget's origin
        bool operator==(const Target &) const = default;
    };

    // Whether the target holds, outside m_covered, the picture with the curve's pixels
    // (m_inked, device coordinates, in the order they were set) over it; m_under holds what
    // each of them held before.
    bool m_valid = false;
    Target m_target;
    QRegion m_covered; // widget coordinates
    std::vector<QPoint> m_inked;
    std::vector<QRgb> m_under;
    std::vector<QPoint> m_keptAt;
    std::vector<QRgb> m_keptUnder;
    DirectStroke m_stroke;
};

} // namespace kurvomat
