#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace kestrova {

class CControlDlg;
class CReelnookPlayerDlg;
class DesktopIntegration;
class HandOverServer;
class SessionParts;

// One run of the program, made in this order and taken down in the reverse: the parts the
// control panel drives (the settings, the player window with its playback model, the feed
// worker), the main window with the panel inside, the desktop integration once the windows are
// up, and the server that takes the addresses of later starts. Each holds on only to what was
// made before it, so none is left with something gone. The run ends when the main window
// closes, or at the latest when the session goes.
class Session : public QObject {
    Q_OBJECT

public:
    struct Options {
        // Played once the windows are up.
        std::optional<QString> address;
        // Where later starts with the same data folder hand over their addresses; empty: none.
        std::string handOverSocket;
        // Where the desktop's media controls are offered; none: not offered.
        std::optional<QDBusConnection> bus;
    };

    explicit Session(Options options);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CReelnookPlayerDlg& mainWindow() { return *m_mainWindow; }
    // The panel inside the main window, from its first show until the run ends.
    CControlDlg* panel() const { return m_panel; }

private:
    std::unique_ptr<QWidget> makePanel(QWidget* parent, std::optional<QString> address);
    void startDesktopIntegration();
    void takeHandOver(const QString& address);
    void end();

    std::optional<QDBusConnection> m_bus;
    std::unique_ptr<SessionParts> m_parts;
    std::unique_ptr<CReelnookPlayerDlg> m_mainWindow;
    CControlDlg* m_panel = nullptr;
    std::unique_ptr<DesktopIntegration> m_desktop;
    std::unique_ptr<HandOverServer> m_handOvers;
};

} // namespace kestrova
