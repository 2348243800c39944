#pragma once

#include "ClickFrames.h"

#include "tilewick/model/SnapAction.h"
#include "tilewick/visuals/ViewServices.h"

#include <QWidget>

#include <optional>

namespace tilewick {

class TilewickStore;

// The content of the window "main". For now it shows the page background and nothing more:
// the header, banners, tabs, keyboard and cards come with the main window's own work.
//
// Its parts report where they are (the modifier panel, the card being recorded, the
// application picker and its list); the view keeps those frames, not the store.
class MainView final : public QWidget, public ClickFrameSource {
    Q_OBJECT
public:
    MainView(TilewickStore& store, ViewServices services, QWidget* parent = nullptr);

    void setModifierPanelFrame(const QRectF& frame) { m_frames.modifierPanel = frame; }
    // The card of `action` while that action is recorded. A change of the recording forgets it
    // until the card of the new one reports.
    void setRecordingCardFrame(SnapAction action, const QRectF& frame);
    void setAppPickerFrame(const QRectF& frame) { m_frames.appPicker = frame; }
    void setAppPickerListFrame(const QRectF& frame) { m_frames.appPickerList = frame; }

    ClickFrames clickFrames() const override { return m_frames; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TilewickStore& m_store;
    ViewServices m_services;
    ClickFrames m_frames;
    // The action whose card reported m_frames.recordingCard.
    std::optional<SnapAction> m_recordingCard;
};

} // namespace tilewick
