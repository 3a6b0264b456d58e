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

// Releases the AppContext when it goes. Declared before the windows of a run, it outlives them
// whichever way the run ends, so a save made while they are destroyed still finds the program
// folder rather than a fresh, empty context.
class AppContextScope {
public:
    AppContextScope() = default;
    ~AppContextScope() { ReleaseAppContext(); }
    AppContextScope(const AppContextScope&) = delete;
    AppContextScope& operator=(const AppContextScope&) = delete;
};

} // namespace kestrova
