// TODO(lead): delete with FoundationStubs.h once the foundation's AppContext and command line
// are merged; only the debug switch and the program directory are stood in for here.
#include "app/FoundationStubs.h"

#include "res/Texts.h"

#include <memory>

namespace kestrova {

namespace {

std::unique_ptr<AppContext>& contextReference() {
    static std::unique_ptr<AppContext> context;
    return context;
}

} // namespace

AppContext& GetAppContext() {
    auto& context = contextReference();
    if (!context) {
        context = std::make_unique<AppContext>();
    }
    return *context;
}

void ReleaseAppContext() {
    contextReference().reset();
}

void ApplyCommandLine(AppContext& context, QWidget*, const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == texts::kDebugSwitch) {
            context.m_nDebugMode = 1;
        }
    }
    if (!arguments.empty()) {
        const std::string& program = arguments.front();
        const auto slash = program.rfind('/');
        const std::string dir =
            slash == std::string::npos ? std::string() : program.substr(0, slash);
        context.m_strProgramDir.assign(dir.begin(), dir.end());
    }
}

} // namespace kestrova
