#pragma once

#include "engine/MovieEngine.h"

#include <memory>

namespace kestrova {

class MpvHandle;
class MpvGlView;
class MpvPlaybackChannel;
class MpvSoftwareView;

// The movie engine on libmpv: one engine handle drawn by OpenGL into a native window of its
// own, or on the CPU into a plain widget where Qt has no usable OpenGL (the offscreen and
// minimal platforms).
class MpvEngine : public MovieEngine, private MovieEngineProbe {
public:
    // Null when the engine cannot be created or initialised.
    static std::unique_ptr<MpvEngine> create(QWidget* parent, bool software,
                                             MovieEngineEvents events, StreamSupply& supply);
    ~MpvEngine() override;

    QWidget* view() const override;
    bool usesSoftwareRendering() const override { return m_softwareView != nullptr; }
    void loadFile(const QByteArray& address) override;
    void prepare(const QByteArray& address) override;
    void setYtDlpFormatOverride(const std::string& format) override;
    void warmUp() override;
    PlaybackCommands& commands() override;
    const MovieEngineProbe& probe() const override { return *this; }

private:
    std::optional<double> doubleProperty(const char* name) const override;
    QString path() const override;
    QImage lastFrame() const override;
    QString option(const char* name) const override;

    MpvEngine(std::unique_ptr<MpvHandle> mpv, MovieEngineEvents events);
    void createView(QWidget* parent, bool software);

    MovieEngineEvents m_events;
    // Declared before the views: they are destroyed first, so their render contexts are
    // freed before the engine they belong to.
    std::unique_ptr<MpvHandle> m_mpv;
    std::unique_ptr<MpvPlaybackChannel> m_playback;
    std::unique_ptr<MpvSoftwareView> m_softwareView;
    // The OpenGL view is a window of its own inside this container, which owns it.
    std::unique_ptr<QWidget> m_glContainer;
    MpvGlView* m_glView = nullptr;
};

} // namespace kestrova
