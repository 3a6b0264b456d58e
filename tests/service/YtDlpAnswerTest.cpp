#include "service/YtDlpAnswer.h"

#include "res/Texts.h"
#include "service/Sha256.h"
#include "service/YtDlpFailure.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono;

struct FailureCase {
    const char* name;
    std::string errorOutput; // as yt-dlp words it
    YtDlpFailure kind;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class YtDlpFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(YtDlpFailureTest, ToldByKind) {
    EXPECT_EQ(ClassifyYtDlpFailure(GetParam().errorOutput), GetParam().kind);
}

const std::string kId = "ERROR: [youtube] dQw4w9WgXcQ: ";

const FailureCase kFailureCases[] = {
    {"BotCheck",
     kId + "Sign in to confirm you\u2019re not a bot. Use --cookies-from-browser or --cookies for "
           "the authentication.",
     YtDlpFailure::BotCheck},
    {"BotCheckStraightApostrophe", kId + "Sign in to confirm you're not a bot.",
     YtDlpFailure::BotCheck},
    {"Private", kId + "Private video. Sign in if you've been granted access to this video",
     YtDlpFailure::Unavailable},
    {"Unavailable", kId + "Video unavailable", YtDlpFailure::Unavailable},
    {"Removed", kId + "Video unavailable. This video has been removed by the uploader",
     YtDlpFailure::Unavailable},
    {"NoLongerAvailable",
     kId + "Video unavailable. This video is no longer available because the YouTube account "
           "associated with this video has been terminated.",
     YtDlpFailure::Unavailable},
    {"Age", kId + "Sign in to confirm your age. This video may be inappropriate for some users.",
     YtDlpFailure::SignInNeeded},
    {"Members",
     kId + "Join this channel to get access to members-only content like this video, and other "
           "exclusive perks.",
     YtDlpFailure::SignInNeeded},
    {"Country",
     kId + "Video unavailable. The uploader has not made this video available in your country",
     YtDlpFailure::RegionBlocked},
    {"CountryBlocked",
     kId + "Video unavailable. This video contains content from SME, who has blocked it in your "
           "country on copyright grounds",
     YtDlpFailure::RegionBlocked},
    {"LiveNotStarted", kId + "This live event will begin in 3 hours.", YtDlpFailure::NotYetLive},
    {"Premiere", kId + "Premieres in 2 days", YtDlpFailure::NotYetLive},
    // Debian 12's yt-dlp (2023.03.04), run offline.
    {"Offline",
     "WARNING: [youtube] Unable to download webpage: <urlopen error [Errno -2] Name or service "
     "not known>\n" +
         kId +
         "Unable to download API page: <urlopen error [Errno -2] Name or service not known> "
         "(caused by URLError(gaierror(-2, 'Name or service not known')))",
     YtDlpFailure::NoNetwork},
    {"NoNameServer",
     kId + "Unable to download webpage: <urlopen error [Errno -3] Temporary failure in name "
           "resolution>",
     YtDlpFailure::NoNetwork},
    {"Refused", kId + "Unable to download webpage: <urlopen error [Errno 111] Connection refused>",
     YtDlpFailure::NoNetwork},
    {"TimedOut", kId + "Unable to download webpage: The read operation timed out",
     YtDlpFailure::NoNetwork},
    {"Forbidden", kId + "Unable to download webpage: HTTP Error 403: Forbidden",
     YtDlpFailure::Other},
    {"ExtractorBroken",
     kId + "Unable to extract initial player response; please report this issue on "
           "https://github.com/yt-dlp/yt-dlp/issues",
     YtDlpFailure::Other},
    // While retrying it may warn of what the final error is not.
    {"WarningsDoNotCount",
     "WARNING: [youtube] Sign in to confirm you're not a bot\n" + kId + "Video unavailable",
     YtDlpFailure::Unavailable},
    {"NothingSaid", "", YtDlpFailure::Other},
};

INSTANTIATE_TEST_SUITE_P(Table, YtDlpFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(YtDlpFailureLineTest, OtherFailuresNameTheVersionOrTheMissingRuntime) {
    EXPECT_EQ(DescribeYtDlpFailure(YtDlpFailure::Other, "2023.03.04", false),
              u"再生できません: yt-dlp が古い可能性があります (バージョン 2023.03.04)");
    EXPECT_EQ(DescribeYtDlpFailure(YtDlpFailure::Other, "", false),
              u"再生できません: yt-dlp が古い可能性があります (バージョン 不明)");
    EXPECT_EQ(DescribeYtDlpFailure(YtDlpFailure::Other, "2025.11.12", true),
              texts::kPlaybackFailedNoJsRuntime);
    EXPECT_EQ(DescribeYtDlpFailure(YtDlpFailure::BotCheck, "2025.11.12", true),
              texts::kPlaybackFailedBotCheck);
    EXPECT_FALSE(NewerYtDlpMayHelp(YtDlpFailure::NoNetwork));
}

TEST(YtDlpAnswerTest, TheHookGetsWhatItReadsAndTheStreamsTheirEnd) {
    const auto answer = ParseYtDlpAnswer(R"({"id": "x", "title": "T",
        "formats": [{"url": "https://a/f1"}], "thumbnails": [], "automatic_captions": {},
        "requested_formats": [
            {"url": "https://v.example/videoplayback?expire=1700020000&itag=1"},
            {"url": "https://v.example/videoplayback?itag=2&expire=1700010000"}],
        "http_headers": {"User-Agent": "x"}})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->streamUrls.size(), 2u);
    EXPECT_EQ(answer->hookJson.find("formats\":[{\"url\":\"https://a/f1"), std::string::npos);
    EXPECT_NE(answer->hookJson.find("requested_formats"), std::string::npos);
    EXPECT_NE(answer->hookJson.find("http_headers"), std::string::npos);
    EXPECT_EQ(answer->hookJson.find("thumbnails"), std::string::npos);

    const auto now = system_clock::time_point(seconds(1'700'000'000));
    EXPECT_EQ(KeepAnswerUntil(*answer, now),
              system_clock::time_point(seconds(1'700'010'000)) - minutes(5));
    EXPECT_EQ(KeepAnswerUntil(YtDlpAnswer{}, now), now + hours(1));

    std::string error;
    EXPECT_FALSE(ParseYtDlpAnswer("[1, 2]", &error));
    EXPECT_FALSE(ParseYtDlpAnswer("{\"truncated\": ", &error));
    EXPECT_FALSE(error.empty());
}

// Heights highest first, audio left out; the uploader's captions, then the automatic ones in
// the video's own language unless the uploader's are in it, each in the form the engine reads
// best.
TEST(YtDlpAnswerTest, HeightsAndCaptionsTheVideoHas) {
    const auto answer = ParseYtDlpAnswer(R"json({
        "formats": [{"height": 360, "vcodec": "vp9"}, {"height": 1080, "vcodec": "avc1"},
                    {"height": 360, "vcodec": "avc1"}, {"vcodec": "none", "height": 0},
                    {"height": 720}, {"height": "tall"}],
        "subtitles": {"ja": [{"ext": "json3", "url": "https://s/ja.json3"},
                             {"ext": "vtt", "url": "https://s/ja.vtt", "name": "Japanese"}],
                      "live_chat": [{"ext": "json", "url": "https://s/chat"}],
                      "fr": [{"ext": "srv1"}]},
        "automatic_captions": {"en-orig": [{"ext": "vtt", "url": "https://s/en.vtt",
                                            "name": "English (Original)"}],
                               "ja-orig": [{"ext": "vtt", "url": "https://s/ja-auto.vtt"}],
                               "de": [{"ext": "vtt", "url": "https://s/de.vtt"}]}})json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->heights, (std::vector<int>{1080, 720, 360}));
    EXPECT_EQ(answer->captions,
              (std::vector<CaptionTrack>{{"ja", "Japanese", false, "https://s/ja.vtt"},
                                         {"en", "English (Original)", true, "https://s/en.vtt"}}));
}

TEST(YtDlpAnswerTest, ExpiryInQueryOrPathAndHostileNumbers) {
    EXPECT_EQ(ExpiryOfStreamUrl("https://h/videoplayback?expire=1700000000&ei=x"), 1700000000);
    EXPECT_EQ(ExpiryOfStreamUrl("https://h/api/manifest/dash/expire/1700000001/ei/x"), 1700000001);
    EXPECT_EQ(ExpiryOfStreamUrl("https://h/v?notexpire=5"), std::nullopt);
    EXPECT_EQ(ExpiryOfStreamUrl("https://h/v?expire=soon"), std::nullopt);
    // An end beyond any real one is held to a day; no number overflows.
    YtDlpAnswer answer;
    answer.streamUrls = {"https://h/v?expire=99999999999999999999"};
    EXPECT_EQ(KeepAnswerUntil(answer, system_clock::time_point()),
              system_clock::time_point() + hours(1));
    answer.streamUrls = {"https://h/v?expire=9223372036854775807"};
    const auto now = system_clock::time_point(seconds(1'700'000'000));
    EXPECT_EQ(KeepAnswerUntil(answer, now), now + hours(24) - minutes(5));
}

TEST(Sha256Test, KnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1'000'000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
} // namespace kestrova
