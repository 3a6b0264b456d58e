#include "process/Signals.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace kestrova {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGHUP, SIGINT};

// The pipe's write end, which the handler reads on whatever thread the signal arrives; -1
// while no closer is installed.
std::atomic<int> g_pipeWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

extern "C" void onSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a pending close; dropping this byte loses nothing.
    if (const int pipe = g_pipeWriteEnd.load(); pipe >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(pipe, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

SignalCloser::SignalCloser(QWidget* window, bool debugMode)
    : m_window(window) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default effect
    m_readEnd = ends[0];
    g_pipeWriteEnd = ends[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalCloser::onSignalPending);

    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction action {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        const bool ignore = kSignals[i] == SIGINT && debugMode;
        action.sa_handler = ignore ? SIG_IGN : onSignal;
        ::sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

SignalCloser::~SignalCloser() {
    if (m_readEnd < 0) {
        return;
    }
    // The handlers go first, so that none starts on a closed or reused descriptor.
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    m_notifier.reset();
    ::close(g_pipeWriteEnd.exchange(-1));
    ::close(m_readEnd);
}

void SignalCloser::onSignalPending() {
    char bytes[64];
    while (::read(m_readEnd, bytes, sizeof bytes) > 0) {
    }
    QMetaObject::invokeMethod(
        this,
        [window = m_window] {
            if (window) {
                window->close();
            }
        },
        Qt::QueuedConnection);
}

} // namespace kestrova
