#pragma once

#include "process/VersionInfo.h"

namespace kestrova {

// The program's own version resource: the block generated from the project's version at
// build time.
VersionBlock ProgramVersionBlock();

} // namespace kestrova
