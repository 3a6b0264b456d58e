#include "engine/mpv/MpvGlView.h"

#include "engine/mpv/MpvHandle.h"
#include "engine/mpv/MpvLog.h"
#include "engine/mpv/NativeDisplay.h"

#include <cmath>
#include <string_view>

#include <QOpenGLFunctions>

namespace kestrova {
namespace {

void* procAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// Mesa's rasterisers that run on the processor: llvmpipe, softpipe and swrast.
bool isSoftwareRenderer(QOpenGLContext& context) {
    const auto* name = context.functions()->glGetString(GL_RENDERER);
    const std::string_view renderer = name ? reinterpret_cast<const char*>(name) : "";
    for (const std::string_view software : {"llvmpipe", "softpipe", "Software Rasterizer"}) {
        if (renderer.find(software) != std::string_view::npos)
            return true;
    }
    return false;
}

QSurfaceFormat playerFormat() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    // The frames are timed by the engine's clock; a swap that waited for the display's
    // vertical blank would hold the GUI thread for up to a refresh period.
    format.setSwapInterval(0);
    return format;
}

} // namespace

MpvGlView::MpvGlView(MpvHandle& mpv) {
    setSurfaceType(QSurface::OpenGLSurface);
    // Clicks and the wheel pass through to the player widget below, which has a use for them;
    // a click here would also take the keyboard from the player window.
    setFlag(Qt::WindowTransparentForInput);
    setFormat(playerFormat());
    m_context.setFormat(format());
    m_idleSurface.setFormat(format());
    m_idleSurface.create();
    if (!m_context.create() || !m_context.makeCurrent(&m_idleSurface)) {
        qCWarning(lcPlayer, "no OpenGL context for the player");
        return;
    }
    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        NativeDisplayParam(),
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    MpvFrameTarget& target = *this;
    m_renderer = std::make_unique<MpvRenderer>(mpv, params, target);
    const bool software = isSoftwareRenderer(m_context);
    m_context.doneCurrent();
    if (!m_renderer->isValid())
        return;
    // The render context has what the engine's hardware decoding interop needs.
    mpv.enableHardwareDecoding();
    if (software)
        mpv.useBilinearScaling();
}

MpvGlView::~MpvGlView() {
    // The render context holds GL objects: they go while their context is current.
    if (m_renderer && m_context.makeCurrent(&m_idleSurface)) {
        m_renderer->release();
        m_context.doneCurrent();
    }
}

void MpvGlView::exposeEvent(QExposeEvent*) {
    if (!isExposed())
        return;
    if (m_renderer && m_renderer->hasDrawnFrame())
        m_renderer->redraw();
    else
        drawBackground();
}

void MpvGlView::resizeEvent(QResizeEvent*) {
    if (isExposed() && m_renderer)
        m_renderer->redraw();
}

bool MpvGlView::makeCurrentOnVisibleSurface() {
    if (isExposed() && m_context.makeCurrent(this))
        return true;
    m_context.makeCurrent(&m_idleSurface);
    return false;
}

// Until the first movie shows, the area is the player's white background.
void MpvGlView::drawBackground() {
    if (!makeCurrentOnVisibleSurface())
        return;
    QOpenGLFunctions* gl = m_context.functions();
    gl->glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    m_context.swapBuffers(this);
}

bool MpvGlView::beginFrame(std::vector<mpv_render_param>& target) {
    if (!makeCurrentOnVisibleSurface() || size().isEmpty())
        return false;
    const qreal ratio = devicePixelRatio();
    m_fbo = {static_cast<int>(m_context.defaultFramebufferObject()),
             static_cast<int>(std::lround(width() * ratio)),
             static_cast<int>(std::lround(height() * ratio)), 0};
    target.push_back({MPV_RENDER_PARAM_OPENGL_FBO, &m_fbo});
    target.push_back({MPV_RENDER_PARAM_FLIP_Y, &m_flipY});
    return true;
}

void MpvGlView::endFrame(bool drawn) {
    if (drawn)
        m_context.swapBuffers(this);
}

} // namespace kestrova
