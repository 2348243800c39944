#include "QtTerminationSignals.h"

#include <QSocketNotifier>
#include <QtDebug>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::qt {

namespace {

// The pipe of the one live instance and the request; the handler may touch nothing else.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void writeSignal(int signal) {
    const int saved = errno;
    g_requested.store(true, std::memory_order_relaxed);
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to quit.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QtTerminationSignals::QtTerminationSignals(std::initializer_list<int> signalNumbers, QObject* parent)
    : TerminationSignals(parent), m_signals(signalNumbers) {
    Q_ASSERT(g_pipe[0] < 0);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Tilewick: cannot watch for termination signals: %s", strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QtTerminationSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : m_signals)
        sigaction(signal, &action, nullptr);
}

QtTerminationSignals::~QtTerminationSignals() {
    if (g_pipe[0] < 0)
        return;
    g_requested.store(false, std::memory_order_relaxed);
    for (int signal : m_signals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool QtTerminationSignals::requested() {
    return g_requested.load(std::memory_order_relaxed);
}

void QtTerminationSignals::readSignal() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        m_received = byte;
    if (m_received)
        emit terminationRequested(m_received);
}

} // namespace platform::qt
