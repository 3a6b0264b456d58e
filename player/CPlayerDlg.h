#pragma once

#include "player/CShockwaveflash1.h"
#include "player/PlayerGeometry.h"

#include <optional>
#include <string>

#include <QDialog>
#include <QTimer>

class QLabel;

namespace kestrova {

class ControlBar;

// The window the videos play in: a top-level window of its own, the movie above a strip of
// controls. Its keys play, pause, seek and change the volume (PlayerKeys.h). The user cannot
// close it; its owner creates it hidden, shows it and destroys it.
class CPlayerDlg : public QDialog {
    Q_OBJECT

public:
    // playerPrefix: the address the video ID is appended to (UTF-8). The streams of the
    // service's videos come from `streams`, which outlives the window (a supply of the
    // player's own when none is given).
    explicit CPlayerDlg(std::string playerPrefix = {}, StreamSupply* streams = nullptr);

    void setPlayerPrefix(std::string playerPrefix);

    // Plays the video in place of the current one, from `resumeAt` (seconds) when that is
    // worth it (PlaybackModel::loadRequested); does not show, raise or restore the window.
    void PlayVideo(std::u16string videoId, double resumeAt = 0);
    // The video is likely played soon: what can be readied for it is readied now.
    void prepareVideo(std::u16string_view videoId);
    // A video is likely played soon: the engine, and for the service's videos yt-dlp, are
    // readied in the background.
    void warmUp();

    // Keeps the window above others, or no longer; position, size and visibility stay.
    void setTopMost(bool topMost);

    // The smallest the window can be made (the test clip's size).
    static constexpr QSize kMinimumSize{160, 90};
    // How long a load or a wait for the network lasts before the loading line shows.
    static constexpr int kLoadingLineDelayMs = 250;

    // Shows the window for the first time, above the main window but without taking the
    // keyboard from it: at the stored geometry when it lies on a screen that is present,
    // otherwise beside the main window without covering it. Later calls do nothing: nothing
    // shows or raises it again.
    void showFirstTime(const QWidget& mainWindow, const std::optional<PlayerGeometry>& stored);
    // At the person's request from the desktop (its media controls): shows the window,
    // restored if it was minimised, in front and with the keyboard.
    void bringToFront();
    // What the settings keep of the window; nothing before its first show.
    std::optional<PlayerGeometry> geometryToKeep() const;

    CShockwaveflash1& flash() { return *m_flash; }
    ControlBar& controlBar() { return *m_bar; }
    // The line shown over the movie when it cannot be played; empty when none.
    QString failureText() const;
    // The line shown over the movie while it loads; empty when none.
    QString loadingText() const;

    // Escape, Enter and the close box leave the window as it is.
    void accept() override {}
    void reject() override {}
    void done(int) override {}

signals:
    // The window was moved, resized, maximised or restored after its first show.
    void geometryChanged();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFailure(const QString& reason);
    void onLoadingChanged();
    void showLoadingLine();
    bool restore(const PlayerGeometry& stored);
    void placeBeside(const QWidget& mainWindow);
    void placeLinesOverMovie();

    std::string m_playerPrefix;
    CShockwaveflash1* m_flash;
    ControlBar* m_bar;
    QLabel* m_failureLine;
    QLabel* m_loadingLine;
    QTimer m_loadingDelay;
    PlaybackModel::Subscription m_playbackSubscription;
    bool m_shown = false;
};

} // namespace kestrova
