#include "TilewickApp.h"

#include "AppDelegate.h"
#include "BetaActivity.h"
#include "BetaFeedback.h"
#include "DeveloperOptions.h"
#include "MainWindow.h"
#include "MenuBarExtra.h"
#include "QtAppShell.h"
#include "QtShellEvents.h"

#include "betakit/LogStore.h"
#include "platform/Accessibility.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/qt/DBusScreenSession.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/TerminationSignals.h"
#include "platform/x11/X11Desktop.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/ViewServices.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace tilewick {

namespace {

// Exit status when there is no desktop to work on.
constexpr int kNoDesktopStatus = 2;
// Exit status when another instance runs but does not answer.
constexpr int kInstanceUnreachableStatus = 3;

int needsX11Session() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        std::fputs(
            "Tilewick needs an X11 session: DISPLAY is not set. Start it from inside your X11 desktop.\n",
            stderr);
    else
        std::fprintf(stderr, "Tilewick needs an X11 session: no X server answers at DISPLAY=%s.\n",
                     display.constData());
    return kNoDesktopStatus;
}

void nameApplication() {
    QApplication::setApplicationName("Tilewick");
    QApplication::setOrganizationDomain("corvane.com");
}

// A developer tool draws or writes files and exits; it needs no desktop, and starts neither the
// delegate, the activity log nor the hotkeys.
int runTool(int argc, char** argv, const DeveloperToolCall& call) {
    if (!platform::x11::displayAnswers())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nameApplication();
    platform::Platform::install(platform::makeDesktopPlatform(TILEWICK_BUNDLE_ID, "Tilewick"));
    InterFontLibrary::setSharedResources(platform::Platform::current().bundle().resourcesPath());
    runDeveloperTool(call);
    platform::Platform::uninstall();
    return 0;
}

// The services of later work that exist today.
AppServices standardServices() {
    AppServices services;
    // The kit gives the activity log its folder and tells a crash of the last run.
    services.startBetaKit = startBetaKit;
    // The kit's quit hook: "beta.quit", the log drained, the run marker removed.
    services.quitHook = betakit::WillTerminate::post;
    return services;
}

// Every way out of the event loop ends here: the menu's Quit, SIGINT and SIGTERM.
void orderlyQuit(const AppServices& services) {
    if (services.quitHook)
        services.quitHook();
    // Every line logged before the quit reaches the disk.
    betakit::LogStore::shared().flush();
    // Settings changed in the last moments are still on their way to the disk.
    platform::Platform::current().defaults().flush();
}

} // namespace

int runTilewick(int argc, char** argv) {
    // The developer options come before anything that needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto call = findDeveloperOption(arguments))
        return runTool(argc, argv, *call);

    // Checked before Qt, which would abort on its own terms without a display.
    if (!platform::x11::displayAnswers())
        return needsX11Session();

    QApplication app(argc, argv);
    nameApplication();
    // Closing the main window never quits.
    QApplication::setQuitOnLastWindowClosed(false);

    // One instance per session: a second start shows the first one's main window and leaves.
    platform::qt::SingleInstance instance(
        platform::qt::SingleInstance::defaultFolder(),
        platform::qt::SingleInstance::defaultName(QStringLiteral("tilewick")));
    switch (instance.claim()) {
    case platform::qt::SingleInstance::Role::Primary:
        break;
    case platform::qt::SingleInstance::Role::Secondary:
        return 0;
    case platform::qt::SingleInstance::Role::Unreachable:
        std::fprintf(stderr, "Tilewick is already running but does not answer (%s).\n",
                     qPrintable(instance.socketPath()));
        return kInstanceUnreachableStatus;
    }

    platform::Platform::install(platform::makeDesktopPlatform(TILEWICK_BUNDLE_ID, "Tilewick"));
    InterFontLibrary::setSharedResources(platform::Platform::current().bundle().resourcesPath());
    // The desktop matches windows to Contents/Resources/tilewick.desktop and shows this icon.
    QApplication::setDesktopFileName("tilewick");
    QApplication::setWindowIcon(applicationIcon());
    if (!platform::Platform::current().find<platform::Accessibility>())
        return needsX11Session();
    platform::qt::TerminationSignals termination({SIGINT, SIGTERM});

    int status = 0;
    {
        AppServices services = standardServices();
        auto shell = std::make_shared<QtAppShell>();
        StoreHooks hooks;
        hooks.shell = shell;
        TilewickStore::setSharedHooks(hooks);
        // The store's initialiser loads the settings and bindings, asks for Accessibility, starts
        // the hotkey engine and the status poll.
        TilewickStore& store = TilewickStore::shared();

        QtShellEvents events;
        // The in-use rule that runs the quiet update checks.
        platform::qt::DBusScreenSession screens;
        MainWindow* mainWindow = nullptr;
        BetaActivity activity(events, platform::Platform::current().runtime(),
                              {[&shell] { return shell->isActive(); },
                               [&mainWindow] {
                                   return mainWindow && mainWindow->isVisible() &&
                                          !mainWindow->isMinimized() && mainWindow->isActiveWindow();
                               }},
                              &screens);
        services.startBetaActivityObservers = [&activity] { activity.startBetaActivityObservers(); };
        AppDelegate delegate(store, platform::Platform::current(), services, events, QtShellEvents::focus());
        const ViewServices view = ViewServices::of(platform::Platform::current());
        MainWindow window(store, services, *shell, view);
        shell->setMainWindow(&window);
        delegate.setClickFrames(&window);
        mainWindow = &window;
        // How the store opens the window when none is visible.
        store.setOpenMainWindow([&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        MenuBarExtra extra(store, services, *shell, view);
        QObject::connect(&instance, &platform::qt::SingleInstance::reopenRequested, &delegate,
                         &AppDelegate::reopen);

        delegate.willFinishLaunching();
        window.show();
        delegate.didFinishLaunching();
        status = QApplication::exec();
        orderlyQuit(services);
    }
    // The services nothing else holds go while the application object still exists.
    platform::Platform::uninstall();
    return status;
}

} // namespace tilewick
