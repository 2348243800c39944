#pragma once

#include "tilewick/visuals/Motion.h"
#include "tilewick/visuals/ViewServices.h"

#include "platform/Runtime.h"

#include <QWidget>

#include <optional>

namespace tilewick {

class TilewickStore;

// The store's note as a card at the bottom of the main window: an info symbol and the text,
// wrapping onto as many lines as it needs. It slides up from the bottom edge and fades in when
// a note comes, and back out when the note goes (0.2 s, easing out). It covers its parent and
// takes no clicks.
class Toast final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kDuration = 0.2;
    static constexpr qreal kOuterHorizontal = 12;
    static constexpr qreal kOuterBottom = 56;
    static constexpr qreal kInnerHorizontal = 14;
    static constexpr qreal kInnerVertical = 10;
    static constexpr qreal kSpacing = 8;
    static constexpr qreal kSymbolSize = 16;

    Toast(TilewickStore& store, ViewServices services, QWidget* parent = nullptr);
    ~Toast() override;

    // The text shown, kept while it slides out.
    QString text() const { return m_text; }
    // 0 gone … 1 in place, at the services' time.
    double presence() const { return m_presence.valueAt(m_services.now()); }
    // The card's frame for a note in an area of `area`, before sliding.
    static QRectF cardFrame(QSizeF area, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void noteChanged();
    void refresh();

    TilewickStore& m_store;
    ViewServices m_services;
    QString m_text;
    Transition m_presence;
    platform::RepeatingTimerRef m_frames;
};

} // namespace tilewick
