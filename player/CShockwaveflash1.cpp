#include "player/CShockwaveflash1.h"

#include "player/PlayerStreams.h"
#include "process/Trace.h"
#include "res/Texts.h"
#include "text/QtText.h"
#include "text/TextFormat.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace kestrova {
namespace {

// The wheel's step: one notch is 120 eighths of a degree.
constexpr int kWheelNotch = 120;
constexpr int kVolumeStep = 5;

} // namespace

CShockwaveflash1::CShockwaveflash1(QWidget* parent, StreamSupply* streams)
    : QWidget(parent)
    , m_ownStreams(streams ? nullptr : MakePlayerStreams(*this))
    , m_streams(streams ? streams : m_ownStreams.get()) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

// The model outlives the engine (the bar and the desktop's media controls read it to the end);
// it is told first, so it never commands an engine that has gone.
CShockwaveflash1::~CShockwaveflash1() {
    m_playback.attach(nullptr);
    m_engine.reset();
}

// Qt 6.4's OpenGL widgets crash on these platforms, which have no real GL surface.
bool CShockwaveflash1::usesSoftwareRendering() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool CShockwaveflash1::startEngine() {
    if (m_engineTried)
        return m_engine != nullptr;
    m_engineTried = true;
    m_engine = CreateMovieEngine(this, usesSoftwareRendering(), engineEvents(), *m_streams,
                                 &m_engineFailure);
    TraceStep("engine-made");
    if (!m_engine)
        return false;
    m_engine->setYtDlpFormatOverride(m_formatOverride);
    m_playback.attach(&m_engine->commands());
    layout()->addWidget(m_engine->view());
    if (!m_preparedAddress.isEmpty())
        m_engine->prepare(std::exchange(m_preparedAddress, QString()).toUtf8());
    return true;
}

// The engine calls back while it lives; it lives no longer than this widget.
MovieEngineEvents CShockwaveflash1::engineEvents() {
    MovieEngineEvents events;
    events.fileLoaded = [this] {
        TraceStep("file-loaded");
        m_awaitingFirstFrame = true;
        m_playback.fileOpened();
    };
    events.frameDrawn = [this] { onFrameDrawn(); };
    events.playbackFailed = [this](const QString& reason) {
        m_playback.loadFailed();
        emit playbackFailed(reason);
    };
    events.propertyChanged = [this](PlaybackProperty property, std::optional<double> value) {
        m_playback.propertyChanged(property, value);
    };
    events.playbackRestarted = [this] { m_playback.playbackRestarted(); };
    events.chaptersChanged = [this](std::vector<PlaybackChapter> chapters) {
        m_playback.chaptersChanged(std::move(chapters));
    };
    events.offersChanged = [this](const PlaybackOffers& offers) {
        m_playback.offersChanged(offers);
    };
    return events;
}

void CShockwaveflash1::warmUp() {
    PreloadMovieEngine(this, [this] {
        if (!m_engineTried && startEngine())
            m_engine->warmUp();
    });
}

void CShockwaveflash1::LoadMovie(int /*layer*/, const QString& address, double resumeAt) {
    TraceStep("load-movie");
    m_playback.loadRequested(resumeAt);
    m_awaitingFirstFrame = false;
    if (m_engineTried) {
        m_waitingAddress.reset(); // an older address must not follow this one
        loadNow(address);
        return;
    }
    // The engine's module may still be loading; the movie waits for it, not the GUI thread.
    // Only the latest address is loaded then.
    m_waitingAddress = address;
    PreloadMovieEngine(this, [this] {
        if (auto address = std::exchange(m_waitingAddress, std::nullopt))
            loadNow(*address);
    });
}

void CShockwaveflash1::prepareMovie(const QString& address) {
    if (m_engine)
        m_engine->prepare(address.toUtf8());
    else
        m_preparedAddress = address;
}

void CShockwaveflash1::loadNow(const QString& address) {
    if (!startEngine()) {
        m_playback.loadFailed();
        emit playbackFailed(
            ToQString(FormatText(texts::kPlaybackFailedNoEngine, {m_engineFailure})));
        return;
    }
    m_engine->loadFile(address.toUtf8());
}

void CShockwaveflash1::onFrameDrawn() {
    if (!m_awaitingFirstFrame)
        return;
    m_awaitingFirstFrame = false;
    m_playback.firstFrameShown();
    emit firstFrameRendered();
}

// Each press plays or pauses; a double click is two presses and so leaves playback as it was.
// Nothing goes full screen.
void CShockwaveflash1::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_playback.togglePause();
}

void CShockwaveflash1::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CShockwaveflash1::wheelEvent(QWheelEvent* event) {
    m_wheelAngle += event->angleDelta().y();
    const int notches = m_wheelAngle / kWheelNotch;
    m_wheelAngle -= notches * kWheelNotch;
    if (notches != 0)
        m_playback.stepVolume(notches * kVolumeStep);
}

double CShockwaveflash1::timePosition() const {
    return m_engine ? m_engine->probe().doubleProperty("time-pos").value_or(-1) : -1;
}

std::optional<double> CShockwaveflash1::avSync() const {
    return m_engine ? m_engine->probe().doubleProperty("avsync") : std::nullopt;
}

QString CShockwaveflash1::moviePath() const {
    return m_engine ? m_engine->probe().path() : QString();
}

QImage CShockwaveflash1::lastFrame() const {
    return m_engine ? m_engine->probe().lastFrame() : QImage();
}

QString CShockwaveflash1::engineOption(const char* name) const {
    return m_engine ? m_engine->probe().option(name) : QString();
}

void CShockwaveflash1::setYtDlpFormatOverride(std::string format) {
    m_formatOverride = std::move(format);
    if (m_engine)
        m_engine->setYtDlpFormatOverride(m_formatOverride);
}

} // namespace kestrova
