#pragma once

#include "tilewick/model/SnapAction.h"
#include "tilewick/visuals/ViewServices.h"

#include <QPointF>
#include <QRectF>

namespace tilewick {

class HoverTipState;
class TilewickStore;

// What the items of a tab page need of the view that shows them: where a point of the page's
// scene lies in the view (the tips' root and the frames' space), and where the parts a click
// outside of ends something report their frames.
class PageHost {
public:
    virtual QPointF rootPoint(QPointF scenePos) const = 0;
    virtual void setModifierPanelFrame(const QRectF& frame) = 0;
    // The card of `action` while that action is recorded.
    virtual void setRecordingCardFrame(SnapAction action, const QRectF& frame) = 0;
    // The application picker's box and its open list (empty while closed).
    virtual void setAppPickerFrame(const QRectF& frame) = 0;
    virtual void setAppPickerListFrame(const QRectF& frame) = 0;

protected:
    ~PageHost() = default;
};

// A part of a tab page that reports where it lies in the view: the page tells it whenever that
// may have changed (a scroll, a new scale, the view moved).
class ReportsFrame {
public:
    virtual void frameChanged() = 0;

protected:
    ~ReportsFrame() = default;
};

// What the items of a tab page are made with.
struct PageContext {
    TilewickStore& store;
    ViewServices services;
    HoverTipState& tips;
    PageHost& host;
};

} // namespace tilewick
