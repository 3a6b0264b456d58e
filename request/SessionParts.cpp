#include "request/SessionParts.h"

#include "engine/PlayerLog.h"
#include "player/CPlayerDlg.h"
#include "player/PlayerStreams.h"
#include "request/Settings.h"
#include "service/StreamSupply.h"

namespace kestrova {

namespace {

std::unique_ptr<StreamSupply> MakeStreams(QObject& context) {
    const YtDlpReleaseSettings release = ReadYtDlpReleaseSettings();
    if (!release.ignoredUrl.empty())
        qCInfo(lcPlayer, "YTDLPURL=%s ignored: only https addresses (or loopback ones) are used",
               release.ignoredUrl.c_str());
    return MakePlayerStreams(context, release.urlPrefix, release.keyFile);
}

} // namespace

SessionParts::SessionParts() {
    // The service addresses are read once, at start.
    const ServiceAddresses addresses = ReadServiceAddresses();
    m_feedOptions.urlPrefix = addresses.feedUrl;
    if (!addresses.ignoredPlayerUrl.empty())
        qCInfo(lcPlayer, "PLAYERURL=%s ignored: only http and https addresses are played",
               addresses.ignoredPlayerUrl.c_str());
    m_streams = MakeStreams(*this);
    // A top-level window of its own: the main window does not own it.
    m_player = std::make_unique<CPlayerDlg>(addresses.playerUrl, m_streams.get());
    m_player->flash().setYtDlpFormatOverride(ReadYtDlpFormat());
    m_player->hide();
    m_settings.attach(*m_player);
}

SessionParts::~SessionParts() {
    // Nothing of a request still running is applied; its thread ends before anything goes.
    m_feedWorker.abandon();
    m_settings.detach();
    m_player.reset();
    m_streams.reset(); // ends the runs of yt-dlp still going
    m_settings.save();
}

} // namespace kestrova
