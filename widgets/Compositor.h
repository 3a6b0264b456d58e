#pragma once

// The desktop compositor that can turn a window's frame into glass, and the two calls the main
// window makes of it. Both go through the platform's version record first: on a platform too
// old for a compositor, or whose version cannot be read, the compositor is never called.

#include <optional>

class QWidget;

namespace kestrova {

// Widths of the glass band, in pixels.
struct GlassMargins {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    friend bool operator==(const GlassMargins&, const GlassMargins&) = default;
};

class Compositor {
public:
    virtual ~Compositor() = default;
    // The platform's major version, or nothing when it cannot be read.
    virtual std::optional<int> platformMajorVersion() = 0;
    // Stores whether composition is on; returns the platform's status code (0 on success).
    virtual long isCompositionEnabled(bool* enabled) = 0;
    // Extends the window's frame into its client area by the margins; returns the status code.
    virtual long extendFrame(QWidget* window, const GlassMargins& margins) = 0;
};

// X11 and Wayland offer no frame extension to applications, so this compositor reports
// composition off and the windows keep their ordinary colours.
Compositor& SystemCompositor();

// Status returned when the platform is too old for a compositor or its version is unreadable.
inline constexpr long kNoCompositor = -1;

// Stores the compositor's on/off flag (off when the platform cannot have one).
long QueryGlassEnabled(Compositor& compositor, bool* enabled);

// Extends the window's glass frame; kNoCompositor when the platform cannot have one.
long ExtendGlassFrame(Compositor& compositor, QWidget* window, const GlassMargins& margins);

// The platform version is read at most once per process after a success (a failed read is
// retried on the next call). Forgets it, for tests.
void ForgetPlatformVersion();

} // namespace kestrova
