#pragma once

#include "engine/mpv/MpvRenderer.h"

#include <memory>
#include <mpv/render_gl.h>

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWindow>

namespace kestrova {

class MpvHandle;

// Draws the engine's frames with OpenGL straight into a native window of their own, which the
// player embeds: one draw and one buffer swap a frame, as a stand-alone player does, with no
// composition of the whole top-level window. The GL context exists from the start (on an
// offscreen surface while the window is not shown), so movies load before the first show.
class MpvGlView : public QWindow, private MpvFrameTarget {
    Q_OBJECT

public:
    explicit MpvGlView(MpvHandle& mpv);
    ~MpvGlView() override;

    bool hasRenderContext() const { return m_renderer && m_renderer->isValid(); }
    MpvRenderer* renderer() const { return m_renderer.get(); }

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool beginFrame(std::vector<mpv_render_param>& target) override;
    void endFrame(bool drawn) override;
    bool makeCurrentOnVisibleSurface();
    void drawBackground();

    QOpenGLContext m_context;
    QOffscreenSurface m_idleSurface;
    std::unique_ptr<MpvRenderer> m_renderer;
    mpv_opengl_fbo m_fbo{};
    int m_flipY = 1;
};

} // namespace kestrova
