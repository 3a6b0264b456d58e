#include "engine/mpv/MpvPlaybackChannel.h"

#include "engine/mpv/MpvHandle.h"
#include "engine/mpv/MpvLog.h"
#include "engine/mpv/MpvNode.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kestrova {
namespace {

struct Observed {
    PlaybackProperty property;
    const char* name;
    mpv_format format;
};

// Replies are numbered from kFirstObserved, clear of the handle's own (MpvHandle observes the
// decoder in use). The position is observed in whole seconds, all the player shows: the engine
// then reports it once a second instead of at every frame, which would wake the GUI thread 60
// times a second at 60 fps and make its events measurably later.
constexpr Observed kObserved[] = {
    {PlaybackProperty::Position, "time-pos", MPV_FORMAT_INT64},
    {PlaybackProperty::Duration, "duration", MPV_FORMAT_DOUBLE},
    {PlaybackProperty::Paused, "pause", MPV_FORMAT_FLAG},
    {PlaybackProperty::Volume, "volume", MPV_FORMAT_DOUBLE},
    {PlaybackProperty::Muted, "mute", MPV_FORMAT_FLAG},
    {PlaybackProperty::WaitingForNetwork, "paused-for-cache", MPV_FORMAT_FLAG},
    {PlaybackProperty::BufferingPercent, "cache-buffering-state", MPV_FORMAT_INT64},
    {PlaybackProperty::Speed, "speed", MPV_FORMAT_DOUBLE},
};
constexpr uint64_t kFirstObserved = 100;
// The chapters, a list rather than a number.
constexpr uint64_t kChaptersObserved = 150;
// The reply to every asynchronous command and property change.
constexpr uint64_t kCommandReply = 200;
// The exact position read when playback has gone on from another place.
constexpr uint64_t kJumpPositionReply = 201;

std::optional<double> valueOf(const mpv_event_property& property) {
    switch (property.format) {
    case MPV_FORMAT_DOUBLE:
        return *static_cast<const double*>(property.data);
    case MPV_FORMAT_FLAG:
        return *static_cast<const int*>(property.data) != 0 ? 1.0 : 0.0;
    case MPV_FORMAT_INT64:
        return double(*static_cast<const int64_t*>(property.data));
    default:
        return std::nullopt; // the engine has no value now
    }
}

const mpv_node* member(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

// The engine's chapter list: a map for each chapter, with its start ("time") and, when it has
// one, its title.
std::vector<PlaybackChapter> chaptersOf(const mpv_event_property& property) {
    std::vector<PlaybackChapter> chapters;
    if (property.format != MPV_FORMAT_NODE)
        return chapters;
    const auto& list = *static_cast<const mpv_node*>(property.data);
    if (list.format != MPV_FORMAT_NODE_ARRAY)
        return chapters;
    for (int i = 0; i < list.u.list->num; ++i) {
        const mpv_node& entry = list.u.list->values[i];
        const mpv_node* time = member(entry, "time");
        const mpv_node* title = member(entry, "title");
        if (!time || time->format != MPV_FORMAT_DOUBLE || !std::isfinite(time->u.double_))
            continue;
        chapters.push_back({time->u.double_, title && title->format == MPV_FORMAT_STRING
                                                 ? std::string(title->u.string)
                                                 : std::string()});
    }
    return chapters;
}

// Exact but for a scrub: the engine would otherwise go to a key frame on relative seeks, which
// may lie seconds away from where a person asked to go.
const char* seekFlags(SeekKind kind) {
    switch (kind) {
    case SeekKind::Relative:
        return "relative+exact";
    case SeekKind::Percent:
        return "absolute-percent+exact";
    case SeekKind::Scrub:
        return "absolute+keyframes";
    case SeekKind::Absolute:
        break;
    }
    return "absolute+exact";
}

} // namespace

MpvPlaybackChannel::MpvPlaybackChannel(MpvHandle& mpv, MovieEngineEvents events)
    : m_mpv(mpv)
    , m_handle(mpv.get())
    , m_events(std::move(events)) {
    // The player's volume goes no higher; a step up stops there.
    checkMpv(mpv_set_property_string(m_handle, "volume-max", "100"), "volume-max");
    for (std::size_t i = 0; i < std::size(kObserved); ++i)
        checkMpv(mpv_observe_property(m_handle, kFirstObserved + i, kObserved[i].name,
                                      kObserved[i].format),
                 kObserved[i].name);
    checkMpv(mpv_observe_property(m_handle, kChaptersObserved, "chapter-list", MPV_FORMAT_NODE),
             "chapter-list");
}

void MpvPlaybackChannel::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE:
        reportProperty(event.reply_userdata, *static_cast<const mpv_event_property*>(event.data));
        break;
    case MPV_EVENT_SEEK:
        m_seekPending = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // Playback starts, loops, or goes on after a seek, unless that was told already.
        if (!std::exchange(m_seekReported, false)) {
            m_seekPending = false;
            readJumpPosition();
        }
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (event.reply_userdata == kJumpPositionReply)
            reportJump(*static_cast<const mpv_event_property*>(event.data));
        break;
    case MPV_EVENT_COMMAND_REPLY:
    case MPV_EVENT_SET_PROPERTY_REPLY:
        if (event.reply_userdata == kCommandReply)
            checkMpv(event.error, "playback command");
        break;
    default:
        break;
    }
}

void MpvPlaybackChannel::reportProperty(uint64_t reply, const mpv_event_property& property) {
    if (reply == kChaptersObserved && m_events.chaptersChanged) {
        m_events.chaptersChanged(chaptersOf(property));
        return;
    }
    if (reply < kFirstObserved || reply >= kFirstObserved + std::size(kObserved) ||
        !m_events.propertyChanged)
        return;
    const PlaybackProperty changed = kObserved[reply - kFirstObserved].property;
    m_events.propertyChanged(changed, valueOf(property));
    // Paused, the engine restarts playback only once it goes on; the new frame's position
    // tells sooner that a seek has landed.
    if (changed == PlaybackProperty::Position && std::exchange(m_seekPending, false)) {
        m_seekReported = true;
        readJumpPosition();
    }
}

// The whole-second position may lag behind a jump; whoever is told of the jump (the desktop's
// media controls) is told where it went, read without waiting for the engine.
void MpvPlaybackChannel::readJumpPosition() {
    checkMpv(mpv_get_property_async(m_handle, kJumpPositionReply, "time-pos", MPV_FORMAT_DOUBLE),
             "time-pos");
}

void MpvPlaybackChannel::reportJump(const mpv_event_property& position) {
    if (m_events.propertyChanged && position.format == MPV_FORMAT_DOUBLE)
        m_events.propertyChanged(PlaybackProperty::Position, valueOf(position));
    if (m_events.playbackRestarted)
        m_events.playbackRestarted();
}

void MpvPlaybackChannel::setFlag(const char* name, bool on) {
    int flag = on ? 1 : 0;
    checkMpv(mpv_set_property_async(m_handle, kCommandReply, name, MPV_FORMAT_FLAG, &flag), name);
}

void MpvPlaybackChannel::command(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv(arguments);
    argv.push_back(nullptr);
    checkMpv(mpv_command_async(m_handle, kCommandReply, argv.data()), argv.front());
}

void MpvPlaybackChannel::setPaused(bool paused) {
    setFlag("pause", paused);
}

void MpvPlaybackChannel::togglePause() {
    command({"cycle", "pause"});
}

void MpvPlaybackChannel::setVolume(int volume) {
    double value = volume;
    checkMpv(mpv_set_property_async(m_handle, kCommandReply, "volume", MPV_FORMAT_DOUBLE, &value),
             "volume");
}

void MpvPlaybackChannel::stepVolume(int delta) {
    const std::string amount = std::to_string(delta);
    command({"add", "volume", amount.c_str()});
}

void MpvPlaybackChannel::setMuted(bool muted) {
    setFlag("mute", muted);
}

void MpvPlaybackChannel::toggleMute() {
    command({"cycle", "mute"});
}

void MpvPlaybackChannel::setSpeed(double speed) {
    checkMpv(mpv_set_property_async(m_handle, kCommandReply, "speed", MPV_FORMAT_DOUBLE, &speed),
             "speed");
}

// The engine's own chapter step: back within its first seconds (chapter-seek-threshold) goes
// to the chapter before, later to the start of the current one.
void MpvPlaybackChannel::stepChapter(int delta) {
    const std::string amount = std::to_string(delta);
    command({"add", "chapter", amount.c_str()});
}

// Named arguments, as the player's loads are sent, so the target goes as a number.
void MpvPlaybackChannel::seek(double amount, SeekKind kind) {
    mpv_node target{};
    target.format = MPV_FORMAT_DOUBLE;
    target.u.double_ = amount;
    char* keys[] = {const_cast<char*>("name"), const_cast<char*>("target"),
                    const_cast<char*>("flags")};
    mpv_node values[] = {StringNode("seek"), target, StringNode(seekFlags(kind))};
    mpv_node_list arguments{3, values, keys};
    mpv_node command = ListNode(arguments, MPV_FORMAT_NODE_MAP);
    checkMpv(mpv_command_node_async(m_handle, kCommandReply, &command), "seek");
}

// Which streams and captions a movie has is known to the handle, from yt-dlp's answer.
void MpvPlaybackChannel::setQuality(int lines) {
    m_mpv.setQuality(lines);
}

void MpvPlaybackChannel::showCaptions(const std::string& language) {
    m_mpv.showCaptions(language);
}

} // namespace kestrova
