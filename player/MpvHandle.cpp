#include "player/MpvHandle.h"

#include "player/MpvLog.h"

#include <clocale>
#include <cmath>

#include <QMetaObject>

namespace kestrova {
namespace {

// The player's starting state. Every option is set before mpv_initialize: some take effect
// only then.
constexpr std::pair<const char*, const char*> kOptions[] = {
    {"vo", "libmpv"},                 // drawn into our widget, never a window of its own
    {"keepaspect", "yes"},            // the whole movie visible, proportions kept
    {"background", "#FFFFFF"},        // white around the movie
    {"ytdl", "yes"},                  // media plays directly; a page is handed to yt-dlp
    {"fs", "no"},                     // never full screen ...
    {"input-default-bindings", "no"}, // ... and no key that toggles it
    {"input-vo-keyboard", "no"},
    {"pause", "no"},      // starts at once
    {"loop-file", "inf"}, // and loops
};

int64_t entryIdOf(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP)
        return -1;
    const mpv_node_list& map = *result.u.list;
    for (int i = 0; i < map.num; ++i) {
        if (std::string_view(map.keys[i]) == "playlist_entry_id" &&
            map.values[i].format == MPV_FORMAT_INT64)
            return map.values[i].u.int64;
    }
    return -1;
}

} // namespace

void MpvHandleDeleter::operator()(mpv_handle* handle) const {
    // After this returns the engine calls the wakeup callback no more, so it cannot post to
    // an object that is going away.
    mpv_set_wakeup_callback(handle, nullptr, nullptr);
    mpv_terminate_destroy(handle);
}

std::unique_ptr<MpvHandle> MpvHandle::create() {
    // Qt sets the whole locale from the environment; mpv_create fails unless numbers are
    // formatted the C way (see the general remarks in mpv/client.h).
    std::setlocale(LC_NUMERIC, "C");
    MpvHandlePtr handle(mpv_create());
    if (!handle) {
        qCWarning(lcPlayer, "mpv_create failed");
        return nullptr;
    }
    for (const auto& [name, value] : kOptions)
        checkMpv(mpv_set_option_string(handle.get(), name, value), name);
    if (!checkMpv(mpv_initialize(handle.get()), "mpv_initialize"))
        return nullptr;
    // A refused address or a missing yt-dlp shows only in the log.
    checkMpv(mpv_request_log_messages(handle.get(), "warn"), "mpv_request_log_messages");
    return std::unique_ptr<MpvHandle>(new MpvHandle(std::move(handle)));
}

MpvHandle::MpvHandle(MpvHandlePtr handle)
    : m_handle(std::move(handle)) {
    mpv_set_wakeup_callback(
        m_handle.get(),
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvHandle*>(self), &MpvHandle::drainEvents,
                                      Qt::QueuedConnection);
        },
        this);
}

MpvHandle::~MpvHandle() = default;

void MpvHandle::loadFile(const QByteArray& address) {
    const char* args[] = {"loadfile", address.constData(), "replace", nullptr};
    mpv_node result{};
    if (!checkMpv(mpv_command_ret(m_handle.get(), args, &result), "loadfile")) {
        m_currentEntry = -1;
        return;
    }
    m_currentEntry = entryIdOf(result);
    mpv_free_node_contents(&result);
    qCDebug(lcPlayer) << "loadfile" << address << "entry" << m_currentEntry;
}

double MpvHandle::timePosition() const {
    return doubleProperty("time-pos").value_or(-1);
}

std::optional<double> MpvHandle::doubleProperty(const char* name) const {
    double value = 0;
    if (mpv_get_property(m_handle.get(), name, MPV_FORMAT_DOUBLE, &value) < 0 ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString MpvHandle::path() const {
    char* path = mpv_get_property_string(m_handle.get(), "path");
    const QString text = QString::fromUtf8(path);
    mpv_free(path);
    return text;
}

bool MpvHandle::isIdle() const {
    int idle = 1;
    mpv_get_property(m_handle.get(), "idle-active", MPV_FORMAT_FLAG, &idle);
    return idle != 0;
}

void MpvHandle::drainEvents() {
    for (;;) {
        const mpv_event* event = mpv_wait_event(m_handle.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvHandle::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto& message = *static_cast<const mpv_event_log_message*>(event.data);
        m_diagnosis.addLogMessage(message.prefix, message.text);
        qCDebug(lcPlayer, "[%s] %s", message.prefix, message.text);
        break;
    }
    case MPV_EVENT_START_FILE: {
        const auto& start = *static_cast<const mpv_event_start_file*>(event.data);
        m_startedEntry = start.playlist_entry_id;
        if (m_startedEntry == m_currentEntry)
            m_diagnosis.reset();
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (m_startedEntry == m_currentEntry)
            emit fileLoaded();
        break;
    case MPV_EVENT_END_FILE:
        handleEndFile(*static_cast<const mpv_event_end_file*>(event.data));
        break;
    default:
        break;
    }
}

void MpvHandle::handleEndFile(const mpv_event_end_file& endFile) {
    if (endFile.reason != MPV_END_FILE_REASON_ERROR || endFile.playlist_entry_id != m_currentEntry)
        return;
    qCDebug(lcPlayer, "playback failed: %s", mpv_error_string(endFile.error));
    emit playbackFailed(
        QString::fromStdU16String(m_diagnosis.describe(mpv_error_string(endFile.error))));
}

} // namespace kestrova
