#pragma once

#include "engine/mpv/PlaybackDiagnosis.h"

#include <cstdint>
#include <mpv/client.h>
#include <string>

#include <QObject>
#include <QString>

namespace kestrova {

// Tells why the movie loaded last could not be played, in the line the player shows. The
// engine reports only a generic error when a load fails; the reason is in its log messages,
// which may come after the failure, so the line is made once the events at hand are read.
// A stream of the service's that the server refuses (403, 410) has most likely expired: that
// is told apart, once per movie, so that it can be asked for again without a line. Failures of
// movies replaced since are not told.
class FailureReporter : public QObject {
    Q_OBJECT

public:
    // A movie was asked for: its playlist entry, and whether its streams came from yt-dlp
    // (whose addresses expire).
    void loadAsked(int64_t entry, bool expiringStreams);
    // The engine's events, as they come.
    void fileStarted(int64_t entry);
    void logMessage(const mpv_event_log_message& message);
    void fileEnded(const mpv_event_end_file& endFile);
    // Every event at hand has been read: a failure of the current movie is told now.
    void eventsRead();

signals:
    void failed(const QString& line);
    // The server refused the streams of the movie asked for last.
    void streamsExpired();

private:
    PlaybackDiagnosis m_diagnosis;
    int64_t m_currentEntry = -1;
    bool m_expiringStreams = false;
    // A failure still to be told (-1: none), and the engine's own error text for it.
    int64_t m_failedEntry = -1;
    std::string m_engineError;
};

} // namespace kestrova
