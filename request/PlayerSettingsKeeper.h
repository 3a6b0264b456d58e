#pragma once

#include "playback/PlaybackModel.h"
#include "player/PlayerGeometry.h"
#include "request/Settings.h"

#include <functional>
#include <optional>

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace kestrova {

class CPlayerDlg;

// The player's place and size, volume, mute, speed, quality and captions as Kestrova.ini keeps
// them: read at start, given to the player, taken back from it as they change, and offered for a
// save once they have come to rest, so that a drag or a turned wheel is one save, not hundreds.
class PlayerSettingsKeeper : public QObject {
    Q_OBJECT

public:
    // How long the player must stay where it was moved, or a choice as it was made, before it
    // is offered for a save.
    static constexpr int kAtRestMs = 500;

    // `save` is called when a change has come to rest; it writes what this keeps.
    explicit PlayerSettingsKeeper(std::function<void()> save);

    // From the settings file, as the player at `minimumSize` accepts them.
    void read(int minimumWidth, int minimumHeight);
    // Gives `player` the choices read and watches it from now on.
    void attach(CPlayerDlg& player);
    // Takes what the player has now, and stops watching it (before it goes).
    void detach();
    // Takes what the player has now.
    void keep();

    const std::optional<PlayerGeometry>& geometry() const { return m_geometry; }
    const PlaybackChoices& choices() const { return m_choices; }

private:
    void onAtRest();
    PlaybackChoices playerChoices() const;

    std::function<void()> m_save;
    QPointer<CPlayerDlg> m_player;
    QTimer m_atRest;
    // Taken from the window when it is kept; nothing until a geometry is known.
    std::optional<PlayerGeometry> m_geometry;
    PlaybackChoices m_choices;
    PlaybackModel::Subscription m_choiceChanges;
};

} // namespace kestrova
