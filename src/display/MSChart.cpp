// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/MSChart.h"

#include "core/Errors.h"
#include "display/RefreshPacer.h"
#include "display/RetainedCurve.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QImage>
#include <QLineSeries>
#include <QList>
#include <QLocale>
#include <QMetaObject>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPointF>
#include <QSet>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

namespace kurvomat {

namespace {

// Rows before the program sets its own count: the X-axis length it starts with.
constexpr qint16 kInitialRowCount = 1000;

// Size at which the main window places the chart.
constexpr int kDesignWidth = 834;
constexpr int kDesignHeight = 447;

constexpr int kAxisLabelPointSize = 7;
constexpr int kYIntervals = 5;
// Y labels of magnitudes from here on are written in exponent form.
constexpr double kYPlainLimit = 1e9;

// QCategoryAxis keys its categories by label and silently refuses a label it already holds.
// Rows that share a label text get it with a different number of zero-width spaces appended,
// so every labelled row keeps its visible label.
constexpr char16_t kZeroWidthSpace = u'\u200B';

struct YScale {
    double min;
    double max;
    double step; // distance of the labelled ticks, which sit on multiples of it
};

// Y scale for values lo..hi. A small margin keeps the extremes off the plot's edges; a flat
// line gets a band of at least +-1 (wider for large values, where +-1 would vanish in the
// double's precision). Ticks go on round numbers: 1, 2 or 5 times a power of ten apart, about
// kYIntervals of them over the range.
//
// The axis finds its ticks by stepping from a multiple of the step below the range until it
// passes the range's end. So the step must stay well above the doubles' resolution at the
// range's magnitude and never be 0 (the range spans at least kMinRelativeSpan of its
// magnitude, and at least kMinSpan), and a step beyond either end must still be finite (the
// range stays within +-kYLimit; values beyond it run off the plot).
YScale yScaleFor(double lo, double hi)
{
    constexpr double kYLimit = 1e300;
    constexpr double kMinRelativeSpan = 1e-9;
    constexpr double kMinSpan = 1e-290;

    lo = std::clamp(lo, -kYLimit, kYLimit);
    hi = std::clamp(hi, -kYLimit, kYLimit);
    double min = lo;
    double max = hi;
    if (hi > lo) {
        const double margin = (hi - lo) * 0.05;
        min -= margin;
        max += margin;
    } else {
        const double half = std::max(1.0, std::abs(lo) * 0.05);
        min -= half;
        max += half;
    }

    const double minSpan =
        std::max(std::max(std::abs(min), std::abs(max)) * kMinRelativeSpan, kMinSpan);
    if (max - min < minSpan) {
        const double mid = min / 2 + max / 2;
        min = mid - minSpan / 2;
        max = mid + minSpan / 2;
    }

    const double raw = (max - min) / kYIntervals;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double r = raw / magnitude;
    const double step = (r <= 1.0 ? 1.0 : r <= 2.0 ? 2.0 : r <= 5.0 ? 5.0 : 10.0) * magnitude;
    return {min, max, step};
}

constexpr QRgb kCurveColour = qRgb(0, 0, 128);

} // namespace

// The chart's view with the curve drawn over the scene. Qt Charts builds a stroked outline of
// a line series for its shape on every change, which costs more than all the rest of a frame;
// so the series stays empty (it only carries the axes) and the curve is drawn here, mapped
// through the plot area and the axes' ranges as the series would be, with the same pen.
//
// Everything but the curve (background, grid, axes, labels) changes only when the scene does:
// it is rendered once into a picture and copied from there. On the window's backing store,
// which keeps the last paint, a new curve costs only the old curve's pixels set back and the
// new line (RetainedCurve). The scene reports every change of its own (axes, layout, size)
// through its changed signal, which makes the picture stale. Painting for a target other than the screen's raster
// (a vector picture) draws the scene itself, so such a picture stays vector.
class MSChart::CurveView : public QChartView {
public:
    CurveView(QChart *chart, const std::vector<double> &values, QWidget *parent)
        : QChartView(chart, parent)
        , m_values(values)
    {
        connect(scene(), &QGraphicsScene::changed, this, &CurveView::sceneChanged);
    }
    // A changed scene is repainted whole: where its items were and where they are now, and
    // the curve, whose plot area may have moved with them.
    void sceneChanged()
    {
        m_sceneStale = true;
        viewport()->update();
    }
    void setRanges(double xMin, double xMax, double yMin, double yMax)
    {
        if (xMin != m_xMin || xMax != m_xMax || yMin != m_yMin || yMax != m_yMax)
            sceneChanged(); // the axes now: the scene reports it only in the event loop
        m_xMin = xMin;
        m_xMax = xMax;
        m_yMin = yMin;
        m_yMax = yMax;
    }
    // Repaints what a new curve changes: the plot area.
    void updateCurve()
    {
        viewport()->update(
            mapFromScene(plotRect()).boundingRect().adjusted(-1, -1, 1, 1));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        {
            QPainter probe(viewport());
            if (probe.paintEngine()->type() != QPaintEngine::Raster) {
                probe.end();
                m_curveInForeground = true;
                QChartView::paintEvent(event);
                m_curveInForeground = false;
                return;
            }
        }
        const qreal ratio = viewport()->devicePixelRatioF();
        const QSize pixels = viewport()->size() * ratio;
        if (m_sceneStale || m_scene.size() != pixels) {
            m_sceneStale = false;
            m_scene = QImage(pixels, QImage::Format_RGB32);
            m_scene.setDevicePixelRatio(ratio);
            m_scene.fill(Qt::white);
            QPainter cache(&m_scene);
            render(&cache, QRectF(QPointF(0, 0), viewport()->size()), viewport()->rect());
            m_retained.forget();
        }
        QPainter painter(viewport());
        const QRectF plot = plotRect();
        const auto points = curvePoints(mapToScene(event->region().boundingRect()).boundingRect());
        if (!m_retained.paint(painter, *viewport(), m_scene, event->region(),
                              viewportTransform(), points, plot, kCurveColour))
            strokeCurve(&painter, plot, points);
    }
    // The view's contents moved within the viewport (which QChartView does only as the view's
    // size changes): what the backing store holds is no longer where the curve knows it.
    void scrollContentsBy(int dx, int dy) override
    {
        m_retained.forget();
        QChartView::scrollContentsBy(dx, dy);
        viewport()->update();
    }
    void drawForeground(QPainter *painter, const QRectF &) override
    {
        if (m_curveInForeground)
            strokeCurve(painter, plotRect(), curvePoints(plotRect()));
    }

private:
    [[nodiscard]] QRectF plotRect() const { return chart()->mapRectToScene(chart()->plotArea()); }
    // The part of the curve that crosses `area`, in scene coordinates: the points from the one
    // before the area's columns to the one after them (none when nothing of it is shown).
    std::span<const QPointF> curvePoints(const QRectF &area)
    {
        const QRectF plot = plotRect();
        const QRectF shown = plot & area;
        if (m_values.empty() || shown.isEmpty())
            return {};
        const double dx = plot.width() / (m_xMax - m_xMin);
        const double dy = plot.height() / (m_yMax - m_yMin);
        const double last = static_cast<double>(m_values.size() - 1);
        // Row r (index r - 1) lies at plot.left() + (r - m_xMin) * dx.
        const auto indexAt = [&](double x) {
            return std::clamp((x - plot.left()) / dx + m_xMin - 1, 0.0, last);
        };
        const auto from = static_cast<std::size_t>(std::max(std::floor(indexAt(shown.left())) - 1, 0.0));
        const auto to = static_cast<std::size_t>(std::min(std::ceil(indexAt(shown.right())) + 1, last));
        // Values beyond the Y axis' limits run off the plot; they are kept within a distance
        // that the painter's coordinates can hold.
        constexpr double kFar = 1e6;
        m_points.resize(to - from + 1);
        for (std::size_t i = from; i <= to; ++i) {
            const double y = std::clamp((m_yMax - m_values[i]) * dy, -kFar, kFar);
            m_points[i - from] =
                QPointF(plot.left() + (static_cast<double>(i + 1) - m_xMin) * dx, plot.top() + y);
        }
        return m_points;
    }
    // Draws the points with painter in scene coordinates, clipped to the plot.
    static void strokeCurve(QPainter *painter, const QRectF &plot, std::span<const QPointF> points)
    {
        if (points.empty())
            return;
        painter->save();
        painter->setClipRect(plot, Qt::IntersectClip);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(QColor(kCurveColour), 1));
        painter->drawPolyline(points.data(), static_cast<int>(points.size()));
        painter->restore();
    }

    const std::vector<double> &m_values;
    std::vector<QPointF> m_points; // kept between paints: no allocation per frame
    double m_xMin = 0, m_xMax = 1, m_yMin = 0, m_yMax = 1;
    QImage m_scene;           // the scene as last rendered, in the viewport's pixels
    bool m_sceneStale = true; // the scene changed since
    RetainedCurve m_retained;
    bool m_curveInForeground = false;
};

namespace {

std::string chartMessage(const char *what, const QString &text)
{
    return std::string(what) + ": \"" + text.toStdString() + '"';
}

} // namespace

MSChart::MSChart(QWidget *parent)
    : QWidget(parent)
{
    m_chart = new QChart();
    m_chart->legend()->hide();
    m_chart->setBackgroundBrush(Qt::white);
    m_chart->setBackgroundRoundness(0);
    // The bottom margin keeps the X labels clear of the status line, which the window lays
    // over the lower edge of the chart.
    m_chart->setMargins(QMargins(2, 8, 14, 44));
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Axis numbers follow the regional settings like every other number the program shows.
    m_chart->setLocalizeNumbers(true);
    m_chart->setLocale(QLocale());

    m_series = new QLineSeries();
    m_series->setPen(QPen(QColor(kCurveColour), 1));
    m_chart->addSeries(m_series);

    QFont labelFont = font();
    labelFont.setPointSize(kAxisLabelPointSize);
    const QPen gridPen(QColor(210, 210, 210), 1);
    const QPen linePen(QColor(64, 64, 64), 1);

    m_axisX = new QCategoryAxis();
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisX->setLabelsFont(labelFont);
    m_axisX->setLabelsColor(Qt::black);
    m_axisX->setGridLinePen(gridPen);
    m_axisX->setLinePen(linePen);

    m_axisY = new QValueAxis();
    m_axisY->setLabelsFont(labelFont);
    // Ticks on multiples of a round step (see yScaleFor). Interval and range are valid before
    // the axis switches to them.
    m_axisY->setTickAnchor(0.0);
    m_axisY->setTickInterval(0.5);
    m_axisY->setRange(-1.0, 1.0);
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setLabelsColor(Qt::black);
    m_axisY->setGridLinePen(gridPen);
    m_axisY->setLinePen(linePen);

    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);

    m_view = new CurveView(m_chart, m_values, this); // the view owns the chart
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setBackgroundBrush(Qt::white);
    // The view paints every pixel of what it repaints (the scene's picture, or the scene with
    // its white background): filling the viewport first would only be painted over.
    m_view->viewport()->setAutoFillBackground(false);
    m_view->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The chart only displays: the keyboard has nothing to do there, so Tab passes it by.
    m_view->setFocusPolicy(Qt::NoFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    m_rowCount = kInitialRowCount;
    m_values.assign(kInitialRowCount, 0.0);
    m_labels.assign(kInitialRowCount, QString());
    m_valuesDirty = true;
    m_pacer = new RefreshPacer(this, [this] { rebuild(); });
    rebuild();
    m_rebuildCount = 0;
}

MSChart::~MSChart() = default;

QSize MSChart::sizeHint() const
{
    return {kDesignWidth, kDesignHeight};
}

void MSChart::setRowCount(qint16 n)
{
    if (n < 1)
        throw ChartError(chartMessage("RowCount must be at least 1", QString::number(n)));

    const auto oldCount = static_cast<std::size_t>(m_rowCount);
    const auto newCount = static_cast<std::size_t>(n);
    if (oldCount == newCount && m_values.size() == newCount) {
        return; // same grid, nothing shown beyond it
    }

    // Rows kept as they are: those inside both the old and the new count. Everything after
    // them (rows beyond the new count, rows shown beyond the old count) is dropped; the grid
    // then grows to the new count with rows at 0 and without labels.
    const std::size_t kept = std::min(oldCount, newCount);
    if (std::any_of(m_labels.begin() + static_cast<std::ptrdiff_t>(kept), m_labels.end(),
                    [](const QString &label) { return !label.isEmpty(); })) {
        m_labelsDirty = true;
    }
    m_values.resize(kept);
    m_labels.resize(kept);
    m_values.resize(newCount, 0.0);
    m_labels.resize(newCount);

    m_rowCount = n;
    m_valuesDirty = true;
    markDirty();
}

void MSChart::setRow(qint16 r)
{
    if (r < 1)
        throw ChartError(chartMessage("Row must be at least 1", QString::number(r)));
    m_row = r;
}

void MSChart::setRowLabel(const QString &label)
{
    ensureCurrentRow();
    QString &slot = m_labels[static_cast<std::size_t>(m_row) - 1];
    if (slot != label) {
        slot = label;
        m_labelsDirty = true;
        markDirty();
    }
}

void MSChart::clearRows(std::span<const QString> labels)
{
    static const QString none;
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const QString &text = i < labels.size() ? labels[i] : none;
        if (m_labels[i] != text) {
            m_labels[i] = text;
            m_labelsDirty = true;
        }
        if (m_values[i] != 0.0) {
            m_values[i] = 0.0;
            m_valuesDirty = true;
        }
    }
    if (!m_values.empty())
        m_row = static_cast<qint16>(m_values.size());
    if (m_labelsDirty || m_valuesDirty)
        markDirty();
}

void MSChart::setDataValue(double value)
{
    if (!std::isfinite(value))
        throw ChartError(chartMessage("Data is not a finite number", QString::number(value)));
    storeValue(value);
}

double MSChart::value(int row) const
{
    if (row < 1 || row > shownRowCount())
        return 0.0;
    return m_values[static_cast<std::size_t>(row) - 1];
}

QString MSChart::rowLabel(int row) const
{
    if (row < 1 || row > shownRowCount())
        return {};
    return m_labels[static_cast<std::size_t>(row) - 1];
}

void MSChart::flush()
{
    rebuild();
    if (isVisible())
        m_view->viewport()->repaint();
}

void MSChart::ensureCurrentRow()
{
    const auto row = static_cast<std::size_t>(m_row);
    if (row <= m_values.size())
        return;
    m_values.resize(row, 0.0);
    m_labels.resize(row);
    m_valuesDirty = true;
    markDirty();
}

void MSChart::storeValue(double value)
{
    ensureCurrentRow();
    double &slot = m_values[static_cast<std::size_t>(m_row) - 1];
    if (slot != value) {
        slot = value;
        m_valuesDirty = true;
        markDirty();
    }
}

void MSChart::markDirty()
{
    m_pacer->request();
}

void MSChart::rebuild()
{
    m_pacer->done();
    if (m_labelsDirty) {
        rebuildLabels();
        m_labelsDirty = false;
    }
    if (!m_valuesDirty)
        return;

    updateRanges();

    m_view->updateCurve();
    m_valuesDirty = false;
    ++m_rebuildCount;
}

void MSChart::rebuildLabels()
{
    // Removing from the end spares the axis from re-linking the following category each time.
    const QStringList old = m_axisX->categoriesLabels();
    for (auto it = old.crbegin(); it != old.crend(); ++it)
        m_axisX->remove(*it);

    // With the labels drawn on the category boundaries, a boundary at each labelled row puts
    // exactly that row's label there and nothing anywhere else.
    m_axisX->setStartValue(1.0);
    m_view->sceneChanged();
    QSet<QString> used;
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        if (m_labels[i].isEmpty())
            continue;
        QString unique = m_labels[i];
        while (used.contains(unique))
            unique += QChar(kZeroWidthSpace);
        used.insert(unique);
        m_axisX->append(unique, static_cast<qreal>(i + 1));
    }
}

void MSChart::updateRanges()
{
    const std::size_t n = m_values.size();
    // A single row still gets an axis of some width, centred on it.
    const double xMin = n > 1 ? 1.0 : 0.0;
    const double xMax = n > 1 ? static_cast<double>(n) : 2.0;
    m_axisX->setRange(xMin, xMax);

    const auto [lo, hi] = std::minmax_element(m_values.begin(), m_values.end());
    const YScale y = yScaleFor(*lo, *hi);
    // The interval first: a new interval only schedules a relayout, while a new range lays the
    // ticks out at once. The other order would lay out the new range with the old interval,
    // which for a range grown a thousandfold means a thousandfold ticks.
    m_axisY->setTickInterval(y.step);
    m_axisY->setRange(y.min, y.max);
    m_view->setRanges(xMin, xMax, y.min, y.max);
    // As many decimals as the step needs: "50", "0,5", "0,02". Large magnitudes in exponent
    // form with as many digits as tell the ticks apart, so the labels do not crowd out the plot.
    const double magnitude = std::max(std::abs(y.min), std::abs(y.max));
    QString format;
    if (magnitude < kYPlainLimit) {
        const int decimals = std::clamp(-static_cast<int>(std::floor(std::log10(y.step))), 0, 15);
        format = QStringLiteral("%.%1f").arg(decimals);
    } else {
        const int digits =
            std::clamp(static_cast<int>(std::ceil(std::log10(magnitude / y.step))) + 1, 1, 17);
        format = QStringLiteral("%.%1g").arg(digits);
    }
    if (m_axisY->labelFormat() != format)
        m_axisY->setLabelFormat(format);
}

} // namespace kurvomat
