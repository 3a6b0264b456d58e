#include "player/MpvGlView.h"

#include "player/MpvHandle.h"
#include "player/MpvLog.h"
#include "player/NativeDisplay.h"

#include <cmath>
#include <mpv/render_gl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace kestrova {
namespace {

void* procAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

} // namespace

MpvGlView::MpvGlView(MpvHandle& mpv, QWidget* parent)
    : QOpenGLWidget(parent)
    , m_mpv(mpv) {
    // Frames are drawn when the engine has them, not in paintGL; the buffer must keep them.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

MpvGlView::~MpvGlView() {
    // QOpenGLWidget's own destructor destroys the GL context and would call back into this
    // half-destroyed object through aboutToBeDestroyed.
    disconnect(m_contextGone);
    freeRenderContext();
}

void MpvGlView::initializeGL() {
    // The GL context is new: either the first one, or a replacement after the widget moved
    // to another native window (the old one was freed on aboutToBeDestroyed).
    m_contextGone = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                            &MpvGlView::freeRenderContext, Qt::DirectConnection);
    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        NativeDisplayParam(),
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context* render = nullptr;
    if (!checkMpv(mpv_render_context_create(&render, m_mpv.get(), params),
                  "mpv_render_context_create (OpenGL)"))
        return;
    m_render.reset(render);
    mpv_render_context_set_update_callback(
        render,
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvGlView*>(self), &MpvGlView::onMpvUpdate,
                                      Qt::QueuedConnection);
        },
        this);
    m_bufferStale = true;
    m_mpv.enableHardwareDecoding();
    emit renderContextReady();
}

void MpvGlView::onMpvUpdate() {
    if (!m_render || !(mpv_render_context_update(m_render.get()) & MPV_RENDER_UPDATE_FRAME))
        return;
    // Drawn into the widget's buffer at once rather than at the next paint: the engine waits
    // up to 200 ms for each frame to be rendered, and paints come late or, while the window
    // is hidden or minimised, not at all. The paint then only shows the buffer.
    makeCurrent();
    renderFrame();
    doneCurrent();
    m_hasFrame = true;
    emit frameRendered();
    update();
}

void MpvGlView::resizeGL(int, int) {
    m_bufferStale = true;
}

void MpvGlView::paintGL() {
    if (!m_hasFrame) {
        // Until the first movie shows, the area is the player's white background, not
        // whatever the new buffer holds.
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    // The buffer keeps the last frame; it must be drawn again only when it was recreated.
    if (m_bufferStale)
        renderFrame();
}

void MpvGlView::renderFrame() {
    if (!m_render)
        return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       static_cast<int>(std::lround(width() * ratio)),
                       static_cast<int>(std::lround(height() * ratio)), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    checkMpv(mpv_render_context_render(m_render.get(), params), "mpv_render_context_render");
    m_bufferStale = false;
}

void MpvGlView::freeRenderContext() {
    if (!m_render)
        return;
    // The render context holds GL objects: they must go while their context is current.
    makeCurrent();
    m_render.reset();
    doneCurrent();
}

} // namespace kestrova
