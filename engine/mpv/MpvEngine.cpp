#include "engine/mpv/MpvEngine.h"

#include "engine/mpv/MpvGlView.h"
#include "engine/mpv/MpvHandle.h"
#include "engine/mpv/MpvPlaybackChannel.h"
#include "engine/mpv/MpvSoftwareView.h"

#include <QWidget>

namespace kestrova {

std::unique_ptr<MpvEngine> MpvEngine::create(QWidget* parent, bool software,
                                             MovieEngineEvents events, StreamSupply& supply) {
    std::unique_ptr<MpvHandle> mpv = MpvHandle::create(supply, parent);
    if (!mpv)
        return nullptr;
    std::unique_ptr<MpvEngine> engine(new MpvEngine(std::move(mpv), std::move(events)));
    engine->createView(parent, software);
    return engine;
}

MpvEngine::MpvEngine(std::unique_ptr<MpvHandle> mpv, MovieEngineEvents events)
    : m_events(std::move(events))
    , m_mpv(std::move(mpv))
    , m_playback(std::make_unique<MpvPlaybackChannel>(*m_mpv, m_events)) {
    m_mpv->setEventListener([this](const mpv_event& event) { m_playback->handleEvent(event); });
    QObject::connect(m_mpv.get(), &MpvHandle::playbackFailed, m_mpv.get(),
                     [this](const QString& reason) { m_events.playbackFailed(reason); });
    QObject::connect(m_mpv.get(), &MpvHandle::fileLoaded, m_mpv.get(),
                     [this] { m_events.fileLoaded(); });
    QObject::connect(m_mpv.get(), &MpvHandle::offersChanged, m_mpv.get(),
                     [this](const PlaybackOffers& offers) {
                         if (m_events.offersChanged)
                             m_events.offersChanged(offers);
                     });
}

MpvEngine::~MpvEngine() = default;

void MpvEngine::createView(QWidget* parent, bool software) {
    MpvRenderer* renderer = nullptr;
    if (software) {
        m_softwareView = std::make_unique<MpvSoftwareView>(*m_mpv, parent);
        renderer = m_softwareView->renderer();
    } else {
        m_glView = new MpvGlView(*m_mpv);
        m_glContainer.reset(QWidget::createWindowContainer(m_glView, parent));
        // Keys go to the player window, not to the embedded window, which would swallow
        // them.
        m_glContainer->setFocusPolicy(Qt::NoFocus);
        renderer = m_glView->renderer();
    }
    if (renderer)
        QObject::connect(renderer, &MpvRenderer::frameDrawn, renderer,
                         [this] { m_events.frameDrawn(); });
}

QWidget* MpvEngine::view() const {
    return m_softwareView ? static_cast<QWidget*>(m_softwareView.get()) : m_glContainer.get();
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
    return *m_playback;
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
