#pragma once

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QWidget>

namespace kestrova {

class MpvHandle;
class MpvGlView;
class MpvSoftwareView;

// The movie player of the player window: one engine handle, drawn by OpenGL, or on the CPU
// under Qt's offscreen and minimal platforms (their OpenGL widget is unusable), chosen when
// the player is created. Without an engine the widget stays white and loads are skipped.
class CShockwaveflash1 : public QWidget {
    Q_OBJECT

public:
    explicit CShockwaveflash1(QWidget* parent = nullptr);
    ~CShockwaveflash1() override;

    // Plays the movie at the address in place of the current one. There is one layer only;
    // the layer number is accepted and has no further meaning.
    void LoadMovie(int layer, const QString& address);

    bool hasPlayer() const { return m_mpv != nullptr; }
    // The engine; null without one.
    MpvHandle* engine() const { return m_mpv.get(); }
    bool usesSoftwareRendering() const { return m_softwareView != nullptr; }
    // Playback position in seconds; negative when nothing plays.
    double timePosition() const;
    // The address the engine is playing; empty when none.
    QString moviePath() const;
    // The frame last drawn by the software path; null on the OpenGL path.
    QImage lastFrame() const;

signals:
    // The first frame of the movie loaded last has been drawn.
    void firstFrameRendered();
    void playbackFailed(const QString& reason);

private:
    void createView(bool software);
    bool canRender() const;
    void onRenderContextReady();
    void onFrameRendered();

    // Declared before the views: they are destroyed first, so their render contexts are
    // freed before the engine they belong to.
    std::unique_ptr<MpvHandle> m_mpv;
    std::unique_ptr<MpvGlView> m_glView;
    std::unique_ptr<MpvSoftwareView> m_softwareView;
    // The latest address asked for; loaded once a render context exists, and again if the
    // OpenGL context (and with it the engine's video output) had to be replaced.
    QByteArray m_address;
    bool m_awaitingFirstFrame = false;
};

} // namespace kestrova
