#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace tilewick {

class HoverTipState;

// Reports the pointer resting on a widget to the main view's tip state, with the pointer in the
// coordinates of the tip root (the main view), and gives the widget the same text as its
// accessibility hint.
class TipTracker final : public QObject {
    Q_OBJECT

public:
    // Where a point of a widget lies in the tip root.
    using ToRoot = std::function<QPointF(const QWidget& widget, QPointF local)>;

    // Attaches to `widget` for as long as it lives.
    static TipTracker* attach(QWidget& widget, const QString& text, HoverTipState& tips, QWidget& root);
    // The same for a widget that is not the root's child (one shown in a graphics scene).
    static TipTracker* attach(QWidget& widget, const QString& text, HoverTipState& tips, ToRoot toRoot);

    QString text() const { return m_text; }
    // A new text; an empty one shows no tip. A tip showing the old text goes.
    void setText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TipTracker(QWidget& widget, QString text, HoverTipState& tips, ToRoot toRoot);

    QWidget& m_widget;
    QString m_text;
    // The view that owns the tips may go before the widget: its parts are hidden as it goes.
    QPointer<HoverTipState> m_tips;
    ToRoot m_toRoot;
};

} // namespace tilewick
