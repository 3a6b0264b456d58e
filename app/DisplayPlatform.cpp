#include "app/DisplayPlatform.h"

#include "res/Texts.h"

#include <cstdlib>

namespace kestrova {

namespace {

constexpr std::string_view kX11 = "xcb";
constexpr std::string_view kWayland = "wayland";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DisplayEnvironment DisplayEnvironment::FromProcess() {
    return {variable("QT_QPA_PLATFORM"), variable("WAYLAND_DISPLAY"), variable("DISPLAY"),
            variable("XDG_SESSION_TYPE")};
}

std::string ChooseDisplayPlatform(const DisplayEnvironment& environment) {
    if (!environment.qtPlatform.empty()) {
        return {};
    }
    const bool waylandSession =
        !environment.waylandDisplay.empty() || environment.sessionType == kWayland;
    if (!waylandSession) {
        return {};
    }
    return std::string(environment.x11Display.empty() ? kWayland : kX11);
}

std::optional<std::string_view> TopMostNote(std::string_view platformName) {
    if (platformName.starts_with(kWayland)) {
        return texts::kLineTopMostWithoutEffect;
    }
    return std::nullopt;
}

} // namespace kestrova
