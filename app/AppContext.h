#pragma once

#include <filesystem>

namespace kestrova {

// The process-wide start-up state: where the program lives (its data files are found from
// there) and whether the debug switch was given.
class AppContext {
public:
    std::filesystem::path m_strProgramDir; // native bytes, no trailing separator
    int m_nDebugMode = 0;                  // 1 when the debug switch was given
};

// The one AppContext of the process, created on first use.
AppContext& GetAppContext();

// Destroys the AppContext; the next GetAppContext creates a fresh one.
void ReleaseAppContext();

} // namespace kestrova
