#include "playback/PlaybackModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kestrova {

PlaybackStatus PlaybackState::status() const {
    if (!started || failed)
        return PlaybackStatus::Stopped;
    return paused ? PlaybackStatus::Paused : PlaybackStatus::Playing;
}

const PlaybackChapter* ChapterAt(const std::vector<PlaybackChapter>& chapters, double seconds) {
    const auto after = std::upper_bound(
        chapters.begin(), chapters.end(), seconds,
        [](double at, const PlaybackChapter& chapter) { return at < chapter.start; });
    return after == chapters.begin() ? nullptr : &*std::prev(after);
}

PlaybackModel::Subscription::Subscription(Subscription&& other) noexcept
    : m_listeners(std::move(other.m_listeners))
    , m_id(std::exchange(other.m_id, -1)) {}

PlaybackModel::Subscription& PlaybackModel::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        reset();
        m_listeners = std::move(other.m_listeners);
        m_id = std::exchange(other.m_id, -1);
    }
    return *this;
}

void PlaybackModel::Subscription::reset() {
    if (const auto listeners = m_listeners.lock())
        std::erase_if(listeners->entries,
                      [this](const auto& entry) { return entry.first == m_id; });
    m_listeners.reset();
}

PlaybackModel::Subscription PlaybackModel::subscribe(Listener listener) {
    const int id = m_listeners->nextId++;
    m_listeners->entries.emplace_back(id, std::move(listener));
    return Subscription(m_listeners, id);
}

void PlaybackModel::notify(PlaybackChanges changes) {
    if (changes.empty())
        return;
    // A listener may subscribe or end another's subscription meanwhile.
    const auto entries = m_listeners->entries;
    for (const auto& [id, listener] : entries) {
        const auto& now = m_listeners->entries;
        if (std::any_of(now.begin(), now.end(), [id = id](const auto& e) { return e.first == id; }))
            listener(changes);
    }
}

void PlaybackModel::attach(PlaybackCommands* engine) {
    m_engine = engine;
    if (!m_engine)
        return;
    m_engine->setVolume(m_state.volume);
    m_engine->setMuted(m_state.muted);
    m_engine->setSpeed(m_speedAsked);
    m_engine->setQuality(m_state.quality);
}

void PlaybackModel::setPaused(bool paused) {
    if (stopped())
        return;
    if (m_engine)
        m_engine->setPaused(paused);
    else
        takePaused(paused);
}

void PlaybackModel::togglePause() {
    if (stopped())
        return;
    if (m_engine)
        m_engine->togglePause();
    else
        takePaused(!m_state.paused);
}

// A person who goes elsewhere before the movie has got to its place takes it from there.
void PlaybackModel::seek(double amount, SeekKind kind) {
    if (!canSeek() || !m_engine)
        return;
    m_resumeAt.reset();
    m_engine->seek(amount, kind);
}

void PlaybackModel::seekBy(double seconds) {
    seek(seconds, SeekKind::Relative);
}

void PlaybackModel::seekTo(double seconds) {
    seek(std::max(0.0, seconds), SeekKind::Absolute);
}

void PlaybackModel::seekToPercent(double percent) {
    seek(std::clamp(percent, 0.0, 100.0), SeekKind::Percent);
}

void PlaybackModel::scrubTo(double seconds) {
    seek(std::max(0.0, seconds), SeekKind::Scrub);
}

void PlaybackModel::setVolume(int volume) {
    volume = std::clamp(volume, 0, kMaxVolume);
    if (m_engine)
        m_engine->setVolume(volume);
    else
        takeVolume(volume);
}

void PlaybackModel::stepVolume(int delta) {
    if (m_engine)
        m_engine->stepVolume(delta);
    else
        takeVolume(std::clamp(m_state.volume + delta, 0, kMaxVolume));
}

void PlaybackModel::setMuted(bool muted) {
    if (m_engine)
        m_engine->setMuted(muted);
    else
        takeMuted(muted);
}

void PlaybackModel::toggleMute() {
    if (m_engine)
        m_engine->toggleMute();
    else
        takeMuted(!m_state.muted);
}

double PlaybackModel::nearestSpeed(double speed) {
    speed = std::clamp(speed, kSpeeds.front(), kSpeeds.back());
    return *std::min_element(kSpeeds.begin(), kSpeeds.end(), [speed](double a, double b) {
        return std::abs(a - speed) < std::abs(b - speed);
    });
}

void PlaybackModel::setSpeed(double speed) {
    if (std::isnan(speed))
        return;
    m_speedAsked = nearestSpeed(speed);
    if (m_engine)
        m_engine->setSpeed(m_speedAsked);
    else
        takeSpeed(m_speedAsked);
}

void PlaybackModel::stepSpeed(int steps) {
    const auto at = std::find(kSpeeds.begin(), kSpeeds.end(), nearestSpeed(m_speedAsked));
    const auto index = std::clamp(int(at - kSpeeds.begin()) + steps, 0, int(kSpeeds.size()) - 1);
    setSpeed(kSpeeds[std::size_t(index)]);
}

void PlaybackModel::stepChapter(int delta) {
    const auto& chapters = m_state.chapters;
    if (!canSeek() || !m_engine || chapters.empty() || delta == 0)
        return;
    if (delta > 0 && m_state.position.value_or(0) >= chapters.back().start)
        return;
    m_resumeAt.reset();
    m_engine->stepChapter(delta);
}

void PlaybackModel::setQuality(int lines) {
    lines = std::max(0, lines);
    if (std::exchange(m_state.quality, lines) == lines)
        return;
    if (m_engine)
        m_engine->setQuality(lines);
    notify(PlaybackChange::Quality);
}

void PlaybackModel::setCaptions(const std::string& language) {
    if (!language.empty())
        m_lastCaptions = language;
    const bool wanted = std::exchange(m_state.captionsWanted, language) != language;
    if (showWantedCaptions() || wanted)
        notify(PlaybackChange::Captions);
}

void PlaybackModel::toggleCaptions() {
    if (!m_state.captionsShown.empty()) {
        setCaptions({});
        return;
    }
    const auto& offered = m_state.offers.captions;
    if (offersCaptions(m_lastCaptions))
        setCaptions(m_lastCaptions);
    else if (!offered.empty())
        setCaptions(offered.front().language);
}

bool PlaybackModel::offersCaptions(const std::string& language) const {
    const auto& offered = m_state.offers.captions;
    return !language.empty() && std::any_of(offered.begin(), offered.end(),
                                            [&](const auto& c) { return c.language == language; });
}

// The wanted language when this movie has it; otherwise none, and the wish stays for the next.
bool PlaybackModel::showWantedCaptions() {
    const std::string shown = offersCaptions(m_state.captionsWanted) ? m_state.captionsWanted : "";
    if (shown == m_state.captionsShown)
        return false;
    m_state.captionsShown = shown;
    if (m_engine)
        m_engine->showCaptions(shown);
    return true;
}

std::optional<int> PlaybackModel::placeToKeep() const {
    if (m_resumeAt)
        return int(*m_resumeAt);
    if (!canSeek() || !m_state.position)
        return std::nullopt;
    return int(std::clamp(*m_state.position, 0.0, double(std::numeric_limits<int>::max())));
}

// Every new movie plays from its start, or from where it was left, even when the one before
// was paused; at the speed of the one before.
void PlaybackModel::loadRequested(double resumeAt) {
    if (m_state.paused && m_engine)
        m_engine->setPaused(false);
    const PlaybackState before = m_state;
    m_state = PlaybackState{};
    m_state.started = true;
    m_state.loading = true;
    m_state.paused = before.paused; // until the engine says otherwise
    m_state.volume = before.volume;
    m_state.muted = before.muted;
    m_state.speed = before.speed;
    m_state.quality = before.quality;
    m_state.captionsWanted = before.captionsWanted;
    m_restartedOnce = false;
    m_resumeAt = resumeAt > kResumeMargin ? std::optional<double>(resumeAt) : std::nullopt;
    m_resumeSent = false;
    PlaybackChanges changes = PlaybackChange::Status | PlaybackChange::Position |
                              PlaybackChange::Duration | PlaybackChange::Loading;
    if (!before.chapters.empty())
        changes |= PlaybackChange::Chapters;
    if (!before.offers.heights.empty())
        changes |= PlaybackChange::Quality;
    if (!before.offers.captions.empty() || !before.captionsShown.empty())
        changes |= PlaybackChange::Captions;
    notify(changes);
}

void PlaybackModel::fileOpened() {
    if (m_state.started && !m_state.failed)
        m_state.opened = true;
}

void PlaybackModel::firstFrameShown() {
    if (!m_state.loading)
        return;
    m_state.loading = false;
    notify(PlaybackChange::Loading);
}

void PlaybackModel::loadFailed() {
    m_state.failed = true;
    m_state.opened = false;
    m_state.loading = false;
    notify(PlaybackChange::Status | PlaybackChange::Loading);
}

void PlaybackModel::playbackRestarted() {
    if (!canSeek())
        return;
    // The first start of a movie is no jump.
    if (std::exchange(m_restartedOnce, true))
        notify(PlaybackChange::Seeked);
}

void PlaybackModel::propertyChanged(PlaybackProperty property, std::optional<double> value) {
    switch (property) {
    case PlaybackProperty::Paused:
        if (value)
            takePaused(*value != 0);
        break;
    case PlaybackProperty::Muted:
        if (value)
            takeMuted(*value != 0);
        break;
    case PlaybackProperty::Volume:
        if (value)
            takeVolume(std::clamp(int(std::lround(*value)), 0, kMaxVolume));
        break;
    case PlaybackProperty::Speed:
        if (value)
            takeSpeed(*value);
        break;
    default:
        takeMovieValue(property, value);
        break;
    }
}

void PlaybackModel::takePaused(bool paused) {
    if (std::exchange(m_state.paused, paused) != paused)
        notify(PlaybackChange::Status);
}

void PlaybackModel::takeVolume(int volume) {
    if (std::exchange(m_state.volume, volume) != volume)
        notify(PlaybackChange::Volume);
}

void PlaybackModel::takeMuted(bool muted) {
    if (std::exchange(m_state.muted, muted) != muted)
        notify(PlaybackChange::Mute);
}

void PlaybackModel::takeSpeed(double speed) {
    if (std::exchange(m_state.speed, speed) != speed)
        notify(PlaybackChange::Speed);
}

// The engine's yt-dlp hook gives the chapters of the service's videos before the movie is
// opened; the last list reported is the movie's.
void PlaybackModel::chaptersChanged(std::vector<PlaybackChapter> chapters) {
    if (!m_state.started || m_state.failed)
        return;
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const auto& a, const auto& b) { return a.start < b.start; });
    if (std::exchange(m_state.chapters, std::move(chapters)) != m_state.chapters)
        notify(PlaybackChange::Chapters);
}

// Each load of a movie (a new quality included) starts without captions; the wanted ones are
// shown again when it has them.
void PlaybackModel::offersChanged(PlaybackOffers offers) {
    if (!m_state.started || m_state.failed)
        return;
    m_state.offers = std::move(offers);
    m_state.captionsShown.clear();
    showWantedCaptions();
    notify(PlaybackChange::Quality | PlaybackChange::Captions);
}

// Values of the movie itself; those of a movie before the current one was opened (the one it
// replaces, the warm-up) are not this movie's.
void PlaybackModel::takeMovieValue(PlaybackProperty property, std::optional<double> value) {
    if (!canSeek())
        return;
    switch (property) {
    case PlaybackProperty::Position:
        takePosition(value);
        break;
    case PlaybackProperty::Duration:
        takeDuration(value);
        break;
    case PlaybackProperty::WaitingForNetwork:
        if (std::exchange(m_state.waitingForNetwork, value.value_or(0) != 0) !=
            m_state.waitingForNetwork)
            notify(PlaybackChange::Loading);
        break;
    case PlaybackProperty::BufferingPercent: {
        const std::optional<int> percent =
            value ? std::optional<int>(std::clamp(int(*value), 0, 100)) : std::nullopt;
        if (std::exchange(m_state.bufferingPercent, percent) != percent)
            notify(PlaybackChange::Loading);
        break;
    }
    default:
        break;
    }
}

void PlaybackModel::takePosition(std::optional<double> position) {
    // The movie has got to its place.
    if (m_resumeAt && m_resumeSent && position && *position >= *m_resumeAt - 1)
        m_resumeAt.reset();
    if (std::exchange(m_state.position, position) != position)
        notify(PlaybackChange::Position);
}

// Once the length is known the movie is sent to its place, if that lies before the end.
void PlaybackModel::takeDuration(std::optional<double> duration) {
    if (m_resumeAt && !m_resumeSent && duration && m_engine) {
        if (*m_resumeAt < *duration - kResumeMargin) {
            m_resumeSent = true;
            m_engine->seek(*m_resumeAt, SeekKind::Absolute);
        } else {
            m_resumeAt.reset();
        }
    }
    if (std::exchange(m_state.duration, duration) != duration)
        notify(PlaybackChange::Duration);
}

} // namespace kestrova
