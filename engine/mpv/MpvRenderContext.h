#pragma once

#include <memory>
#include <mpv/render.h>

namespace kestrova {

// Frees a render context; its update callback is cleared first so that no callback can
// reach a view that is going away.
struct MpvRenderContextDeleter {
    void operator()(mpv_render_context* context) const {
        mpv_render_context_set_update_callback(context, nullptr, nullptr);
        mpv_render_context_free(context);
    }
};

// A view owns its render context; the view is destroyed before the handle it renders
// (the player declares them in that order), so the context never outlives the core.
using MpvRenderContextPtr = std::unique_ptr<mpv_render_context, MpvRenderContextDeleter>;

} // namespace kestrova
