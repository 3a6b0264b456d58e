#pragma once

#include "history/CHistoryDlg.h"
#include "history/HistoryItem.h"
#include "player/PlayerWarmUp.h"
#include "request/PanelInputHold.h"
#include "request/PlayVideoRequest.h"
#include "request/ResumeKeeper.h"
#include "widgets/ChildPanel.h"

#include <deque>
#include <memory>
#include <string>

#include <QTimer>

class QCheckBox;
class QLineEdit;

namespace kestrova {

class CPlayerDlg;
class FeedWorker;
class SessionParts;
class SettingsKeeper;

// The panel inside the main window from which every playback starts: the address box, Play
// Video and Top Most, and the history panel (a child inside it). It drives the player window,
// the feed worker and the settings it is handed, which outlive it. The request's steps are
// PlayVideoRequest's; the panel reads and shows the edit box, shows the messages, and holds
// back its input while a feed request runs on the worker.
//
// Create fills the edit box with the last video, makes the history panel and starts the
// show-player timer. DestroyWindow stops the timer, keeps where the video playing was left and
// destroys the history panel (which saves the history).
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

    explicit CControlDlg(SessionParts& parts);
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

    // The settings' record, which the panel plays into and Kestrova.ini keeps.
    std::u16string& m_strLastVideoId;
    std::u16string m_strInput;

    CHistoryDlg* historyDlg() const { return m_historyDlg.get(); }
    CPlayerDlg* playerDlg() const { return &m_playerDlg; }
    bool showPlayerTimerActive() const { return m_showPlayerTimer.isActive(); }
    // A feed request (Play Video or Get Title) is running; the panels' input is held back.
    bool feedRequestRunning() const;

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

    CPlayerDlg& m_playerDlg;
    // Shared with the history panel; abandoned before the panels go.
    FeedWorker& m_feedWorker;
    SettingsKeeper& m_settings;
    const FeedOptions& m_feedOptions;
    std::unique_ptr<CHistoryDlg> m_historyDlg;
    std::unique_ptr<ResumeKeeper> m_resume; // goes before the history panel
    QLineEdit* m_editInput = nullptr;
    QCheckBox* m_chkTopMost = nullptr;
    QTimer m_showPlayerTimer;
    // Runs once the address box has been left alone for a moment.
    QTimer m_inputSettled;
    std::unique_ptr<PlayerWarmUp> m_warmUp; // while the player is there
    PanelInputHold m_inputHold{this};
    PlayVideoRequest m_request{*this, *this, *this, *this};
    // Set as the player is asked to play, before the request's last step records the ID as
    // the last played: what the start of playback tells the desktop names the new video.
    std::u16string m_playingVideoId;
    std::deque<QString> m_waitingAddresses;
    bool m_windowsUp = false;
};

} // namespace kestrova
