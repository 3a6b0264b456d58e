#include "request/FeedWorker.h"

#include "tests/support/FeedServer.h"

#include <chrono>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::FeedServer;

struct Answered {
    int result;
    std::u16string feedText;
};

class FeedWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server.setReply("/held", test::FeedReply::ok("late"));
        m_server.setReply("/quick", test::FeedReply::ok("<title>q</title>"));
        m_server.holdRequests("/held");
        QObject::connect(&m_worker, &FeedWorker::busyChanged,
                         [this](bool busy) { m_busyChanges.push_back(busy); });
    }
    void TearDown() override { m_server.releaseRequests("/held"); }

    bool fetch(const std::u16string& id) {
        FeedOptions options;
        options.urlPrefix = m_server.baseUrl() + "/";
        options.totalTimeout = 20s;
        return m_worker.fetch(id, options, [this](int result, std::u16string feedText) {
            m_answers.push_back({result, std::move(feedText)});
        });
    }

    FeedServer m_server;
    FeedWorker m_worker;
    std::vector<Answered> m_answers;
    std::vector<bool> m_busyChanges;
};

TEST_F(FeedWorkerTest, AnswerComesFromTheEventLoopAfterBusyEnds) {
    ASSERT_TRUE(fetch(u"quick"));
    EXPECT_TRUE(m_worker.busy());
    EXPECT_TRUE(m_answers.empty()) << "answered inside fetch()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_answers.empty(); }, 10000));
    EXPECT_EQ(m_answers.size(), 1u);
    EXPECT_EQ(m_answers[0].result, kFeedOk);
    EXPECT_EQ(m_answers[0].feedText, u"<title>q</title>");
    EXPECT_EQ(m_busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(m_worker.busy());
}

TEST_F(FeedWorkerTest, OneFetchAtATime) {
    ASSERT_TRUE(fetch(u"held"));
    EXPECT_FALSE(fetch(u"quick"));
    QTest::qWait(100);
    EXPECT_EQ(m_server.requests().size(), 1u);
}

// The abandoned answer, even one already on its way, never arrives; the next fetch's does.
TEST_F(FeedWorkerTest, AbandonedFetchStopsAtOnceAndNeverAnswers) {
    ASSERT_TRUE(fetch(u"held"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_server.requests().empty(); }, 5000));
    QElapsedTimer clock;
    clock.start();
    m_worker.abandon();
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(m_worker.busy());
    m_server.releaseRequests("/held");

    ASSERT_TRUE(fetch(u"quick"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_answers.empty(); }, 10000));
    QTest::qWait(100);
    ASSERT_EQ(m_answers.size(), 1u);
    EXPECT_EQ(m_answers[0].feedText, u"<title>q</title>");
    EXPECT_EQ(m_busyChanges, (std::vector<bool>{true, false, true, false}));
}

} // namespace
} // namespace kestrova
