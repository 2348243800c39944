#pragma once

#include "KeyboardEnvironment.h"

#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/ViewServices.h"

#include <QGraphicsObject>
#include <QSizeF>

namespace tilewick {

class KeyboardView;
class TilewickStore;

// The drawn keyboard as the floating keyboard shows it: every bound key lit, the product mark on
// the space bar, key faces at 94 % and keys that only show their hotkeys; `width` wide and
// exactly five key heights and four gaps high, with `pad` around it (`pad` + 12 below), on a faint
// rounded backing with a hairline border. Its top-left corner is at its origin; the render tools
// draw the same item.
class OverlayKeyboard final : public QGraphicsObject {
    Q_OBJECT

public:
    static constexpr qreal kGap = 4;
    static constexpr qreal kCornerRadius = 18;
    static constexpr qreal kBottomExtra = 12;
    static constexpr qreal kBorderWidth = 0.5;

    OverlayKeyboard(TilewickStore& store, ViewServices services, bool iso, qreal width, qreal pad,
                    QGraphicsItem* parent = nullptr);
    ~OverlayKeyboard() override;

    // The keyboard's own height for `width`: five key heights and four gaps; zero when the width
    // leaves no room for a key.
    static qreal keyboardHeight(qreal width);
    // The whole view: the keyboard with its margins.
    static QSizeF size(qreal width, qreal pad);
    // What the floating keyboard tells its drawn keyboard.
    static KeyboardEnvironment environment();

    KeyboardView& keyboard() const { return *m_keyboard; }
    QSizeF size() const { return size(m_width, m_pad); }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    class Border;

    ViewServices m_services;
    qreal m_width;
    qreal m_pad;
    // The keys show no tips; the drawn keyboard still reports to a tip state.
    HoverTipState m_tips;
    KeyboardView* m_keyboard = nullptr;
};

} // namespace tilewick
