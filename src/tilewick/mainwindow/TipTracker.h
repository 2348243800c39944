#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace tilewick {

class HoverTipState;

// Reports the pointer resting on a widget to the main view's tip state, with the pointer in the
// coordinates of the tip root (the main view), and gives the widget the same text as its
// accessibility hint.
class TipTracker final : public QObject {
    Q_OBJECT

public:
    // Attaches to `widget` for as long as it lives.
    static void attach(QWidget& widget, const QString& text, HoverTipState& tips, QWidget& root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TipTracker(QWidget& widget, QString text, HoverTipState& tips, QWidget& root);

    QString m_text;
    HoverTipState& m_tips;
    QPointer<QWidget> m_root;
};

} // namespace tilewick
