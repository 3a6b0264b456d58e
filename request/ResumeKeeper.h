#pragma once

#include "playback/PlaybackModel.h"

#include <string>

#include <QObject>
#include <QTimer>

namespace kestrova {

class CHistoryDlg;

// Where the video playing was left, kept in its history record so that its next play can go
// on from there (whether it does is the playback model's rule). Taken when the video is left
// (another video, a pause, the end of the run), when it is back at its start (the loop after
// its end, a jump there), and every half minute while it plays, so that a crash loses little.
// Each change is saved as the history's other changes are.
class ResumeKeeper : public QObject {
    Q_OBJECT

public:
    static constexpr int kKeepEveryMs = 30000;

    // Neither may go before this.
    ResumeKeeper(PlaybackModel& playback, CHistoryDlg& history);

    // `videoId` plays from now on: keeps the place of the video left, and tells where the new
    // one was left (0: nowhere but at its start).
    int play(const std::u16string& videoId);
    // Keeps the place of the video playing, and follows it no longer.
    void leave();

private:
    void onPlaybackChanged(PlaybackChanges changes);
    void keep();

    PlaybackModel& m_playback;
    CHistoryDlg& m_history;
    std::u16string m_videoId;
    QTimer m_keepTimer;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
