#include "player/FailureReporter.h"

#include "player/PlayerLog.h"
#include "player/YtDlp.h"

#include <chrono>
#include <utility>

#include <QtConcurrent/QtConcurrentRun>

namespace kestrova {
namespace {

// Time allowed to `yt-dlp --version` when a failure line names it.
constexpr auto kVersionTimeOut = std::chrono::seconds(5);

} // namespace

FailureReporter::FailureReporter() {
    connect(&m_ytDlpVersion, &QFutureWatcherBase::finished, this,
            &FailureReporter::tellWithYtDlpVersion);
}

void FailureReporter::loadAsked(int64_t entry, bool service) {
    m_currentEntry = entry;
    m_currentIsService = service;
}

void FailureReporter::fileStarted(int64_t entry) {
    if (entry == m_currentEntry)
        m_diagnosis.reset(m_currentIsService);
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
    if (m_failedEntry < 0 || m_ytDlpVersion.isRunning())
        return;
    if (m_failedEntry != m_currentEntry) {
        m_failedEntry = -1;
        return; // another movie has been loaded meanwhile
    }
    if (!m_diagnosis.blamesYtDlpVersion()) {
        m_failedEntry = -1;
        emit failed(QString::fromStdU16String(m_diagnosis.describe(m_engineError)));
        return;
    }
    m_ytDlpVersion.setFuture(QtConcurrent::run([]() -> std::optional<std::string> {
        const auto ytDlp = FindYtDlp(kVersionTimeOut);
        return ytDlp ? ytDlp->version : std::nullopt;
    }));
}

void FailureReporter::tellWithYtDlpVersion() {
    const int64_t failedEntry = std::exchange(m_failedEntry, -1);
    if (failedEntry != m_currentEntry)
        return; // another movie has been loaded meanwhile
    const std::optional<std::string> version = m_ytDlpVersion.result();
    emit failed(QString::fromStdU16String(
        m_diagnosis.describe(m_engineError, version.value_or(std::string()))));
}

} // namespace kestrova
