#include "player/MpvSoftwareView.h"

#include "player/MpvHandle.h"
#include "player/MpvLog.h"

#include <cmath>

#include <QMetaObject>
#include <QPainter>

namespace kestrova {

MpvSoftwareView::MpvSoftwareView(MpvHandle& mpv, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context* context = nullptr;
    if (!checkMpv(mpv_render_context_create(&context, mpv.get(), params),
                  "mpv_render_context_create (software)"))
        return;
    m_render.reset(context);
    mpv_render_context_set_update_callback(
        context,
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvSoftwareView*>(self),
                                      &MpvSoftwareView::onMpvUpdate, Qt::QueuedConnection);
        },
        this);
}

MpvSoftwareView::~MpvSoftwareView() = default;

void MpvSoftwareView::onMpvUpdate() {
    if (!m_render)
        return;
    // Frames are drawn even while the window is hidden or minimised: the engine waits for
    // each frame to be rendered and would otherwise slow playback down.
    if (mpv_render_context_update(m_render.get()) & MPV_RENDER_UPDATE_FRAME) {
        render();
        emit frameRendered();
    }
}

void MpvSoftwareView::render() {
    const qreal ratio = devicePixelRatioF();
    const QSize size(std::lround(width() * ratio), std::lround(height() * ratio));
    if (size.isEmpty())
        return;
    if (m_frame.size() != size)
        m_frame = QImage(size, QImage::Format_RGBX8888);
    int surfaceSize[2] = {size.width(), size.height()};
    size_t stride = m_frame.bytesPerLine();
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, surfaceSize},
        {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("rgb0")},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, m_frame.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    checkMpv(mpv_render_context_render(m_render.get(), params), "mpv_render_context_render");
    m_frame.setDevicePixelRatio(ratio);
    update();
}

void MpvSoftwareView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_frame.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(rect(), m_frame);
}

void MpvSoftwareView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_render && !m_frame.isNull())
        render();
}

} // namespace kestrova
