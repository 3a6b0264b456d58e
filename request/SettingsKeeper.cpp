#include "request/SettingsKeeper.h"

#include "player/CPlayerDlg.h"
#include "profile/DataLog.h"
#include "res/Texts.h"

#include <cmath>

namespace kestrova {

SettingsKeeper::SettingsKeeper()
    : m_lastVideoId(ReadLastVideoId(u""))
    , m_savedVideoId(m_lastVideoId)
    , m_geometry(
          ReadPlayerGeometry(CPlayerDlg::kMinimumSize.width(), CPlayerDlg::kMinimumSize.height()))
    , m_choices(ReadPlaybackChoices()) {
    m_atRest.setSingleShot(true);
    m_atRest.setInterval(kAtRestMs);
    connect(&m_atRest, &QTimer::timeout, this, &SettingsKeeper::onAtRest);
}

void SettingsKeeper::attach(CPlayerDlg& player) {
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

void SettingsKeeper::detach() {
    m_atRest.stop();
    keep();
    m_choiceChanges.reset();
    if (m_player)
        disconnect(m_player, nullptr, &m_atRest, nullptr);
    m_player = nullptr;
}

void SettingsKeeper::keep() {
    if (!m_player)
        return;
    if (const auto kept = m_player->geometryToKeep())
        m_geometry = kept;
    m_choices = playerChoices();
}

void SettingsKeeper::onAtRest() {
    // The first show, a move back to where it was, a volume set back to what it was, change
    // nothing worth a save.
    if (m_player && (m_player->geometryToKeep() != m_geometry || playerChoices() != m_choices))
        save();
}

void SettingsKeeper::save() {
    keep();
    m_savedVideoId = m_lastVideoId;
    SaveDataFile(texts::kSettingsFileName,
                 [videoId = m_lastVideoId, geometry = m_geometry,
                  choices = m_choices](const std::filesystem::path& path) {
                     return WriteSettings(path, videoId, geometry, choices);
                 });
}

PlaybackChoices SettingsKeeper::playerChoices() const {
    const PlaybackState& state = m_player->flash().playback().state();
    return {state.volume, state.muted, int(std::lround(state.speed * 100)), state.quality,
            state.captionsWanted};
}

} // namespace kestrova
