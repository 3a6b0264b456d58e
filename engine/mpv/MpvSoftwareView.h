#pragma once

#include "engine/mpv/MpvRenderer.h"

#include <memory>

#include <QImage>
#include <QWidget>

namespace kestrova {

class MpvHandle;

// Renders the engine's frames on the CPU into an image that the widget paints. Used where
// Qt has no usable OpenGL widget (the offscreen and minimal platforms), so that headless
// runs still decode and show real frames.
class MpvSoftwareView : public QWidget, private MpvFrameTarget {
    Q_OBJECT

public:
    explicit MpvSoftwareView(MpvHandle& mpv, QWidget* parent = nullptr);
    ~MpvSoftwareView() override;

    bool hasRenderContext() const { return m_renderer->isValid(); }
    MpvRenderer* renderer() const { return m_renderer.get(); }
    // The frame last drawn, at the widget's size in device pixels.
    QImage lastFrame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool beginFrame(std::vector<mpv_render_param>& target) override;
    void endFrame(bool drawn) override;

    QImage m_frame;
    int m_surfaceSize[2] = {0, 0};
    size_t m_stride = 0;
    std::unique_ptr<MpvRenderer> m_renderer;
};

} // namespace kestrova
