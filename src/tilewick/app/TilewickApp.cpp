#include "TilewickApp.h"

#include "AppDelegate.h"
#include "BetaActivity.h"
#include "BetaFeedback.h"
#include "MainWindow.h"
#include "MenuBarExtra.h"
#include "QtAppShell.h"
#include "QtShellEvents.h"
#include "QuitShortcut.h"

#include "betakit/LogStore.h"
#include "platform/EventTap.h"
#include "platform/Keyboard.h"
#include "platform/Launcher.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayColors.h"
#include "platform/Workspace.h"
#include "tilewick/appsnaps/AppSnapsEngine.h"
#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/MultiWindow.h"
#include "tilewick/engine/WindowMover.h"
#include "tilewick/manualwindow/AboutView.h"
#include "tilewick/manualwindow/ChangelogView.h"
#include "tilewick/manualwindow/ManualPanel.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/ViewServices.h"
#include "tilewick/visuals/overlay/KeyboardOverlay.h"

#include <QApplication>

namespace tilewick {

namespace {

// How long the tray icon waits for the main window's first picture when it shows none.
constexpr double kFirstPicturePatience = 1.0;

// The services of later work that exist today.
AppServices standardServices(const TilewickStore& store,
                             const std::shared_ptr<platform::Platform>& platform) {
    AppServices services;
    // The kit gives the activity log its folder and tells a crash of the last run.
    services.startBetaKit = [&store, platform] { startBetaKit(store, platform); };
    // The kit's quit hook: "beta.quit", the log drained, the run marker removed.
    services.quitHook = betakit::WillTerminate::post;
    // The kit's feedback form, on a problem report.
    services.showFeedback = [] {
        betakit::VeldorBeta::showFeedback(betakit::BetaFeedback::Kind::Problem, false);
    };
    services.checkForUpdate = betakit::VeldorBeta::checkForUpdate;
    if (const auto keyboard = platform->shared<platform::Keyboard>())
        services.isoKeyboard = [keyboard] { return keyboard->isISO(); };
    return services;
}

// Every way out of the event loop ends here: the menu's Quit, Ctrl+Q, SIGINT, SIGTERM and SIGHUP.
void orderlyQuit(const AppServices& services, const platform::Platform& platform) {
    if (services.quitHook)
        services.quitHook();
    // Every line logged before the quit reaches the disk.
    betakit::LogStore::shared().flush();
    // Settings changed in the last moments are still on their way to the disk.
    platform.defaults().flush();
}

} // namespace

int runProgram(const ProgramServices& services) {
    platform::Platform& platform = *services.platform;
    auto shell = std::make_shared<QtAppShell>(services.taskbar, platform.service<platform::Workspace>());
    // A termination request takes the same way out as the menu's Quit.
    QObject::connect(&services.termination, &platform::TerminationSignals::terminationRequested, shell.get(),
                     [shell = shell.get()] { shell->terminate(); });

    StoreHooks hooks;
    hooks.shell = shell;
    const auto engine = std::make_shared<HotkeyEngine>(platform.shared<platform::Runtime>(),
                                                       platform.shared<platform::EventTap>());
    hooks.engine = std::make_shared<HotkeyEngineAdapter>(engine);
    hooks.mover = std::make_shared<WindowMover>(platform);
    const auto filler = std::make_shared<MultiWindow>(platform, hooks.mover);
    hooks.multiWindow = std::make_shared<MultiWindowAdapter>(filler);
    const ViewServices view = ViewServices::of(platform);
    // The floating keyboard; the store attaches itself and hands it to the mover for holes.
    hooks.overlay = std::make_shared<KeyboardOverlay>(
        view, OverlayServices{platform.shared<platform::Screens>(), platform.shared<platform::Keyboard>(),
                              services.floatingPanel});
    // The store's initialiser loads the settings and bindings, asks for Accessibility, starts
    // the hotkey engine and the status poll.
    TilewickStore store(platform, hooks.completed());
    AppServices app = standardServices(store, services.platform);
    // Default App Snaps place other applications' windows; the store tells them of every change.
    const auto appSnaps = std::make_shared<AppSnapsEngine>(platform, store, hooks.mover, filler);
    store.setAppSnapsEngine(appSnaps);
    app.startAppSnaps = [appSnaps] { appSnaps->start(); };
    app.handleAppPickerKey = [&store](quint16 keyCode) { return store.handleAppPickerKey(keyCode); };

    // The manual, changelog and About panels; links leaving the program go to the desktop.
    const PanelServices panels{view, [&platform](const QUrl& url) {
                                   auto* launcher = platform.find<platform::Launcher>();
                                   return launcher && launcher->openUrl(url);
                               }};
    ManualPanel manual(panels);
    app.showManual = [&manual] { manual.show(); };
    ChangelogPanel changelog(panels);
    app.showChangelog = [&changelog] { changelog.show(); };
    AboutPanel about(panels, platform.bundle().bundlePath());
    app.showAbout = [&about] { about.show(); };

    QtShellEvents events(platform.service<platform::Workspace>());
    // The in-use rule that runs the quiet update checks.
    BetaActivity activity(events, platform.runtime(), BetaActivity::Queries::of(*shell),
                          &services.screenSession);
    app.startBetaActivityObservers = [&activity] { activity.startBetaActivityObservers(); };
    AppDelegate delegate(store, platform, app, events, QtShellEvents::focus());
    MainWindow window(store, app, *shell, view, nullptr, MainWindow::FirstView::AtFirstShow);
    shell->setMainWindow(&window);
    window.holdPaintWhileMoving(*hooks.mover, [engine] { return engine->isPerformQueued(); });
    delegate.setClickFrames(&window);
    // How the store opens the window when none is visible.
    store.setOpenMainWindow([&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    std::unique_ptr<MenuBarExtra> extra;
    // Ctrl+Q from every window and menu of the program; a hotkey being recorded takes it instead.
    QuitShortcut quitKey([&store] { return store.recording().has_value(); },
                         [shell = shell.get()] { shell->terminate(); });
    QObject::connect(&services.instance, &platform::SingleInstance::reopenRequested, &delegate,
                     &AppDelegate::reopen);

    delegate.willFinishLaunching();
    // The map request goes out now, not at the next turn of the event loop. The hotkeys' key grabs
    // go as the first picture begins: until the window manager has mapped the window, and the
    // program has read what it is told of that, nothing waits behind them; the server works
    // through them while the picture is drawn.
    window.whenDrawingBegins(services.sendKeyGrabs);
    window.showBuildingView(services.sendWindowRequests);
    delegate.didFinishLaunching();
    installCrashReportWriter(store, services.platform);
    // What the window's first picture does not need comes after it: the launch's services (the
    // beta kit reads its folders and the last run's reports), the tray icon and the window icons,
    // each drawn at several sizes.
    window.whenFirstDrawn(
        [&] {
            // A window that draws nothing (never mapped) does not hold the hotkeys back.
            if (services.sendKeyGrabs)
                services.sendKeyGrabs();
            delegate.startServices();
            extra = std::make_unique<MenuBarExtra>(store, app, *shell, view,
                                                   platform.shared<platform::TrayColors>());
            QApplication::setWindowIcon(applicationIcon());
        },
        kFirstPicturePatience);
    const int status = QApplication::exec();
    orderlyQuit(app, platform);
    return status;
}

} // namespace tilewick
