#pragma once

#include "AppServices.h"

#include "tilewick/mainwindow/ClickFrames.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/visuals/ViewServices.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

namespace tilewick {

class TilewickStore;
class AppShell;
class WindowMover;

// The window "main": title "Tilewick", 956 × 891 by default, no smaller than its content (at
// least 220 × 220). It holds the MainView while the store's `windowOpen` is true and an empty
// page while it is false, so a closed window holds no view. Closing it hides it; the program
// goes on. Its menu bar carries the application commands.
class MainWindow final : public QMainWindow, public ClickFrameSource {
    Q_OBJECT
public:
    // The identifier other parts look the window up by; also its X11 window role.
    static constexpr const char* kIdentifier = "main";

    // When the view is first made: with the window, or by showBuildingView().
    enum class FirstView { WithWindow, AtFirstShow };
    MainWindow(TilewickStore& store, const AppServices& services, AppShell& shell, ViewServices view,
               QWidget* parent = nullptr, FirstView firstView = FirstView::WithWindow);

    // Shows the window, then makes its view: the window manager frames and maps the window while
    // the view is built and laid out, and the first picture, drawn when the window is exposed,
    // holds the view. `sendShown` sends the show's requests at once (the desktop back-end's; they
    // would otherwise wait for the event loop's next turn). The program's start shows its window so.
    void showBuildingView(const std::function<void()>& sendShown = {});

    MainView* mainView() const { return m_content; }
    // Runs `work` once, on the turn after the window's first picture has gone to the screen, or
    // `patience` seconds from now when the window has drawn none by then (it may not be shown).
    void whenFirstDrawn(std::function<void()> work, double patience);
    // Runs `work` once as the window's first picture begins, inside its paint before anything of
    // it is drawn: what the X server is sent then, it works through while the picture is drawn.
    void whenDrawingBegins(std::function<void()> work) { m_atDrawingBegins = std::move(work); }
    // While a move of `mover` is on its way the window's repaint waits for it to be answered, at
    // most kPaintHold seconds: drawing the whole window and handing the picture to the X server
    // beside the move would slow the move down. A hotkey's tab switch and flash draw just after.
    // So does a repaint asked for while `hotkeyQueued` says a hotkey's action waits on the main
    // queue to start its move (the held keys drawn just before the key came): the move goes first.
    // While a repaint is held, the parts of the window the desktop uncovers (the moved window
    // leaving them) wait with it: drawing them would draw what is held.
    void holdPaintWhileMoving(const WindowMover& mover, std::function<bool()> hotkeyQueued = {});
    static constexpr double kPaintHold = 0.25;
    // Its view's frames; none while it is closed.
    ClickFrames clickFrames() const override { return m_content ? m_content->clickFrames() : ClickFrames{}; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateContent();
    void rebuildMenus();

    TilewickStore& m_store;
    AppServices m_services;
    AppShell& m_shell;
    ViewServices m_view;
    QPointer<MainView> m_content;
    QMenu* m_applicationMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    bool m_menusPending = false;
    // Held until the first picture; empty once run.
    std::function<void()> m_afterFirstPicture;
    std::function<void()> m_atDrawingBegins;
    platform::WorkItemRef m_firstPictureWait;
    QPointer<const WindowMover> m_mover;
    std::function<bool()> m_hotkeyQueued;
    // A repaint asked for while a move was on its way, and the end of its wait.
    bool m_paintHeld = false;
    bool m_paintWaitedEnough = false;
    // What the desktop uncovered meanwhile, in the window's coordinates.
    QRegion m_exposeHeld;
    platform::WorkItemRef m_paintHoldLimit;
    bool moveOnItsWay() const;
    // Whether a paint now waits for the move on its way; holdPaint() starts the wait.
    bool holdsPaint() const;
    void holdPaint();
    void releasePaint();
    // Releases the held repaint once no hotkey waits and no move is under way; a move under way
    // releases it when it settles.
    void releaseAfterQueuedHotkeys();
};

} // namespace tilewick
