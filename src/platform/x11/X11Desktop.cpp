#include "X11Desktop.h"

#include "X11Accessibility.h"
#include "X11Connection.h"
#include "X11EventTap.h"
#include "X11Keyboard.h"
#include "X11Pointer.h"
#include "X11Screens.h"
#include "X11Sound.h"
#include "X11TrayColors.h"
#include "X11Workspace.h"
#include "platform/Platform.h"
#include "platform/Runtime.h"
#include "platform/xdg/DesktopEntryIndex.h"

#include <QGuiApplication>

namespace platform::x11 {

bool displayAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = connection && xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

void holdKeyGrabs(const Platform& platform) {
    if (auto* tap = dynamic_cast<X11EventTap*>(platform.find<EventTap>()))
        tap->holdGrabs();
}

void sendHeldKeyGrabs(const Platform& platform) {
    if (auto* tap = dynamic_cast<X11EventTap*>(platform.find<EventTap>()))
        tap->sendHeldGrabs();
}

void sendRequests() {
    // The offscreen platform answers as an X11 application too, without a connection.
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->connection())
        xcb_flush(x11->connection());
}

bool provideX11Desktop(Platform& platform, const OwnApplication& own) {
    auto connection = X11Connection::open();
    if (!connection)
        return false;
    auto entries = std::make_shared<DesktopEntryIndex>(DesktopEntryIndex::standardFolders());
    auto screens = std::make_shared<X11Screens>(connection);
    auto workspace = std::make_shared<X11Workspace>(connection, entries, own);
    platform.provide<Screens>(screens);
    platform.provide<Workspace>(workspace);
    platform.provide<Accessibility>(
        std::make_shared<X11Accessibility>(connection, screens, workspace, platform.shared<Runtime>()));
    platform.provide<Sound>(std::make_shared<X11Sound>(connection));
    platform.provide<Pointer>(std::make_shared<X11Pointer>(connection, screens));
    auto keyboard = std::make_shared<X11Keyboard>(connection);
    platform.provide<Keyboard>(keyboard);
    // Without XKB there is no tap, and hotkeys stay off.
    if (auto tap = X11EventTap::open(connection, keyboard, platform.shared<Runtime>())) {
        platform.provide<EventTap>(tap);
        platform.provide<LocalKeyMonitors>(tap);
    }
    if (auto trayColors = X11TrayColors::open())
        platform.provide<TrayColors>(trayColors);
    return true;
}

} // namespace platform::x11
