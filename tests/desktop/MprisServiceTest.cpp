#include "desktop/MprisService.h"

#include "tests/desktop/BusCall.h"
#include "tests/desktop/TestBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

const QString kName = QStringLiteral("org.mpris.MediaPlayer2.kestrova");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");

class MprisServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::TestBus::available())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(m_bus.address().isEmpty());
    }

    MprisHost host() {
        return {[this] { ++m_quits; }, [this] { ++m_raises; }, [] { return NowPlaying{}; },
                [this](const QString& address) { m_opened << address; }};
    }

    // The name comes once the bus has answered.
    static bool named(const MprisService& service, const QString& name) {
        return QTest::qWaitFor([&] { return service.busName() == name; }, 5000);
    }

    QVariant rootProperty(const QString& name) {
        return test::PropertyOn(m_client, kName, kPath, kRoot, name);
    }

    test::TestBus m_bus;
    QDBusConnection m_client = m_bus.connect(QStringLiteral("client"));
    PlaybackModel m_model;
    int m_quits = 0;
    int m_raises = 0;
    QStringList m_opened;
};

TEST_F(MprisServiceTest, TakesItsNameAndASecondInstanceTakesOneOfItsOwn) {
    MprisService first(m_bus.connect(QStringLiteral("first")), host(), m_model);
    ASSERT_TRUE(named(first, kName));
    MprisService second(m_bus.connect(QStringLiteral("second")), host(), m_model);
    EXPECT_TRUE(named(
        second, kName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())));
}

// A bus that answers nothing for a while holds up nothing; the name comes once it answers.
TEST_F(MprisServiceTest, AsksForItsNameWithoutWaitingForTheBus) {
    QDBusConnection connection = m_bus.connect(QStringLiteral("program"));
    m_bus.pause();
    QElapsedTimer clock;
    clock.start();
    MprisService service(connection, host(), m_model);
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(200);
    EXPECT_TRUE(service.busName().isEmpty());
    m_bus.resume();
    EXPECT_TRUE(named(service, kName));
}

TEST_F(MprisServiceTest, RootNamesTheProgramAndItsDesktopEntry) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    ASSERT_TRUE(named(service, kName));
    EXPECT_EQ(rootProperty(QStringLiteral("SupportedUriSchemes")).toStringList(),
              QStringList({QStringLiteral("http"), QStringLiteral("https")}));
    EXPECT_EQ(rootProperty(QStringLiteral("Identity")).toString(), QStringLiteral("Kestrova"));
    EXPECT_EQ(rootProperty(QStringLiteral("DesktopEntry")).toString(),
              QStringLiteral("org.example.corvanel.Kestrova"));
    for (const char* name : {"CanQuit", "CanRaise"})
        EXPECT_TRUE(rootProperty(QString::fromLatin1(name)).toBool()) << name;
    for (const char* name : {"HasTrackList", "CanSetFullscreen", "Fullscreen"}) {
        const QVariant value = rootProperty(QString::fromLatin1(name));
        EXPECT_TRUE(value.isValid() && !value.toBool()) << name;
    }
}

TEST_F(MprisServiceTest, QuitRaiseAndOpenUriReachTheProgram) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    ASSERT_TRUE(named(service, kName));
    test::CallOn(m_client, kName, kPath, kRoot, QStringLiteral("Raise"));
    EXPECT_EQ(m_raises, 1);
    const QString address = QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK");
    test::CallOn(m_client, kName, kPath, QStringLiteral("org.mpris.MediaPlayer2.Player"),
                 QStringLiteral("OpenUri"), {address});
    EXPECT_EQ(m_opened, QStringList{address});
    test::CallOn(m_client, kName, kPath, kRoot, QStringLiteral("Quit"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_quits == 1; }, 5000));
}

TEST_F(MprisServiceTest, WithoutABusTheProgramRunsOn) {
    MprisService service(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), "none"), host(),
        m_model);
    EXPECT_TRUE(service.busName().isEmpty());
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

} // namespace
} // namespace kestrova
