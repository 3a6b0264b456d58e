#include "metadata/FeedWorker.h"

#include "tests/support/FeedServer.h"

#include <chrono>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::FeedServer;

struct Answered {
    FeedResult result;
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
        return m_worker.fetch(id, options, [this](FeedResult result, std::u16string feedText) {
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
    EXPECT_EQ(m_answers[0].result, FeedResult::Ok);
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

struct LoggedLine {
    QString category;
    QString text;
};

std::vector<LoggedLine>& loggedLines() {
    static std::vector<LoggedLine> lines;
    return lines;
}

// The debug console shows why a fetch failed, under the feed's category; a fetch that
// succeeds shows nothing.
TEST_F(FeedWorkerTest, TransferFailureGoesToTheDebugConsole) {
    m_server.setReply("/broken", test::FeedReply::reset());
    QLoggingCategory::setFilterRules(QStringLiteral("kestrova.*=true"));
    loggedLines().clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            loggedLines().push_back({QString::fromUtf8(context.category), text});
        });
    ASSERT_TRUE(fetch(u"quick"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_answers.size() == 1; }, 10000));
    ASSERT_TRUE(fetch(u"broken"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_answers.size() == 2; }, 10000));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    EXPECT_EQ(m_answers[1].result, FeedResult::TransferFailed);
    ASSERT_EQ(loggedLines().size(), 1u);
    EXPECT_EQ(loggedLines()[0].category, QStringLiteral("kestrova.feed"));
    EXPECT_TRUE(
        loggedLines()[0].text.startsWith(QStringLiteral("例外が発生しました。\r\nエラー: ")))
        << loggedLines()[0].text.toStdString();
}

} // namespace
} // namespace kestrova
