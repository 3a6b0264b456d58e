#pragma once

#include "playback/PlaybackCommands.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
    Speed = 1u << 7,
    Chapters = 1u << 8,
    Quality = 1u << 9,   // the heights offered, or the one chosen
    Captions = 1u << 10, // the languages offered, the one wanted or the one shown
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
    double speed = 1;
    std::vector<PlaybackChapter> chapters; // in the order of their starts
    int quality = 0; // the tallest picture chosen, in pixel rows; 0: what fits the screen
    PlaybackOffers offers;
    std::string captionsWanted; // the language to show whenever a movie has it; empty: none
    std::string captionsShown;  // the language shown now; empty: none

    PlaybackStatus status() const;
    // Whether the player is to say that it is loading.
    bool waiting() const { return !failed && (loading || waitingForNetwork); }
};

// The chapter playing at `seconds`: the last one to start at or before it; none before the
// first. `chapters` are in the order of their starts.
const PlaybackChapter* ChapterAt(const std::vector<PlaybackChapter>& chapters, double seconds);

// The one account of what the player is doing, and the one way to command it. Listeners (the
// control bar, the settings, the desktop's media controls) are told what changed and read the
// state.
//
// The state follows what the engine reports; commands go to the engine, and its reports then
// change the state. Before there is an engine, commands change the state alone, and the engine
// is given the volume, mute and speed when it comes.
class PlaybackModel {
    using Listener = std::function<void(PlaybackChanges)>;
    struct Listeners {
        std::vector<std::pair<int, Listener>> entries;
        int nextId = 0;
    };

public:
    static constexpr int kMaxVolume = 100;
    // The speeds the player offers, slowest first.
    static constexpr std::array<double, 8> kSpeeds = {0.25, 0.5, 0.75, 1, 1.25, 1.5, 1.75, 2};
    // A movie goes on from where it was left only when that lies further than this from both
    // its start and its end (seconds): a few seconds in, or near the end, it starts afresh.
    static constexpr double kResumeMargin = 10;

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

    // The engine that carries out the commands from now on; it is given the volume, mute and
    // speed at once. Without one, commands change the state alone.
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
    // To the offered speed nearest to `speed`; nothing for a speed that is not a number.
    void setSpeed(double speed);
    // That many offered speeds faster (negative: slower) than the speed last asked for, within
    // the slowest and the fastest; quick steps add up.
    void stepSpeed(int steps);
    // The next chapter (1) or back (-1); nothing without chapters, nor forward in the last.
    void stepChapter(int delta);

    // The tallest picture wanted (0: what fits the screen); a movie playing is loaded again.
    void setQuality(int lines);
    // The captions to show, in this movie and every later one that has them; none for an
    // empty language.
    void setCaptions(const std::string& language);
    // Captions off when shown; else on, in the language last chosen when the movie has it, or
    // in its first.
    void toggleCaptions();

    // The offered speed nearest to `speed`.
    static double nearestSpeed(double speed);

    // Where the movie stands, in whole seconds, to go on from there the next time it plays:
    // the place it is to go on from while it has not got there yet (a movie whose length never
    // comes, a live stream, never does); nothing while it has not been opened, or after it
    // failed.
    std::optional<int> placeToKeep() const;

    // What the player and the engine report. A movie asked for goes on from `resumeAt`
    // (seconds) when that lies further than kResumeMargin from both its start and its end.
    void loadRequested(double resumeAt = 0);
    void fileOpened();
    void firstFrameShown();
    void loadFailed();
    void playbackRestarted();
    void propertyChanged(PlaybackProperty property, std::optional<double> value);
    void chaptersChanged(std::vector<PlaybackChapter> chapters);
    void offersChanged(PlaybackOffers offers);

private:
    void setPaused(bool paused);
    void seek(double amount, SeekKind kind);
    bool canSeek() const { return m_state.opened && !m_state.failed; }
    bool stopped() const { return m_state.status() == PlaybackStatus::Stopped; }
    void takePaused(bool paused);
    void takeVolume(int volume);
    void takeMuted(bool muted);
    void takeSpeed(double speed);
    void takeMovieValue(PlaybackProperty property, std::optional<double> value);
    void takePosition(std::optional<double> position);
    void takeDuration(std::optional<double> duration);
    void notify(PlaybackChanges changes);
    bool offersCaptions(const std::string& language) const;
    bool showWantedCaptions(); // whether what is shown changed

    PlaybackState m_state;
    PlaybackCommands* m_engine = nullptr;
    bool m_restartedOnce = false; // the current movie has started playing
    double m_speedAsked = 1;      // steps go on from here, whatever the engine has told yet
    std::string m_lastCaptions;   // the language last chosen, for the toggle
    // Where the current movie is to go on from, until it has got there; and whether it has been
    // sent there.
    std::optional<double> m_resumeAt;
    bool m_resumeSent = false;
    std::shared_ptr<Listeners> m_listeners = std::make_shared<Listeners>();
};

} // namespace kestrova
