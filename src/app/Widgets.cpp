// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Widgets.h"

#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace kurvomat {

namespace {
QPalette::ColorRole backRole(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) ? QPalette::Base : QPalette::Window;
}
QPalette::ColorRole foreRole(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) ? QPalette::Text : QPalette::WindowText;
}
} // namespace

OptionButton::OptionButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    // Every click (mouse, Space, click(), the bus's Press action) is pressed first.
    connect(this, &QAbstractButton::pressed, this, [this] { m_selectedAtPress = isChecked(); });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_selectedAtPress && isChecked())
            emit reselected();
    });
}

void setBackColor(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    const auto role = backRole(widget);
    if (palette.color(role) == colour)
        return; // the display timer sets colours ten times a second; skip needless repaints
    palette.setColor(role, colour);
    widget->setPalette(palette);
    if (role == QPalette::Window)
        widget->setAutoFillBackground(true);
}

QColor backColor(const QWidget *widget)
{
    return widget->palette().color(backRole(widget));
}

void setForeColor(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(foreRole(widget), colour);
    widget->setPalette(palette);
}

QColor foreColor(const QWidget *widget)
{
    return widget->palette().color(foreRole(widget));
}

} // namespace kurvomat
