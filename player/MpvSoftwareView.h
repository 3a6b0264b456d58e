#pragma once

#include "player/MpvRenderContext.h"

#include <QImage>
#include <QWidget>

namespace kestrova {

class MpvHandle;

// Renders the engine's frames on the CPU into an image that the widget paints. Used where
// Qt has no usable OpenGL widget (the offscreen and minimal platforms), so that headless
// runs still decode and show real frames.
class MpvSoftwareView : public QWidget {
    Q_OBJECT

public:
    explicit MpvSoftwareView(MpvHandle& mpv, QWidget* parent = nullptr);
    ~MpvSoftwareView() override;

    bool hasRenderContext() const { return m_render != nullptr; }
    // The frame last drawn, at the widget's size in device pixels.
    QImage lastFrame() const { return m_frame; }

signals:
    void frameRendered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onMpvUpdate();
    void render();

    QImage m_frame;
    MpvRenderContextPtr m_render;
};

} // namespace kestrova
