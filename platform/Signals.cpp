#include "platform/Signals.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace kestrova {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGHUP, SIGINT};

// The pipe's ends; -1 while no closer is installed. Only the handler writes.
int g_pipe[2] = {-1, -1};

extern "C" void onSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a pending close; dropping this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalCloser::SignalCloser(QWidget* window, bool debugMode)
    : m_window(window) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return; // without the pipe the signals keep their default effect
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
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
    if (g_pipe[0] < 0) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalCloser::onSignalPending() {
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
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
