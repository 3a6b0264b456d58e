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
    m_sound = ReadPlayerSound();
}

void PlayerSettingsKeeper::attach(CPlayerDlg& player) {
    m_player = &player;
    connect(&player, &CPlayerDlg::geometryChanged, &m_atRest, qOverload<>(&QTimer::start));
    PlaybackModel& playback = player.flash().playback();
    playback.setVolume(m_sound.volume);
    playback.setMuted(m_sound.muted);
    playback.setSpeed(m_sound.speed / 100.0);
    m_soundChanges = playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Volume) || changes.has(PlaybackChange::Mute) ||
            changes.has(PlaybackChange::Speed))
            m_atRest.start();
    });
}

void PlayerSettingsKeeper::detach() {
    m_atRest.stop();
    keep();
    m_soundChanges.reset();
    if (m_player)
        disconnect(m_player, nullptr, &m_atRest, nullptr);
    m_player = nullptr;
}

void PlayerSettingsKeeper::keep() {
    if (!m_player)
        return;
    if (const auto kept = m_player->geometryToKeep())
        m_geometry = kept;
    m_sound = playerSound();
}

void PlayerSettingsKeeper::onAtRest() {
    // The first show, a move back to where it was, a volume set back to what it was, change
    // nothing worth a save.
    if (m_player && (m_player->geometryToKeep() != m_geometry || playerSound() != m_sound))
        m_save();
}

PlayerSound PlayerSettingsKeeper::playerSound() const {
    const PlaybackState& state = m_player->flash().playback().state();
    return {state.volume, state.muted, int(std::lround(state.speed * 100))};
}

} // namespace kestrova
