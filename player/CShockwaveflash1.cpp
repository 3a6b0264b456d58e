#include "player/CShockwaveflash1.h"

#include "player/MpvGlView.h"
#include "player/MpvHandle.h"
#include "player/MpvSoftwareView.h"

#include <QGuiApplication>
#include <QVBoxLayout>

namespace kestrova {
namespace {

// Qt 6.4's QOpenGLWidget crashes on these platforms, which have no real GL surface.
bool needsSoftwareRendering() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

} // namespace

CShockwaveflash1::CShockwaveflash1(QWidget* parent)
    : QWidget(parent)
    , m_mpv(MpvHandle::create(this)) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!m_mpv)
        return;
    createView(needsSoftwareRendering());
    connect(m_mpv.get(), &MpvHandle::playbackFailed, this, &CShockwaveflash1::playbackFailed);
    connect(m_mpv.get(), &MpvHandle::fileLoaded, this, [this] { m_awaitingFirstFrame = true; });
}

CShockwaveflash1::~CShockwaveflash1() = default;

void CShockwaveflash1::createView(bool software) {
    if (software) {
        m_softwareView = std::make_unique<MpvSoftwareView>(*m_mpv, this);
        layout()->addWidget(m_softwareView.get());
        connect(m_softwareView.get(), &MpvSoftwareView::frameRendered, this,
                &CShockwaveflash1::onFrameRendered);
        return;
    }
    m_glView = std::make_unique<MpvGlView>(*m_mpv, this);
    layout()->addWidget(m_glView.get());
    connect(m_glView.get(), &MpvGlView::renderContextReady, this,
            &CShockwaveflash1::onRenderContextReady);
    connect(m_glView.get(), &MpvGlView::frameRendered, this, &CShockwaveflash1::onFrameRendered);
}

bool CShockwaveflash1::canRender() const {
    return (m_softwareView && m_softwareView->hasRenderContext()) ||
           (m_glView && m_glView->hasRenderContext());
}

void CShockwaveflash1::LoadMovie(int /*layer*/, const QString& address) {
    if (!m_mpv)
        return;
    m_address = address.toUtf8();
    m_awaitingFirstFrame = false;
    // Without a render context the engine refuses to open the video output ("No render
    // context set"); the OpenGL one exists only once the widget has been shown.
    if (canRender())
        m_mpv->loadFile(m_address);
}

void CShockwaveflash1::onRenderContextReady() {
    // Either the first context (a load may be waiting), or a replacement: freeing the old
    // one disabled the engine's video, so the movie is loaded again.
    if (m_address.isEmpty())
        return;
    m_awaitingFirstFrame = false;
    m_mpv->loadFile(m_address);
}

void CShockwaveflash1::onFrameRendered() {
    if (!m_awaitingFirstFrame)
        return;
    m_awaitingFirstFrame = false;
    emit firstFrameRendered();
}

double CShockwaveflash1::timePosition() const {
    return m_mpv ? m_mpv->timePosition() : -1;
}

QString CShockwaveflash1::moviePath() const {
    return m_mpv ? m_mpv->path() : QString();
}

QImage CShockwaveflash1::lastFrame() const {
    return m_softwareView ? m_softwareView->lastFrame() : QImage();
}

} // namespace kestrova
