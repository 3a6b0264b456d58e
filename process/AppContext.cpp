#include "process/AppContext.h"

#include <memory>

namespace kestrova {

namespace {

std::unique_ptr<AppContext>& appContextReference() {
    static std::unique_ptr<AppContext> context;
    return context;
}

} // namespace

AppContext& GetAppContext() {
    std::unique_ptr<AppContext>& context = appContextReference();
    if (!context) {
        context = std::make_unique<AppContext>();
    }
    return *context;
}

void ReleaseAppContext() {
    appContextReference().reset();
}

} // namespace kestrova
