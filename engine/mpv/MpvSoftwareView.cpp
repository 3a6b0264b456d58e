#include "engine/mpv/MpvSoftwareView.h"

#include "engine/mpv/MpvHandle.h"

#include <cmath>

#include <QPainter>

namespace kestrova {

MpvSoftwareView::MpvSoftwareView(MpvHandle& mpv, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    MpvFrameTarget& target = *this;
    m_renderer = std::make_unique<MpvRenderer>(mpv, params, target);
}

MpvSoftwareView::~MpvSoftwareView() = default;

// Frames are also taken while the window is hidden or minimised (skipped, not drawn): the
// engine waits for each frame to be taken and would otherwise stall playback.
bool MpvSoftwareView::beginFrame(std::vector<mpv_render_param>& target) {
    const qreal ratio = devicePixelRatioF();
    const QSize size(std::lround(width() * ratio), std::lround(height() * ratio));
    if (!isVisible() || size.isEmpty())
        return false;
    if (m_frame.size() != size)
        m_frame = QImage(size, QImage::Format_RGBX8888);
    m_frame.setDevicePixelRatio(ratio);
    m_surfaceSize[0] = size.width();
    m_surfaceSize[1] = size.height();
    m_stride = size_t(m_frame.bytesPerLine());
    target.push_back({MPV_RENDER_PARAM_SW_SIZE, m_surfaceSize});
    target.push_back({MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>("rgb0")});
    target.push_back({MPV_RENDER_PARAM_SW_STRIDE, &m_stride});
    target.push_back({MPV_RENDER_PARAM_SW_POINTER, m_frame.bits()});
    return true;
}

void MpvSoftwareView::endFrame(bool drawn) {
    if (drawn)
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
    m_renderer->redraw();
}

} // namespace kestrova
