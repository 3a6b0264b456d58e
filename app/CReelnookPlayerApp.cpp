#include "app/CReelnookPlayerApp.h"

#include "app/CReelnookPlayerDlg.h"
#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "app/Session.h"
#include "engine/MovieEngine.h"
#include "metadata/CurlLibrary.h"
#include "process/AppContext.h"
#include "process/HandOver.h"
#include "process/HandOverServer.h"
#include "process/Signals.h"
#include "process/SingleInstance.h"
#include "profile/DataFiles.h"
#include "profile/SaveWriter.h"
#include "res/ProgramIcon.h"
#include "res/Texts.h"
#include "service/JsRuntime.h"
#include "service/YtDlp.h"

#include <filesystem>
#include <future>
#include <iostream>
#include <memory>
#include <optional>

#include <QLoggingCategory>

namespace kestrova {

namespace {

constexpr auto kConsoleProbeTimeOut = std::chrono::seconds(5);

// The run ends only once the libraries loaded in the background (the engine's module, libcurl)
// are in: their own clean-up at exit must not run while another thread still sets them up.
class PreloadsFinishedAtEnd {
public:
    PreloadsFinishedAtEnd() = default;
    ~PreloadsFinishedAtEnd() {
        FinishEnginePreload();
        FinishCurlPreload();
    }
    PreloadsFinishedAtEnd(const PreloadsFinishedAtEnd&) = delete;
    PreloadsFinishedAtEnd& operator=(const PreloadsFinishedAtEnd&) = delete;
};

// Takes the data folder for this run, or hands the address to the Kestrova that has it; says
// in debug mode what became of it.
InstanceClaim claimDataFolder(const std::filesystem::path& folder, const std::string& socketName,
                              const std::optional<std::string>& address) {
    InstanceClaim claim =
        ClaimDataFolder(DataFilePath(texts::kLockFileName), socketName, address.value_or(""));
    switch (claim.outcome) {
    case InstanceClaim::First:
        if (!claim.why.empty())
            qCInfo(lcInstance, "%s", claim.why.c_str());
        break;
    case InstanceClaim::HandedOver:
        qCInfo(lcInstance, "handed over to the Kestrova of %s", folder.c_str());
        break;
    case InstanceClaim::NoAnswer:
        qCWarning(lcInstance, "%s", claim.why.c_str());
        break;
    }
    return claim;
}

} // namespace

CReelnookPlayerApp::CReelnookPlayerApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setWindowIcon(ProgramIcon());
}

bool CReelnookPlayerApp::InitInstance(const std::vector<std::string>& arguments,
                                      const std::vector<std::string>& operands) {
    // Common controls, ActiveX hosting, the restart manager, the shell manager and the
    // registry key have nothing to set up here: Qt provides the controls, and the settings
    // live in the program's INI files.
    const std::optional<std::string> address = AddressArgument(operands);
    const PreloadsFinishedAtEnd preloadsFinished;
    // Released last, once the windows and what they saved are done with.
    const AppContextScope contextScope;
    AppContext& context = GetAppContext();
    ApplyCommandLine(context, arguments);
    const bool debugMode = context.m_nDebugMode == 1;
    if (debugMode) {
        // The program's diagnostics (the player's engine, the data files' saves) go to
        // standard error, for the debugging console.
        QLoggingCategory::setFilterRules(QStringLiteral("kestrova.*=true"));
    }
    // Held until the last save is written, so a later start never reads a file still being
    // saved.
    const std::filesystem::path dataFolder = DataFolder();
    const std::string socketName = HandOverSocketName(dataFolder);
    const InstanceClaim claim = claimDataFolder(dataFolder, socketName, address);
    if (claim.outcome != InstanceClaim::First) {
        m_exitStatus = claim.outcome == InstanceClaim::HandedOver ? 0 : 1;
        return false;
    }

    // Log-out, shut-down and the terminal close the main window as its close box does. Made
    // before the wait for the saves, so that a signal while they are written ends nothing.
    SignalCloser signalCloser(nullptr, debugMode);
    // The run ends only once what the windows saved as they went is on disk.
    const SavesWrittenAtEnd savesWritten;
    Session session({address ? std::optional(QString::fromStdString(*address)) : std::nullopt,
                     socketName, QDBusConnection::sessionBus()});
    signalCloser.setWindow(&session.mainWindow());
    // Finding out which yt-dlp and JavaScript runtime the player would use starts programs (up
    // to 5 s each): it runs on a thread of its own while the windows come up; its line follows
    // the start-up lines.
    std::future<void> consoleNotes;
    if (debugMode) {
        consoleNotes =
            std::async(std::launch::async, [note = TopMostNote(platformName().toStdString())] {
                const YtDlpPlaces places = DefaultYtDlpPlaces();
                std::cout << DescribeYtDlp(FindYtDlp(places, kConsoleProbeTimeOut), Today()) << ' '
                          << DescribeJsRuntime(
                                 FindJsRuntime(places.searchPath, kConsoleProbeTimeOut))
                          << std::endl;
                if (note) {
                    std::cout << *note << std::endl;
                }
            });
    }
    RunMainWindow(session.mainWindow());
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
