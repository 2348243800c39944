#pragma once

#include "OverlayHoles.h"
#include "platform/Accessibility.h"
#include "platform/Screens.h"
#include "tilewick/model/SnapAction.h"

#include <QList>
#include <QObject>
#include <QRectF>

#include <atomic>
#include <memory>
#include <optional>

namespace platform {
class Platform;
class Runtime;
class Sound;
class Workspace;
} // namespace platform

namespace tilewick {

// Moves and resizes the focused window of another application through Accessibility: the road of
// one layout hotkey (perform), display moves, focus mode, and the undo and redo history.
//
// Frames are in the top-left coordinate space of Accessibility (origin at the top-left corner of
// the primary screen, y downwards); screens report bottom-left frames and are converted here.
//
// perform() and the history run on the main thread. The frame operations (focusedWindow,
// readFrame, screen, visibleFrame, setFrame, placement) keep no state and may be called from
// worker queues; their Accessibility calls block until the application answers or the messaging
// time-out of the element passes.
class WindowMover : public QObject {
    Q_OBJECT
public:
    // One remembered window frame for undo and redo.
    struct Placement {
        platform::AXElement window;
        qint32 pid = 0;
        std::optional<QString> bundleID;
        std::optional<QString> title;
        QRectF frame;
        friend bool operator==(const Placement&, const Placement&) = default;
    };
    // The placements of one user action (one window, or several for a multi-window fill).
    using Group = QList<Placement>;

    struct Target {
        platform::AXElement app;
        platform::AXElement window;
    };

    // Each history stack holds at most this many groups.
    static constexpr int kHistoryLimit = 10;
    // Frames within this many points count as the same.
    static constexpr double kTolerance = 2.0;
    // How long focus mode and window lookup by title wait for each application.
    static constexpr double kQuickTimeout = 0.5;

    // "snap.failed" codes.
    enum FailureCode {
        NotTrusted = 1,
        NoFocusedWindow = 2,
        FrameUnreadable = 3,
        SingleDisplay = 4,
        NothingToRestore = 5,
    };

    explicit WindowMover(const platform::Platform& platform, QObject* parent = nullptr);
    ~WindowMover() override;

    // The floating keyboard; never showing until one is set. Set on the main thread.
    void setOverlayHoles(std::shared_ptr<OverlayHoles> overlay);

    // The whole road of one action: find, read, compute, write, check, log, remember. The check
    // and what follows it run once the desktop has answered the write (Accessibility::whenSettled),
    // so on a desktop that answers later perform() returns before them; an action performed
    // meanwhile waits for them.
    void perform(SnapAction action);
    // Whether an action has not finished yet or waits for one that has not.
    bool isBusy() const { return m_moving || !m_waiting.isEmpty(); }

    // --- Frame operations ---

    // The focused window of the focused (else frontmost) application.
    std::optional<Target> focusedWindow();
    // "AXPosition" and "AXSize" of a window; none when either is unreadable.
    std::optional<QRectF> readFrame(const platform::AXElement& window);
    // The connected screen that overlaps `frame` most (ties to the one listed first; the first
    // screen when none overlaps); none without screens.
    std::optional<platform::ScreenInfo> screen(const QRectF& frame);
    // The screen's visible frame in top-left coordinates; none without a screen, without
    // screens, or when the visible frame has no area.
    std::optional<QRectF> visibleFrame(const std::optional<platform::ScreenInfo>& screen);
    // Writes size, position and size again, with the application's enhanced user interface
    // switched off around the writes. Write errors are ignored: callers read the frame back.
    void setFrame(const platform::AXElement& app, const platform::AXElement& window, const QRectF& frame);

    // The frame a kind gives a window on a visible frame; none for display moves, history, and a
    // visible frame or grid with no area.
    static std::optional<QRectF> targetFrame(const SnapKind& kind, const QRectF& window,
                                             const QRectF& visible);
    // Whether x, y, width and height each differ by less than kTolerance.
    static bool framesMatch(const QRectF& a, const QRectF& b);
    // Each edge to the nearest whole point, halves away from zero; the size is what lies between
    // them, so a cell never reaches past the frame it was cut from.
    static QRectF rounded(const QRectF& frame);
    // Whether a window moved to `target` is there: its top-left corner within kTolerance, or,
    // along an axis, its far edge within kTolerance and the window inside (a window that takes
    // whole steps of its size only, kept at the work area's far edge). The size is not compared.
    static bool landedAt(const QRectF& moved, const QRectF& target);
    // A bottom-left screen rectangle in top-left coordinates, given the primary screen's frame.
    static QRectF topLeft(const QRectF& screenRect, const QRectF& primaryFrame);
    // The index of the frame overlapping `frame` most; later ones win only when strictly larger.
    static int largestOverlap(const QRectF& frame, const QList<QRectF>& frames);
    // The frame for a display move by `step` from screen `current`, keeping the window's place
    // and size relative to the visible frames; none when either visible frame has no area.
    static std::optional<QRectF> displayTarget(int step, int current, const QList<QRectF>& visibleFrames,
                                               const QRectF& window);
    // A saved frame brought back onto the visible frames: unchanged when a quarter of it is
    // visible, otherwise clamped into the best-overlapping or the nearest visible frame.
    static QRectF fitToScreens(const QRectF& frame, const QList<QRectF>& visibleFrames);

    // --- History (main thread) ---

    Placement placement(const platform::AXElement& window, const QRectF& frame);
    // Remembers one user action for undo; a new move ends the redo chain.
    void pushUndo(const Group& group);
    const QList<Group>& undoStack() const { return m_undo; }
    const QList<Group>& redoStack() const { return m_redo; }
    // Whether the redo stack holds anything; follows canRedoChanged.
    bool canRedo() const { return m_canRedo; }

    // The window again: the saved element while it still answers, else a window of the same
    // application (or a relaunch of it) with the same title.
    std::optional<Target> resolveWindow(const Placement& placement);

    // --- Focus mode ---

    // Minimises, on a worker, every other standard window of the visible regular applications.
    void focus(const platform::AXElement& keeping);
    void minimiseOtherWindows(const QList<qint32>& pids, const platform::AXElement& keeping);

signals:
    // The redo stack became empty or stopped being empty.
    void canRedoChanged(bool canRedo);
    // The last action asked for is done: its move answered, or it ended without one.
    void settled();

private:
    void runWaiting();
    // The road up to the write; the rest is land(), once the write is answered.
    void start(SnapAction action);
    void land(SnapAction action, const platform::AXElement& window, const QRectF& before,
              const QRectF& written, qint64 displays);
    void fail(SnapAction action, FailureCode code);
    void applyHistory(SnapAction action, QList<Group>& from, QList<Group>& to);
    void updateCanRedo();
    static void minimiseOtherWindows(platform::Accessibility& ax, const QList<qint32>& pids,
                                     const platform::AXElement& keeping);

    std::shared_ptr<platform::Accessibility> m_ax;
    std::shared_ptr<platform::Screens> m_screens;
    std::shared_ptr<platform::Workspace> m_workspace;
    std::shared_ptr<platform::Sound> m_sound;
    std::shared_ptr<platform::Runtime> m_runtime;
    std::atomic<std::shared_ptr<OverlayHoles>> m_overlay;

    // The action under way, and those pressed meanwhile (main thread).
    bool m_moving = false;
    QList<SnapAction> m_waiting;
    QList<Group> m_undo;
    QList<Group> m_redo;
    bool m_canRedo = false;
};

} // namespace tilewick
