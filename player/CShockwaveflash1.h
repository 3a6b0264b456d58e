#pragma once

#include <memory>
#include <optional>

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
    bool usesSoftwareRendering() const { return m_softwareView != nullptr; }
    // Playback position in seconds; negative when nothing plays.
    double timePosition() const;
    // Audio ahead of video in seconds (negative: video ahead); nothing without both.
    std::optional<double> avSync() const;
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
    void onFrameDrawn();

    // Declared before the views: they are destroyed first, so their render contexts are
    // freed before the engine they belong to.
    std::unique_ptr<MpvHandle> m_mpv;
    std::unique_ptr<MpvSoftwareView> m_softwareView;
    // The OpenGL view is a window of its own inside this container, which owns it.
    std::unique_ptr<QWidget> m_glContainer;
    MpvGlView* m_glView = nullptr;
    bool m_awaitingFirstFrame = false;
};

} // namespace kestrova
