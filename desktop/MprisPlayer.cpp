#include "desktop/MprisPlayer.h"

#include "res/Texts.h"
#include "text/PercentEncoding.h"
#include "text/QtText.h"

#include <algorithm>
#include <cmath>

#include <QDBusMessage>

namespace kestrova {
namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kTrackPrefix[] = "/org/corvanel/kestrova/video/";
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr double kMicroseconds = 1e6;

qlonglong microseconds(std::optional<double> seconds) {
    return seconds ? qlonglong(std::llround(*seconds * kMicroseconds)) : 0;
}

// An object path element holds letters, digits and "_" only; anything else in an ID is
// written as "_" and its code in hexadecimal, "_" itself too, so that no two IDs meet.
QString trackPathOf(const std::u16string& videoId) {
    QString path = QString::fromLatin1(kTrackPrefix);
    for (const char16_t unit : videoId) {
        const bool plain = (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
                           (unit >= u'0' && unit <= u'9');
        path += plain ? QString(QChar(unit)) : QStringLiteral("_%1").arg(uint(unit), 0, 16);
    }
    return path;
}

} // namespace

MprisPlayer::MprisPlayer(QObject* object, QDBusConnection bus, PlaybackModel& model,
                         std::function<NowPlaying()> nowPlaying,
                         std::function<void(const QString&)> openUri)
    : QDBusAbstractAdaptor(object)
    , m_bus(std::move(bus))
    , m_model(model)
    , m_nowPlaying(std::move(nowPlaying))
    , m_openUri(std::move(openUri))
    , m_subscription(model.subscribe([this](PlaybackChanges changes) { onChanges(changes); })) {}

QString MprisPlayer::playbackStatus() const {
    switch (m_model.state().status()) {
    case PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath MprisPlayer::trackId() const {
    const std::u16string videoId = m_nowPlaying().videoId;
    return QDBusObjectPath(videoId.empty() ? QString::fromLatin1(kNoTrack) : trackPathOf(videoId));
}

QVariantMap MprisPlayer::metadata() const {
    const NowPlaying now = m_nowPlaying();
    if (now.videoId.empty())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())}};
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())},
        {QStringLiteral("xesam:title"), ToQString(now.title)},
        {QStringLiteral("xesam:url"),
         QString::fromStdString(std::string(texts::kServicePageUrl) + PercentEncode(now.videoId))},
    };
    if (const auto duration = m_model.state().duration)
        metadata.insert(QStringLiteral("mpris:length"), microseconds(duration));
    return metadata;
}

double MprisPlayer::volume() const {
    return m_model.state().volume / double(PlaybackModel::kMaxVolume);
}

void MprisPlayer::setVolume(double volume) {
    m_model.setVolume(int(std::lround(std::clamp(volume, 0.0, 1.0) * PlaybackModel::kMaxVolume)));
}

void MprisPlayer::setRate(double rate) {
    if (rate == 0)
        m_model.pause();
    else if (rate > 0)
        m_model.setSpeed(rate);
}

qlonglong MprisPlayer::position() const {
    return microseconds(m_model.state().position);
}

bool MprisPlayer::canPlay() const {
    return m_model.state().status() != PlaybackStatus::Stopped;
}

bool MprisPlayer::canSeek() const {
    return canPlay() && m_model.state().duration.has_value();
}

void MprisPlayer::Pause() {
    m_model.pause();
}

void MprisPlayer::PlayPause() {
    m_model.togglePause();
}

void MprisPlayer::Play() {
    m_model.play();
}

void MprisPlayer::OpenUri(const QString& uri) {
    if (m_openUri)
        m_openUri(uri);
}

// The video stays, paused at its start: there is nothing else to stop to.
void MprisPlayer::Stop() {
    m_model.pause();
    m_model.seekTo(0);
}

void MprisPlayer::Seek(qlonglong offset) {
    m_model.seekBy(offset / kMicroseconds);
}

void MprisPlayer::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    const auto duration = m_model.state().duration;
    if (track != trackId() || position < 0 || (duration && position > microseconds(duration)))
        return;
    m_model.seekTo(position / kMicroseconds);
}

void MprisPlayer::nowPlayingChanged() {
    announce({{QStringLiteral("Metadata"), metadata()}});
}

void MprisPlayer::onChanges(PlaybackChanges changes) {
    QVariantMap changed;
    if (changes.has(PlaybackChange::Status) || changes.has(PlaybackChange::Loading)) {
        changed.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
        changed.insert(QStringLiteral("CanPlay"), canPlay());
        changed.insert(QStringLiteral("CanPause"), canPause());
        changed.insert(QStringLiteral("CanSeek"), canSeek());
    }
    if (changes.has(PlaybackChange::Duration)) {
        changed.insert(QStringLiteral("Metadata"), metadata());
        changed.insert(QStringLiteral("CanSeek"), canSeek());
    }
    if (changes.has(PlaybackChange::Volume))
        changed.insert(QStringLiteral("Volume"), volume());
    if (changes.has(PlaybackChange::Speed))
        changed.insert(QStringLiteral("Rate"), rate());
    announce(changed);
    if (changes.has(PlaybackChange::Seeked))
        emit Seeked(position());
}

// The properties interface's change signal, which adaptors do not send by themselves.
void MprisPlayer::announce(const QVariantMap& properties) {
    if (properties.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kInterface) << properties << QStringList();
    m_bus.send(signal);
}

} // namespace kestrova
