#pragma once

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

namespace platform {

// One connected display. Frames are in the screen coordinate space: origin at the bottom-left
// corner of the primary screen, y upwards.
struct ScreenInfo {
    QRectF frame;
    // The frame without panels, docks and menu bars.
    QRectF visibleFrame;
    // The display's number while it is connected.
    quint32 displayID = 0;
    // The display's lasting identity, 36 characters 8-4-4-4-12 in upper-case hexadecimal;
    // empty when the display has none.
    QString uuid;
    // The display's name for people ("Built-in Display", "DELL U2720Q").
    QString name;

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// The connected displays.
class Screens : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The displays, primary first; empty when none is connected. Callable from any thread.
    virtual QList<ScreenInfo> screens() const = 0;

signals:
    // A display was connected, disconnected or rearranged, or its visible frame changed.
    void screensChanged();
};

} // namespace platform
