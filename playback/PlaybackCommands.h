#pragma once

#include <string>
#include <vector>

namespace kestrova {

// What the engine reports about the movie: each value a number (a flag as 0 or 1), or nothing
// while the engine has none.
enum class PlaybackProperty {
    Position,          // seconds from the start (whole seconds from the movie engine)
    Duration,          // seconds
    Paused,            // paused by a command
    Volume,            // 0 to 100
    Muted,             // sound off
    WaitingForNetwork, // playback holds until more of the movie has arrived
    BufferingPercent,  // how much of what it waits for has arrived
    Speed,             // how fast it plays: 1 is the normal speed
};

// A chapter of the movie as the engine reports it: from the media file, or from yt-dlp's answer
// for the service's videos.
struct PlaybackChapter {
    double start = 0;  // seconds
    std::string title; // UTF-8; empty when it has none

    bool operator==(const PlaybackChapter&) const = default;
};

// A language of captions the movie offers.
struct PlaybackCaptions {
    std::string language; // as the service codes it: "en", "ja", "pt-BR"
    std::string name;     // UTF-8, as the service names it; empty when it gives none
    bool automatic = false;

    bool operator==(const PlaybackCaptions&) const = default;
};

// What the movie may be played with besides its defaults: the heights it comes in, tallest
// first, and its captions. Only the service's videos offer anything.
struct PlaybackOffers {
    std::vector<int> heights;
    std::vector<PlaybackCaptions> captions;

    bool operator==(const PlaybackOffers&) const = default;
};

enum class SeekKind {
    Relative, // seconds forward (negative: back) from the current position
    Absolute, // to that second, exactly
    Percent,  // to that share of the duration
    Scrub,    // to that second, at the nearest key frame: quick, for a drag still going on
};

// Where the playback commands go: the movie engine. It carries them out in the order given;
// the toggles and steps act on its own current values, so quick presses add up.
class PlaybackCommands {
public:
    virtual ~PlaybackCommands() = default;

    virtual void setPaused(bool paused) = 0;
    virtual void togglePause() = 0;
    virtual void setVolume(int volume) = 0;
    // Within 0 to 100.
    virtual void stepVolume(int delta) = 0;
    virtual void setMuted(bool muted) = 0;
    virtual void toggleMute() = 0;
    virtual void seek(double amount, SeekKind kind) = 0;
    // The pitch stays as it is at any speed.
    virtual void setSpeed(double speed) = 0;
    // To the start of the next chapter (1), or back (-1): to the start of the current chapter,
    // or of the one before when it has only just begun.
    virtual void stepChapter(int delta) = 0;
    // The tallest picture wanted, in pixel rows; 0 for what fits the screen. A movie of the
    // service's playing now is loaded again in that quality, from where it stands.
    virtual void setQuality(int lines) = 0;
    // Shows the movie's captions in that language; none for an empty one.
    virtual void showCaptions(const std::string& language) = 0;
};

} // namespace kestrova
