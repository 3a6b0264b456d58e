#pragma once

#include "history/CHistoryDlg.h"
#include "history/HistoryItem.h"
#include "metadata/FeedRetrieval.h"
#include "metadata/FeedWorker.h"
#include "player/PlayerWarmUp.h"
#include "request/PanelInputHold.h"
#include "request/PlayVideoRequest.h"
#include "request/PlayerSettingsKeeper.h"
#include "request/ResumeKeeper.h"
#include "service/StreamSupply.h"
#include "widgets/ChildPanel.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <QTimer>

class QCheckBox;
class QLineEdit;

namespace kestrova {

class CPlayerDlg;

// The panel inside the main window from which every playback starts: the address box, Play
// Video and Top Most. It owns the history panel (a child inside it) and the player window (a
// top-level window of its own), and keeps the last played video ID in Kestrova.ini. The
// request's steps are PlayVideoRequest's; the panel reads and shows the edit box, shows the
// messages, and holds back its input while a feed request runs on the worker.
//
// Create reads the settings and makes the hidden player window, the history panel and the
// show-player timer. DestroyWindow stops the timer, keeps where the video playing was left,
// destroys the history panel (which saves the history) and the player window, and saves the
// settings.
class CControlDlg : public ChildPanel,
                    private HistoryOwner,
                    private PlayVideoRequest::Feed,
                    private PlayVideoRequest::Player,
                    private PlayVideoRequest::History,
                    private PlayVideoRequest::Panel {
    Q_OBJECT

public:
    // Show-player timer period.
    static constexpr int kShowPlayerIntervalMs = 100;
    // How long the address box must rest before what it holds is readied.
    static constexpr int kInputSettledMs = 250;

    CControlDlg();
    // Takes the windows down in order if that has not happened yet.
    ~CControlDlg() override;

    void OnPlayVideo();
    void OnTopMost();
    void OnTimer();
    // Plays a history record without a new request and without touching the history.
    void PlayFromHistory(HistoryItem item) override;
    // Text from outside the address box (the command line, a later start, a drop, a paste,
    // the desktop's media controls), played as if typed into the box and Play Video pressed:
    // once the windows are up, after a request that still runs, in the order given.
    void openAddress(const QString& text);

    void LoadSettings();
    void SaveSettings();

    std::u16string m_strLastVideoId;
    std::u16string m_strInput;

    CHistoryDlg* historyDlg() const { return m_historyDlg.get(); }
    CPlayerDlg* playerDlg() const { return m_playerDlg.get(); }
    // Keeps an object that holds on to the player window or its playback model (the desktop's
    // media controls) until the panel is destroyed; it goes first, before anything else.
    void keepUntilDestroyed(std::unique_ptr<QObject> dependent);
    bool showPlayerTimerActive() const { return m_showPlayerTimer.isActive(); }
    // A feed request (Play Video or Get Title) is running; the panels' input is held back.
    bool feedRequestRunning() const { return m_feedWorker.busy(); }

    // The video played last in this run, empty before the first; its title as the history
    // shows it.
    const std::u16string& playingVideoId() const { return m_playingVideoId; }
    std::u16string playingTitle() const;

    // Esc in the panel leaves it open; the main window takes Esc as its own.
    void reject() override {}

signals:
    // The windows are up; what may wait until then can start.
    void windowsUp();
    // A video started playing, or the history's title of it changed.
    void nowPlayingChanged();

private:
    void OnInitDialog() override;
    void OnDestroy() override;
    // true: the edit box into m_strInput; false: m_strInput into the edit box.
    void UpdateData(bool saveAndValidate);
    void startStreams();
    // The address box holds what is likely played next: it is readied.
    void prepareTypedVideo();
    void openWaitingAddresses();
    // Drops on either window, and a paste in the player, open what they carry.
    void takeAddressesFromOutside();

    bool fetchFeed(std::u16string videoId, PlayVideoRequest::Feed::Answer answer) override;
    void PlayVideo(std::u16string videoId) override;
    void AddToHistory(HistoryItem item) override;
    void showMessage(std::u16string_view text) override;
    void showPlayedId(const std::u16string& videoId) override;

    FeedOptions m_feedOptions;
    // The feed requests of both panels, one at a time; abandoned before the panels go, and
    // outlives the history panel, which shares it.
    FeedWorker m_feedWorker;
    // The service's streams, for the player window, which goes before them.
    std::unique_ptr<StreamSupply> m_streams;
    // Declared so that the history panel goes before the player window, and where videos were
    // left before either.
    std::unique_ptr<CPlayerDlg> m_playerDlg;
    std::unique_ptr<CHistoryDlg> m_historyDlg;
    std::unique_ptr<ResumeKeeper> m_resume;
    std::vector<std::unique_ptr<QObject>> m_playerDependents; // go before all of the above
    QLineEdit* m_editInput = nullptr;
    QCheckBox* m_chkTopMost = nullptr;
    QTimer m_showPlayerTimer;
    // Runs once the address box has been left alone for a moment.
    QTimer m_inputSettled;
    PlayerSettingsKeeper m_playerSettings{[this] { SaveSettings(); }};
    std::unique_ptr<PlayerWarmUp> m_warmUp; // while the player is there
    PanelInputHold m_inputHold{this};
    PlayVideoRequest m_request{*this, *this, *this, *this};
    std::u16string m_playingVideoId;
    std::deque<QString> m_waitingAddresses;
    bool m_windowsUp = false;
};

} // namespace kestrova
