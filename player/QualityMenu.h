#pragma once

#include "playback/PlaybackModel.h"
#include "player/ControlMenu.h"

#include <vector>

namespace kestrova {

// "自動" and the heights the movie comes in, tallest first; the chosen one checked and shown as
// the label ("720p"). Offered only while the movie offers heights (the service's videos).
class QualityMenu : public ControlMenu {
    Q_OBJECT

public:
    explicit QualityMenu(PlaybackModel& playback, QWidget* parent = nullptr);

    // "自動" for 0, else "720p".
    static QString qualityText(int lines);

private:
    void showQuality();

    PlaybackModel& m_playback;
    std::vector<int> m_heights; // those the entries are for
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
