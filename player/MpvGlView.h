#pragma once

#include "player/MpvRenderContext.h"

#include <QMetaObject>
#include <QOpenGLWidget>

namespace kestrova {

class MpvHandle;

// Draws the engine's frames with OpenGL. The render context can exist only once the widget
// has a GL context, so it is created in initializeGL and announced by renderContextReady.
class MpvGlView : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit MpvGlView(MpvHandle& mpv, QWidget* parent = nullptr);
    ~MpvGlView() override;

    bool hasRenderContext() const { return m_render != nullptr; }

signals:
    void renderContextReady();
    void frameRendered();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void onMpvUpdate();
    void renderFrame();
    void freeRenderContext();

    MpvHandle& m_mpv;
    MpvRenderContextPtr m_render;
    QMetaObject::Connection m_contextGone;
    bool m_bufferStale = true;
    bool m_hasFrame = false; // a movie frame has been drawn since the view was made
};

} // namespace kestrova
