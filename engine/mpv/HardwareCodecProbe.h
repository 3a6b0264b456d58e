#pragma once

#include "service/HardwareCodecs.h"

#include <filesystem>

namespace kestrova {

// Asks VA-API (the video acceleration of Intel and AMD graphics on Linux) which of them it
// decodes, on the first render node in `deviceFolder` that answers. None when there is no
// such device or driver; other decoding back ends are not asked. Loads the driver, so it may
// take tens of milliseconds.
HardwareCodecs ProbeHardwareCodecs(const std::filesystem::path& deviceFolder = "/dev/dri");

} // namespace kestrova
