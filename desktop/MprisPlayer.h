#pragma once

#include "desktop/MprisRoot.h"
#include "playback/PlaybackModel.h"

#include <functional>

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace kestrova {

// The media-player interface's player (org.mpris.MediaPlayer2.Player), all of it through the
// playback model: status, position, volume, speed (the rate), what plays, and the commands. One
// video at a time, looped: no next or previous, no shuffle.
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    // Announces its changes on `bus`, as the object `object` is registered there.
    MprisPlayer(QObject* object, QDBusConnection bus, PlaybackModel& model,
                std::function<NowPlaying()> nowPlaying,
                std::function<void(const QString&)> openUri = {});

    QString playbackStatus() const;
    QString loopStatus() const { return QStringLiteral("Track"); }
    double rate() const { return m_model.state().speed; }
    // The offered speed nearest to `rate`, within the slowest and the fastest; 0 pauses, as
    // the interface asks; a negative rate, or one that is not a number, is refused.
    void setRate(double rate);
    double minimumRate() const { return PlaybackModel::kSpeeds.front(); }
    double maximumRate() const { return PlaybackModel::kSpeeds.back(); }
    bool shuffle() const { return false; }
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const { return false; }
    bool canGoPrevious() const { return false; }
    bool canPlay() const;
    bool canPause() const { return canPlay(); }
    bool canSeek() const;
    bool canControl() const { return true; }

    // A new video plays, or its title changed: the desktop is told.
    void nowPlayingChanged();

public slots:
    void Next() {}
    void Previous() {}
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    // Plays the address as if it were typed into the address box.
    void OpenUri(const QString& uri);

signals:
    void Seeked(qlonglong position);

private:
    void onChanges(PlaybackChanges changes);
    QDBusObjectPath trackId() const;
    void announce(const QVariantMap& properties);

    QDBusConnection m_bus;
    PlaybackModel& m_model;
    std::function<NowPlaying()> m_nowPlaying;
    std::function<void(const QString&)> m_openUri;
    PlaybackModel::Subscription m_subscription;
};

} // namespace kestrova
