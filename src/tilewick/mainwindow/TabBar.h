#pragma once

#include "MainLayout.h"
#include "RestoresWindowSize.h"
#include "TabGlyph.h"

#include "tilewick/visuals/HoverLift.h"
#include "tilewick/visuals/ViewServices.h"

#include "platform/Runtime.h"

#include <QAbstractButton>
#include <QList>
#include <QPixmap>

#include <functional>

namespace betakit {
class BetaFeedbackButton;
}

namespace tilewick {

class HoverTipState;
class ManualButton;
class SymbolView;
class TilewickStore;

// One tab button: a click, or the pointer coming over it, shows its tab. It is drawn by its
// bar, which lets a lifted button reach over its neighbours.
class TabButton final : public QAbstractButton {
    Q_OBJECT

public:
    TabButton(SnapTab tab, QWidget* parent = nullptr);
    SnapTab tab() const { return m_tab; }

signals:
    void hoveredChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent*) override {}
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    SnapTab m_tab;
};

// The row of twelve tab buttons, each lifting under the pointer; without the header it ends
// with the warning, the manual button and the feedback button. A click on its empty parts
// restores the window size.
class TabBar final : public RestoresWindowSize {
    Q_OBJECT

public:
    static constexpr QSizeF kGlyphSize{30, 20};

    TabBar(TilewickStore& store, ViewServices services, HoverTipState& tips, QWidget& tipRoot,
           std::function<void()> showManual, QWidget* parent = nullptr);
    ~TabBar() override;

    void apply(const MainLayout& layout);
    static int barHeight() { return int(MainLayout::kTabButtonHeight + 2 * MainLayout::kTabBarPadding); }
    // The width of each tab button for the room the buttons have.
    static qreal buttonWidth(qreal room);

    // While the window's edge is dragged, each button is drawn from the picture it has now: its
    // glyph as it is, the sides stretched to the button's new width. Until dropKeptPictures().
    void keepPictures();
    void dropKeptPictures();
    bool showsKeptPictures() const { return !m_kept.isEmpty(); }

    QList<TabButton*> buttons() const { return m_buttons; }
    SymbolView* warning() const { return m_warning; }
    ManualButton* manualButton() const { return m_manual; }
    betakit::BetaFeedbackButton* feedbackButton() const { return m_feedback; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A button's picture as it was kept, and what it showed.
    struct KeptButton {
        QPixmap picture;
        bool selected = false;
        bool pressed = false;
        Scheme scheme = Scheme::Light;
    };

    void relayout();
    void refreshLifts();
    void tick();
    // Draws button `index` from its kept picture into `frame`; false when it has none that
    // shows what the button shows now.
    bool paintKept(QPainter& painter, int index, const QRectF& frame, bool selected, Scheme scheme) const;

    ViewServices m_services;
    MainLayout m_layout;
    QList<TabButton*> m_buttons;
    QList<HoverLift> m_lifts;
    SymbolView* m_warning;
    ManualButton* m_manual;
    betakit::BetaFeedbackButton* m_feedback;
    platform::RepeatingTimerRef m_frames;
    QList<KeptButton> m_kept;
};

} // namespace tilewick
