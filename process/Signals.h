#pragma once

// Turns the signals of log-out, shut-down and the terminal into a close of the main window,
// exactly as its close box does, so the windows are destroyed in order and the data files are
// saved. The handler only writes to a pipe; the close happens on the GUI thread.

#include <array>
#include <csignal>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace kestrova {

class SignalCloser : public QObject {
public:
    // SIGTERM and SIGHUP close the window; SIGINT (Ctrl+C) closes it too, except in debug mode,
    // where the terminal shows the start-up lines and Ctrl+C must not end the program. Without
    // a window, or once it has gone, the signals are taken and do nothing: made before the
    // saves are waited for at the end, the closer keeps a signal from ending the process while
    // they are written.
    SignalCloser(QWidget* window, bool debugMode);
    ~SignalCloser() override;

    void setWindow(QWidget* window) { m_window = window; }

    SignalCloser(const SignalCloser&) = delete;
    SignalCloser& operator=(const SignalCloser&) = delete;

private:
    void onSignalPending();

    QPointer<QWidget> m_window;
    int m_readEnd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::array<struct sigaction, 3> m_previous{};
};

} // namespace kestrova
