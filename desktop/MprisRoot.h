#pragma once

#include <functional>
#include <string>

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace kestrova {

// The video now playing, as the history list shows it.
struct NowPlaying {
    std::u16string videoId; // empty before the first video
    std::u16string title;
};

// What the desktop's media controls may ask of the program as a whole.
struct MprisHost {
    // Closes the main window, as its close box does, once the call has been answered: the
    // close takes down what answers it.
    std::function<void()> quit;
    std::function<void()> raise; // shows the player window and brings it to the front
    std::function<NowPlaying()> nowPlaying;
    // An address to play, taken as if typed into the address box and played.
    std::function<void(const QString& address)> openUri;
};

// The media-player interface's root (org.mpris.MediaPlayer2): the program's name, its desktop
// entry, the addresses OpenUri takes, Quit and Raise. No track list, and no full screen.
class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool CanSetFullscreen READ canSetFullscreen)
    Q_PROPERTY(bool Fullscreen READ fullscreen)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    MprisRoot(QObject* object, MprisHost host);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool canSetFullscreen() const { return false; }
    bool fullscreen() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const {
        return {QStringLiteral("http"), QStringLiteral("https")};
    }
    QStringList supportedMimeTypes() const { return {}; }

public slots:
    void Quit();
    void Raise();

private:
    MprisHost m_host;
};

} // namespace kestrova
