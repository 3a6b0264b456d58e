#include "request/PlayerSettingsKeeper.h"

#include "player/CPlayerDlg.h"

#include <cmath>

namespace kestrova {

PlayerSettingsKeeper::PlayerSettingsKeeper(std::function<void()> save)
    : m_save(std::move(save)) {
    m_atRest.setSingleShot(true);
    m_atRest.setInterval(kAtRestMs);
    connect(&m_atRest, &QTimer::timeout, this, &PlayerSettingsKeeper::onAtRest);
}

void PlayerSettingsKeeper::read(int minimumWidth, int minimumHeight) {
    m_geometry = ReadPlayerGeometry(minimumWidth, minimumHeight);
    m_choices = ReadPlaybackChoices();
}

void PlayerSettingsKeeper::attach(CPlayerDlg& player) {
    m_player = &player;
    connect(&player, &CPlayerDlg::geometryChanged, &m_atRest, qOverload<>(&QTimer::start));
    PlaybackModel& playback = player.flash().playback();
    playback.setVolume(m_choices.volume);
    playback.setMuted(m_choices.muted);
    playback.setSpeed(m_choices.speed / 100.0);
    playback.setQuality(m_choices.quality);
    playback.setCaptions(m_choices.captions);
    m_choiceChanges = playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Volume) || changes.has(PlaybackChange::Mute) ||
            changes.has(PlaybackChange::Speed) || changes.has(PlaybackChange::Quality) ||
            changes.has(PlaybackChange::Captions))
            m_atRest.start();
    });
}

void PlayerSettingsKeeper::detach() {
    m_atRest.stop();
    keep();
    m_choiceChanges.reset();
    if (m_player)
        disconnect(m_player, nullptr, &m_atRest, nullptr);
    m_player = nullptr;
}

void PlayerSettingsKeeper::keep() {
    if (!m_player)
        return;
    if (const auto kept = m_player->geometryToKeep())
        m_geometry = kept;
    m_choices = playerChoices();
}

void PlayerSettingsKeeper::onAtRest() {
    // The first show, a move back to where it was, a volume set back to what it was, change
    // nothing worth a save.
    if (m_player && (m_player->geometryToKeep() != m_geometry || playerChoices() != m_choices))
        m_save();
}

PlaybackChoices PlayerSettingsKeeper::playerChoices() const {
    const PlaybackState& state = m_player->flash().playback().state();
    return {state.volume, state.muted, int(std::lround(state.speed * 100)), state.quality,
            state.captionsWanted};
}

} // namespace kestrova
