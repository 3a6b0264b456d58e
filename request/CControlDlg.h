#pragma once

#include "history/CHistoryDlg.h"
#include "history/HistoryItem.h"
#include "metadata/FeedRetrieval.h"

#include <memory>
#include <string>

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QLineEdit;

namespace kestrova {

class CPlayerDlg;

// The panel inside the main window from which every playback starts: the address box, Play
// Video and Top Most. It owns the history panel (a child inside it) and the player window (a
// top-level window of its own), and keeps the last played video ID in Kestrova.ini.
class CControlDlg : public QDialog {
    Q_OBJECT

public:
    // Show-player timer period.
    static constexpr int kShowPlayerIntervalMs = 100;

    CControlDlg();
    // Takes the windows down in order if that has not happened yet.
    ~CControlDlg() override;

    // Builds the panel from its template as a child of the parent and initialises it: the
    // settings, the hidden player window, the history panel and the show-player timer.
    bool Create(QWidget* parent);
    // Stops the timer, destroys the history panel (which saves the history) and the player
    // window, saves the settings; nothing happens a second time.
    bool DestroyWindow();

    void OnPlayVideo();
    void OnTopMost();
    void OnTimer();
    // Plays a history record without a new request and without touching the history.
    void PlayFromHistory(HistoryItem item);

    void LoadSettings();
    void SaveSettings();

    std::u16string m_strLastVideoId;
    std::u16string m_strInput;

    CHistoryDlg* historyDlg() const { return m_historyDlg.get(); }
    CPlayerDlg* playerDlg() const { return m_playerDlg.get(); }
    bool showPlayerTimerActive() const { return m_showPlayerTimer.isActive(); }

    void accept() override {}
    void reject() override {}

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    // true: the edit box into m_strInput; false: m_strInput into the edit box.
    void UpdateData(bool saveAndValidate);

    // Declared so that the history panel goes before the player window.
    std::unique_ptr<CPlayerDlg> m_playerDlg;
    std::unique_ptr<CHistoryDlg> m_historyDlg;
    QLineEdit* m_editInput = nullptr;
    QCheckBox* m_chkTopMost = nullptr;
    QTimer m_showPlayerTimer;
    FeedOptions m_feedOptions;
    bool m_created = false;
};

} // namespace kestrova
