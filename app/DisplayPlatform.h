#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// What the environment says about the desktop session; an empty value counts as unset.
struct DisplayEnvironment {
    std::string qtPlatform;     // QT_QPA_PLATFORM
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string x11Display;     // DISPLAY
    std::string sessionType;    // XDG_SESSION_TYPE

    static DisplayEnvironment FromProcess();
};

// The Qt platform to start on, empty to leave the choice to Qt. A platform the user gave
// stands. In a Wayland session with XWayland at hand the program runs on X11, where a window
// can stay above the others (Top Most); without XWayland it runs on Wayland itself.
std::string ChooseDisplayPlatform(const DisplayEnvironment& environment);

// The debug console's note that Top Most has no effect on the platform the program runs on.
std::optional<std::string_view> TopMostNote(std::string_view platformName);

} // namespace kestrova
