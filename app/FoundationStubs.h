#pragma once

// TODO(lead): stand-ins for the start-up state that the foundation provides
// (app/AppContext.h, app/CommandLine.h). When those land, delete this file and
// FoundationStubs.cpp and include the real headers in CReelnookPlayerApp.cpp.

#include <string>
#include <vector>

class QWidget;

namespace kestrova {

struct AppContext {
    std::u16string m_strProgramDir;
    int m_nDebugMode = 0;
};

AppContext& GetAppContext();
void ReleaseAppContext();
void ApplyCommandLine(AppContext& context, QWidget* mainWindow,
                      const std::vector<std::string>& arguments);

} // namespace kestrova
