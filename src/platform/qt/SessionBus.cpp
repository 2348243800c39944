#include "SessionBus.h"

#include <QFile>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace platform::qt {

namespace {

// The user's bus where the client libraries look without an address: a socket of this user's.
bool userBusListens() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &info) == 0 &&
           S_ISSOCK(info.st_mode) && info.st_uid == ::getuid();
}

} // namespace

void neverStartASessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || userBusListens())
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus);
}

} // namespace platform::qt
