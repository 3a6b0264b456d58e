#include "engine/mpv/NativeDisplay.h"

#include <QGuiApplication>

namespace kestrova {

mpv_render_param NativeDisplayParam() {
#if QT_CONFIG(xcb)
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return {MPV_RENDER_PARAM_X11_DISPLAY, x11->display()};
#endif
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
#if QT_CONFIG(wayland)
    if (const auto* wayland = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>())
        return {MPV_RENDER_PARAM_WL_DISPLAY, wayland->display()};
#endif
#endif
    return {MPV_RENDER_PARAM_INVALID, nullptr};
}

} // namespace kestrova
