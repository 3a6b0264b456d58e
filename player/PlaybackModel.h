#pragma once

#include "player/PlaybackCommands.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kestrova {

enum class PlaybackStatus { Stopped, Playing, Paused };

// What changed in one notification; several at once when one event changed several things.
enum class PlaybackChange : unsigned {
    Status = 1u << 0, // stopped, playing or paused
    Position = 1u << 1,
    Duration = 1u << 2,
    Volume = 1u << 3,
    Mute = 1u << 4,
    Loading = 1u << 5, // loading, waiting for the network, buffering, failed
    Seeked = 1u << 6,  // playback went on from another place: a seek, or the loop
};

class PlaybackChanges {
public:
    constexpr PlaybackChanges() = default;
    constexpr PlaybackChanges(PlaybackChange change)
        : m_bits(unsigned(change)) {}

    constexpr bool has(PlaybackChange change) const { return m_bits & unsigned(change); }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr PlaybackChanges& operator|=(PlaybackChanges other) {
        m_bits |= other.m_bits;
        return *this;
    }
    constexpr bool operator==(const PlaybackChanges&) const = default;

private:
    unsigned m_bits = 0;
};

constexpr PlaybackChanges operator|(PlaybackChanges a, PlaybackChanges b) {
    return a |= b;
}
constexpr PlaybackChanges operator|(PlaybackChange a, PlaybackChange b) {
    return PlaybackChanges(a) | b;
}

struct PlaybackState {
    bool started = false; // a movie has been asked for; stopped before the first
    bool opened = false;  // the movie asked for last has been opened
    bool loading = false; // from the request until its first frame shows
    bool failed = false;
    bool paused = false;
    bool waitingForNetwork = false;
    std::optional<int> bufferingPercent;
    std::optional<double> position; // seconds
    std::optional<double> duration; // seconds
    int volume = 100;
    bool muted = false;

    PlaybackStatus status() const;
    // Whether the player is to say that it is loading.
    bool waiting() const { return !failed && (loading || waitingForNetwork); }
};

// The one account of what the player is doing, and the one way to command it. Listeners (the
// control bar, the settings, the desktop's media controls) are told what changed and read the
// state.
//
// The state follows what the engine reports; commands go to the engine, and its reports then
// change the state. Before there is an engine, commands change the state alone, and the engine
// is given the volume and mute when it comes.
class PlaybackModel {
    using Listener = std::function<void(PlaybackChanges)>;
    struct Listeners {
        std::vector<std::pair<int, Listener>> entries;
        int nextId = 0;
    };

public:
    static constexpr int kMaxVolume = 100;

    // Ends its listening when it goes; safe whether the model or it goes first.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription() { reset(); }
        void reset();

    private:
        friend class PlaybackModel;
        Subscription(std::weak_ptr<Listeners> listeners, int id)
            : m_listeners(std::move(listeners))
            , m_id(id) {}

        std::weak_ptr<Listeners> m_listeners;
        int m_id = -1;
    };

    const PlaybackState& state() const { return m_state; }

    [[nodiscard]] Subscription subscribe(Listener listener);

    // The engine that carries out the commands from now on; it is given the volume and mute at
    // once. Without one, commands change the state alone.
    void attach(PlaybackCommands* engine);

    // Play and pause do nothing while the player is stopped.
    void play() { setPaused(false); }
    void pause() { setPaused(true); }
    void togglePause();
    // Seeks do nothing until the movie has been opened.
    void seekBy(double seconds);
    void seekTo(double seconds);
    void seekToPercent(double percent);
    void scrubTo(double seconds);
    void setVolume(int volume);
    void stepVolume(int delta);
    void setMuted(bool muted);
    void toggleMute();

    // What the player and the engine report.
    void loadRequested();
    void fileOpened();
    void firstFrameShown();
    void loadFailed();
    void playbackRestarted();
    void propertyChanged(PlaybackProperty property, std::optional<double> value);

private:
    void setPaused(bool paused);
    void seek(double amount, SeekKind kind);
    bool canSeek() const { return m_state.opened && !m_state.failed; }
    bool stopped() const { return m_state.status() == PlaybackStatus::Stopped; }
    void takePaused(bool paused);
    void takeVolume(int volume);
    void takeMuted(bool muted);
    void takeMovieValue(PlaybackProperty property, std::optional<double> value);
    void notify(PlaybackChanges changes);

    PlaybackState m_state;
    PlaybackCommands* m_engine = nullptr;
    bool m_restartedOnce = false; // the current movie has started playing
    std::shared_ptr<Listeners> m_listeners = std::make_shared<Listeners>();
};

} // namespace kestrova
