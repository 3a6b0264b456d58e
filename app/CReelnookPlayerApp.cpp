#include "app/CReelnookPlayerApp.h"

#include "app/CReelnookPlayerDlg.h"
#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "desktop/DesktopIntegration.h"
#include "player/CPlayerDlg.h"
#include "player/YtDlp.h"
#include "process/AppContext.h"
#include "process/Signals.h"
#include "profile/SaveWriter.h"
#include "request/CControlDlg.h"
#include "res/ProgramIcon.h"

#include <future>
#include <iostream>
#include <memory>

#include <QLoggingCategory>

namespace kestrova {

namespace {

// The desktop's media controls and the screensaver, once the windows are up, so the bus costs
// the start nothing. A child of the panel, it goes as the main window closes, with the panel
// and nothing in between.
void startDesktopIntegration(CControlDlg& panel, QWidget& mainWindow) {
    CPlayerDlg& player = *panel.playerDlg();
    MprisHost host{
        [&mainWindow] {
            QMetaObject::invokeMethod(&mainWindow, &QWidget::close, Qt::QueuedConnection);
        },
        [&player] { player.bringToFront(); },
        [&panel] {
            return NowPlaying{panel.playingVideoId(), panel.playingTitle()};
        },
        [&panel](const QString& address) { panel.openAddress(address); },
    };
    auto* desktop = new DesktopIntegration(QDBusConnection::sessionBus(), std::move(host),
                                           player.flash().playback());
    desktop->setParent(&panel);
    QObject::connect(&panel, &CControlDlg::nowPlayingChanged, desktop,
                     &DesktopIntegration::nowPlayingChanged);
}

} // namespace

CReelnookPlayerApp::CReelnookPlayerApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setWindowIcon(ProgramIcon());
}

bool CReelnookPlayerApp::InitInstance(const std::vector<std::string>& arguments) {
    // Common controls, ActiveX hosting, the restart manager, the shell manager and the
    // registry key have nothing to set up here: Qt provides the controls, and the settings
    // live in the program's INI files.
    CReelnookPlayerDlg::ControlPanelSeam().install([](QWidget* parent) -> std::unique_ptr<QWidget> {
        auto panel = std::make_unique<CControlDlg>();
        panel->Create(parent);
        QObject::connect(
            panel.get(), &CControlDlg::windowsUp, panel.get(),
            [panel = panel.get(), parent] { startDesktopIntegration(*panel, *parent); });
        return panel;
    });
    // Declared first, so the run ends only once what the windows saved as they went is on
    // disk, and the start-up state is released after the windows are gone.
    const SavesWrittenAtEnd savesWritten;
    const AppContextScope contextScope;
    CReelnookPlayerDlg mainWindow;

    AppContext& context = GetAppContext();
    ApplyCommandLine(context, arguments);
    // Finding out which yt-dlp the player would use starts a program (up to 5 s): it runs on a
    // thread of its own while the windows come up; its line follows the start-up lines.
    std::future<void> consoleNotes;
    if (context.m_nDebugMode == 1) {
        consoleNotes =
            std::async(std::launch::async, [note = TopMostNote(platformName().toStdString())] {
                std::cout << DescribeYtDlp() << std::endl;
                if (note) {
                    std::cout << *note << std::endl;
                }
            });
        // The program's diagnostics (the player's engine, the data files' saves) go to
        // standard error, for the debugging console.
        QLoggingCategory::setFilterRules(QStringLiteral("kestrova.*=true"));
    }

    // Log-out, shut-down and the terminal close the main window as its close box does.
    const SignalCloser signalCloser(&mainWindow, context.m_nDebugMode == 1);
    RunMainWindow(mainWindow);
    return false;
}

namespace {

// quit() would close the top-level windows in any order, and the player refuses to close;
// the main window's close is the one way out, so quit() is turned into it.
class QuitThroughMainWindow : public QObject {
public:
    explicit QuitThroughMainWindow(QWidget& mainWindow)
        : m_mainWindow(mainWindow) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit && m_mainWindow.isVisible()) {
            m_mainWindow.close();
            return true;
        }
        return false;
    }

private:
    QWidget& m_mainWindow;
};

} // namespace

int RunMainWindow(CReelnookPlayerDlg& mainWindow) {
    // The player window never ends the run; only the main window does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const QuitThroughMainWindow quitRoute(mainWindow);
    const QMetaObject::Connection ended =
        QObject::connect(&mainWindow, &QDialog::finished, qApp, [] { QCoreApplication::exit(0); });
    mainWindow.show();
    const int result = QCoreApplication::exec();
    QObject::disconnect(ended);
    return result;
}

} // namespace kestrova
