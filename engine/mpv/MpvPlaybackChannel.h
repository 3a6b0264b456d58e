#pragma once

#include "engine/MovieEngine.h"

#include <initializer_list>
#include <mpv/client.h>

namespace kestrova {

class MpvHandle;

// The playback half of the engine: observes the properties the player shows and reports each
// change, and carries out the playback commands asynchronously, so the GUI thread never waits
// for the engine (which may be busy opening a movie).
class MpvPlaybackChannel : public PlaybackCommands {
public:
    // Made by `mpv`, which owns it; tells the changes through its own copy of `events`.
    MpvPlaybackChannel(MpvHandle& mpv, MovieEngineEvents events);

    // Takes an event of the engine; those not meant for the channel are left alone.
    void handleEvent(const mpv_event& event);

    void setPaused(bool paused) override;
    void togglePause() override;
    void setVolume(int volume) override;
    void stepVolume(int delta) override;
    void setMuted(bool muted) override;
    void toggleMute() override;
    void seek(double amount, SeekKind kind) override;
    void setSpeed(double speed) override;
    void stepChapter(int delta) override;
    void setQuality(int lines) override;
    void showCaptions(const std::string& language) override;

private:
    void reportProperty(uint64_t reply, const mpv_event_property& property);
    void readJumpPosition();
    void reportJump(const mpv_event_property& position);
    void setFlag(const char* name, bool on);
    void command(std::initializer_list<const char*> arguments);

    MpvHandle& m_mpv;
    mpv_handle* m_handle;
    const MovieEngineEvents m_events;
    bool m_seekPending = false;  // a seek has begun and not yet been told
    bool m_seekReported = false; // told before the engine's restart after it
};

} // namespace kestrova
