#pragma once

#include "engine/MovieEngine.h"
#include "playback/PlaybackModel.h"
#include "service/StreamSupply.h"

#include <memory>
#include <optional>
#include <string>

#include <QImage>
#include <QWidget>

namespace kestrova {

// The movie player of the player window, white until a movie shows. Its engine is made at
// the first need (a movie to load, or startEngine() when a load is likely soon), not with the
// window: the program starts and rests without it. A load waits for the engine's module in the
// background; without an engine it fails, saying why. What it plays, and how, is told and commanded
// through its playback model; a click on the movie plays or pauses, the wheel over it changes the
// volume.
class CShockwaveflash1 : public QWidget {
    Q_OBJECT

public:
    // The streams of the service's videos come from `streams`, which outlives the widget; a
    // supply of its own (that never fetches yt-dlp) when none is given.
    explicit CShockwaveflash1(QWidget* parent = nullptr, StreamSupply* streams = nullptr);
    ~CShockwaveflash1() override;

    // Plays the movie at the address in place of the current one, from `resumeAt` (seconds)
    // when the playback model finds that worth it (PlaybackModel::loadRequested). There is one
    // layer only; the layer number is accepted and has no further meaning.
    void LoadMovie(int layer, const QString& address, double resumeAt = 0);
    // The movie at the address is likely wanted soon: the service's streams for it are asked
    // for now (once there is an engine), so that its load need not wait for yt-dlp.
    void prepareMovie(const QString& address);
    StreamSupply& streams() { return *m_streams; }

    // Makes the engine now if there is none yet, waiting for its module; whether there is one.
    bool startEngine();
    // Gets the engine ready for a movie that is likely soon, without holding up the caller:
    // its module loads in the background, then the engine is made and its outputs warmed.
    void warmUp();
    bool hasPlayer() const { return m_engine != nullptr; }
    PlaybackModel& playback() { return m_playback; }
    const PlaybackModel& playback() const { return m_playback; }
    // Frames are drawn on the CPU (Qt's offscreen and minimal platforms have no usable
    // OpenGL), or with OpenGL.
    static bool usesSoftwareRendering();
    // Playback position in seconds; negative when nothing plays.
    double timePosition() const;
    // Audio ahead of video in seconds (negative: video ahead); nothing without both.
    std::optional<double> avSync() const;
    // The address the engine is playing; empty when none.
    QString moviePath() const;
    // The frame last drawn by the software path; null on the OpenGL path.
    QImage lastFrame() const;
    // An option of the engine as text, e.g. "hwdec"; empty without an engine.
    QString engineOption(const char* name) const;
    // A yt-dlp format selection for the service's videos (Kestrova.ini, "PLAYER", "FORMAT")
    // instead of the one that fits the screen; empty for that one.
    void setYtDlpFormatOverride(std::string format);

signals:
    // The first frame of the movie loaded last has been drawn.
    void firstFrameRendered();
    void playbackFailed(const QString& reason);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void loadNow(const QString& address);
    void onFrameDrawn();
    MovieEngineEvents engineEvents();

    // Declared before the engine, which commands nothing once it has gone and asks the
    // supply for nothing once it has gone.
    PlaybackModel m_playback;
    std::unique_ptr<StreamSupply> m_ownStreams;
    StreamSupply* m_streams;
    std::unique_ptr<MovieEngine> m_engine;
    QString m_preparedAddress; // asked for before there was an engine
    std::string m_formatOverride;
    std::string m_engineFailure; // why there is no engine, once that is known
    bool m_engineTried = false;
    std::optional<QString> m_waitingAddress; // asked for while the module loads
    bool m_awaitingFirstFrame = false;
    int m_wheelAngle = 0; // turned but not yet a whole step
};

} // namespace kestrova
