// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/PointField.h"

#include "display/RefreshPacer.h"

#include "text/NumberReading.h"
#include "text/NumberWriting.h"

#include <QLineEdit>

#include <charconv>
#include <cmath>

namespace {
// The value that the standard text of a number (15 significant digits) reads back as.
double readBack15(double value)
{
    if (!std::isfinite(value))
        return value;
    // A whole number of at most 15 digits (every received sample) is written exactly.
    if (std::abs(value) < 1e15 && std::trunc(value) == value)
        return value;
    char buffer[32];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    double parsed = value;
    std::from_chars(buffer, written.ptr, parsed);
    return parsed;
}
} // namespace

namespace kurvomat {

PointField::PointField(QLineEdit *widget)
    : QObject(widget)
    , m_widget(widget)
    , m_pacer(new RefreshPacer(widget, [this] { flush(); }))
    , m_text(widget->text())
{
    // What the user types becomes the stored text.
    connect(widget, &QLineEdit::textEdited, this, [this](const QString &typed) {
        m_kind = Kind::Text;
        m_text = typed;
    });
}

QString PointField::text() const
{
    switch (m_kind) {
    case Kind::Number:
        return text::doubleText(m_number);
    case Kind::Count:
        return text::int16Text(m_count) + m_suffix;
    case Kind::Text:
        break;
    }
    return m_text;
}

void PointField::setText(const QString &text)
{
    m_kind = Kind::Text;
    m_text = text;
    changed();
}

void PointField::setNumber(double value)
{
    m_kind = Kind::Number;
    m_number = value;
    m_readBack = readBack15(value);
    changed();
}

void PointField::setCount(std::int16_t count, const QString &suffix)
{
    m_kind = Kind::Count;
    m_count = count;
    if (m_suffix != suffix)
        m_suffix = suffix;
    changed();
}

double PointField::number() const
{
    switch (m_kind) {
    case Kind::Number:
        // The text is the standard text of m_number; its value was taken when it was set.
        return m_readBack;
    case Kind::Count:
        return m_count;
    case Kind::Text:
        break;
    }
    return text::localeNumber(m_text);
}

void PointField::changed()
{
    m_pacer->request();
}

void PointField::flush()
{
    m_pacer->done();
    const QString current = text();
    if (m_widget->text() != current) {
        m_widget->setText(current);
        m_widget->setCursorPosition(0);
    }
}

} // namespace kurvomat
