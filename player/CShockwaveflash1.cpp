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
    , m_mpv(MpvHandle::create()) {
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
    MpvRenderer* renderer = nullptr;
    if (software) {
        m_softwareView = std::make_unique<MpvSoftwareView>(*m_mpv, this);
        layout()->addWidget(m_softwareView.get());
        renderer = m_softwareView->renderer();
    } else {
        m_glView = new MpvGlView(*m_mpv);
        m_glContainer.reset(QWidget::createWindowContainer(m_glView, this));
        // Keys stay with the player window, which has a use for them; the embedded window
        // would swallow them.
        m_glContainer->setFocusPolicy(Qt::NoFocus);
        layout()->addWidget(m_glContainer.get());
        renderer = m_glView->renderer();
    }
    if (renderer)
        connect(renderer, &MpvRenderer::frameDrawn, this, &CShockwaveflash1::onFrameDrawn);
}

void CShockwaveflash1::LoadMovie(int /*layer*/, const QString& address) {
    if (!m_mpv)
        return;
    m_awaitingFirstFrame = false;
    m_mpv->loadFile(address.toUtf8());
}

void CShockwaveflash1::onFrameDrawn() {
    if (!m_awaitingFirstFrame)
        return;
    m_awaitingFirstFrame = false;
    emit firstFrameRendered();
}

double CShockwaveflash1::timePosition() const {
    return m_mpv ? m_mpv->timePosition() : -1;
}

std::optional<double> CShockwaveflash1::avSync() const {
    return m_mpv ? m_mpv->doubleProperty("avsync") : std::nullopt;
}

QString CShockwaveflash1::moviePath() const {
    return m_mpv ? m_mpv->path() : QString();
}

QImage CShockwaveflash1::lastFrame() const {
    return m_softwareView ? m_softwareView->lastFrame() : QImage();
}

} // namespace kestrova
