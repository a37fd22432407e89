// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QMargins>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>

#include <array>
#include <vector>

namespace kurvomat {

// Colours the window uses: the classic 16-colour palette entries and the fixed field colours.
namespace colours {
inline const QColor kGrey{192, 192, 192}; // palette entry 7
inline const QColor kLightGreen{0, 255, 0}; // palette entry 10
inline const QColor kLightRed{255, 0, 0}; // palette entry 12
inline const QColor kTeal{0, 128, 128};
inline const QColor kYellow{255, 255, 0};
inline const QColor kCounterBack{49, 117, 112};
inline const QColor kOrange{255, 128, 0};
inline const QColor kWhite{255, 255, 255};
inline const QColor kBlack{0, 0, 0};
} // namespace colours

// Background of a field or label: the base colour of a text field, the window colour of any
// other widget (filled). Reading gives what was set.
void setBackColor(QWidget *widget, const QColor &colour);
[[nodiscard]] QColor backColor(const QWidget *widget);
void setForeColor(QWidget *widget, const QColor &colour);
// Shows text in a field the program writes at every frame or step. An unchanged text is left
// as it is: setting it again would lay it out and repaint the field for nothing.
void setFieldText(QLineEdit *field, const QString &text);
[[nodiscard]] QColor foreColor(const QWidget *widget);

// An option button drawn as a button that stays pressed while selected. toggled() tells every
// change of the selection, however it came about (click, key, accessibility bus, program). A
// click on the option already selected leaves it selected and emits reselected() after
// clicked(), for options whose click still has an effect of its own then.
class OptionButton : public QPushButton {
    Q_OBJECT

public:
    OptionButton(const QString &caption, QWidget *parent);

signals:
    void reselected();

private:
    // A click selects between press and release; what counts is the selection at the press.
    bool m_selectedAtPress = false;
};

// A frame around a band of controls, painted as QGroupBox paints it, from a picture made once
// per size, caption and look. A field inside that changes repaints the frame beneath it, at
// every received frame and at every tick of the display timer; laying out the caption's text
// each time cost more than painting the field itself.
class Band : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap m_picture;
    QString m_pictureTitle;
};

// A text field that keeps the last few pictures of itself and copies a picture when nothing it
// is drawn from has changed. Fields over the chart are repainted with every new curve beneath
// them, and a field's text is laid out and shaped at every paint: most of a frame's painting
// went into fields that looked exactly as before. A field with the keyboard focus or a
// selection (a cursor, a highlight) and a paint for a target other than the screen's raster (a
// vector picture) are painted as QLineEdit paints them.
class TextField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override;
    [[nodiscard]] QPaintDevice *redirected(QPoint *offset) const override;

private:
    // Everything QLineEdit paints from: its style option (size, state, palette, frame), the
    // text shown, where the cursor stands (it decides the scrolling of a long text), layout.
    struct Look {
        QSize size;
        qreal ratio = 1;
        int state = 0, direction = 0, lineWidth = 0, features = 0, alignment = 0;
        int cursor = 0;
        QPalette palette;
        QFont font;
        QString text;
        QString placeholder;
        QMargins margins;
        const QStyle *style = nullptr;
        bool operator==(const Look &) const = default;
    };
    struct Picture {
        Look look;
        QPixmap pixels;
    };
    [[nodiscard]] Look look() const;

    static constexpr std::size_t kMaxPictures = 4; // colours and texts a field alternates
    std::vector<Picture> m_pictures;                // the most recently used last
    QPixmap *m_drawInto = nullptr;                  // while a picture is drawn
};

// The style of the window's text fields: the application's style, with a field's panel (its
// background and rounded frame) copied from a picture made once per size, state and colours.
// Fields are repainted at every frame, most of them because the chart beneath changed, and
// drawing the antialiased frame cost more than the text.
class FieldStyle : public QProxyStyle {
public:
    FieldStyle();
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;

private:
    struct PanelKey {
        QSize size;
        qreal ratio;
        int state, direction, lineWidth, midLineWidth, features;
        std::array<QRgb, QPalette::NColorRoles> colours;
        bool operator==(const PanelKey &) const = default;
    };
    struct Panel {
        PanelKey key;
        QPixmap picture;
    };
    static constexpr std::size_t kMaxPanels = 64;
    mutable std::vector<Panel> m_panels;
};

} // namespace kurvomat
