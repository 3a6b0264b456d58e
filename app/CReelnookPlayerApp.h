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

    // Applies the command line, then either hands its address to the Kestrova that already
    // runs with the same data folder, or builds the main window, shows it and runs the event
    // loop until it closes, playing the address once the windows are up; then releases the
    // start-up state. `operands`: the arguments Qt left, where the address is looked for.
    // Always false: nothing is left to run once the main window has closed.
    bool InitInstance(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& operands);
    // 0, or 1 when a later start's address found no answer.
    int exitStatus() const { return m_exitStatus; }

private:
    int m_exitStatus = 0;
};

class CReelnookPlayerDlg;

// Runs the main window as the program's run: shown, not modal (the player window stays an
// ordinary window of its own), and the event loop ends when the main window closes.
// QCoreApplication::quit() closes the main window the same way, so the data files are saved.
int RunMainWindow(CReelnookPlayerDlg& mainWindow);

} // namespace kestrova
