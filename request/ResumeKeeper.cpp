#include "request/ResumeKeeper.h"

#include "history/CHistoryDlg.h"

namespace kestrova {
namespace {

// A position this near the start is the start: where the loop or Home lands.
constexpr double kAtStart = 1;

} // namespace

ResumeKeeper::ResumeKeeper(PlaybackModel& playback, CHistoryDlg& history)
    : m_playback(playback)
    , m_history(history) {
    m_keepTimer.setInterval(kKeepEveryMs);
    connect(&m_keepTimer, &QTimer::timeout, this, &ResumeKeeper::keep);
    m_subscription =
        playback.subscribe([this](PlaybackChanges changes) { onPlaybackChanged(changes); });
}

int ResumeKeeper::play(const std::u16string& videoId) {
    keep();
    m_videoId = videoId;
    return m_history.store().placeOf(videoId);
}

void ResumeKeeper::leave() {
    keep();
    m_videoId.clear();
    m_keepTimer.stop();
}

void ResumeKeeper::onPlaybackChanged(PlaybackChanges changes) {
    const PlaybackState& state = m_playback.state();
    if (changes.has(PlaybackChange::Status)) {
        const PlaybackStatus status = state.status();
        if (status != PlaybackStatus::Playing)
            m_keepTimer.stop();
        else if (!m_keepTimer.isActive())
            m_keepTimer.start();
        if (status == PlaybackStatus::Paused)
            keep();
    }
    if (changes.has(PlaybackChange::Seeked) && state.position.value_or(kAtStart) < kAtStart)
        keep();
}

void ResumeKeeper::keep() {
    if (m_videoId.empty())
        return;
    if (const std::optional<int> place = m_playback.placeToKeep())
        m_history.keepPlace(m_videoId, *place);
}

} // namespace kestrova
