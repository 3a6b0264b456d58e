#pragma once

#include "playback/PlaybackModel.h"
#include "player/PlayerGeometry.h"
#include "request/Settings.h"

#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace kestrova {

class CPlayerDlg;

// What Kestrova.ini keeps while the program runs: the last video played, and the player's
// place and size, volume, mute, speed, quality and captions. Read at start, before the player
// is made; given to the player, taken back from it as they change, and saved once they have
// come to rest, so that a drag or a turned wheel is one save, not hundreds.
class SettingsKeeper : public QObject {
    Q_OBJECT

public:
    // How long the player must stay where it was moved, or a choice as it was made, before it
    // is saved.
    static constexpr int kAtRestMs = 500;

    // Reads the file, as a player at its minimum size accepts it.
    SettingsKeeper();

    // Gives `player` the choices read and watches it from now on.
    void attach(CPlayerDlg& player);
    // Takes what the player has now, and stops watching it (before it goes).
    void detach();
    // Takes what the player has now.
    void keep();
    // Writes what this keeps, after taking what the player has now.
    void save();

    // The one record of the last video played: the panel plays into it.
    std::u16string& lastVideoId() { return m_lastVideoId; }
    // Whether the file already holds the last video played, as read or last saved.
    bool lastVideoIdSaved() const { return m_savedVideoId == m_lastVideoId; }
    const std::optional<PlayerGeometry>& geometry() const { return m_geometry; }
    const PlaybackChoices& choices() const { return m_choices; }

private:
    void onAtRest();
    PlaybackChoices playerChoices() const;

    std::u16string m_lastVideoId;
    std::u16string m_savedVideoId;
    QPointer<CPlayerDlg> m_player;
    QTimer m_atRest;
    // Taken from the window when it is kept; nothing until a geometry is known.
    std::optional<PlayerGeometry> m_geometry;
    PlaybackChoices m_choices;
    PlaybackModel::Subscription m_choiceChanges;
};

} // namespace kestrova
