// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QWidget>

#include <algorithm>

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

void setFieldText(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

QColor foreColor(const QWidget *widget)
{
    return widget->palette().color(foreRole(widget));
}

void Band::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_picture.size() != pixels || m_pictureTitle != title()) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(ratio);
        m_picture.fill(Qt::transparent);
        m_pictureTitle = title();
        QStylePainter painter(&m_picture, this);
        // What a painter on the widget itself starts with.
        painter.setFont(font());
        painter.setPen(palette().color(foregroundRole()));
        painter.setBackground(palette().brush(backgroundRole()));
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
    }
    QPainter(this).drawPixmap(0, 0, m_picture);
}

void Band::changeEvent(QEvent *event)
{
    m_picture = QPixmap(); // font, palette, style, state: drawn anew
    QGroupBox::changeEvent(event);
}

TextField::Look TextField::look() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    return Look{size(),
                devicePixelRatioF(),
                int(option.state),
                int(option.direction),
                option.lineWidth,
                int(option.features),
                int(alignment()),
                cursorPosition(),
                option.palette,
                font(),
                displayText(),
                placeholderText(),
                textMargins(),
                style()};
}

void TextField::paintEvent(QPaintEvent *event)
{
    if (hasFocus() || hasSelectedText()) {
        QLineEdit::paintEvent(event);
        return;
    }
    const Look now = look();
    auto found = std::find_if(m_pictures.begin(), m_pictures.end(),
                              [&](const Picture &picture) { return picture.look == now; });
    if (found == m_pictures.end()) {
        // Drawn before a painter on the field begins: QLineEdit's own painter on the field is
        // sent to the picture (redirected()), whole, and leaves everything else as a paint
        // on the screen would, its scrolling of a long text among it.
        QPixmap pixels(size() * now.ratio);
        pixels.setDevicePixelRatio(now.ratio);
        pixels.fill(Qt::transparent);
        m_drawInto = &pixels;
        QPaintEvent whole(rect());
        QLineEdit::paintEvent(&whole);
        m_drawInto = nullptr;
        if (m_pictures.size() >= kMaxPictures)
            m_pictures.erase(m_pictures.begin());
        found = m_pictures.insert(m_pictures.end(), Picture{now, pixels});
    } else if (found != m_pictures.end() - 1) {
        std::rotate(found, found + 1, m_pictures.end());
        found = m_pictures.end() - 1;
    }
    QPainter painter(this);
    if (painter.paintEngine()->type() != QPaintEngine::Raster) {
        painter.end();
        QLineEdit::paintEvent(event);
        return;
    }
    painter.drawPixmap(0, 0, found->pixels);
}

QPaintDevice *TextField::redirected(QPoint *offset) const
{
    if (!m_drawInto)
        return QLineEdit::redirected(offset);
    if (offset)
        *offset = QPoint(0, 0);
    return m_drawInto;
}

FieldStyle::FieldStyle()
    : QProxyStyle(QApplication::style()->name())
{
}

void FieldStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                               QPainter *painter, const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame || option->rect.isEmpty()
        || painter->paintEngine()->type() != QPaintEngine::Raster) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Everything the panel is drawn from: size, state, frame and every colour of the group.
    PanelKey key{option->rect.size(),
                 painter->device()->devicePixelRatioF(),
                 int(option->state),
                 int(option->direction),
                 frame->lineWidth,
                 frame->midLineWidth,
                 int(frame->features),
                 {}};
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        key.colours[std::size_t(role)] = option->palette.color(QPalette::ColorRole(role)).rgba();
    auto found = std::find_if(m_panels.begin(), m_panels.end(),
                              [&](const Panel &panel) { return panel.key == key; });
    if (found == m_panels.end()) {
        // A handful of sizes and colours are in use; a bound keeps an odd one from piling up.
        if (m_panels.size() >= kMaxPanels)
            m_panels.erase(m_panels.begin());
        QPixmap picture(option->rect.size() * key.ratio);
        picture.setDevicePixelRatio(key.ratio);
        picture.fill(Qt::transparent);
        QPainter draw(&picture);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QProxyStyle::drawPrimitive(element, &atOrigin, &draw, widget);
        draw.end();
        found = m_panels.insert(m_panels.end(), Panel{key, picture});
    }
    painter->drawPixmap(option->rect.topLeft(), found->picture);
}

} // namespace kurvomat
