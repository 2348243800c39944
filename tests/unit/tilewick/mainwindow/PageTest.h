#pragma once

#include "support/StoreTest.h"

#include "tilewick/mainwindow/PageContext.h"
#include "tilewick/visuals/HoverTips.h"

#include <QGraphicsScene>

#include <memory>
#include <optional>
#include <vector>

// A view for tab-page items: its root lies 100 points right of and 50 below the page's scene,
// and it remembers every frame reported to it.
struct RecordingHost final : tilewick::PageHost {
    static constexpr QPointF kOffset{100, 50};
    std::vector<QRectF> panelFrames;
    std::vector<std::pair<tilewick::SnapAction, QRectF>> cardFrames;
    std::vector<QRectF> pickerFrames;
    std::vector<QRectF> pickerListFrames;

    QPointF rootPoint(QPointF scenePos) const override { return scenePos + kOffset; }
    void setModifierPanelFrame(const QRectF& frame) override { panelFrames.push_back(frame); }
    void setRecordingCardFrame(tilewick::SnapAction action, const QRectF& frame) override {
        cardFrames.emplace_back(action, frame);
    }
    void setAppPickerFrame(const QRectF& frame) override { pickerFrames.push_back(frame); }
    void setAppPickerListFrame(const QRectF& frame) override { pickerListFrames.push_back(frame); }
};

// Tab-page items on the simulated platform, in a scene of their own.
class PageTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
        tips = std::make_unique<tilewick::HoverTipState>(tilewick::ViewServices::of(platform()));
    }
    void TearDown() override {
        scene.reset();
        tips.reset();
        StoreTest::TearDown();
    }
    tilewick::PageContext context() { return {store(), tilewick::ViewServices::of(platform()), *tips, host}; }
    // Puts `item` into the scene (made on first use).
    template <typename Item> Item* show(Item* item) {
        if (!scene)
            scene = std::make_unique<QGraphicsScene>();
        scene->addItem(item);
        return item;
    }
    // The scene's area drawn on the page colour, at `pixelsPerPoint`.
    QImage render(const QRectF& area, tilewick::Scheme scheme, qreal pixelsPerPoint = 1);

    RecordingHost host;
    std::unique_ptr<tilewick::HoverTipState> tips;
    std::unique_ptr<QGraphicsScene> scene;
};
