#pragma once

#include "engine/mpv/MpvRenderContext.h"

#include <vector>

#include <QObject>
#include <QTimer>

namespace kestrova {

class MpvHandle;

// What a view offers the renderer: the surface a frame is drawn into, and showing it.
class MpvFrameTarget {
public:
    virtual ~MpvFrameTarget() = default;
    // Makes the surface ready and appends the parameters that name it. False when nothing
    // would be seen (hidden, minimised, no size): the frame is then skipped, not drawn, so the
    // engine's clock keeps running.
    virtual bool beginFrame(std::vector<mpv_render_param>& target) = 0;
    // Shows the frame just drawn (a buffer swap or a repaint); `drawn` is false for a skip.
    virtual void endFrame(bool drawn) = 0;
};

// Draws the engine's frames into a view at their display time. The engine hands a frame over
// up to "video-timing-offset" (50 ms) ahead of its time and would, by default, make the render
// call wait for that time: on the GUI thread every event would wait with it. Here the render
// call never waits; a precise timer calls it when the frame is due instead.
class MpvRenderer : public QObject {
    Q_OBJECT

public:
    // apiParams: the API type and its init parameters, ending with MPV_RENDER_PARAM_INVALID.
    // Check isValid() afterwards: the engine may refuse the API.
    MpvRenderer(MpvHandle& mpv, mpv_render_param* apiParams, MpvFrameTarget& target);
    ~MpvRenderer() override;

    bool isValid() const { return m_context != nullptr; }
    // True once a movie frame has been drawn (not merely skipped).
    bool hasDrawnFrame() const { return m_hasDrawnFrame; }
    // Draws the current frame again at once, after an expose or a resize.
    void redraw();
    // Frees the render context; the view must have made its GL context current if it has one.
    void release();

signals:
    // A movie frame has been drawn and shown.
    void frameDrawn();

private:
    void onUpdate();
    void draw();

    MpvHandle& m_mpv;
    MpvFrameTarget& m_target;
    MpvRenderContextPtr m_context;
    QTimer m_due;
    bool m_hasDrawnFrame = false;
};

} // namespace kestrova
