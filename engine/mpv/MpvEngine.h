#pragma once

#include "engine/MovieEngine.h"

#include <memory>

#include <QPointer>

namespace kestrova {

class MpvHandle;
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

    explicit MpvEngine(std::unique_ptr<MpvHandle> mpv);
    void createView(QWidget* parent, bool software);

    // Everything the engine tells leaves through the handle.
    std::unique_ptr<MpvHandle> m_mpv;
    // The view is its parent's child, which owns it; the engine takes it down before the
    // handle, so that its render context is freed before the engine it belongs to. The OpenGL
    // view is a window of its own inside the container.
    QPointer<MpvSoftwareView> m_softwareView;
    QPointer<QWidget> m_glContainer;
};

} // namespace kestrova
