#pragma once

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

namespace kestrova::test {

// An X server of its own (Xvfb) with a real window manager (openbox) on it, as a desktop
// session has, for the tests of what a person sees: placement, stacking, focus, the screen.
// The test process's DISPLAY points at it while the object lives; both stop when it goes.
class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Whether the server runs and the window manager has taken charge of it.
    bool ready() const { return m_ready; }
    std::string log();

    static bool available();
    // Ends the X server at once, as a crash of the display would.
    void killServer();

private:
    QByteArray m_previousDisplay;
    QProcess m_server;
    QProcess m_windowManager;
    bool m_ready = false;
};

// A window's frame on the screen: its client area and the decorations the window manager
// reports for it (_NET_FRAME_EXTENTS). Null when the window is not known.
QRect FrameOf(const QString& window);

// The client windows from bottom to top, as the window manager stacks them.
QStringList StackingOrder();

// The whole screen as a person would see it, written as a PNG; false when that failed.
bool TakeScreenshot(const QString& path);

} // namespace kestrova::test
