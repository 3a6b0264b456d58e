#include "metadata/FeedRetrieval.h"

#include "metadata/FeedCancel.h"
#include "metadata/TitleExtraction.h"
#include "res/Texts.h"
#include "support/FeedServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using test::FeedReply;
using test::FeedServer;

constexpr std::u16string_view kStale = u"text from before";

class FeedRetrievalTest : public ::testing::Test {
protected:
    FeedOptions options(const std::string& prefix) const {
        FeedOptions o;
        o.urlPrefix = prefix;
        o.connectTimeout = 2s;
        o.totalTimeout = 5s;
        return o;
    }
    FeedOptions options() const { return options(m_server.baseUrl() + "/"); }

    // Fetches path `id` from the server's root, starting with stale output.
    FeedResult fetch(const std::u16string& id, std::u16string& out, const FeedOptions& o) {
        out = kStale;
        return FetchVideoFeed(id, &out, o, &m_diagnostic);
    }
    FeedResult fetch(const std::u16string& id, std::u16string& out) {
        return fetch(id, out, options());
    }

    void expectDiagnosticStartsWith(std::u16string_view prefix) const {
        EXPECT_EQ(std::u16string_view(m_diagnostic).substr(0, prefix.size()), prefix);
    }

    FeedServer m_server;
    std::u16string m_diagnostic;
};

TEST_F(FeedRetrievalTest, KnownVideoGivesFeedWithDecodedTitle) {
    m_server.setTitle(u"Ab3dE5gH1jK", u"Tom & Jerry 日本語 <1>");
    std::u16string feed;
    ASSERT_EQ(fetch(u"Ab3dE5gH1jK", feed, options(m_server.feedUrl())), FeedResult::Ok);
    EXPECT_EQ(ExtractTitle(feed), u"Tom & Jerry 日本語 <1>");
    EXPECT_EQ(m_server.requests().at(0).userAgent, texts::kUserAgent);
}

TEST_F(FeedRetrievalTest, UnknownVideoGivesStatusResult) {
    std::u16string feed;
    EXPECT_EQ(fetch(u"Zz3dE5gH1jK", feed, options(m_server.feedUrl())), FeedResult::StatusNotOk);
    EXPECT_EQ(feed, u"");
}

TEST_F(FeedRetrievalTest, NoOutputGivesTwoWithoutRequest) {
    EXPECT_EQ(FetchVideoFeed(u"a", nullptr, options()), FeedResult::NoOutput);
    EXPECT_TRUE(m_server.requests().empty());
}

struct ReplyCase {
    const char* name;
    FeedReply reply;
    FeedResult result;
    std::u16string feed;
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class FeedReplyTest : public FeedRetrievalTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(FeedReplyTest, MapsReplyToResult) {
    m_server.setReply("/v", GetParam().reply);
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed), GetParam().result);
    EXPECT_EQ(feed, GetParam().feed);
    EXPECT_EQ(m_diagnostic.empty(), GetParam().result != FeedResult::TransferFailed)
        << "diagnostic";
}

// A transfer that can be cancelled waits differently; an uncancelled one ends alike.
TEST_P(FeedReplyTest, CancellableTransferMapsReplyAlike) {
    m_server.setReply("/v", GetParam().reply);
    FeedCancel cancel;
    FeedOptions o = options();
    o.cancel = &cancel;
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed, o), GetParam().result);
    EXPECT_EQ(feed, GetParam().feed);
}

FeedReply endlessWithStatus(int status) {
    FeedReply r = FeedReply::endless();
    r.status = status;
    return r;
}

const ReplyCase kReplyCases[] = {
    {"Ok", FeedReply::ok("<title>x</title>"), FeedResult::Ok, u"<title>x</title>"},
    {"OkEmptyBody", FeedReply::ok(""), FeedResult::Ok, u""},
    {"ByteOrderMarkSkipped",
     FeedReply::ok("\xEF\xBB\xBF"
                   "abc"),
     FeedResult::Ok, u"abc"},
    {"UnmappableCharactersBecomeSpaces", FeedReply::ok("caf\xC3\xA9 \xF0\x9F\x98\x80!"),
     FeedResult::Ok, u"caf    !"},
    {"ZeroBytesDroppedAloneAcrossReads",
     FeedReply::inPieces({"ab\0cd"s, "\0\0ef"s, "gh\0"s, "\xE3\x81\x82"}), FeedResult::Ok,
     u"abcdefgh\u3042"},
    {"CharacterSplitAcrossReads", FeedReply::inPieces({"\xE3\x81", "\x82"}), FeedResult::Ok,
     u"\u3042"},
    {"MovedWithoutLocation", FeedReply::withStatus(301, "moved"), FeedResult::StatusNotOk, u""},
    {"NotModified", FeedReply::withStatus(304), FeedResult::StatusNotOk, u""},
    {"NotFound", FeedReply::withStatus(404, "<title>x</title>"), FeedResult::StatusNotOk, u""},
    {"Gone", FeedReply::withStatus(410), FeedResult::StatusNotOk, u""},
    {"ServerError", FeedReply::withStatus(500, "oops"), FeedResult::StatusNotOk, u""},
    {"NoContent", FeedReply::withStatus(204), FeedResult::StatusNotOk, u""},
    // An endless error body would trip the size cap if it were read.
    {"ErrorBodyNotRead", endlessWithStatus(404), FeedResult::StatusNotOk, u""},
    {"ResetBeforeAnswer", FeedReply::reset(), FeedResult::TransferFailed, u""},
    {"ResetInsideBody", FeedReply::reset("<title>x</title>"), FeedResult::TransferFailed, u""},
};

INSTANTIATE_TEST_SUITE_P(Table, FeedReplyTest, ::testing::ValuesIn(kReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FeedRetrievalTest, RedirectChainIsFollowedAndItsBodiesDropped) {
    m_server.setReply("/v", FeedReply::redirect(301, "/hop1"));
    m_server.setReply("/hop1", FeedReply::redirect(302, m_server.baseUrl() + "/hop2"));
    m_server.setReply("/hop2", FeedReply::redirect(307, "/final"));
    m_server.setReply("/final", FeedReply::ok("<title>end</title>"));
    std::u16string feed;
    ASSERT_EQ(fetch(u"v", feed), FeedResult::Ok);
    EXPECT_EQ(feed, u"<title>end</title>");
    EXPECT_EQ(m_server.requests().size(), 4u);
}

TEST_F(FeedRetrievalTest, RedirectToErrorGivesStatusResult) {
    m_server.setReply("/v", FeedReply::redirect(302, "/missing"));
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed), FeedResult::StatusNotOk);
    EXPECT_EQ(feed, u"");
}

TEST_F(FeedRetrievalTest, MoreThanTenRedirectsFail) {
    for (int i = 0; i < 11; ++i) {
        m_server.setReply("/r" + std::to_string(i),
                          FeedReply::redirect(302, "/r" + std::to_string(i + 1)));
    }
    m_server.setReply("/r11", FeedReply::ok("too far"));
    std::u16string feed;
    EXPECT_EQ(fetch(u"r0", feed), FeedResult::TransferFailed);
    EXPECT_EQ(feed, u"");
    EXPECT_EQ(m_server.requests().size(), 11u);
}

TEST_F(FeedRetrievalTest, RedirectLoopDiagnosticNamesTheRedirects) {
    // The first answer's connection is reset when it is reused: the transfer meets (and
    // recovers from) a failure before it gives up on the redirects.
    m_server.setReply("/start", FeedReply::redirectThenReset(302, "/loop"));
    m_server.setReply("/loop", FeedReply::redirect(302, "/loop"));
    std::u16string feed;
    EXPECT_EQ(fetch(u"start", feed), FeedResult::TransferFailed);
    EXPECT_EQ(m_diagnostic,
              u"例外が発生しました。\r\nエラー: 47\r\nNumber of redirects hit maximum amount");
}

// A transfer that can be cancelled waits differently; both end at the time-out.
TEST_F(FeedRetrievalTest, HungServerEndsAtTimeOut) {
    m_server.setReply("/v", FeedReply::hang());
    FeedCancel cancel;
    for (FeedCancel* token : {static_cast<FeedCancel*>(nullptr), &cancel}) {
        SCOPED_TRACE(token ? "cancellable" : "plain");
        FeedOptions o = options();
        o.totalTimeout = 300ms;
        o.cancel = token;
        std::u16string feed;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fetch(u"v", feed, o), FeedResult::TransferFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(feed, u"");
        expectDiagnosticStartsWith(u"例外が発生しました。\r\nエラー: 28\r\n");
    }
}

// The server holds the request and the network is silent: the cancel must not wait for
// libcurl's once-a-second progress check, let alone the time-out.
TEST_F(FeedRetrievalTest, CancelFromAnotherThreadEndsAHeldFetchAtOnce) {
    m_server.setReply("/v", FeedReply::hang());
    FeedCancel cancel;
    FeedOptions o = options();
    o.totalTimeout = 20s;
    o.cancel = &cancel;
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
        while (m_server.requests().empty()) {
            std::this_thread::sleep_for(5ms);
        }
        std::this_thread::sleep_for(50ms);
        cancelledAt = std::chrono::steady_clock::now();
        cancel.cancel();
    });
    std::u16string feed;
    const FeedResult result = fetch(u"v", feed, o);
    const auto returnedAt = std::chrono::steady_clock::now();
    canceller.join();
    EXPECT_EQ(result, FeedResult::TransferFailed);
    EXPECT_EQ(feed, u"");
    EXPECT_LT(returnedAt - cancelledAt, 200ms);
}

TEST_F(FeedRetrievalTest, FetchCancelledBeforeItBeginsSendsNothing) {
    m_server.setReply("/v", FeedReply::ok("<title>x</title>"));
    FeedCancel cancel;
    cancel.cancel();
    FeedOptions o = options();
    o.cancel = &cancel;
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed, o), FeedResult::TransferFailed);
    EXPECT_EQ(feed, u"");
    EXPECT_TRUE(m_server.requests().empty());
}

TEST_F(FeedRetrievalTest, EndlessBodyEndsAtCap) {
    m_server.setReply("/v", FeedReply::endless());
    FeedOptions o = options();
    o.maxBodyBytes = 256 * 1024;
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed, o), FeedResult::TransferFailed);
    EXPECT_EQ(feed, u"");
    EXPECT_EQ(m_diagnostic, u"例外が発生しました。\r\nエラー: 63\r\nMaximum file size exceeded");
}

TEST_F(FeedRetrievalTest, BodyOfExactlyCapIsAccepted) {
    FeedOptions o = options();
    o.maxBodyBytes = 1000;
    m_server.setReply("/full", FeedReply::inPieces({std::string(600, 'a'), std::string(400, 'b')}));
    m_server.setReply("/over", FeedReply::inPieces({std::string(600, 'a'), std::string(401, 'b')}));
    std::u16string feed;
    EXPECT_EQ(fetch(u"full", feed, o), FeedResult::Ok);
    EXPECT_EQ(feed.size(), 1000u);
    EXPECT_EQ(fetch(u"over", feed, o), FeedResult::TransferFailed);
}

TEST_F(FeedRetrievalTest, RefusedConnectionFails) {
    // A port that was free a moment ago: nothing listens there.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed,
                    options("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/")),
              FeedResult::TransferFailed);
    expectDiagnosticStartsWith(u"例外が発生しました。\r\nエラー: 7\r\n");
}

TEST_F(FeedRetrievalTest, UnusableAddressFails) {
    std::u16string feed;
    EXPECT_EQ(fetch(u"v", feed, options("file:///etc/")), FeedResult::TransferFailed);
    EXPECT_EQ(fetch(u"v", feed, options("http://[::1/")), FeedResult::TransferFailed);
    EXPECT_NE(m_diagnostic.find(u"URL"), std::u16string::npos);
}

TEST_F(FeedRetrievalTest, RefusedOptionStopsTheRequestUnsent) {
    // libcurl refuses a string option longer than 8,000,000 bytes.
    std::u16string feed;
    EXPECT_EQ(fetch(std::u16string(8'000'001, u'a'), feed), FeedResult::TransferFailed);
    EXPECT_NE(m_diagnostic.find(u"CURLOPT_URL cannot be set"), std::u16string::npos);
    EXPECT_TRUE(m_server.requests().empty());
}

TEST_F(FeedRetrievalTest, CoreWritesNothingToStandardError) {
    m_server.setReply("/v", FeedReply::reset());
    std::u16string feed;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(fetch(u"v", feed), FeedResult::TransferFailed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

struct IdCase {
    const char* name;
    std::u16string id;
    std::string target;
};

void PrintTo(const IdCase& c, std::ostream* os) {
    *os << c.name;
}

class FeedIdTest : public FeedRetrievalTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(FeedIdTest, IdReachesServerAsOneEncodedSegment) {
    m_server.setTitle(GetParam().id, u"found");
    std::u16string feed;
    ASSERT_EQ(fetch(GetParam().id, feed, options(m_server.feedUrl())), FeedResult::Ok);
    EXPECT_EQ(ExtractTitle(feed), u"found");
    ASSERT_EQ(m_server.requests().size(), 1u);
    EXPECT_EQ(m_server.requests()[0].target, "/feeds/api/videos/" + GetParam().target);
}

const IdCase kIdCases[] = {
    {"Plain", u"Ab3dE5gH1-_", "Ab3dE5gH1-_"},
    {"Space", u"a b", "a%20b"},
    {"Ampersand", u"a&b=c", "a%26b%3Dc"},
    {"Slash", u"../../x", "..%2F..%2Fx"},
    {"QueryAndFragment", u"a?b#c", "a%3Fb%23c"},
    {"Japanese", u"あ", "%E3%81%82"},
    // Dot segments would be removed by the client and leave the ID's segment.
    {"Dot", u".", "%2E"},
    {"DotDot", u"..", "%2E%2E"},
    {"DotDotThenName", u"../x", "..%2Fx"},
    {"EncodedDotDot", u"%2e%2e", "%252e%252e"},
    {"ThreeDots", u"...", "..."},
};

INSTANTIATE_TEST_SUITE_P(Table, FeedIdTest, ::testing::ValuesIn(kIdCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
