#pragma once

#include <QRectF>

namespace tilewick {

// The parts of the main view a click outside of ends something, in the view's content
// coordinates (top left, y downwards). An empty frame: the part is not showing, or has not
// reported itself yet.
struct ClickFrames {
    // A click outside ends a modifier edit.
    QRectF modifierPanel;
    // The card whose hotkey is being recorded; a click outside ends the recording. Empty from
    // the start of each recording until that card reports.
    QRectF recordingCard;
    // A click inside the content but outside both closes the picker's list.
    QRectF appPicker;
    QRectF appPickerList;
};

// What the application's click monitor asks of the main window: nothing but these frames.
class ClickFrameSource {
public:
    virtual ClickFrames clickFrames() const = 0;

protected:
    ~ClickFrameSource() = default;
};

} // namespace tilewick
