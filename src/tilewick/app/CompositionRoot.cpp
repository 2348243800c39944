#include "CompositionRoot.h"

#include "DeveloperOptions.h"
#include "TilewickApp.h"
#include "ToolSession.h"

#include "betakit/update/RunningSystem.h"
#include "platform/Accessibility.h"
#include "platform/FileAccess.h"
#include "platform/SystemFacts.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/drawing/Symbols.h"
#include "platform/qt/AppFolderBundle.h"
#include "platform/qt/DBusScreenSession.h"
#include "platform/qt/ImageFormatPreload.h"
#include "platform/qt/QtSingleInstance.h"
#include "platform/qt/QtTerminationSignals.h"
#include "platform/qt/SessionBus.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11FloatingPanel.h"
#include "platform/x11/X11TaskbarPresence.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QScopeGuard>

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

// The desktop's platform, installed, with the fonts of its application folder named for views.
std::shared_ptr<platform::Platform> installDesktopPlatform() {
    auto desktop = platform::makeDesktopPlatform(TILEWICK_BUNDLE_ID, "Tilewick");
    // The updater compares a build's minimum system with the distribution's release number.
    if (const auto facts = desktop->shared<platform::SystemFacts>())
        desktop->provide<betakit::SystemVersion>(std::make_shared<betakit::RunningSystem>(facts));
    platform::Platform::install(desktop);
    InterFontLibrary::setSharedResources(desktop->bundle().resourcesPath());
    return desktop;
}

// A developer tool draws or writes files and exits; it needs no desktop, and starts neither the
// delegate, the activity log nor the hotkeys.
int runTool(int argc, char** argv, const DeveloperToolCall& call) {
    if (!platform::x11::displayAnswers())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nameApplication();
    const auto desktop = installDesktopPlatform();
    {
        ToolSession session(*desktop);
        runDeveloperTool(call, session);
    }
    platform::Platform::uninstall();
    return 0;
}

} // namespace

int runTilewick(int argc, char** argv) {
    // Before any file is written: past a file-size limit writes fail as on a full disk.
    platform::failWritesPastTheFileSizeLimit();
    // Before anything reaches for D-Bus: a session bus is used when there is one, never started.
    platform::qt::neverStartASessionBus();
    // The developer options come before anything that needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto call = findDeveloperOption(arguments))
        return runTool(argc, argv, *call);

    // Checked before Qt, which would abort on its own terms without a display.
    if (!platform::x11::displayAnswers())
        return needsX11Session();

    // The symbols' outlines are pure geometry: they are built while Qt and the program start.
    const platform::Symbols::OutlinePreparation symbolOutlines;
    QApplication app(argc, argv);
    nameApplication();
    // Closing the main window never quits.
    QApplication::setQuitOnLastWindowClosed(false);
    // The interface fonts of the application folder are registered while the program starts;
    // the first view to draw text waits for the rest, and every way out waits before the
    // application object goes.
    InterFontLibrary::setSharedResources(platform::qt::AppFolderBundle().resourcesPath());
    InterFontLibrary::shared().registerFontsInBackground();
    const auto fontsRegistered = qScopeGuard([] { InterFontLibrary::shared().endBackgroundRegistration(); });
    const platform::qt::ImageFormatPreload imageFormats;

    // One instance per session: a second start shows the first one's main window and leaves.
    platform::qt::QtSingleInstance instance(
        platform::qt::QtSingleInstance::defaultFolder(),
        platform::qt::QtSingleInstance::defaultName(QStringLiteral("tilewick")));
    switch (instance.claim()) {
    case platform::SingleInstance::Role::Primary:
        break;
    case platform::SingleInstance::Role::Secondary:
        return 0;
    case platform::SingleInstance::Role::Unreachable:
        std::fprintf(stderr, "Tilewick is already running but does not answer (%s).\n",
                     qPrintable(instance.address()));
        return kInstanceUnreachableStatus;
    }

    const auto desktop = installDesktopPlatform();
    // The desktop matches windows to Contents/Resources/tilewick.desktop; the program gives the
    // windows its icon once the main window has drawn.
    QApplication::setDesktopFileName("tilewick");
    if (!desktop->find<platform::Accessibility>())
        return needsX11Session();
    // The hotkeys' grabs asked for while the program starts are made as the main window's first
    // picture begins (runProgram's sendKeyGrabs).
    platform::x11::holdKeyGrabs(*desktop);

    int status = 0;
    {
        // SIGHUP: the session ends (the terminal or the login closes); the same orderly quit.
        platform::qt::QtTerminationSignals termination({SIGINT, SIGTERM, SIGHUP});
        platform::qt::DBusScreenSession screenSession;
        platform::x11::X11TaskbarPresence taskbar;
        platform::x11::X11FloatingPanel floatingPanel;
        status = runProgram({desktop, instance, termination, screenSession, taskbar, floatingPanel,
                             [] { platform::x11::sendRequests(); },
                             [&platform = *desktop] { platform::x11::sendHeldKeyGrabs(platform); }});
    }
    // The services nothing else holds go while the application object still exists.
    platform::Platform::uninstall();
    return status;
}

} // namespace tilewick
