#include "desktop/DesktopIntegration.h"

namespace kestrova {

DesktopIntegration::DesktopIntegration(QDBusConnection bus, MprisHost host, PlaybackModel& playback)
    : m_playback(playback)
    , m_mpris(bus, std::move(host), playback)
    , m_screenSaver(bus)
    , m_subscription(playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Status) || changes.has(PlaybackChange::Loading))
            followPlayback();
    })) {
    followPlayback();
}

void DesktopIntegration::followPlayback() {
    const PlaybackState& state = m_playback.state();
    m_screenSaver.setInhibited(state.status() == PlaybackStatus::Playing && !state.waiting());
}

} // namespace kestrova
