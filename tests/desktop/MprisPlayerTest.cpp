#include "desktop/DesktopIntegration.h"
#include "desktop/MprisService.h"
#include "tests/desktop/BusCall.h"
#include "tests/desktop/StandInScreenSaver.h"
#include "tests/desktop/TestBus.h"

#include <QDBusObjectPath>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

const QString kName = QStringLiteral("org.mpris.MediaPlayer2.kestrova");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kTrack = QStringLiteral("/org/corvanel/kestrova/video/Ab3dE5gH1jK");

// The engine's side of the commands: what it was told.
struct RecordingEngine : PlaybackCommands {
    void setPaused(bool paused) override { calls << QStringLiteral("pause %1").arg(paused); }
    void togglePause() override { calls << QStringLiteral("toggle"); }
    void setVolume(int volume) override { calls << QStringLiteral("volume %1").arg(volume); }
    void stepVolume(int delta) override { calls << QStringLiteral("step %1").arg(delta); }
    void setMuted(bool muted) override { calls << QStringLiteral("mute %1").arg(muted); }
    void toggleMute() override { calls << QStringLiteral("toggle mute"); }
    void seek(double amount, SeekKind kind) override {
        calls << QStringLiteral("seek %1 %2").arg(amount).arg(int(kind));
    }
    void setSpeed(double speed) override { calls << QStringLiteral("speed %1").arg(speed); }
    void stepChapter(int delta) override { calls << QStringLiteral("chapter %1").arg(delta); }
    void setQuality(int) override {}
    void showCaptions(const std::string&) override {}
    QStringList calls;
};

// The signals a desktop's media widget would get.
class SignalLog : public QObject {
    Q_OBJECT

public:
    QStringList changed; // property names, as PropertiesChanged named them
    QList<qlonglong> seeked;

public slots:
    void onPropertiesChanged(const QString&, const QVariantMap& properties, const QStringList&) {
        changed += properties.keys();
    }
    void onSeeked(qlonglong position) { seeked << position; }
};

class MprisPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::TestBus::available())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(m_bus.address().isEmpty());
        m_model.attach(&m_engine);
        m_engine.calls.clear();
        // QtDBus offers signal connections by name only.
        m_client.connect(kName, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("PropertiesChanged"), &m_signals,
                         SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
        m_client.connect(kName, kPath, kPlayer, QStringLiteral("Seeked"), &m_signals,
                         SLOT(onSeeked(qlonglong)));
    }

    MprisHost host() {
        return {[] {}, [] {}, [this] { return m_nowPlaying; }, {}};
    }

    // The model as a movie that has started to play.
    void play() {
        m_nowPlaying = {u"Ab3dE5gH1jK", u"朝の散歩"};
        m_model.loadRequested();
        m_model.fileOpened();
        m_model.propertyChanged(PlaybackProperty::Duration, 125.5);
        m_model.propertyChanged(PlaybackProperty::Position, 3);
        m_model.firstFrameShown();
        m_model.playbackRestarted();
    }

    QVariant property(const QString& name) {
        return test::PropertyOn(m_client, kName, kPath, kPlayer, name);
    }
    void call(const QString& method, const QVariantList& arguments = {}) {
        test::CallOn(m_client, kName, kPath, kPlayer, method, arguments);
    }
    void setProperty(const QString& name, const QVariant& value) {
        test::CallOn(m_client, kName, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("Set"),
                     {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }

    test::TestBus m_bus;
    QDBusConnection m_client = m_bus.connect(QStringLiteral("client"));
    RecordingEngine m_engine;
    PlaybackModel m_model;
    NowPlaying m_nowPlaying;
    SignalLog m_signals;
};

TEST_F(MprisPlayerTest, TellsWhatPlaysAndWhere) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.busName() == kName; }, 5000));
    EXPECT_EQ(property(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    EXPECT_EQ(test::DemarshalMap(property(QStringLiteral("Metadata")))
                  .value("mpris:trackid")
                  .value<QDBusObjectPath>()
                  .path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    play();
    EXPECT_EQ(property(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    EXPECT_EQ(property(QStringLiteral("Position")).toLongLong(), 3'000'000);
    EXPECT_EQ(property(QStringLiteral("Volume")).toDouble(), 1.0);
    EXPECT_EQ(property(QStringLiteral("LoopStatus")).toString(), QStringLiteral("Track"));
    EXPECT_FALSE(property(QStringLiteral("CanGoNext")).toBool());
    EXPECT_FALSE(property(QStringLiteral("CanGoPrevious")).toBool());
    EXPECT_TRUE(property(QStringLiteral("CanSeek")).toBool());
    const QVariantMap metadata = test::DemarshalMap(property(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), kTrack);
    EXPECT_EQ(metadata.value("xesam:title").toString(), QStringLiteral("朝の散歩"));
    EXPECT_EQ(metadata.value("xesam:url").toString(),
              QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK"));
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 125'500'000);
}

TEST_F(MprisPlayerTest, CommandsGoThroughTheModel) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.busName() == kName; }, 5000));
    play();
    call(QStringLiteral("Pause"));
    call(QStringLiteral("PlayPause"));
    call(QStringLiteral("Play"));
    call(QStringLiteral("Seek"), {qlonglong(-5'000'000)});
    call(QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(kTrack)), qlonglong(60'000'000)});
    // Another video's position, or one past the end, is no command.
    call(QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(kTrack + QStringLiteral("x"))), qlonglong(1)});
    call(QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(kTrack)), qlonglong(200'000'000)});
    call(QStringLiteral("Stop"));
    setProperty(QStringLiteral("Volume"), 0.35);
    EXPECT_EQ(m_engine.calls,
              QStringList({QStringLiteral("pause 1"), QStringLiteral("toggle"),
                           QStringLiteral("pause 0"), QStringLiteral("seek -5 0"),
                           QStringLiteral("seek 60 1"), QStringLiteral("pause 1"),
                           QStringLiteral("seek 0 1"), QStringLiteral("volume 35")}));
}

// A rate between the offered speeds goes to the nearest; beyond them, to the fastest or the
// slowest; 0 pauses, as the interface asks; a negative rate is refused.
TEST_F(MprisPlayerTest, RateIsTheSpeed) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    play();
    EXPECT_EQ(property(QStringLiteral("MinimumRate")).toDouble(), 0.25);
    EXPECT_EQ(property(QStringLiteral("MaximumRate")).toDouble(), 2.0);
    EXPECT_EQ(property(QStringLiteral("Rate")).toDouble(), 1.0);
    for (const double rate : {1.4, 9.0, 0.01, -1.0, 0.0})
        setProperty(QStringLiteral("Rate"), rate);
    EXPECT_EQ(m_engine.calls,
              QStringList({QStringLiteral("speed 1.5"), QStringLiteral("speed 2"),
                           QStringLiteral("speed 0.25"), QStringLiteral("pause 1")}));
    m_model.propertyChanged(PlaybackProperty::Speed, 1.5);
    EXPECT_EQ(property(QStringLiteral("Rate")).toDouble(), 1.5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_signals.changed.contains("Rate"); }, 5000));
}

TEST_F(MprisPlayerTest, AnnouncesChangesAndJumps) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.busName() == kName; }, 5000));
    play();
    m_model.propertyChanged(PlaybackProperty::Paused, 1);
    m_model.propertyChanged(PlaybackProperty::Volume, 40);
    m_model.propertyChanged(PlaybackProperty::Position, 42);
    m_model.playbackRestarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_signals.seeked.isEmpty(); }, 5000));
    EXPECT_TRUE(m_signals.changed.contains(QStringLiteral("PlaybackStatus")));
    EXPECT_TRUE(m_signals.changed.contains(QStringLiteral("Volume")));
    EXPECT_TRUE(m_signals.changed.contains(QStringLiteral("Metadata")));
    EXPECT_EQ(m_signals.seeked, QList<qlonglong>{42'000'000});
}

// The screen stays on while the movie plays, and only then.
TEST_F(MprisPlayerTest, ScreenIsKeptOnWhilePlayingOnly) {
    test::InhibitionLog log;
    test::StandInScreenSaver screenSaver(m_bus.connect(QStringLiteral("desktop")), log);
    const auto held = [&](int count) {
        return QTest::qWaitFor([&] { return log.held == count; }, 5000);
    };
    auto desktop = std::make_unique<DesktopIntegration>(m_bus.connect(QStringLiteral("program")),
                                                        host(), m_model);
    m_model.loadRequested();
    QTest::qWait(100);
    EXPECT_EQ(log.held, 0) << "held while loading";
    play();
    EXPECT_TRUE(held(1));
    m_model.propertyChanged(PlaybackProperty::Paused, 1);
    EXPECT_TRUE(held(0));
    m_model.propertyChanged(PlaybackProperty::Paused, 0);
    EXPECT_TRUE(held(1));
    m_model.loadFailed();
    EXPECT_TRUE(held(0));
    play();
    EXPECT_TRUE(held(1));
    desktop.reset();
    EXPECT_TRUE(held(0));
    EXPECT_EQ(log.mostHeld, 1);
}

} // namespace
} // namespace kestrova

#include "MprisPlayerTest.moc"
