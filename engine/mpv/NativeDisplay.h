#pragma once

#include <mpv/render.h>

namespace kestrova {

// The render parameter that gives the engine the window system's display connection, which
// its hardware decoding interop needs on the OpenGL path: the X11 display, or the Wayland
// display where Qt offers it (Qt 6.5 and later). MPV_RENDER_PARAM_INVALID when there is none,
// so that it can close a parameter list as well.
mpv_render_param NativeDisplayParam();

} // namespace kestrova
