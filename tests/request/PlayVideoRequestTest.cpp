#include "request/PlayVideoRequest.h"

#include "metadata/FeedRetrieval.h"
#include "res/Texts.h"
#include "text/Utf8.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Log = std::vector<std::string>;

std::string utf8(std::u16string_view text) {
    return EncodeUtf8(text);
}

// Feed, player, history and panel in one, writing every effect into one log so that the
// order across them shows. The feed holds its answer until the test gives it.
class Recorder : public PlayVideoRequest::Feed,
                 public PlayVideoRequest::Player,
                 public PlayVideoRequest::History,
                 public PlayVideoRequest::Panel {
public:
    bool fetchFeed(std::u16string videoId, Answer answer) override {
        log.push_back("fetch " + utf8(videoId));
        if (!feedAccepts) {
            return false;
        }
        pending = std::move(answer);
        return true;
    }
    void PlayVideo(std::u16string videoId) override { log.push_back("play " + utf8(videoId)); }
    // Like the history store: an ID already present changes nothing.
    void AddToHistory(HistoryItem item) override {
        const bool inserted = historyIds.insert(item.m_strVideoId).second;
        log.push_back("history " + utf8(item.m_strVideoId) + "|" + utf8(item.m_strTitle) +
                      (inserted ? "" : " (present)"));
        EXPECT_EQ(item.m_nUnused2, 80) << "a new record's fields";
    }
    void showMessage(std::u16string_view text) override { log.push_back("message " + utf8(text)); }
    void showPlayedId(const std::u16string& videoId) override {
        log.push_back("shown " + utf8(videoId));
    }

    void answer(FeedResult result, std::u16string feedText) {
        ASSERT_TRUE(pending) << "no fetch is waiting";
        auto deliver = std::exchange(pending, nullptr);
        deliver(result, std::move(feedText));
    }

    Log log;
    bool feedAccepts = true;
    std::set<std::u16string> historyIds;
    Answer pending;
};

constexpr char kId[] = "Ab3dE5gH1jK";
const std::u16string kFeedWithTitle = u"<entry><title type='text'>Morning walk</title></entry>";
const std::string kBad = "message " + utf8(texts::kMsgBadReference);
const std::string kFailed = "message " + utf8(texts::kMsgFeedFailed);

struct RequestCase {
    const char* name;
    std::u16string typed;
    std::optional<FeedResult> result; // the feed's answer; none when no fetch may start
    std::u16string feedText;
    bool alreadyInHistory;
    Log expected;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayVideoRequestTest : public ::testing::TestWithParam<RequestCase> {
protected:
    Recorder m_recorder;
    PlayVideoRequest m_request{m_recorder, m_recorder, m_recorder, m_recorder};
};

TEST_P(PlayVideoRequestTest, StepsFollowInOrderAndAFailureChangesNothing) {
    const RequestCase& c = GetParam();
    if (c.alreadyInHistory) {
        m_recorder.historyIds.insert(u"Ab3dE5gH1jK");
    }
    EXPECT_EQ(m_request.start(c.typed), c.result.has_value());
    EXPECT_EQ(m_request.running(), c.result.has_value());
    if (c.result) {
        ASSERT_EQ(m_recorder.log, Log{std::string("fetch ") + kId}) << "nothing before the answer";
        m_recorder.answer(*c.result, c.feedText);
    }
    EXPECT_EQ(m_recorder.log, c.expected);
    EXPECT_FALSE(m_request.running());
}

const std::string kFetch = std::string("fetch ") + kId;
const std::string kPlay = std::string("play ") + kId;
const std::string kShown = std::string("shown ") + kId;

INSTANTIATE_TEST_SUITE_P(
    Table, PlayVideoRequestTest,
    ::testing::Values(
        RequestCase{"RejectedAddress", u"http://example.com/watch", {}, {}, false, {kBad}},
        RequestCase{"RejectedEmpty", u"", {}, {}, false, {kBad}},
        RequestCase{"RejectedTenCharacters", u"Ab3dE5gH1j", {}, {}, false, {kBad}},
        RequestCase{"Address",
                    u"https://www.youtube.com/watch?v=Ab3dE5gH1jK&t=3",
                    FeedResult::Ok,
                    kFeedWithTitle,
                    false,
                    {kFetch, kPlay, std::string("history ") + kId + "|Morning walk", kShown}},
        RequestCase{"BareId",
                    u"Ab3dE5gH1jK",
                    FeedResult::Ok,
                    kFeedWithTitle,
                    false,
                    {kFetch, kPlay, std::string("history ") + kId + "|Morning walk", kShown}},
        RequestCase{
            "StatusNotOk", u"Ab3dE5gH1jK", FeedResult::StatusNotOk, {}, false, {kFetch, kFailed}},
        RequestCase{"NoOutput", u"Ab3dE5gH1jK", FeedResult::NoOutput, {}, false, {kFetch, kFailed}},
        RequestCase{"TransferFailed",
                    u"Ab3dE5gH1jK",
                    FeedResult::TransferFailed,
                    kFeedWithTitle, // whatever came, a failure uses none of it
                    false,
                    {kFetch, kFailed}},
        RequestCase{"EmptyTitle",
                    u"Ab3dE5gH1jK",
                    FeedResult::Ok,
                    u"<entry>no title here</entry>",
                    false,
                    {kFetch, kPlay, std::string("history ") + kId + "|", kShown}},
        RequestCase{
            "AlreadyInHistory",
            u"Ab3dE5gH1jK",
            FeedResult::Ok,
            kFeedWithTitle,
            true,
            {kFetch, kPlay, std::string("history ") + kId + "|Morning walk (present)", kShown}}),
    [](const auto& info) { return std::string(info.param.name); });

class PlayVideoRequestRunTest : public ::testing::Test {
protected:
    Recorder m_recorder;
    PlayVideoRequest m_request{m_recorder, m_recorder, m_recorder, m_recorder};
};

// While one request waits for its answer, another press starts nothing and shows nothing,
// whatever was typed; once the answer is in, the next one starts.
TEST_F(PlayVideoRequestRunTest, SecondRequestCannotStartWhileOneRuns) {
    ASSERT_TRUE(m_request.start(u"Ab3dE5gH1jK"));
    EXPECT_FALSE(m_request.start(u"Zy9xW8vU7tS"));
    EXPECT_FALSE(m_request.start(u"rejected"));
    EXPECT_EQ(m_recorder.log, Log{kFetch});
    m_recorder.answer(FeedResult::TransferFailed, {});
    EXPECT_TRUE(m_request.start(u"Zy9xW8vU7tS"));
    EXPECT_EQ(m_recorder.log, (Log{kFetch, kFailed, "fetch Zy9xW8vU7tS"}));
}

TEST_F(PlayVideoRequestRunTest, FeedThatCannotStartEndsTheRequestQuietly) {
    m_recorder.feedAccepts = false;
    EXPECT_FALSE(m_request.start(u"Ab3dE5gH1jK"));
    EXPECT_FALSE(m_request.running());
    EXPECT_EQ(m_recorder.log, Log{kFetch});
}

TEST_F(PlayVideoRequestRunTest, PlayFromHistoryPlaysAndShowsWithoutFetchOrHistory) {
    HistoryItem record;
    record.m_strVideoId = u"Zy9xW8vU7tS";
    record.m_strTitle = u"unused";
    m_request.PlayFromHistory(record);
    record.m_strVideoId.clear(); // a record read from a damaged file
    m_request.PlayFromHistory(record);
    EXPECT_EQ(m_recorder.log, (Log{"play Zy9xW8vU7tS", "shown Zy9xW8vU7tS", "play ", "shown "}));
}

} // namespace
} // namespace kestrova
