#pragma once

#include "player/PlaybackDiagnosis.h"

#include <cstdint>
#include <mpv/client.h>
#include <optional>
#include <string>

#include <QFutureWatcher>
#include <QObject>
#include <QString>

namespace kestrova {

// Tells why the movie loaded last could not be played, in the line the player shows. The
// engine reports only a generic error when a load fails; the reason is in its log messages,
// which may come after the failure, so the line is made once the events at hand are read.
// When yt-dlp failed for one of the service's pages, the line names yt-dlp's version, which
// takes a run of yt-dlp off the GUI thread. Failures of movies replaced since are not told.
class FailureReporter : public QObject {
    Q_OBJECT

public:
    FailureReporter();

    // A movie was asked for: its playlist entry, and whether it is one of the service's pages.
    void loadAsked(int64_t entry, bool service);
    // The engine's events, as they come.
    void fileStarted(int64_t entry);
    void logMessage(const mpv_event_log_message& message);
    void fileEnded(const mpv_event_end_file& endFile);
    // Every event at hand has been read: a failure of the current movie is told now.
    void eventsRead();

signals:
    void failed(const QString& line);

private:
    void tellWithYtDlpVersion();

    PlaybackDiagnosis m_diagnosis;
    int64_t m_currentEntry = -1;
    bool m_currentIsService = false;
    // A failure still to be told (-1: none), and the engine's own error text for it.
    int64_t m_failedEntry = -1;
    std::string m_engineError;
    QFutureWatcher<std::optional<std::string>> m_ytDlpVersion;
};

} // namespace kestrova
