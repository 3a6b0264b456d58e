#include "app/CReelnookPlayerApp.h"

#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    // Qt takes its own options out of argv; the command line is applied as it was given.
    const std::vector<std::string> arguments(argv, argv + argc);
    kestrova::CReelnookPlayerApp app(argc, argv);
    app.InitInstance(arguments);
    return 0;
}
