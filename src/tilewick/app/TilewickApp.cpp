#include "TilewickApp.h"

#include "betakit/BetaKit.h"
#include "betakit/LogStore.h"
#include "platform/Accessibility.h"
#include "platform/DesktopPlatform.h"
#include "platform/qt/TerminationSignals.h"
#include "platform/x11/X11Desktop.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/QuarterIcon.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace tilewick {

namespace {

// Exit status when there is no desktop to work on.
constexpr int kNoDesktopStatus = 2;

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

} // namespace

int runTilewick(int argc, char** argv) {
    // Checked before Qt, which would abort on its own terms without a display.
    if (!platform::x11::displayAnswers())
        return needsX11Session();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Tilewick");
    QApplication::setOrganizationDomain("corvane.com");
    platform::Platform::install(platform::makeDesktopPlatform(TILEWICK_BUNDLE_ID, "Tilewick"));
    // The desktop matches windows to Contents/Resources/tilewick.desktop and shows this icon.
    QApplication::setDesktopFileName("tilewick");
    QApplication::setWindowIcon(applicationIcon());
    if (!platform::Platform::current().find<platform::Accessibility>())
        return needsX11Session();

    platform::qt::TerminationSignals termination({SIGINT, SIGTERM});
    // The activity log keeps its lines in memory until it knows its folder.
    betakit::LogStore::shared().start(betakit::supportFolder(QStringLiteral("tile-wick")));
    // The store's initialiser loads the settings and bindings, asks for Accessibility, starts the
    // hotkey engine and the status poll.
    TilewickStore::shared();
    const int status = QApplication::exec();
    // Every line logged before the quit reaches the disk.
    betakit::LogStore::shared().flush();
    // Settings changed in the last moments are still on their way to the disk.
    platform::Platform::current().defaults().flush();
    // The services nothing else holds go while the application object still exists.
    platform::Platform::uninstall();
    return status;
}

} // namespace tilewick
