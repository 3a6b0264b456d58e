#include "app/CReelnookPlayerApp.h"
#include "app/DisplayPlatform.h"

#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    // Qt takes its own options out of argv; the command line is applied as it was given.
    const std::vector<std::string> arguments(argv, argv + argc);

    // The platform is chosen before the application object exists. It goes to Qt as an option
    // rather than through the environment, so programs started from here choose their own.
    std::vector<char*> qtArguments(argv, argv + argc);
    std::string platformOption = "-platform";
    std::string platform =
        kestrova::ChooseDisplayPlatform(kestrova::DisplayEnvironment::FromProcess());
    if (!platform.empty()) {
        qtArguments.push_back(platformOption.data());
        qtArguments.push_back(platform.data());
    }
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);

    kestrova::CReelnookPlayerApp app(qtArgumentCount, qtArguments.data());
    // The address is looked for in what Qt left: a value of one of its options
    // ("-style fusion") is none.
    const std::vector<std::string> leftByQt(qtArguments.begin(),
                                            qtArguments.begin() + qtArgumentCount);
    app.InitInstance(arguments, leftByQt);
    return app.exitStatus();
}
