#include "desktop/MprisService.h"

#include "tests/desktop/BusCall.h"
#include "tests/desktop/TestBus.h"

#include <QCoreApplication>
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
        return {[this] { ++m_quits; }, [this] { ++m_raises; }, [] { return NowPlaying{}; }};
    }

    QVariant rootProperty(const QString& name) {
        return test::PropertyOn(m_client, kName, kPath, kRoot, name);
    }

    test::TestBus m_bus;
    QDBusConnection m_client = m_bus.connect(QStringLiteral("client"));
    PlaybackModel m_model;
    int m_quits = 0;
    int m_raises = 0;
};

TEST_F(MprisServiceTest, TakesItsNameAndASecondInstanceTakesOneOfItsOwn) {
    MprisService first(m_bus.connect(QStringLiteral("first")), host(), m_model);
    MprisService second(m_bus.connect(QStringLiteral("second")), host(), m_model);
    EXPECT_EQ(first.busName(), kName);
    EXPECT_EQ(second.busName(),
              kName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
}

TEST_F(MprisServiceTest, RootNamesTheProgramAndItsDesktopEntry) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
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

TEST_F(MprisServiceTest, QuitAndRaiseReachTheProgram) {
    MprisService service(m_bus.connect(QStringLiteral("program")), host(), m_model);
    test::CallOn(m_client, kName, kPath, kRoot, QStringLiteral("Raise"));
    EXPECT_EQ(m_raises, 1);
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
