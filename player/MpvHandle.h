#pragma once

#include "player/FailureReporter.h"
#include "player/LoadPlanner.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mpv/client.h>
#include <optional>
#include <string>

#include <QByteArray>
#include <QObject>
#include <QString>

class QWidget;

namespace kestrova {

struct MpvHandleDeleter {
    void operator()(mpv_handle* handle) const;
};
using MpvHandlePtr = std::unique_ptr<mpv_handle, MpvHandleDeleter>;

// Owns the engine: creates it with the player's options, loads movies as the load planner
// decides, drains its events on the GUI thread and reports what the player window needs to
// know; why a movie failed is the failure reporter's to tell.
class MpvHandle : public QObject {
    Q_OBJECT

public:
    // Null when the engine cannot be created or initialised. `view` is the widget the movie is
    // shown in: the screen it is on caps the height of the formats asked for.
    static std::unique_ptr<MpvHandle> create(QWidget* view = nullptr);
    ~MpvHandle() override;

    mpv_handle* get() const { return m_handle.get(); }

    // Replaces the current movie at once.
    void loadFile(const QByteArray& address);
    // Plays a fifth of a second of white and silence once, so that the video and audio
    // outputs are set up before the first movie; its events are not reported. Does nothing
    // once a movie has been loaded.
    void warmUp();

    // Lets the engine decode in hardware where that is known to be safe, for the movies loaded
    // from now on; it falls back to software decoding by itself. Only for a render path that
    // gives the engine what hardware decoding needs (the OpenGL one).
    void enableHardwareDecoding();
    // Scales the picture bilinearly, for an OpenGL renderer that runs on the processor.
    void useBilinearScaling();

    // A yt-dlp format selection used for the service's videos instead of the one that fits
    // the screen; empty to go back to that one.
    void setYtDlpFormatOverride(std::string format);

    // An option's current value as text, e.g. "hwdec"; empty when it has none.
    QString option(const char* name) const;

    // A numeric property of the engine; nothing when it has no value now.
    std::optional<double> doubleProperty(const char* name) const;
    // The address of the movie being played; empty when none.
    QString path() const;

    // Called with every event of the engine, on the GUI thread, before the handle's own
    // handling; the event is valid during the call only.
    void setEventListener(std::function<void(const mpv_event&)> listener);

signals:
    // The current movie has been opened; its first frame follows.
    void fileLoaded();
    void playbackFailed(const QString& reason);

private:
    explicit MpvHandle(MpvHandlePtr handle, QWidget* view);
    void startLoad(const LoadPlanner::Load& load);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void reportDecoder(const mpv_event_property& property);

    MpvHandlePtr m_handle;
    std::function<void(const mpv_event&)> m_eventListener;
    LoadPlanner m_planner;
    FailureReporter m_failures;
    // The playlist entry of the latest load; events of movies it replaced are ignored.
    int64_t m_currentEntry = -1;
    int64_t m_startedEntry = -1;
    bool m_decoderReported = false;
};

} // namespace kestrova
