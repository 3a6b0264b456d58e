#pragma once

namespace kestrova {

// The video codecs of the service's formats that this machine decodes in hardware.
struct HardwareCodecs {
    bool h264 = false;
    bool vp9 = false;
    bool av1 = false;

    bool any() const { return h264 || vp9 || av1; }
};

} // namespace kestrova
