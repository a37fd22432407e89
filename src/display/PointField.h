// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class QLineEdit;

namespace kurvomat {

class RefreshPacer;

// A text field that the program writes, and reads back, at every drawn point: the running
// maximum, the running minimum and the point counter. Its text is the store the program
// reads; this object holds it and hands it to the widget in the event loop, at most once per
// refresh of the screen (see RefreshPacer), so drawing a thousand points costs one widget
// update instead of a thousand, and a sweep no more updates than the screen shows.
//
// Texts made from numbers are composed only when someone looks at them (the widget at the
// next turn, or a reader of text()); reading the number back from such a text gives the number
// without parsing. Text the user types into the widget replaces the stored text.
class PointField : public QObject {
    Q_OBJECT

public:
    explicit PointField(QLineEdit *widget);

    // The field's current text (what the widget shows after the next turn).
    [[nodiscard]] QString text() const;
    void setText(const QString &text);
    // Text: the standard text of the number, in the regional number format.
    void setNumber(double value);
    // Text: the decimal count followed by suffix.
    void setCount(std::int16_t count, const QString &suffix);
    // The number the text spells in the regional number format; throws ConversionError when
    // the text is not a number.
    [[nodiscard]] double number() const;

    // Hands the current text to the widget now.
    void flush();

private:
    enum class Kind { Text, Number, Count };
    void changed();

    QLineEdit *m_widget;
    RefreshPacer *m_pacer;
    Kind m_kind = Kind::Text;
    QString m_text;
    double m_number = 0;
    double m_readBack = 0;
    std::int16_t m_count = 0;
    QString m_suffix;
};

} // namespace kurvomat
