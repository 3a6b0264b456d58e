#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::demo {

// Blocks SIGINT, SIGTERM, SIGHUP and SIGCHLD in the calling thread; call it before any
// thread starts, so the servers' threads inherit the mask and the main thread alone takes
// them through the waits below.
void BlockProgramSignals();

// Waits for SIGINT, SIGTERM or SIGHUP and returns it.
int WaitForTerminationSignal();

// Starts `program` (argument 0 as given) with the default signal mask and waits for it.
// SIGTERM and SIGHUP are passed on as SIGTERM; SIGINT is not, since the terminal sends it to
// the program as well. Returns the program's exit status (128 + signal when killed), or -1
// when it could not start.
int RunAndWait(const std::filesystem::path& program, const std::vector<std::string>& arguments);

} // namespace kestrova::demo
