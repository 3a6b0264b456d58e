#pragma once

#include <filesystem>

namespace kestrova {

// The video codecs of the service's formats that this machine decodes in hardware.
struct HardwareCodecs {
    bool h264 = false;
    bool vp9 = false;
    bool av1 = false;

    bool any() const { return h264 || vp9 || av1; }
};

// Asks VA-API (the video acceleration of Intel and AMD graphics on Linux) which of them it
// decodes, on the first render node in `deviceFolder` that answers. None when there is no
// such device or driver; other decoding back ends are not asked. Loads the driver, so it may
// take tens of milliseconds.
HardwareCodecs ProbeHardwareCodecs(const std::filesystem::path& deviceFolder = "/dev/dri");

} // namespace kestrova
