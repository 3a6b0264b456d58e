#include "engine/mpv/PlaybackDiagnosis.h"

#include "res/Texts.h"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Log = std::vector<std::pair<std::string, std::string>>;

struct DiagnosisCase {
    const char* name;
    Log log;
    std::u16string expected;
};

void PrintTo(const DiagnosisCase& c, std::ostream* os) {
    *os << c.name;
}

std::u16string text(std::u16string_view part) {
    return std::u16string(part);
}

std::u16string refused(std::u16string_view status) {
    std::u16string line = text(texts::kPlaybackFailedRefused);
    return line.replace(line.find(u"%d"), 2, status);
}

const std::pair<std::string, std::string> kYtdlMissing = {
    "ytdl_hook", "youtube-dl failed: not found or not enough permissions\n"};
const std::pair<std::string, std::string> kNotMedia = {"cplayer",
                                                       "Failed to recognize file format.\n"};

class PlaybackDiagnosisTest : public ::testing::TestWithParam<DiagnosisCase> {};

TEST_P(PlaybackDiagnosisTest, NamesTheCause) {
    PlaybackDiagnosis diagnosis;
    for (const auto& [module, message] : GetParam().log)
        diagnosis.addLogMessage(module, message);
    EXPECT_EQ(diagnosis.describe("loading failed"), GetParam().expected);
}

const DiagnosisCase kCases[] = {
    {"HttpStatus", {{"ffmpeg", "http: HTTP error 404 Not Found\n"}}, refused(u"404")},
    {"FirstStatusWins",
     {{"ffmpeg", "http: HTTP error 403 Forbidden\n"}, {"ffmpeg", "http: HTTP error 500 x\n"}},
     refused(u"403")},
    {"StatusWithYtdlMissing",
     {{"ffmpeg", "http: HTTP error 404 Not Found\n"}, kYtdlMissing},
     refused(u"404") + text(texts::kPlaybackHintYtdlMissing)},
    {"ConnectionRefused",
     {{"ffmpeg", "tcp: Connection to tcp://127.0.0.1:1 failed: Connection refused\n"}},
     text(texts::kPlaybackFailedUnreachable)},
    {"UnknownHost",
     {{"ffmpeg", "tcp: Failed to resolve hostname nohost: x\n"}, kYtdlMissing},
     text(texts::kPlaybackFailedUnreachable) + text(texts::kPlaybackHintYtdlMissing)},
    {"PageWithoutYtdl", {kYtdlMissing, kNotMedia}, text(texts::kPlaybackFailedYtdlMissing)},
    {"YtdlOutOfDate",
     {{"ytdl_hook", "ERROR: [youtube] abc: Unable to extract player response\n"},
      {"ytdl_hook", "youtube-dl failed: unexpected error occurred\n"}},
     text(texts::kPlaybackFailedYtdlError)},
    {"YtdlErrorBeatsStatus",
     {{"ffmpeg", "http: HTTP error 404 Not Found\n"},
      {"ytdl_hook", "youtube-dl failed: unexpected error occurred\n"}},
     text(texts::kPlaybackFailedYtdlError)},
    {"NotMedia", {kNotMedia}, text(texts::kPlaybackFailedNotMedia)},
    {"ErrorWordElsewhereIgnored",
     {{"cplayer", "ERROR: youtube-dl failed: not found\n"}},
     u"再生できません: loading failed"},
    {"StatusWithoutDigits",
     {{"ffmpeg", "HTTP error unknown\n"}},
     u"再生できません: loading failed"},
    {"NothingInLog", {}, u"再生できません: loading failed"},
};

INSTANTIATE_TEST_SUITE_P(Table, PlaybackDiagnosisTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlaybackDiagnosisResetTest, ForgetsEarlierMovie) {
    PlaybackDiagnosis diagnosis;
    diagnosis.addLogMessage("ffmpeg", "http: HTTP error 404 Not Found\n");
    diagnosis.reset();
    EXPECT_EQ(diagnosis.describe("loading failed"), u"再生できません: loading failed");
}

} // namespace
} // namespace kestrova
