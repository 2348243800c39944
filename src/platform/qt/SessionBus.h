#pragma once

#include <QByteArray>

namespace platform::qt {

// Without DBUS_SESSION_BUS_ADDRESS, the D-Bus client libraries (libdbus under Qt, GDBus in the
// programs this one starts) look for the user's bus at $XDG_RUNTIME_DIR/bus and, when there is
// none, start a session bus of their own with dbus-launch, which outlives the program. Qt reaches
// for the session bus on its own (tray icon, menus, accessibility), so this is settled for the
// whole process: with no bus to find, the address is set to one that no client connects to, and
// every connection fails at once instead. Call first thing in main(), before any D-Bus use.
void neverStartASessionBus();

// The address neverStartASessionBus() sets.
inline constexpr char kNoSessionBus[] = "disabled:";

} // namespace platform::qt
