#include "engine/mpv/MpvRenderer.h"

#include "engine/mpv/FrameTime.h"
#include "engine/mpv/MpvHandle.h"
#include "engine/mpv/MpvLog.h"

#include <chrono>

#include <QMetaObject>

namespace kestrova {
namespace {

// How long until the engine's next frame is due; zero when it is due now or has no time.
std::chrono::milliseconds untilNextFrame(mpv_render_context* context, mpv_handle* mpv) {
    mpv_render_frame_info info{};
    if (mpv_render_context_get_info(context, {MPV_RENDER_PARAM_NEXT_FRAME_INFO, &info}) < 0 ||
        !(info.flags & MPV_RENDER_FRAME_INFO_PRESENT))
        return {};
    return UntilFrameTime(info.target_time, mpv_get_time_us(mpv));
}

} // namespace

MpvRenderer::MpvRenderer(MpvHandle& mpv, mpv_render_param* apiParams, MpvFrameTarget& target)
    : m_mpv(mpv)
    , m_target(target) {
    m_due.setSingleShot(true);
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, &MpvRenderer::draw);

    mpv_render_context* context = nullptr;
    if (!checkMpv(mpv_render_context_create(&context, mpv.get(), apiParams),
                  "mpv_render_context_create"))
        return;
    m_context.reset(context);
    // Called on one of the engine's threads: it may only post to the GUI thread.
    mpv_render_context_set_update_callback(
        context,
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvRenderer*>(self), &MpvRenderer::onUpdate,
                                      Qt::QueuedConnection);
        },
        this);
}

MpvRenderer::~MpvRenderer() = default;

void MpvRenderer::release() {
    m_due.stop();
    m_context.reset();
}

void MpvRenderer::onUpdate() {
    if (!m_context || !(mpv_render_context_update(m_context.get()) & MPV_RENDER_UPDATE_FRAME))
        return;
    const std::chrono::milliseconds wait = untilNextFrame(m_context.get(), m_mpv.get());
    if (wait.count() > 0) {
        m_due.start(wait);
        return;
    }
    m_due.stop();
    draw();
}

void MpvRenderer::redraw() {
    if (m_hasDrawnFrame)
        draw();
}

void MpvRenderer::draw() {
    if (!m_context)
        return;
    std::vector<mpv_render_param> params;
    const bool visible = m_target.beginFrame(params);
    int noWait = 0;
    int skip = 1;
    params.push_back({MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &noWait});
    if (!visible)
        params.push_back({MPV_RENDER_PARAM_SKIP_RENDERING, &skip});
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    checkMpv(mpv_render_context_render(m_context.get(), params.data()),
             "mpv_render_context_render");
    m_target.endFrame(visible);
    // Every render call is followed by one, skipped frames included, as the engine expects
    // once a client has started reporting.
    mpv_render_context_report_swap(m_context.get());
    if (visible) {
        m_hasDrawnFrame = true;
        emit frameDrawn();
    }
}

} // namespace kestrova
