#include "platform/qt/SessionBus.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::optional<QByteArray> environment(const char* name) {
    return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
}

void setEnvironment(const char* name, const std::optional<QByteArray>& value) {
    value ? (void)qputenv(name, *value) : (void)qunsetenv(name);
}

// A socket listening at `path`, as a user's bus does.
int listenAt(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd, 1), 0);
    return fd;
}

// A bus that is there is used; without one the address is set so that no client starts one.
TEST(SessionBusTest, ABusIsUsedWhenThereIsOneAndNeverStarted) {
    QTemporaryDir withBus;
    QTemporaryDir withFile;
    QTemporaryDir empty;
    const int bus = listenAt(withBus.filePath(QStringLiteral("bus")));
    QFile file(withFile.filePath(QStringLiteral("bus")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const struct {
        const char* name;
        std::optional<QByteArray> address;
        std::optional<QByteArray> runtime;
        std::optional<QByteArray> after;
    } cases[] = {
        {"an address", QByteArray("unix:path=/run/user/1000/bus"), std::nullopt,
         QByteArray("unix:path=/run/user/1000/bus")},
        {"the user's bus", std::nullopt, QFile::encodeName(withBus.path()), std::nullopt},
        {"no address, no runtime folder", std::nullopt, std::nullopt,
         QByteArray(platform::qt::kNoSessionBus)},
        {"an empty address", QByteArray(), QFile::encodeName(empty.path()),
         QByteArray(platform::qt::kNoSessionBus)},
        {"no bus in the runtime folder", std::nullopt, QFile::encodeName(empty.path()),
         QByteArray(platform::qt::kNoSessionBus)},
        {"a file named bus", std::nullopt, QFile::encodeName(withFile.path()),
         QByteArray(platform::qt::kNoSessionBus)},
    };
    const auto address = environment("DBUS_SESSION_BUS_ADDRESS");
    const auto runtime = environment("XDG_RUNTIME_DIR");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setEnvironment("DBUS_SESSION_BUS_ADDRESS", c.address);
        setEnvironment("XDG_RUNTIME_DIR", c.runtime);
        platform::qt::neverStartASessionBus();
        EXPECT_EQ(environment("DBUS_SESSION_BUS_ADDRESS"), c.after);
    }
    setEnvironment("DBUS_SESSION_BUS_ADDRESS", address);
    setEnvironment("XDG_RUNTIME_DIR", runtime);
    ::close(bus);
}

} // namespace
