#include "app/Session.h"

#include "app/CReelnookPlayerDlg.h"
#include "desktop/DesktopIntegration.h"
#include "player/CPlayerDlg.h"
#include "process/HandOverServer.h"
#include "request/CControlDlg.h"
#include "request/SessionParts.h"

namespace kestrova {

Session::Session(Options options)
    : m_bus(std::move(options.bus))
    , m_parts(std::make_unique<SessionParts>())
    , m_mainWindow(std::make_unique<CReelnookPlayerDlg>(
          [this, address = std::move(options.address)](QWidget* parent) {
              return makePanel(parent, address);
          })) {
    // Emitted as the main window closes, before it takes its panel down.
    connect(m_mainWindow.get(), &QDialog::finished, this, &Session::end);
    if (!options.handOverSocket.empty()) {
        m_handOvers = std::make_unique<HandOverServer>(options.handOverSocket);
        connect(m_handOvers.get(), &HandOverServer::handedOver, this, &Session::takeHandOver);
    }
}

Session::~Session() {
    end();
}

std::unique_ptr<QWidget> Session::makePanel(QWidget* parent, std::optional<QString> address) {
    auto panel = std::make_unique<CControlDlg>(*m_parts);
    panel->Create(parent);
    connect(panel.get(), &CControlDlg::windowsUp, this, &Session::startDesktopIntegration);
    if (address)
        panel->openAddress(*address);
    m_panel = panel.get();
    return panel;
}

// The desktop's media controls and the screensaver, once the windows are up, so the bus costs
// the start nothing.
void Session::startDesktopIntegration() {
    if (!m_bus || !m_panel)
        return;
    CPlayerDlg& player = m_parts->player();
    MprisHost host{
        [this] {
            QMetaObject::invokeMethod(m_mainWindow.get(), &QWidget::close, Qt::QueuedConnection);
        },
        [&player] { player.bringToFront(); },
        [this] {
            return NowPlaying{m_panel->playingVideoId(), m_panel->playingTitle()};
        },
        [this](const QString& address) { m_panel->openAddress(address); },
    };
    m_desktop =
        std::make_unique<DesktopIntegration>(*m_bus, std::move(host), player.flash().playback());
    connect(m_panel, &CControlDlg::nowPlayingChanged, m_desktop.get(),
            &DesktopIntegration::nowPlayingChanged);
}

// A later start of the program: the main window comes to the front, and plays its address.
void Session::takeHandOver(const QString& address) {
    CReelnookPlayerDlg& mainWindow = *m_mainWindow;
    if (!mainWindow.isVisible() || !m_panel)
        return; // closing
    mainWindow.setWindowState(mainWindow.windowState() & ~Qt::WindowMinimized);
    mainWindow.raise();
    mainWindow.activateWindow();
    if (!address.isEmpty())
        m_panel->openAddress(address);
}

// In the reverse of the order of making: what reaches in from outside first, then the windows,
// then what they drove.
void Session::end() {
    m_handOvers.reset();
    m_desktop.reset();
    m_panel = nullptr;
    m_mainWindow->DestroyWindow(); // the panel: the history is saved, where videos were left kept
    m_parts.reset();               // the player, then the settings are saved
}

} // namespace kestrova
