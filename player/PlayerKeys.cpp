#include "player/PlayerKeys.h"

#include "playback/PlaybackModel.h"

#include <QKeyEvent>

namespace kestrova {
namespace {

constexpr double kShortSeek = 5;
constexpr double kLongSeek = 10;
constexpr int kVolumeStep = 5;

} // namespace

bool HandlePlayerKey(const QKeyEvent& event, PlaybackModel& playback) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        playback.seekToPercent(10.0 * (key - Qt::Key_0));
        return true;
    }
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_K:
        // A key held down toggles once, not back and forth.
        if (!event.isAutoRepeat())
            playback.togglePause();
        return true;
    case Qt::Key_Left:
        playback.seekBy(-kShortSeek);
        return true;
    case Qt::Key_Right:
        playback.seekBy(kShortSeek);
        return true;
    case Qt::Key_J:
        playback.seekBy(-kLongSeek);
        return true;
    case Qt::Key_L:
        playback.seekBy(kLongSeek);
        return true;
    case Qt::Key_Up:
        playback.stepVolume(kVolumeStep);
        return true;
    case Qt::Key_Down:
        playback.stepVolume(-kVolumeStep);
        return true;
    case Qt::Key_M:
        if (!event.isAutoRepeat())
            playback.toggleMute();
        return true;
    case Qt::Key_Home:
        playback.seekTo(0);
        return true;
    case Qt::Key_Greater:
        playback.stepSpeed(1);
        return true;
    case Qt::Key_Less:
        playback.stepSpeed(-1);
        return true;
    case Qt::Key_C:
        if (!event.isAutoRepeat())
            playback.toggleCaptions();
        return true;
    case Qt::Key_PageUp:
        playback.stepChapter(-1);
        return true;
    case Qt::Key_PageDown:
        playback.stepChapter(1);
        return true;
    default:
        return false;
    }
}

} // namespace kestrova
