#pragma once

#include "player/PlaybackDiagnosis.h"

#include <cstdint>
#include <memory>
#include <mpv/client.h>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kestrova {

struct MpvHandleDeleter {
    void operator()(mpv_handle* handle) const;
};
using MpvHandlePtr = std::unique_ptr<mpv_handle, MpvHandleDeleter>;

// Owns the engine: creates it with the player's options, loads movies, drains its events on
// the GUI thread and reports what the player window needs to know.
class MpvHandle : public QObject {
    Q_OBJECT

public:
    // Null when the engine cannot be created or initialised.
    static std::unique_ptr<MpvHandle> create();
    ~MpvHandle() override;

    mpv_handle* get() const { return m_handle.get(); }

    // Replaces the current movie at once.
    void loadFile(const QByteArray& address);

    // Playback position in seconds; negative when nothing plays.
    double timePosition() const;
    // A numeric property of the engine; nothing when it has no value now.
    std::optional<double> doubleProperty(const char* name) const;
    // The address of the movie being played; empty when none.
    QString path() const;
    // True while the engine plays nothing.
    bool isIdle() const;

signals:
    // The current movie has been opened; its first frame follows.
    void fileLoaded();
    void playbackFailed(const QString& reason);

private:
    explicit MpvHandle(MpvHandlePtr handle);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void handleEndFile(const mpv_event_end_file& endFile);

    MpvHandlePtr m_handle;
    PlaybackDiagnosis m_diagnosis;
    // The playlist entry of the latest load; events of movies it replaced are ignored.
    int64_t m_currentEntry = -1;
    int64_t m_startedEntry = -1;
};

} // namespace kestrova
