// SPDX-License-Identifier: GPL-3.0-or-later
// Built with -ffp-contract=off: the cut of a segment at the device's edges must round exactly
// as the raster engine's own, which multiplies and adds in separate steps.
#include "display/LineRaster.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace kurvomat {

namespace {

// Where a run of pixels heads; a step along one axis reverses the other's meaning.
enum Heading : int {
    kNoHeading = 0,
    kDown = 1,
    kUp = 2,
    kRight = 4,
    kLeft = 8,
    kVerticalHeadings = kDown | kUp,
    kHorizontalHeadings = kRight | kLeft,
};
enum Caps : int { kNoCaps = 0, kCapFirst = 1, kCapLast = 2 };
constexpr int kNoPixel = INT_MIN;

int reversed(int caps)
{
    return ((caps & kCapFirst) << 1) | ((caps & kCapLast) >> 1);
}

// One polyline's drawing: the segments in order, with what the previous one left (its last
// pixel and heading), which decides where the next begins.
class Polyline {
public:
    Polyline(const QRect &device, std::vector<QPoint> &pixels)
        : m_left(device.left() - 1)
        , m_right(device.right() + 2)
        , m_top(device.top() - 1)
        , m_bottom(device.bottom() + 2)
        , m_pixels(pixels)
    {
    }

    // Draws one segment; true when it counts as having moved the pen (it drew, it spans a
    // pixel or more, or it lies wholly outside the device): otherwise the next segment starts
    // where this one started, so that a chain of tiny steps is not lost.
    bool segment(double x1, double y1, double x2, double y2, int caps)
    {
        const bool long_ = std::abs(x2 - x1) + std::abs(y2 - y1) >= 1.0;
        if (cut(x1, y1, x2, y2))
            return true;
        // 26.6 fixed point, truncated.
        const int fx1 = static_cast<int>(x1 * 64.);
        const int fy1 = static_cast<int>(y1 * 64.);
        const int fx2 = static_cast<int>(x2 * 64.);
        const int fy2 = static_cast<int>(y2 * 64.);
        const int dx = std::abs(fx2 - fx1);
        const int dy = std::abs(fy2 - fy1);
        if (dx < dy)
            return run<true>(fx1, fy1, fx2, fy2, caps) || long_;
        if (dx == 0)
            return true;
        return run<false>(fx1, fy1, fx2, fy2, caps) || long_;
    }

private:
    // Cuts the segment to the device widened by a pixel before and two after; true when
    // nothing of it is left (or a coordinate is not finite).
    bool cut(double &x1, double &y1, double &x2, double &y2)
    {
        if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
            return true;
        return cutAlong(x1, y1, x2, y2, m_left, m_right) || cutAlong(y1, x1, y2, x2, m_top, m_bottom);
    }
    // Cuts along one axis (a) to lo..hi, moving the other coordinate (b) along the segment.
    bool cutAlong(double &a1, double &b1, double &a2, double &b2, double lo, double hi)
    {
        if (a1 < lo) {
            if (a2 <= lo)
                return outside();
            b1 += (b2 - b1) / (a2 - a1) * (lo - a1);
            a1 = lo;
        } else if (a1 > hi) {
            if (a2 >= hi)
                return outside();
            b1 += (b2 - b1) / (a2 - a1) * (hi - a1);
            a1 = hi;
        }
        if (a2 < lo) {
            m_last.rx() = kNoPixel;
            b2 += (b2 - b1) / (a2 - a1) * (lo - a2);
            a2 = lo;
        } else if (a2 > hi) {
            m_last.rx() = kNoPixel;
            b2 += (b2 - b1) / (a2 - a1) * (hi - a2);
            a2 = hi;
        }
        return false;
    }
    bool outside()
    {
        m_last.rx() = kNoPixel;
        return true;
    }

    // The pixels of a segment along its major axis (y when kSteep), one per step: `a` runs
    // along the major axis in whole pixels, `b` along the minor one in 16.16. True when it
    // drew.
    template <bool kSteep>
    bool run(int x1, int y1, int x2, int y2, int caps)
    {
        int a1 = kSteep ? y1 : x1;
        int b1 = kSteep ? x1 : y1;
        int a2 = kSteep ? y2 : x2;
        int b2 = kSteep ? x2 : y2;
        const int headings = kSteep ? kVerticalHeadings : kHorizontalHeadings;
        int heading = kSteep ? kDown : kRight;
        bool backwards = false;
        if (a1 > a2) {
            backwards = true;
            std::swap(a1, a2);
            std::swap(b1, b2);
            caps = reversed(caps);
            heading = kSteep ? kUp : kLeft;
        }
        const std::int64_t step = std::int64_t(b2 - b1) * 65536 / (a2 - a1);
        std::int64_t b = std::int64_t(b1) * 1024;
        // Turning back along the same axis: the end where it turns gets its half-pixel cap.
        if ((m_heading ^ headings) == heading)
            caps |= backwards ? kCapLast : kCapFirst;
        if (caps & kCapFirst) {
            a1 -= 32;
            b -= step >> 1;
        }
        if (caps & kCapLast)
            a2 += 32;
        int a = (a1 + 32) >> 6;
        int aEnd = (a2 + 32) >> 6;
        const int toward = step > 0 ? 32 : 0;
        // A cap that rounded the start past the previous segment's last pixel is taken back.
        if ((caps & kCapFirst) && (kSteep ? m_last.y() : m_last.x()) == a + 1)
            ++a;

        const auto at = [](int major, std::int64_t minor) {
            const int m = static_cast<int>(minor >> 16);
            return kSteep ? QPoint(m, major) : QPoint(major, m);
        };
        QPoint last = m_last;
        bool drew = false;
        if (a != aEnd) {
            b += std::int64_t(a * 64 + toward - a1) * step >> 6;
            QPoint first = at(a, b);
            last = at(aEnd - 1, b + std::int64_t(aEnd - a - 1) * step);
            if (backwards)
                std::swap(first, last);
            const bool aligned = std::llabs(step) < (1 << 14);
            if (m_last.x() > kNoPixel) {
                const int gapX = std::abs(m_last.x() - first.x());
                const int gapY = std::abs(m_last.y() - first.y());
                if (first == m_last) {
                    // The join's pixel is drawn once.
                    if (backwards) {
                        --aEnd;
                    } else {
                        ++a;
                        b += step;
                    }
                } else if (m_heading != heading
                           && ((aligned && m_lastAligned && m_last.x() != first.x()
                                && m_last.y() != first.y())
                               || gapX > 1 || gapY > 1)) {
                    // A corner or a gap at the join: one more pixel closes it.
                    if (backwards) {
                        ++aEnd;
                    } else {
                        --a;
                        b -= step;
                    }
                } else if (m_heading == heading && gapX <= 1 && gapY > 1) {
                    b += step >> 1;
                    const std::int64_t end =
                        backwards ? b : b + std::int64_t(aEnd - a - 1) * step;
                    (kSteep ? last.rx() : last.ry()) = static_cast<int>(end >> 16);
                }
            }
            m_heading = heading;
            m_lastAligned = aligned;
            do {
                m_pixels.push_back(at(a, b));
                b += step;
            } while (++a < aEnd);
            drew = true;
        }
        m_last = last;
        return drew;
    }

    const double m_left, m_right, m_top, m_bottom;
    std::vector<QPoint> &m_pixels;
    QPoint m_last{kNoPixel, kNoPixel};
    int m_heading = kNoHeading;
    bool m_lastAligned = false;
};

} // namespace

void rasterisePolyline(std::span<const QPointF> points, const QRect &device,
                       std::vector<QPoint> &pixels)
{
    const std::size_t count = points.size();
    if (count < 2)
        return;
    Polyline line(device, pixels);
    QPointF from = points[0];
    int caps = kCapFirst;
    for (std::size_t i = 1; i < count; ++i) {
        const QPointF to = points[i];
        if (i == count - 1)
            caps |= kCapLast;
        const bool moved = line.segment(from.x(), from.y(), to.x(), to.y(), caps);
        if (moved || i == 1 || i == count - 1)
            from = to;
        caps = kNoCaps;
    }
}

} // namespace kurvomat
