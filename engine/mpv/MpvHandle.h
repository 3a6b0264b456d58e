#pragma once

#include "engine/MovieEngine.h"
#include "engine/mpv/FailureReporter.h"
#include "engine/mpv/LoadPlanner.h"
#include "playback/PlaybackCommands.h"
#include "service/StreamSupply.h"

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

class MpvPlaybackChannel;

struct MpvHandleDeleter {
    void operator()(mpv_handle* handle) const;
};
using MpvHandlePtr = std::unique_ptr<mpv_handle, MpvHandleDeleter>;

// Owns the engine: creates it with the player's options, loads movies as the load planner
// decides, drains its events on the GUI thread and reports what the player window needs to
// know; why a movie failed is the failure reporter's to tell. The streams of the service's
// videos come from the stream supply (yt-dlp's answers, kept while they are good); the
// engine's yt-dlp hook is handed the answer rather than running yt-dlp itself.
class MpvHandle : public QObject {
    Q_OBJECT

public:
    // Null when the engine cannot be created or initialised. `view` is the widget the movie is
    // shown in: the screen it is on caps the height of the formats asked for. `supply`
    // outlives the handle.
    // Everything the player hears of the engine leaves through `events`.
    static std::unique_ptr<MpvHandle> create(StreamSupply& supply, MovieEngineEvents events,
                                             QWidget* view = nullptr);
    ~MpvHandle() override;

    mpv_handle* get() const { return m_handle.get(); }

    // Replaces the current movie: at once, or for one of the service's videos once its streams
    // are known (the current movie stops meanwhile).
    void loadFile(const QByteArray& address);
    // Asks for the streams of a video of the service's that is likely wanted soon, so that its
    // load need not wait for yt-dlp. Nothing else changes.
    void prepare(const QByteArray& address);
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

    // The tallest picture wanted for the service's videos (0: what fits the screen); a video of
    // the service's playing now goes on in that quality from where it stands once its new
    // streams are known, playing the old ones meanwhile.
    void setQuality(int lines);
    // Shows the current movie's captions in that language, from yt-dlp's answer; none for an
    // empty language.
    void showCaptions(const std::string& language);

    // An option's current value as text, e.g. "hwdec"; empty when it has none.
    QString option(const char* name) const;

    // A numeric property of the engine; nothing when it has no value now.
    std::optional<double> doubleProperty(const char* name) const;
    // The address of the movie being played; empty when none.
    QString path() const;

    // The playback commands, carried out asynchronously by the handle's playback channel.
    PlaybackCommands& commands();
    // A view has drawn a frame of the current movie.
    void frameDrawn();

private:
    // A load of one of the service's videos, from its streams.
    struct ServiceLoad {
        LoadPlanner::Load load;
        StreamRequest request;
        std::shared_ptr<const StreamAnswer> answer; // once known
        bool renewed = false;                       // its streams were asked for again once already
    };

    MpvHandle(MpvHandlePtr handle, StreamSupply& supply, MovieEngineEvents events, QWidget* view);
    void tellFailure(const QString& reason);
    void startLoad(const LoadPlanner::Load& load);
    void resolveStreams(double startAt);
    void loadStreams(const StreamResult& result, double startAt);
    void renewStreams();
    void reloadInPlace(const LoadPlanner::Load& load);
    void takeReload(ServiceLoad next, const StreamResult& result);
    PlaybackOffers currentOffers() const;
    void issueLoad(const LoadPlan& plan, std::vector<std::pair<const char*, std::string>> options,
                   bool expiringStreams);
    void commandAnswered(const mpv_event& reply);
    void loadAnswered(const mpv_event& reply);
    void loadRefused(int error);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void notePosition(const mpv_event_property& property);
    void reportDecoder(const mpv_event_property& property);

    MpvHandlePtr m_handle;
    StreamSupply& m_supply;
    MovieEngineEvents m_events;
    std::unique_ptr<MpvPlaybackChannel> m_playback;
    LoadPlanner m_planner;
    FailureReporter m_failures;
    std::optional<ServiceLoad> m_service; // the latest load, when it is the service's
    uint64_t m_loadNumber = 0;            // answers for loads replaced since are dropped
    double m_position = 0;                // seconds into the current movie, as last reported
    bool m_paused = false;
    // The latest load, until the engine has answered it with its playlist entry.
    struct PendingLoad {
        uint64_t reply;
        bool expiringStreams;
    };
    std::optional<PendingLoad> m_pendingLoad;
    uint64_t m_loadsIssued = 0;
    // The playlist entry of the latest load; events of movies it replaced are ignored.
    int64_t m_currentEntry = -1;
    int64_t m_startedEntry = -1;
    bool m_decoderReported = false;
};

} // namespace kestrova
