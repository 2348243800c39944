#pragma once

#include "WindowMover.h"
#include "platform/Accessibility.h"
#include "platform/Runtime.h"
#include "platform/Screens.h"
#include "tilewick/model/SnapAction.h"

#include <QHash>
#include <QList>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Platform;
class Pointer;
class Sound;
} // namespace platform

namespace tilewick {

// Fills every cell of a layout with windows of one application: the focused window takes the
// layout's own cell, the application's other standard windows on that screen the others, and when
// it has too few, new ones are opened through its new-window menu item. One fill at a time runs on
// the serial queue kQueueLabel, which also answers whether an application can open windows at all.
//
// Entry points: snap (a Globe hotkey), fill (Default App Snaps, with the App Snaps flag),
// placeInFreeCell (a new window of a multi-window Default App Snap), inFlight, checkSupport. They
// and the result of each fill run on the main thread; the fill itself runs on the queue, with
// copies of what it needs. Create with std::make_shared: a fill keeps its filler alive until it
// ends.
class MultiWindow : public std::enable_shared_from_this<MultiWindow> {
public:
    static constexpr auto kQueueLabel = "com.corvane.tilewick.multiwindow";
    // How long each Accessibility call of a fill may wait for the application.
    static constexpr double kFillTimeout = 1.0;
    // Between placing the windows and checking where they went.
    static constexpr double kSettleDelay = 0.25;
    // A fill stays in flight this long after its result.
    static constexpr double kReleaseDelay = 1.0;
    // When a fill for Default App Snaps puts the windows back in their cells.
    static constexpr double kFirstReapply = 1.5;
    static constexpr double kSecondReapply = 4.0;
    // How long an answer of checkSupport holds.
    static constexpr double kSupportLifetime = 30.0;

    // What a fill is given.
    struct FillRequest {
        SnapAction action = SnapAction::leftHalf;
        platform::AXElement app;
        qint32 pid = 0;
        // The window that takes the first cell; may be null.
        platform::AXElement anchor;
        QList<QRectF> cells;
        QRectF screenFrame;
        // For Default App Snaps: silent, and the frames are put back twice afterwards.
        bool appSnaps = false;
    };

    // What a fill hands back to the main thread.
    struct Outcome {
        qint32 pid = 0;
        SnapAction action = SnapAction::leftHalf;
        // Windows picked, existing and opened.
        int placed = 0;
        // The frames before the fill of the existing windows that really moved.
        WindowMover::Group moved;
        int opened = 0;
        QList<QRectF> cells;
        // Windows found at their cell's origin afterwards.
        int verified = 0;
        // The new-window menu item, when the fill looked for one and found it.
        std::optional<platform::AXElement> newWindowItem;
        bool appSnaps = false;
    };

    MultiWindow(const platform::Platform& platform, std::shared_ptr<WindowMover> mover);
    ~MultiWindow();

    // The time (uptime seconds) of the last hotkey action; the puts-back of a Default App Snaps
    // fill give way to a later one. Unset: there never was one. Main thread.
    void setLastSnapAt(std::function<double()> lastSnapAt);

    // A Globe hotkey: fills the layout of a cells action with the focused application's windows;
    // every other action, and any action while this program is in front, goes to the mover.
    void snap(SnapAction action);
    // Counts the fill in flight for its application and runs it on the queue.
    void fill(const FillRequest& request);
    // Puts `window` into the first cell of the layout that no other standard window of the
    // application has taken (by origin), with one undo group; the cell, or none.
    std::optional<QRectF> placeInFreeCell(const platform::AXElement& window, const platform::AXElement& app,
                                          SnapAction action,
                                          const std::optional<platform::ScreenInfo>& screen);
    // Fills started for the application and not released yet (kReleaseDelay after their result).
    int inFlight(qint32 pid) const { return m_inFlight.value(pid); }
    const QHash<qint32, int>& inFlight() const { return m_inFlight; }
    // Whether the application can open new windows through a menu item; answered on the main
    // thread, from an answer of the last kSupportLifetime seconds when there is one.
    void checkSupport(qint32 pid, std::function<void(bool supported)> completion);

    // Whether the window's frame can be read and differs from the placement's.
    bool frameChanged(const WindowMover::Placement& placement);

private:
    struct Support {
        bool supported = false;
        double at = 0; // uptime
    };

    Outcome run(FillRequest request);
    void finish(const Outcome& outcome);
    void release(qint32 pid);
    void reapply(double start, const QList<platform::AXElement>& windows, const QList<QRectF>& cells,
                 const platform::AXElement& app);
    bool probeSupport(qint32 pid);
    void fail(SnapAction action, int code);
    // The screen for a fill without an anchor window: under the pointer, else the main one.
    std::optional<platform::ScreenInfo> pointerScreen(const QList<platform::ScreenInfo>& screens) const;

    std::shared_ptr<platform::Accessibility> m_ax;
    std::shared_ptr<platform::Screens> m_screens;
    std::shared_ptr<platform::Sound> m_sound;
    std::shared_ptr<platform::Runtime> m_runtime;
    std::shared_ptr<platform::Pointer> m_pointer; // may be missing
    std::shared_ptr<WindowMover> m_mover;
    platform::SerialQueueRef m_queue;

    // Main thread.
    QHash<qint32, int> m_inFlight;
    std::function<double()> m_lastSnapAt;
    // The queue's only.
    QHash<qint32, Support> m_support;
};

} // namespace tilewick
