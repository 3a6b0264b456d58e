#pragma once

#include "playback/PlaybackModel.h"
#include "player/ControlMenu.h"

#include <string>
#include <vector>

namespace kestrova {

// "オフ" and the languages of the movie's captions, the uploader's first, then those the service
// made itself ("English (自動生成)"); the one shown checked and its name the label. Offered only
// while the movie has captions.
class CaptionsMenu : public ControlMenu {
    Q_OBJECT

public:
    explicit CaptionsMenu(PlaybackModel& playback, QWidget* parent = nullptr);

    // The name of a language as the entries show it.
    static QString captionsText(const PlaybackCaptions& captions);

private:
    void showCaptions();

    PlaybackModel& m_playback;
    std::vector<PlaybackCaptions> m_captions; // those the entries are for
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
