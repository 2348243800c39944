#include "platform/qt/QtSingleInstance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>
#include <memory>

#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::SingleInstance;
using platform::qt::QtSingleInstance;

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

// What a test of the peers' credentials needs: another user to be.
bool canBecomeAnotherUser() {
    return ::geteuid() == 0;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Runs `child` in a forked process (raw system calls only) while this thread's event loop runs;
// its exit status.
int runInChild(const std::function<int()>& child) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(child());
    int status = 0;
    QElapsedTimer waited;
    waited.start();
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (waited.elapsed() > 10000) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        QTest::qWait(10);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets an environment variable for the life of this object; unset when `value` is null.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        set(value);
    }
    ~ScopedEnvironment() { m_wasSet ? (void)qputenv(m_name, m_old) : (void)qunsetenv(m_name); }
    void set(const char* value) { value ? (void)qputenv(m_name, value) : (void)qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

sockaddr_un addressOf(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return address;
}

class QtSingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString folder() const { return m_dir.path(); }
    // A folder in the test's folder with this mode and owner.
    QString makeFolder(const char* name, mode_t mode, uid_t owner = ::geteuid()) const {
        const QString path = folder() + u'/' + QLatin1String(name);
        const QByteArray native = QFile::encodeName(path);
        EXPECT_EQ(::mkdir(native.constData(), 0700), 0);
        EXPECT_EQ(::chmod(native.constData(), mode), 0);
        if (owner != ::geteuid()) {
            EXPECT_EQ(::chown(native.constData(), owner, owner), 0);
        }
        return path;
    }
    // Runs claim() and returns what it said on stderr.
    std::string claim(QtSingleInstance& instance, SingleInstance::Role expected) {
        testing::internal::CaptureStderr();
        const SingleInstance::Role role = instance.claim();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(role, expected) << said;
        return said;
    }

private:
    QTemporaryDir m_dir;
};

// A client of the running instance that has sent `request`.
std::unique_ptr<QLocalSocket> sendTo(const QtSingleInstance& instance, const QByteArray& request) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(instance.socketPath());
    EXPECT_TRUE(socket->waitForConnected(10000));
    socket->write(request);
    return socket;
}

TEST_F(QtSingleInstanceTest, ALaterStartIsAnsweredAndShowsTheFirst) {
    QtSingleInstance first(folder(), QStringLiteral("t"));
    EXPECT_EQ(first.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    const auto later = sendTo(first, "reopen\n");
    ASSERT_TRUE(reopened.wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(later->canReadLine(), 10000);
    EXPECT_EQ(later->readLine(), QByteArray("ok\n"));
}

// A peer that sends without end and no line feed is dropped; what it sent is never held whole.
TEST_F(QtSingleInstanceTest, APeerThatSendsALineWithoutEndIsDropped) {
    QtSingleInstance first(folder(), QStringLiteral("t"));
    ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    const auto flood = sendTo(first, QByteArray(4 * 1024 * 1024, 'x') + "reopen\n");
    QSignalSpy dropped(flood.get(), &QLocalSocket::disconnected);
    EXPECT_TRUE(dropped.wait(10000));
    EXPECT_EQ(reopened.size(), 0);

    // The next start is still answered.
    const auto later = sendTo(first, "reopen\n");
    EXPECT_TRUE(reopened.wait(10000));
}

// Another user could make the lock or the socket first in a folder that is not this user's alone:
// such a folder is not used at all, and that is said.
TEST_F(QtSingleInstanceTest, TheRendezvousIsOnlyKeptInAFolderOfThisUserAlone) {
    const QString privateFolder = makeFolder("private", 0700);
    const QString link = folder() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(privateFolder, link));
    struct Case {
        QString place;
        const char* said;
    };
    std::vector<Case> cases = {
        {makeFolder("open", 01777), "others may write there (mode 1777)"},
        {makeFolder("shared", 0770), "others may write there (mode 0770)"},
        {link, "a symbolic link"},
    };
    if (canBecomeAnotherUser())
        cases.push_back({makeFolder("theirs", 0700, kOtherUser), "owned by user 65534"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        QtSingleInstance instance(c.place, QStringLiteral("t"));
        const std::string said = claim(instance, SingleInstance::Role::Primary);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_NE(said.find("running without the check for another instance"), std::string::npos) << said;
        EXPECT_TRUE(
            QDir(c.place).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).isEmpty());
    }

    // A private folder is used as it is; a missing one is made private.
    for (const QString& place : {privateFolder, folder() + QStringLiteral("/made")}) {
        QtSingleInstance instance(place, QStringLiteral("t"));
        EXPECT_EQ(claim(instance, SingleInstance::Role::Primary), "");
        EXPECT_EQ(modeOf(place), 0700u);
        EXPECT_TRUE(QFileInfo::exists(place + QStringLiteral("/t.lock")));
    }
}

TEST_F(QtSingleInstanceTest, WithoutAPrivateRuntimeFolderTheRendezvousIsAFolderOfItsOwn) {
    const ScopedEnvironment temporary("TMPDIR", QFile::encodeName(folder()).constData());
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    const QString own = folder() + QStringLiteral("/tilewick-%1").arg(::geteuid());
    makeFolder("open", 0777);
    makeFolder("private", 0700);
    const struct {
        const char* runtime;
        QString folder;
    } cases[] = {
        {nullptr, own}, {"", own},        {"relative", own},
        {"open", own},  {"missing", own}, {"private", folder() + QStringLiteral("/private")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runtime ? c.runtime : "unset");
        const QByteArray value = c.runtime && *c.runtime && std::strcmp(c.runtime, "relative") != 0
                                     ? QFile::encodeName(folder() + u'/' + QLatin1String(c.runtime))
                                     : QByteArray(c.runtime);
        runtime.set(c.runtime ? value.constData() : nullptr);
        EXPECT_EQ(QtSingleInstance::defaultFolder(), c.folder);
    }
}

// A lock folder that cannot be written is said as it is; the program runs.
TEST_F(QtSingleInstanceTest, ALockThatCannotBeWrittenIsSaidAndTheProgramRuns) {
    const QString readOnly = makeFolder("read-only", 0700);
    bool mounted = false;
    if (canBecomeAnotherUser()) {
        // Root writes anywhere a mode forbids; a read-only file system stops it.
        mounted = ::mount("tilewick-test", QFile::encodeName(readOnly).constData(), "tmpfs", MS_RDONLY,
                          "mode=0700") == 0;
        if (!mounted)
            GTEST_SKIP() << "root may write in any folder, and mounting is not permitted here";
    } else {
        ::chmod(QFile::encodeName(readOnly).constData(), 0500);
    }
    QtSingleInstance instance(readOnly, QStringLiteral("t"));
    const std::string said = claim(instance, SingleInstance::Role::Primary);
    EXPECT_NE(said.find("cannot create the lock file " + readOnly.toStdString() + "/t.lock ("),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("running without the check for another instance"), std::string::npos) << said;
    if (mounted)
        ::umount2(QFile::encodeName(readOnly).constData(), MNT_DETACH);
    ::chmod(QFile::encodeName(readOnly).constData(), 0700);
}

// Requests and answers count only from a peer of the same user, whatever the files allow.
TEST_F(QtSingleInstanceTest, ARequestFromAnotherUserIsRefused) {
    if (!canBecomeAnotherUser())
        GTEST_SKIP() << "needs root to be another user";
    ::chmod(QFile::encodeName(folder()).constData(), 0711);
    QtSingleInstance first(folder(), QStringLiteral("t"));
    ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    // The socket file alone would keep the other user out; here it lets anyone connect.
    ::chmod(QFile::encodeName(first.socketPath()).constData(), 0777);
    const sockaddr_un address = addressOf(first.socketPath());
    const int answered = runInChild([&address] {
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
            return 2;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            return 3;
        if (::send(fd, "reopen\n", 7, MSG_NOSIGNAL) != 7)
            return 4;
        char answer[8];
        return ::recv(fd, answer, sizeof answer, 0) > 0 ? 1 : 0;
    });
    EXPECT_EQ(answered, 0) << "1: answered, 2-4: could not ask";
    QTest::qWait(0);
    EXPECT_EQ(reopened.size(), 0);
}

TEST_F(QtSingleInstanceTest, AnAnswerFromAnotherUserIsNotTaken) {
    if (!canBecomeAnotherUser())
        GTEST_SKIP() << "needs root to be another user";
    ::chmod(QFile::encodeName(folder()).constData(), 0711);
    // The lock is held, as by a running instance.
    QLockFile held(folder() + QStringLiteral("/t.lock"));
    ASSERT_TRUE(held.tryLock(0));
    QtSingleInstance later(folder(), QStringLiteral("t"));
    const sockaddr_un address = addressOf(later.socketPath());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::chmod(QFile::encodeName(later.socketPath()).constData(), 0777);
    // Another user listens (the credentials a client sees are the listener's at listen()) and says
    // "ok" to whatever comes.
    const pid_t impostor = ::fork();
    if (impostor == 0) {
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0 || ::listen(listener, 1) != 0)
            ::_exit(2);
        const int peer = ::accept(listener, nullptr, nullptr);
        (void)::send(peer, "ok\n", 3, MSG_NOSIGNAL);
        char request[8];
        (void)::recv(peer, request, sizeof request, 0);
        ::_exit(0);
    }
    ::close(listener);
    EXPECT_EQ(claim(later, SingleInstance::Role::Unreachable), "");
    ::kill(impostor, SIGKILL);
    ::waitpid(impostor, nullptr, 0);
}

} // namespace
