#pragma once

#include "HotkeyView.h"
#include "PageItem.h"

namespace tilewick {

// The Global tab's card about the multi-window modifier: four windows filling a screen, the
// hotkey modifiers with the Globe key, and "Multi-window". It pulses while the pointer rests on
// the Globe key of the drawn keyboard; a click on it does nothing.
class MultiWindowCard final : public PageItem {
    Q_OBJECT

public:
    MultiWindowCard(const PageContext& context, qreal width, qreal previewHeight,
                    QGraphicsItem* parent = nullptr);

    HotkeyView chip() const;
    // The four windows of the drawing, in its content area of `size`.
    static QList<QRectF> windows(QSizeF size);
    static QString tipText(quint64 modifiers);

    QString tipText() const override;
    QString accessibleName() const override { return QStringLiteral("Multi-window modifier"); }

protected:
    HoverLift::Options liftOptions() const override;
    void paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) override;

private:
    qreal m_width;
    qreal m_previewHeight;
};

} // namespace tilewick
