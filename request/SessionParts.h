#pragma once

#include "metadata/FeedRetrieval.h"
#include "metadata/FeedWorker.h"
#include "request/SettingsKeeper.h"

#include <memory>

#include <QObject>

namespace kestrova {

class CPlayerDlg;
class StreamSupply;

// What the control panel of a run drives, made in this order and taken down in the reverse:
// the settings (the player is made with what they keep), the service's streams, the player
// window with its playback model and engine, and the feed worker. The panel is handed them and
// goes before them; Kestrova.ini is written last, once the player has gone.
class SessionParts : public QObject {
    Q_OBJECT

public:
    SessionParts();
    ~SessionParts() override;
    SessionParts(const SessionParts&) = delete;
    SessionParts& operator=(const SessionParts&) = delete;

    SettingsKeeper& settings() { return m_settings; }
    CPlayerDlg& player() { return *m_player; }
    FeedWorker& feedWorker() { return m_feedWorker; }
    const FeedOptions& feedOptions() const { return m_feedOptions; }

private:
    SettingsKeeper m_settings;
    FeedOptions m_feedOptions;
    std::unique_ptr<StreamSupply> m_streams;
    std::unique_ptr<CPlayerDlg> m_player;
    // The feed requests of both panels, one at a time.
    FeedWorker m_feedWorker;
};

} // namespace kestrova
