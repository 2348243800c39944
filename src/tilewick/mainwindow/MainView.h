#pragma once

#include "ClickFrames.h"
#include "LiveResize.h"
#include "MainLayout.h"
#include "PageContext.h"

#include "tilewick/model/SnapAction.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/ViewServices.h"

#include <QWidget>

#include <functional>
#include <optional>

class QGraphicsView;

namespace tilewick {

class BannerStack;
class FitBoth;
class Header;
class PageColumn;
class TabBar;
class TilewickStore;
class Toast;

// What the main view gets from the program besides the store and the view services.
struct MainViewOptions {
    // Opens the manual; none: the manual buttons are disabled.
    std::function<void()> showManual;
    // Whether the keyboard is an ISO one, asked afresh whenever the drawn keyboard refreshes; none:
    // ANSI.
    std::function<bool()> isoKeyboard;
};

// The content of the window "main": one column of the header (from 600 points high), the
// banners, the tab bar, a 1-point line and the page area, where the current tab's page stands
// over the drawn keyboard, both scaled to fit; the store's note shows as a toast at the bottom,
// and the view's own hover tips above everything. It keeps no state of its own: what it shows
// comes from the store and the window's size and scheme, and every action calls the store.
//
// Its parts report where they are (the modifier panel, the card being recorded, the
// application picker and its list); the view keeps those frames, not the store.
class MainView final : public QWidget, public ClickFrameSource, public PageHost {
    Q_OBJECT
public:
    MainView(TilewickStore& store, ViewServices services, MainViewOptions options = {},
             QWidget* parent = nullptr);
    ~MainView() override;

    // The layout in force for the view's size.
    const MainLayout& mainLayout() const { return m_layout; }
    HoverTipState& tips() { return m_tips; }
    Header* header() const { return m_header; }
    BannerStack* banners() const { return m_banners; }
    TabBar* tabBar() const { return m_tabBar; }
    FitBoth* pageArea() const { return m_pageArea; }
    PageColumn* pageColumn() const { return m_column; }
    Toast* toast() const { return m_toast; }
    // Where the tip root's (this view's) point lies for a point of the page area's scene.
    QPointF tipRootPoint(QPointF scenePos) const;
    QPointF rootPoint(QPointF scenePos) const override { return tipRootPoint(scenePos); }

    QSize minimumSizeHint() const override { return {220, 220}; }

    // The modifier panel's frame; forgotten when a modifier edit ends, so no later click is
    // judged against a frame the panel no longer reports.
    void setModifierPanelFrame(const QRectF& frame) override { m_frames.modifierPanel = frame; }
    // The card of `action` while that action is recorded. A change of the recording forgets it
    // until the card of the new one reports.
    void setRecordingCardFrame(SnapAction action, const QRectF& frame) override;
    void setAppPickerFrame(const QRectF& frame) override { m_frames.appPicker = frame; }
    void setAppPickerListFrame(const QRectF& frame) override { m_frames.appPickerList = frame; }

    ClickFrames clickFrames() const override { return m_frames; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void relayout();
    void dropKeptPictures();

    TilewickStore& m_store;
    ViewServices m_services;
    HoverTipState m_tips;
    LiveResize m_liveResize;
    // The size the kept pictures were taken at, and whether the window was drawn since the last
    // resize step.
    QSize m_keptAt;
    bool m_drawnSinceResize = false;
    MainLayout m_layout;
    Header* m_header;
    BannerStack* m_banners;
    TabBar* m_tabBar;
    FitBoth* m_pageArea;
    PageColumn* m_column;
    Toast* m_toast;
    QGraphicsView* m_tipView;
    HoverTipLayer* m_tipLayer;
    // The top of the line under the tab bar.
    int m_lineY = 0;
    // Resized since the last paint: the kept pictures are trimmed as the next paint begins.
    bool m_newSize = false;
    ClickFrames m_frames;
    // The action whose card reported m_frames.recordingCard.
    std::optional<SnapAction> m_recordingCard;
};

} // namespace tilewick
