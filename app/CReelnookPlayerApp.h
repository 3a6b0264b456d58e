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

    // Builds the main window, applies the command line and runs the main window modally, the
    // program's only event loop; then releases the start-up state. Always false: nothing is
    // left to run once the main window has closed.
    bool InitInstance(const std::vector<std::string>& arguments);
};

} // namespace kestrova
