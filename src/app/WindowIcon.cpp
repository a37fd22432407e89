// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace kurvomat {

void paintWindowIcon(QPainter &painter, int size)
{
    const double unit = size / 16.0;
    // Grey case, teal screen, yellow trace: colours of the window itself.
    painter.setPen(QPen(QColor(0, 0, 0), unit));
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(QRectF(0.5 * unit, 1.5 * unit, 15 * unit, 13 * unit));
    painter.setBrush(QColor(0, 128, 128));
    painter.drawRect(QRectF(2 * unit, 3 * unit, 12 * unit, 10 * unit));
    painter.setRenderHint(QPainter::Antialiasing, size > 16);
    painter.setPen(QPen(QColor(255, 255, 0), size > 16 ? 1.5 * unit : unit));
    QPainterPath trace;
    for (int i = 0; i <= 24; ++i) {
        const double x = 2.5 * unit + i * (11 * unit / 24.0);
        const double y = 8 * unit - 3.5 * unit * std::sin(i * 3.14159265358979 / 12.0);
        if (i == 0)
            trace.moveTo(x, y);
        else
            trace.lineTo(x, y);
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(trace);
}

namespace {
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintWindowIcon(painter, size);
    return pixmap;
}
} // namespace

QIcon makeWindowIcon()
{
    QIcon icon;
    icon.addPixmap(drawIcon(16));
    icon.addPixmap(drawIcon(32));
    return icon;
}

} // namespace kurvomat
