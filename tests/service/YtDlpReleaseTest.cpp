// Kestrova's own yt-dlp, fetched from a loopback stand-in of the release downloads and checked
// against a key made for the test.

#include "service/YtDlpRelease.h"

#include "process/ChildProcess.h"
#include "service/ReleaseSignature.h"
#include "service/Sha256.h"
#include "support/FeedServer.h"
#include "support/SigningKey.h"
#include "support/TempDir.h"

#include <chrono>
#include <functional>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::FeedReply;

const std::string kProgram = "#!/bin/sh\necho 2099.01.01\n";
const std::string kOldProgram = "#!/bin/sh\necho 2023.03.04\n";

std::string checksums(const std::string& program) {
    return "0000000000000000000000000000000000000000000000000000000000000000  yt-dlp.exe\n" +
           Sha256Hex(program) + "  yt-dlp\n";
}

class YtDlpReleaseTest : public ::testing::Test {
public:
    void serve(const std::string& program, const std::string& sums) {
        m_server.setReply("/rel/yt-dlp", FeedReply::ok(program));
        m_server.setReply("/rel/SHA2-256SUMS", FeedReply::ok(sums));
        m_server.setReply("/rel/SHA2-256SUMS.sig", FeedReply::ok(s_key->sign(sums)));
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(s_key->valid()) << "gpg could not make a key";
        m_release.urlPrefix = m_server.baseUrl() + "/rel/";
        m_release.armoredKey = s_key->armoredPublicKey();
        m_release.folder = m_dir / "own";
        m_release.searchPath = std::string(ProcessSearchPath()) + ":/usr/bin";
        m_release.stallTimeout = 1s;
        m_release.totalTimeout = 10s;
        serve(kProgram, checksums(kProgram));
    }

    static void SetUpTestSuite() { s_key = new test::SigningKey; }
    static void TearDownTestSuite() { delete s_key; }

    std::filesystem::path installed() const { return m_release.folder / "yt-dlp"; }
    std::vector<std::string> filesKept() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_release.folder))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static test::SigningKey* s_key;
    test::TempDir m_dir;
    test::FeedServer m_server;
    YtDlpRelease m_release;
};

test::SigningKey* YtDlpReleaseTest::s_key = nullptr;

TEST_F(YtDlpReleaseTest, AGoodReleaseIsKeptAndRuns) {
    EXPECT_EQ(InstallYtDlpRelease(m_release), std::nullopt);
    EXPECT_EQ(ReadProgramVersion(installed(), 5s), "2099.01.01");
    EXPECT_EQ(filesKept(), std::vector<std::string>{"yt-dlp"});
    EXPECT_EQ(std::filesystem::status(m_release.folder).permissions(),
              std::filesystem::perms::owner_all);
}

struct BadRelease {
    const char* name;
    std::function<void(YtDlpReleaseTest&, YtDlpRelease&, test::FeedServer&)> spoil;
    const char* reason; // a part of what the failure says
};

void PrintTo(const BadRelease& c, std::ostream* os) {
    *os << c.name;
}

class BadReleaseTest : public YtDlpReleaseTest, public ::testing::WithParamInterface<BadRelease> {};

// Nothing is kept or run: the old copy is as it was, and the failure says why.
TEST_P(BadReleaseTest, KeepsTheOldCopy) {
    std::filesystem::create_directories(m_release.folder);
    test::WriteFileBytes(installed(), kOldProgram);
    std::filesystem::permissions(installed(), std::filesystem::perms::owner_all);
    GetParam().spoil(*this, m_release, m_server);

    const auto start = std::chrono::steady_clock::now();
    const auto failure = InstallYtDlpRelease(m_release);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find(GetParam().reason), std::string::npos) << *failure;
    EXPECT_EQ(test::ReadFileBytes(installed()), kOldProgram);
    EXPECT_EQ(filesKept(), std::vector<std::string>{"yt-dlp"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
}

const BadRelease kBadReleases[] = {
    {"WrongSignature",
     [](auto&, auto&, auto& server) {
         server.setReply("/rel/SHA2-256SUMS",
                         FeedReply::ok(checksums("#!/bin/sh\necho planted\n")));
     },
     "signature check failed"},
    {"WrongSum",
     [](auto& test, auto&, auto&) { test.serve(kProgram, checksums("something else")); },
     "SHA-256 does not match"},
    {"NoLineForTheProgram",
     [](auto& test, auto&, auto&) { test.serve(kProgram, "abc  yt-dlp.exe\n"); },
     "no line for yt-dlp"},
    {"TruncatedDownload",
     [](auto&, auto&, auto& server) {
         server.setReply("/rel/yt-dlp", FeedReply::reset(kProgram.substr(0, 10)));
     },
     "yt-dlp: "},
    {"OverSize", [](auto&, auto& release, auto&) { release.maxBytes = 16; }, "larger than"},
    {"HungServer",
     [](auto&, auto&, auto& server) { server.setReply("/rel/yt-dlp", FeedReply::hang()); },
     "yt-dlp: "},
    {"Missing",
     [](auto&, auto&, auto& server) {
         server.setReply("/rel/SHA2-256SUMS.sig", FeedReply::withStatus(404));
     },
     "SHA2-256SUMS.sig: HTTP 404"},
    {"NotHttps", [](auto&, auto& release, auto&) { release.urlPrefix = "http://example.org/rel/"; },
     "not an https address"},
    {"UnreadableKey", [](auto&, auto& release, auto&) { release.armoredKey = "no key at all"; },
     "release key cannot be read"},
};

INSTANTIATE_TEST_SUITE_P(Table, BadReleaseTest, ::testing::ValuesIn(kBadReleases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReleaseAddressTest, HttpsOrLoopback) {
    EXPECT_TRUE(
        IsAcceptableReleaseUrl("https://github.com/yt-dlp/yt-dlp/releases/latest/download/"));
    EXPECT_TRUE(IsAcceptableReleaseUrl("http://127.0.0.1:8080/rel/"));
    EXPECT_TRUE(IsAcceptableReleaseUrl("http://localhost/rel/"));
    EXPECT_TRUE(IsAcceptableReleaseUrl("http://[::1]:80/"));
    EXPECT_FALSE(IsAcceptableReleaseUrl("http://example.org/"));
    EXPECT_FALSE(IsAcceptableReleaseUrl("http://127.0.0.1.example.org/"));
    EXPECT_FALSE(IsAcceptableReleaseUrl("ftp://127.0.0.1/"));
    EXPECT_FALSE(IsAcceptableReleaseUrl("https:///"));
}

TEST(ReleaseSignatureTest, ChecksumLines) {
    const std::string digest(64, 'A');
    EXPECT_EQ(ChecksumFor(digest + "  yt-dlp\n", "yt-dlp"), std::string(64, 'a'));
    EXPECT_EQ(ChecksumFor(digest + " *yt-dlp\r\n", "yt-dlp"), std::string(64, 'a'));
    EXPECT_EQ(ChecksumFor(digest + "  yt-dlp_linux\n", "yt-dlp"), std::nullopt);
    EXPECT_EQ(ChecksumFor("abc  yt-dlp\n", "yt-dlp"), std::nullopt);
    EXPECT_EQ(ChecksumFor(std::string(64, 'g') + "  yt-dlp\n", "yt-dlp"), std::nullopt);
}

} // namespace
} // namespace kestrova
