#include "desktop/ScreenSaverInhibitor.h"

#include "tests/desktop/StandInScreenSaver.h"
#include "tests/desktop/TestBus.h"

#include <memory>

#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::InhibitionLog;

constexpr int kTimeoutMs = 5000;
const QString kInhibit = QStringLiteral("Inhibit Kestrova 動画を再生しています");

class ScreenSaverInhibitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::TestBus::available())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(m_bus.address().isEmpty());
    }

    std::unique_ptr<ScreenSaverInhibitor> makeInhibitor() {
        return std::make_unique<ScreenSaverInhibitor>(m_bus.connect(QStringLiteral("program")));
    }

    bool waitForCalls(int count) {
        return QTest::qWaitFor([&] { return m_log.calls.size() >= count; }, kTimeoutMs);
    }

    test::TestBus m_bus;
    InhibitionLog m_log;
};

TEST_F(ScreenSaverInhibitorTest, HoldsOneInhibitionWhilePlayingAndReleasesItOnPauseAndAtExit) {
    test::StandInScreenSaver service(m_bus.connect(QStringLiteral("desktop")), m_log);
    auto inhibitor = makeInhibitor();
    inhibitor->setInhibited(true);
    ASSERT_TRUE(waitForCalls(1));
    inhibitor->setInhibited(false);
    ASSERT_TRUE(waitForCalls(2));
    inhibitor->setInhibited(true);
    ASSERT_TRUE(waitForCalls(3));
    // Quick changes while an answer is awaited never ask for a second one.
    for (bool inhibited : {false, true, false, true, true})
        inhibitor->setInhibited(inhibited);
    QTest::qWait(200);
    inhibitor.reset();
    // The stand-in answers on this thread, once the release no longer waits for it.
    QTest::qWait(200);
    EXPECT_EQ(m_log.held, 0) << m_log.calls.join(u'|').toStdString();
    EXPECT_EQ(m_log.mostHeld, 1);
    ASSERT_GE(m_log.calls.size(), 4);
    EXPECT_EQ(m_log.calls.mid(0, 3),
              QStringList({kInhibit, QStringLiteral("UnInhibit 1"), kInhibit}));
    EXPECT_TRUE(m_log.calls.last().startsWith(QStringLiteral("UnInhibit")));
}

TEST_F(ScreenSaverInhibitorTest, ThePortalStandsInWithoutTheScreenSaverService) {
    test::StandInPortal portal(m_bus.connect(QStringLiteral("desktop")), m_log);
    auto inhibitor = makeInhibitor();
    inhibitor->setInhibited(true);
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(m_log.calls.first(), QStringLiteral("Inhibit flags=8 動画を再生しています"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor->held(); }, kTimeoutMs));
    inhibitor.reset();
    // The stand-in answers on this thread, once the release no longer waits for it.
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_EQ(m_log.calls.value(1),
              QStringLiteral("Close /org/freedesktop/portal/desktop/request/1"));
    EXPECT_EQ(m_log.held, 0);
}

TEST_F(ScreenSaverInhibitorTest, WithoutEitherServiceNothingIsHeld) {
    auto inhibitor = makeInhibitor();
    inhibitor->setInhibited(true);
    QTest::qWait(300);
    EXPECT_FALSE(inhibitor->held());
    inhibitor->setInhibited(false);
    inhibitor->setInhibited(true);
    QTest::qWait(100);
    EXPECT_FALSE(inhibitor->held());
}

TEST_F(ScreenSaverInhibitorTest, WithoutABusNothingHappens) {
    ScreenSaverInhibitor inhibitor(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), "none"));
    inhibitor.setInhibited(true);
    QTest::qWait(100);
    EXPECT_FALSE(inhibitor.held());
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

} // namespace
} // namespace kestrova
