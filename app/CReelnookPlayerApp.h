#pragma once

#include <string>
#include <vector>

#include <QApplication>

namespace kestrova {

// The application object. Qt needs the command line to build it, so it lives in main() rather
// than in static storage; its name stays the executable's file name.
class CReelnookPlayerApp : public QApplication {
    Q_OBJECT

public:
    CReelnookPlayerApp(int& argc, char** argv);

    // Builds the main window, applies the command line, shows the main window and runs the
    // event loop until the main window closes; then releases the start-up state. Always false:
    // nothing is left to run once the main window has closed.
    bool InitInstance(const std::vector<std::string>& arguments);
};

class CReelnookPlayerDlg;

// Runs the main window as the program's run: shown, not modal (the player window stays an
// ordinary window of its own), and the event loop ends when the main window closes.
// QCoreApplication::quit() closes the main window the same way, so the data files are saved.
int RunMainWindow(CReelnookPlayerDlg& mainWindow);

} // namespace kestrova
