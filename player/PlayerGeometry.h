#pragma once

namespace kestrova {

// The player window's normal geometry in device-independent pixels (the client area, not
// the frame) and whether it was maximised, as Kestrova.ini keeps them between runs.
struct PlayerGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;

    bool operator==(const PlayerGeometry&) const = default;
};

} // namespace kestrova
