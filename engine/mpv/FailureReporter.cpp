#include "engine/mpv/FailureReporter.h"

#include "engine/PlayerLog.h"

#include <utility>

namespace kestrova {

namespace {

bool refusedAsExpired(int httpStatus) {
    return httpStatus == 403 || httpStatus == 410;
}

} // namespace

void FailureReporter::loadAsked(int64_t entry, bool expiringStreams) {
    m_currentEntry = entry;
    m_expiringStreams = expiringStreams;
}

void FailureReporter::fileStarted(int64_t entry) {
    if (entry == m_currentEntry)
        m_diagnosis.reset();
}

void FailureReporter::logMessage(const mpv_event_log_message& message) {
    m_diagnosis.addLogMessage(message.prefix, message.text);
}

void FailureReporter::fileEnded(const mpv_event_end_file& endFile) {
    if (endFile.reason != MPV_END_FILE_REASON_ERROR || endFile.playlist_entry_id != m_currentEntry)
        return;
    qCDebug(lcPlayer, "playback failed: %s", mpv_error_string(endFile.error));
    m_failedEntry = endFile.playlist_entry_id;
    m_engineError = mpv_error_string(endFile.error);
}

void FailureReporter::eventsRead() {
    const int64_t failedEntry = std::exchange(m_failedEntry, -1);
    if (failedEntry < 0 || failedEntry != m_currentEntry)
        return; // none, or another movie has been loaded meanwhile
    if (std::exchange(m_expiringStreams, false) && refusedAsExpired(m_diagnosis.httpStatus())) {
        emit streamsExpired();
        return;
    }
    emit failed(QString::fromStdU16String(m_diagnosis.describe(m_engineError)));
}

} // namespace kestrova
