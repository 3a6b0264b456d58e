#pragma once

#include "engine/PlayerLog.h"

namespace kestrova {

// Logs a failed libmpv call with the engine's error text; returns whether it succeeded.
bool checkMpv(int result, const char* what);

} // namespace kestrova
