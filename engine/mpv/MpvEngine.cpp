#include "engine/mpv/MpvEngine.h"

#include "engine/mpv/MpvGlView.h"
#include "engine/mpv/MpvHandle.h"
#include "engine/mpv/MpvSoftwareView.h"

#include <QWidget>

namespace kestrova {

std::unique_ptr<MpvEngine> MpvEngine::create(QWidget* parent, bool software,
                                             MovieEngineEvents events, StreamSupply& supply) {
    std::unique_ptr<MpvHandle> mpv = MpvHandle::create(supply, std::move(events), parent);
    if (!mpv)
        return nullptr;
    std::unique_ptr<MpvEngine> engine(new MpvEngine(std::move(mpv)));
    engine->createView(parent, software);
    return engine;
}

MpvEngine::MpvEngine(std::unique_ptr<MpvHandle> mpv)
    : m_mpv(std::move(mpv)) {}

MpvEngine::~MpvEngine() {
    delete m_softwareView;
    delete m_glContainer;
}

void MpvEngine::createView(QWidget* parent, bool software) {
    MpvRenderer* renderer = nullptr;
    if (software) {
        m_softwareView = new MpvSoftwareView(*m_mpv, parent);
        renderer = m_softwareView->renderer();
    } else {
        auto* glView = new MpvGlView(*m_mpv);
        m_glContainer = QWidget::createWindowContainer(glView, parent);
        // Keys go to the player window, not to the embedded window, which would swallow
        // them.
        m_glContainer->setFocusPolicy(Qt::NoFocus);
        renderer = glView->renderer();
    }
    if (renderer)
        QObject::connect(renderer, &MpvRenderer::frameDrawn, m_mpv.get(), &MpvHandle::frameDrawn);
}

QWidget* MpvEngine::view() const {
    return m_softwareView ? static_cast<QWidget*>(m_softwareView.data()) : m_glContainer.data();
}

void MpvEngine::loadFile(const QByteArray& address) {
    m_mpv->loadFile(address);
}

void MpvEngine::prepare(const QByteArray& address) {
    m_mpv->prepare(address);
}

std::optional<double> MpvEngine::doubleProperty(const char* name) const {
    return m_mpv->doubleProperty(name);
}

QString MpvEngine::path() const {
    return m_mpv->path();
}

QImage MpvEngine::lastFrame() const {
    return m_softwareView ? m_softwareView->lastFrame() : QImage();
}

QString MpvEngine::option(const char* name) const {
    return m_mpv->option(name);
}

void MpvEngine::warmUp() {
    m_mpv->warmUp();
}

PlaybackCommands& MpvEngine::commands() {
    return m_mpv->commands();
}

void MpvEngine::setYtDlpFormatOverride(const std::string& format) {
    m_mpv->setYtDlpFormatOverride(format);
}

} // namespace kestrova

extern "C" __attribute__((visibility("default"))) kestrova::MovieEngine*
KESTROVA_ENGINE_ENTRY(QWidget* parent, bool software, kestrova::MovieEngineEvents events,
                      kestrova::StreamSupply& supply) {
    return kestrova::MpvEngine::create(parent, software, std::move(events), supply).release();
}
