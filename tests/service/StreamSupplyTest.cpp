// The streams of the service's videos: yt-dlp run off the caller's thread, its answers kept,
// its failures told, and a new yt-dlp fetched only when one may help.

#include "service/StreamSupply.h"

#include "res/Texts.h"
#include "service/Sha256.h"
#include "support/FeedServer.h"
#include "support/Programs.h"
#include "support/SigningKey.h"
#include "support/TempDir.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

const StreamRequest kVideo{"http://www.youtube.com/v/Ab3dE5gH1jK", "bv+ba/b"};
const std::string kAnswer =
    R"({"id": "Ab3dE5gH1jK", "url": "http://127.0.0.1:1/v/clip?expire=4000000000"})";

// A yt-dlp that logs each run's arguments (one line) and then runs `body`.
std::string ytDlpScript(const std::filesystem::path& log, const std::string& version,
                        const std::string& body) {
    return "[ \"$1\" = --version ] && { echo " + version + "; exit 0; }\necho \"$*\" >> '" +
           log.string() + "'\n" + body;
}

std::string answering(const std::string& json) {
    return "printf '%s\\n' '" + json + "'";
}

std::string failing(const std::string& error) {
    return "echo '" + error + "' >&2; exit 1";
}

// Calls posted to "the GUI thread": run by the test when it waits.
class PostedCalls {
public:
    StreamSupply::Post post() {
        return [this](std::function<void()> call) {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
            m_posted.notify_all();
        };
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeOut = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + timeOut;
        while (!done()) {
            std::unique_lock lock(m_mutex);
            if (!m_posted.wait_until(lock, deadline, [&] { return !m_calls.empty(); }))
                return false;
            auto call = std::move(m_calls.front());
            m_calls.pop_front();
            lock.unlock();
            call();
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_calls;
};

class StreamSupplyTest : public ::testing::Test {
protected:
    StreamSupply::Settings settings() {
        StreamSupply::Settings s;
        s.keeper.places = {(m_dir / "bin").string(), m_dir / "own"};
        s.keeper.today = [] { return std::chrono::sys_days(std::chrono::year(2026) / 1 / 10); };
        s.answerFolder = m_dir / "answers";
        std::filesystem::create_directories(s.answerFolder);
        return s;
    }
    void ytDlp(const std::string& body, const std::string& version = "2026.01.05") {
        test::WriteScript(m_dir / "bin/yt-dlp", ytDlpScript(m_runs, version, body));
    }
    void node() { test::WriteScript(m_dir / "bin/node", "echo v22.12.0"); }
    std::vector<std::string> runs() const {
        std::vector<std::string> lines;
        std::ifstream log(m_runs);
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }
    StreamResult resolve(StreamSupply& supply, const StreamRequest& request = kVideo) {
        std::optional<StreamResult> result;
        supply.resolve(request, [&](StreamResult r) { result = std::move(r); });
        EXPECT_TRUE(m_calls.runUntil([&] { return result.has_value(); }));
        return result.value_or(StreamResult{});
    }

    test::TempDir m_dir;
    std::filesystem::path m_runs = m_dir / "runs.log";
    PostedCalls m_calls;
};

TEST_F(StreamSupplyTest, AnAnswerIsKeptForReplaysAndReadiedVideos) {
    ytDlp("sleep 0.3; " + answering(kAnswer));
    node();
    StreamSupply supply(settings(), m_calls.post());

    const auto start = std::chrono::steady_clock::now();
    std::optional<StreamResult> first;
    supply.resolve(kVideo, [&](StreamResult r) { first = std::move(r); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms); // never on the caller's thread
    ASSERT_TRUE(m_calls.runUntil([&] { return first.has_value(); }));
    ASSERT_TRUE(first->answer) << std::string(first->failureLine.begin(), first->failureLine.end());
    EXPECT_EQ(test::ReadFileBytes(first->answer->hookFile).find("Ab3dE5gH1jK") != std::string::npos,
              true);
    EXPECT_EQ(resolve(supply).answer, first->answer);
    ASSERT_EQ(runs().size(), 1u);
    EXPECT_EQ(runs()[0], "-J --no-playlist --format bv+ba/b --js-runtimes node:" +
                             (m_dir / "bin/node").string() + " -- " + kVideo.address);

    // Readied while typed, then asked for: one run between them.
    const StreamRequest other{"http://www.youtube.com/v/Zz3dE5gH1jK", "bv+ba/b"};
    supply.prepare(other);
    const auto answer = resolve(supply, other).answer;
    ASSERT_TRUE(answer);
    EXPECT_EQ(runs().size(), 2u);

    // Streams that no longer open are asked for again.
    supply.forget(other);
    EXPECT_FALSE(supply.kept(other));
    EXPECT_TRUE(resolve(supply, other).answer);
    EXPECT_EQ(runs().size(), 3u);
}

struct RefusalCase {
    const char* name;
    std::string error;
    std::u16string_view line;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusalTest : public StreamSupplyTest, public ::testing::WithParamInterface<RefusalCase> {};

// Each refusal has its line, and none of them fetches yt-dlp.
TEST_P(RefusalTest, ToldInItsOwnLineWithoutAFetch) {
    ytDlp(failing("ERROR: [youtube] Ab3dE5gH1jK: " + GetParam().error));
    node();
    test::FeedServer releases;
    auto s = settings();
    s.keeper.release.urlPrefix = releases.baseUrl() + "/rel/";
    StreamSupply supply(s, m_calls.post());
    const StreamResult result = resolve(supply);
    EXPECT_FALSE(result.answer);
    EXPECT_EQ(result.failureLine, GetParam().line);
    EXPECT_TRUE(releases.requests().empty());
    EXPECT_FALSE(supply.kept(kVideo));
}

const RefusalCase kRefusals[] = {
    {"BotCheck", "Sign in to confirm you’re not a bot", texts::kPlaybackFailedBotCheck},
    {"Private", "Private video. Sign in if you have been granted access",
     texts::kPlaybackFailedUnavailable},
    {"Age", "Sign in to confirm your age.", texts::kPlaybackFailedSignIn},
    {"Country", "The uploader has not made this video available in your country",
     texts::kPlaybackFailedRegion},
    {"Live", "This live event will begin in 5 minutes.", texts::kPlaybackFailedNotYetLive},
    {"Offline", "Unable to download webpage: <urlopen error [Errno -2] Name or service not known>",
     texts::kPlaybackFailedNoNetwork},
};

INSTANTIATE_TEST_SUITE_P(Table, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// A yt-dlp that can no longer cope gets one newer copy a run, fetched and checked, and the
// video is asked for again with it; a missing one is fetched while the player says so.
class FetchTest : public StreamSupplyTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_key.valid());
        const std::string fresh =
            "#!/bin/sh\n" + ytDlpScript(m_runs, "2026.01.09", answering(kAnswer));
        const std::string sums = Sha256Hex(fresh) + "  yt-dlp\n";
        m_releases.setReply("/rel/yt-dlp", test::FeedReply::ok(fresh));
        m_releases.setReply("/rel/SHA2-256SUMS", test::FeedReply::ok(sums));
        m_releases.setReply("/rel/SHA2-256SUMS.sig", test::FeedReply::ok(m_key.sign(sums)));
    }
    StreamSupply::Settings fetching() {
        auto s = settings();
        s.keeper.release.urlPrefix = m_releases.baseUrl() + "/rel/";
        s.keeper.release.armoredKey = m_key.armoredPublicKey();
        s.keeper.release.searchPath = std::string(ProcessSearchPath()) + ":/usr/bin";
        return s;
    }

    test::SigningKey m_key;
    test::FeedServer m_releases;
};

TEST_F(FetchTest, AnExtractorFailureFetchesOnceAndRetries) {
    ytDlp(failing("ERROR: [youtube] Ab3dE5gH1jK: Unable to extract initial player response"));
    node();
    StreamSupply supply(fetching(), m_calls.post());
    EXPECT_TRUE(resolve(supply).answer);
    EXPECT_EQ(runs().size(), 2u); // the old one, then the new one
    EXPECT_EQ(m_releases.requests().size(), 3u);

    // The new copy is chosen from now on; a second failure in the run fetches nothing.
    test::WriteScript(m_dir / "own/yt-dlp", ytDlpScript(m_runs, "2026.01.09", failing("ERROR: x")));
    const StreamRequest other{"http://www.youtube.com/v/Zz3dE5gH1jK", "b"};
    EXPECT_EQ(resolve(supply, other).failureLine,
              u"再生できません: yt-dlp が古い可能性があります (バージョン 2026.01.09)");
    EXPECT_EQ(m_releases.requests().size(), 3u);
}

TEST_F(FetchTest, AMissingYtDlpIsFetchedWhileThePlayerSaysSo) {
    StreamSupply supply(fetching(), m_calls.post());
    std::vector<bool> updating;
    supply.setUpdatingListener([&](bool now) { updating.push_back(now); });
    const StreamResult result = resolve(supply);
    EXPECT_TRUE(result.answer);
    EXPECT_TRUE(m_calls.runUntil([&] { return updating.size() == 2; }));
    EXPECT_EQ(updating, (std::vector<bool>{true, false}));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "own/yt-dlp"));
}

// An out-of-date yt-dlp plays while a new one is fetched in the background; the next run within
// a day fetches none, even with no own copy.
TEST_F(FetchTest, AnOutOfDateYtDlpIsRefreshedInTheBackgroundOnceADay) {
    ytDlp(answering(kAnswer), "2025.11.01");
    {
        StreamSupply supply(fetching(), m_calls.post());
        EXPECT_TRUE(resolve(supply).answer);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!std::filesystem::exists(m_dir / "own/yt-dlp") &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(std::filesystem::exists(m_dir / "own/yt-dlp"));
    }
    EXPECT_EQ(m_releases.requests().size(), 3u);
    std::filesystem::remove(m_dir / "own/yt-dlp");
    StreamSupply nextRun(fetching(), m_calls.post());
    EXPECT_TRUE(resolve(nextRun).answer);
    EXPECT_EQ(m_releases.requests().size(), 3u);
}

TEST_F(FetchTest, ABadReleaseRunsNothingAndSaysWhy) {
    m_releases.setReply("/rel/yt-dlp", test::FeedReply::ok("#!/bin/sh\necho planted\n"));
    StreamSupply supply(fetching(), m_calls.post());
    const StreamResult result = resolve(supply);
    EXPECT_FALSE(result.answer);
    EXPECT_EQ(result.failureLine,
              u"再生できません: yt-dlp を更新できませんでした (yt-dlp: SHA-256 does not match "
              u"SHA2-256SUMS)");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "own/yt-dlp"));
    EXPECT_TRUE(runs().empty());
}

} // namespace
} // namespace kestrova
